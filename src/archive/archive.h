#pragma once
// The archive: daily power profiles (table srez) and month-end readings (table "12_month")
// kept in a database file, written by the store-or-create rule and browsed a row at a time;
// and the record of visits (archive/visits.h).
//
//   srez        Data (ISO date), Zav_N, s0 … s47          one row per day and factory number
//   "12_month"  Zav_N, m1t1 … m12t4, rm1t1 … rm12t4       one row per factory number
//   visits      Visited, Station, Zav_N, Label, …         one row per meter visit
//
// A value column that was never written holds no value (nullopt here, 0 on screen).
// The stored order of a table is the order in which its rows were created.

#include <QDate>
#include <QList>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "link/counts.h"
#include "archive/visits.h"

namespace vilt::archive {


inline const QString kDefaultFile = QStringLiteral("Counter_VILT3.db");
inline const QString kNotCreated = QStringLiteral("не удалось создать новую запись");
// How long an open or a store waits for another program that holds the file locked before
// it tells the user the archive is busy.
inline constexpr int kBusyWaitMs = 5000;

struct ProfileRow {
    QDate day;
    qint64 factory = 0;
    std::array<std::optional<double>, link::kProfileSlotCount> values;  // slot k ends (k + 1) × 30 min after 0:00

    bool operator==(const ProfileRow&) const = default;
};

// Index of month m (1..12), tariff t (1..4) in MonthRow's arrays.
constexpr int monthIndex(int month, int tariff) {
    return (month - 1) * link::kTariffCount + (tariff - 1);
}

struct MonthRow {
    qint64 factory = 0;
    std::array<std::optional<double>, link::kMonthCount * link::kTariffCount> active, reactive;

    bool operator==(const MonthRow&) const = default;
};

enum class StoreStatus {
    Stored,
    NotCreated,  // the INSERT created no row: the user is told kNotCreated; nothing changed
    Failed,      // a statement failed: error holds the database's text; nothing changed
};

struct StoreResult {
    StoreStatus status = StoreStatus::Stored;
    QString error;
};

class Connection;

// Whether an archive place names a PostgreSQL server (postgresql://…) rather than a file.
bool isServerAddress(const QString& place);

class Archive {
  public:
    // Opens the archive file, creating it with the tables when it does not exist (or is
    // empty). A file that is not an archive (not a database, or without the tables and
    // their columns), a damaged one (a page of it does not read), a folder that does not
    // exist or a file that cannot be read is refused: nullptr, and *error tells the user why,
    // naming the file. A refused file is left as it was. A file another program holds locked, or is
    // making at this moment, is waited for (kBusyWaitMs at most); still held, it is refused as
    // busy. A place that is a postgresql:// address opens the archive on that server instead (see
    // openPostgres in connection.h); a store whose connection the server dropped fails with the
    // server's words, and the next store connects again.
    static std::unique_ptr<Archive> open(const QString& path, QString* error);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    QString path() const;

    // The 48 values of one day and factory number: per slot, UPDATE; when it touches no
    // row, INSERT the key, then the UPDATE again. All in one transaction: on NotCreated or
    // Failed the row keeps what it held before.
    StoreResult storeProfile(const QDate& day, qint64 factory,
                             const std::array<double, link::kProfileSlotCount>& values);
    // The four active month-end values (tariffs 1..4) of month 1..12, the same way.
    StoreResult storeMonth(qint64 factory, int month, const std::array<double, link::kTariffCount>& values);
    // The month-end values of one read, each month with its four, in one transaction: the
    // row takes all of them or none.
    using MonthValues = std::pair<int, std::array<double, link::kTariffCount>>;
    StoreResult storeMonths(qint64 factory, const QList<MonthValues>& months);

    // Called with the text of every store statement (UPDATE, INSERT, and the CREATE of a
    // table made on first use) before it runs.
    // An empty function stops the recording.
    void setStatementRecorder(std::function<void(const QString&)> recorder);

    // One press of a browse button. filter: empty for all numbers, else the text the user
    // typed; a row matches when its Zav_N written as text is exactly that text.
    // Returns the row to show, or nullopt when nothing is shown (empty table, no match,
    // or a failed read: see error()).
    std::optional<ProfileRow> stepProfile(bool forward, const QString& filter);
    std::optional<MonthRow> stepMonths(bool forward);

    // All rows in stored order, narrowed by factory number and by day (both ends included).
    // Browse positions are left alone.
    QList<ProfileRow> profiles(std::optional<qint64> factory, std::optional<QDate> from,
                               std::optional<QDate> to);
    QList<MonthRow> months(std::optional<qint64> factory);

    // One visit, in one transaction; an archive without the visits table gets it first. A
    // record without a time or a station name is refused (Failed), nothing stored.
    StoreResult storeVisit(const VisitRecord& visit);
    // The visits by time, those of one second in stored order; narrowed as profiles are. An
    // archive without the visits table lists none.
    QList<VisitRecord> visits(std::optional<qint64> factory, std::optional<QDate> from,
                              std::optional<QDate> to);

    // The database's text for the last browse or listing that failed; empty after one that
    // succeeded.
    QString error() const { return error_; }

  private:
    explicit Archive(std::unique_ptr<Connection> connection);

    bool begin(QString* error);
    StoreResult store(const QList<std::pair<QString, QString>>& statements);
    bool run(const QString& statement, int* affected, QString* error);

    std::unique_ptr<Connection> connection_;
    std::function<void(const QString&)> recorder_;
    // Browse positions: the key of the record each table's cursor stands on; nullopt while
    // the table was empty at open and no step has found a record since.
    std::optional<qint64> profileAt_, monthAt_;
    QString error_;
};

}  // namespace vilt::archive
