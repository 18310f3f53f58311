#pragma once
// The virtual meter: answers one request frame with the reply frame a meter would send.
// It is written from the reply side of the protocol and shares no code with the
// workstation's encoder, so the two check each other.

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <array>
#include <cstdint>
#include <optional>

#include "sim/energy.h"
#include "sim/meter_time.h"
#include "sim/schedule.h"

namespace vilt::sim {

// What the meter does wrong on purpose when answering a command.
enum class FaultKind {
    None,
    Silent,           // no reply at all
    BadCrc,           // last CRC byte inverted
    WrongCode,        // echoed command code changed
    ExtraByte,        // one byte appended after a valid frame
    MissingByte,      // last byte left off
    WrongAck,         // acknowledgement byte changed (frame still valid)
    OtherAck,         // the other accepting byte: 0x55 for 0xAA and back (frame still valid)
    Delay,            // reply held back by `ms`
    Split,            // reply sent in two halves, `ms` apart
    PasswordRefused,  // the login response is refused whatever the code
};

struct Fault {
    FaultKind kind = FaultKind::None;
    int ms = 0;      // for Delay and Split
    int times = -1;  // replies it applies to before it clears itself; -1 = until cleared
};

inline constexpr int kAllCommands = -1;
inline constexpr int kLimitsLength = 16;

struct MeterState {
    uint32_t factory = 12345;  // 24-bit factory number, also the meter's address
    uint16_t model = 7;
    uint16_t version = 30109;
    QByteArray place;  // up to 16 bytes, Windows-1251
    int32_t password = 0;
    QDateTime clock{};         // meter time when it was last set; invalid: the host's local clock
    int weekday = 0;           // the meter's day number (1 = Monday) at `clock`; 0: from the date
    QByteArray frozenClock{};  // 7 bytes every clock read returns verbatim while set
    uint8_t dst = 0x77;        // daylight-saving permission
    std::array<QByteArray, kJournalCount> journals = defaultJournals();  // 50 bytes each
    int speedCode = 0;  // last link speed code written: 0/1/2 = 2400/4800/9600
    int resets = 0;     // resets acknowledged
    // Load limits as stored: control flags; power limit (0.01 kW, 16 bit); energy limits
    // T1..T4 (0.01 kW·h, 24 bit each); auxiliary flags. Numbers low byte first.
    // By default 150 kW and 10000, 5000, 2000, 1000 kW·h.
    QByteArray limits = QByteArray::fromHex("98 983A 40420F 20A107 400D03 A08601 21");
    uint8_t calibration = 0x25;
    int32_t serialNumber = 0;
    int out512 = 0;  // switch-ons of the 512 Hz test output acknowledged
    std::array<TariffCounts, kEnergyKinds> energy = defaultEnergy();  // by EnergyKind
    std::array<MonthEnds, kEnergyKinds> monthEnds = defaultMonthEnds();
    QMap<QDate, ProfileDay> profiles{};  // days answered otherwise than by the default rule
    Zones zones{};                       // the tariff schedule as written: all T1
    Calendar calendar{};                 // the special days as written: none

    bool operator==(const MeterState&) const = default;
};

// One reply as it leaves the meter: the bytes and when they go out.
struct Reply {
    QByteArray bytes;  // empty: the meter stays silent
    int delayMs = 0;   // before the first byte
    int splitAt = -1;  // >= 0: bytes [0, splitAt) go first, the rest after gapMs
    int gapMs = 0;
};

class VirtualMeter {
  public:
    explicit VirtualMeter(MeterState state = {});

    MeterState& state() { return m_state; }
    const MeterState& state() const { return m_state; }

    // code: a command code, or kAllCommands for every command without a fault of its own.
    void setFault(int code, Fault fault);
    void clearFaults();

    // The challenge the next login request gets; by default a fixed pseudo-random sequence.
    void setNextChallenge(uint32_t challenge);

    // Answers one complete request frame (CRC included). Frames with a bad CRC, another
    // meter's address or an unknown code get no reply, as on a real bus.
    Reply answer(const QByteArray& request);

    // Every request frame received, in order.
    const QList<QByteArray>& requests() const { return m_requests; }

    // The meter's time now, as a clock read would decode (frozen bytes aside).
    MeterTime clockNow();
    // The 7 bytes a clock read returns now.
    QByteArray clockFrame();
    // The profile a request for `date` gets now, by the meter's running clock.
    ProfileDay profile(QDate date);
    // Runs the clock on from state().clock as of this moment. Direct edits of the clock or
    // the weekday are noticed too, but only at the next read: call this when the moment counts.
    void restartClock();

  private:
    // The fault that would apply to `code`: its own, else the all-commands one, else none.
    Fault peekFault(int code) const;
    // Counts one reply against the fault that applied to `code`.
    void spendFault(int code);
    // The code of a request this meter answers, after checking address, length and CRC.
    std::optional<uint8_t> requestCode(const QByteArray& request) const;
    QByteArray handle(uint8_t code, const QByteArray& request, bool refuseLogin);
    QByteArray handleSetting(uint8_t code, const QByteArray& request);
    QByteArray header() const;
    QByteArray identityReply(uint8_t code) const;
    QByteArray challengeReply();
    QByteArray loginReply(const QByteArray& request, bool refuse) const;
    QByteArray ackReply(uint8_t code, char ack) const;
    QByteArray dataReply(uint8_t code, const QByteArray& data) const;
    QByteArray writeClock(const QByteArray& request);
    QByteArray journalReply(const QByteArray& request) const;
    QByteArray writePlace(const QByteArray& request);
    QByteArray writePassword(const QByteArray& request);
    QByteArray writeSpeed(const QByteArray& request);
    QByteArray writeSerial(const QByteArray& request);
    QByteArray handleReading(uint8_t code, const QByteArray& request);
    QByteArray countsReply(uint8_t code, const TariffCounts& counts) const;
    QByteArray energyReply(const QByteArray& request) const;
    QByteArray monthReply(const QByteArray& request) const;
    QByteArray profileReply(const QByteArray& request);
    QByteArray handleSchedule(uint8_t code, const QByteArray& request);
    QByteArray zonesReply(const QByteArray& request) const;
    QByteArray writeZones(const QByteArray& request);
    QByteArray writeCalendar(const QByteArray& request);
    void noticeClockEdit();

    MeterState m_state;
    QMap<int, Fault> m_faults;
    QList<QByteArray> m_requests;
    uint32_t m_challenge = 0;  // the last challenge handed out
    bool m_challengeGiven = false;
    bool m_serialStepOne = false;  // the first step of a serial number write came last
    uint32_t m_nextChallenge = 0x5A17C3E1;
    QElapsedTimer m_sinceClockSet;
    QDateTime m_clockSeen;  // state().clock and weekday when the timer started
    int m_weekdaySeen = 0;
};

}  // namespace vilt::sim
