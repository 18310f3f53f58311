#pragma once
// The virtual meter test case, split over four files: framing, login and faults in
// tst_virtual_meter.cpp, the clock and the other commands in tst_meter_commands.cpp,
// energy counts, month-end readings and profiles in tst_meter_readings.cpp, the tariff
// schedule and the calendar in tst_meter_schedule.cpp.

#include <QByteArray>
#include <QObject>

#include "sim/control.h"
#include "sim/crc16.h"
#include "sim/virtual_meter.h"

namespace vilt::sim::test {

inline QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

inline QByteArray sealed(QByteArray body) {
    appendCrc(body);
    return body;
}

// Meter 12345 whose password answers challenge 0x12345678 with code 0x1234567F.
inline constexpr uint32_t kChallenge = 0x12345678;
inline constexpr const char* kIdentityRequest = "39 30 00 25 6E FC";
inline constexpr const char* kChallengeRequest = "39 30 00 1C C9 86";
inline constexpr const char* kLoginRequest = "39 30 00 20 7F 56 34 12 CF 3B";
inline constexpr const char* kIdentityReply =
    "39 30 00 25 07 00 9D 75 00 00 D2 CF 2D 31 35 00 00 00 00 00 00 00 00 00 00 00 CD 2D";

inline MeterState fixtureState() {
    MeterState state;
    state.factory = 12345;
    state.model = 7;
    state.version = 30109;
    state.place = hex("D2 CF 2D 31 35");  // "ТП-15"
    state.password = 0x7FFF9D1B;
    return state;
}

inline VirtualMeter challengedMeter() {
    VirtualMeter meter(fixtureState());
    meter.setNextChallenge(kChallenge);
    meter.answer(hex(kChallengeRequest));
    return meter;
}

// A control line applied; one the meter refuses is told, so a failing setup shows why.
inline ControlResult applyLine(VirtualMeter& meter, const QString& line) {
    const ControlResult result = applyControlLine(meter, line);
    if (!result.ok) qWarning("%s: %s", qPrintable(line), qPrintable(result.error));
    return result;
}

// What a control line answers: "(no value)" for a line that sets, empty for one refused.
inline QString answerTo(VirtualMeter& meter, const QString& line) {
    const ControlResult result = applyLine(meter, line);
    return result.ok ? result.value.value_or(QStringLiteral("(no value)")) : QString();
}

}  // namespace vilt::sim::test

class TestVirtualMeter : public QObject {
    Q_OBJECT

  private slots:
    void crc_data();
    void crc();
    void passwordCode_data();
    void passwordCode();
    void identityReply_data();
    void identityReply();
    void silence_data();
    void silence();
    void challengesChange();
    void login_data();
    void login();
    void fault_data();
    void fault();
    void faultCountdownAndPrecedence();
    void placeEncoding();
    void badControlLineChangesNothing_data();
    void badControlLineChangesNothing();
    void controlLinesApply();

    // tst_meter_commands.cpp
    void commands_data();
    void commands();
    void clockWrite_data();
    void clockWrite();
    void clockRuns_data();
    void clockRuns();
    void hostClock();
    void serialNumberInTwoSteps();
    void stateControlLines();

    // tst_meter_readings.cpp
    void readings_data();
    void readings();
    void defaultReadings();
    void defaultProfile_data();
    void defaultProfile();
    void defaultProfileFollowsTheHostClock();
    void readingControlLines();

    // tst_meter_schedule.cpp
    void scheduleReplies_data();
    void scheduleReplies();
    void scheduleWrites();
    void scheduleControlLines();
};
