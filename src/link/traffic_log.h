#pragma once
// What went over the line: every frame sent and received, and bytes thrown away, with a
// time stamp and a decoded line. Bounded: the last 10,000 entries are kept.
//
// The password code of a login and the new password of a password change never appear:
// their payload bytes (and the CRC over them) are written as "**".

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <functional>
#include <vector>

#include "link/command.h"
#include "link/exchange.h"

namespace vilt::link {

enum class Direction { Sent, Received, Discarded };

struct TrafficEntry {
    qint64 ms = 0;  // since the log was started or cleared
    Direction direction = Direction::Sent;
    QString hex;      // the bytes, masked where they are secret
    QString decoded;  // the command, the address, how the reply was taken

    bool operator==(const TrafficEntry&) const = default;
};

class TrafficLog {
  public:
    static constexpr size_t kCapacity = 10000;

    TrafficLog();

    void sent(Command command, std::span<const uint8_t> frame, uint32_t address);
    void received(Command command, std::span<const uint8_t> frame, Check check);
    void discarded(int count);
    // The modem's dialogue: what went to it and what it answered, as text.
    void modemText(Direction direction, std::span<const uint8_t> bytes);

    // Oldest first.
    QList<TrafficEntry> entries() const;
    void clear();
    // Called with every new entry (the command line's --trace, a live view).
    std::function<void(const TrafficEntry&)> onEntry;

  private:
    void add(TrafficEntry entry);

    QElapsedTimer m_clock;
    std::vector<TrafficEntry> m_ring;
    size_t m_next = 0;  // where the next entry goes once the ring is full
};

// One entry as a line of text: "  12.345 >  39 30 00 25 6E FC  RxdRdInfo @12345".
QString formatEntry(const TrafficEntry& entry);

}  // namespace vilt::link
