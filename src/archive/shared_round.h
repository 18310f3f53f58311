#pragma once
// A round shared by several stations through the archive's server. Its meters are rows of the
// table round_meters; each free line of each station claims the next one not yet visited
// with a row lock the others skip. A claim lasts as long as its transaction: a station that
// dies, or whose connection the server drops, gives its meter back, and the server ends a
// claim left idle longer than kClaimMinutes.
//
//   round_meters  Line (the file's line, key), Label, Zav_N, Password, Phone, Station, Port,
//                 Visited (when, or NULL), Visited_by, Ok, Result

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace vilt::archive {

class Connection;

inline constexpr int kClaimMinutes = 15;

// A meter of a round: a line of a round file, or a row of the team's round on the server.
struct RoundMeter {
    int line = 0;  // in the file it came from, for whoever shows it
    QString label;
    qint64 factory = 0;
    QString password;  // empty: the session by factory number, else by password
    QString phone;     // empty: on the direct line `port` (of the station `station`, shared)
    QString station;   // the shared round's: empty for a meter with a phone (any modem calls it)
    QString port;

    bool operator==(const RoundMeter&) const = default;
};

// The meters a line of a station may take: any meter with a phone on a modem line; on a
// direct line, those without a phone on that port of that station.
struct LineScope {
    bool modem = true;
    QString station;
    QString port;
};

// Replaces the shared round with these meters, in one transaction; every meter is then not
// yet visited. Empty, or the user's message (the archive must be on a server).
QString importRound(const QString& place, const QList<RoundMeter>& meters);

// The direct ports of station that hold meters not yet visited, in port order; none, with
// *error for the user, when the server cannot tell.
std::optional<QStringList> directPorts(const QString& place, const QString& station,
                                       QString* error);

class RoundClaims {
  public:
    // A connection of its own for one line; nullptr and *error for the user when the server
    // cannot be reached or holds no shared round.
    static std::unique_ptr<RoundClaims> open(const QString& place, QString* error);
    ~RoundClaims();
    RoundClaims(const RoundClaims&) = delete;
    RoundClaims& operator=(const RoundClaims&) = delete;

    // The first meter in file order not yet visited and not claimed by another line that
    // this line may take, claimed until finish() or release(). None when there is none
    // left, or when the server failed (*error then says why).
    std::optional<RoundMeter> claim(const LineScope& scope, QString* error);
    // The claimed meter is marked visited by station with its result; the claim ends.
    // Empty, or the server's message (the meter then stays not visited).
    QString finish(const QString& station, bool ok, const QString& result);
    // The claim ends and the meter stays not visited.
    void release();

  private:
    explicit RoundClaims(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> m_connection;
    std::optional<int> m_claimed;  // the line of the claimed meter
};

}  // namespace vilt::archive
