// Energy counters, month-end readings and the day's profile: the bytes, the numbers as
// shown, the retries, and what goes into the archive.

#include <QtTest>

#include "archive/archive.h"
#include "comm/comm_error.h"
#include "link/outcome_texts.h"
#include "ops/number_text.h"
#include "ops/operations.h"
#include "ops/readings.h"
#include "station/keeping.h"
#include "support/archive_rig.h"
#include "support/metatypes.h"
#include "support/meter_rig.h"

using namespace vilt;
using link::Check;
using link::Status;
using sim::Fault;
using sim::FaultKind;
using test::ArchiveRig;

Q_DECLARE_METATYPE(std::optional<int>)

namespace {

constexpr uint8_t kEnergy = 0x12;
constexpr uint8_t kMonth = 0x16;
constexpr uint8_t kProfile = 0x18;
constexpr qint64 kFactory = 12345;

sim::ProfileWords words(std::initializer_list<std::pair<int, uint16_t>> set) {
    sim::ProfileWords w{};
    for (const auto& [k, word] : set) w[size_t(k)] = word;
    return w;
}

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

}  // namespace

class TstReadings : public QObject {
    Q_OBJECT
  private slots:
    void numberFormat_data() {
        QTest::addColumn<qlonglong>("hundredths");
        QTest::addColumn<QString>("c");
        QTest::addColumn<QString>("russian");
        QTest::newRow("two decimals") << 12345LL << "123.45"
                                      << "123,45";
        QTest::newRow("trailing zero dropped") << 12340LL << "123.4"
                                               << "123,4";
        QTest::newRow("whole") << 12300LL << "123"
                               << "123";
        QTest::newRow("one hundredth") << 1LL << "0.01"
                                       << "0,01";
        QTest::newRow("minus one hundredth") << -1LL << "-0.01"
                                             << "-0,01";
        QTest::newRow("zero") << 0LL << "0"
                              << "0";
        // Four counts summing past 2^24 hundredths keep their last digit.
        QTest::newRow("exact total") << 16777217LL << "167772.17"
                                     << "167772,17";
        QTest::newRow("large total") << 123456789LL << "1234567.89"
                                     << "1234567,89";
        QTest::newRow("beyond 32 bits") << 4LL * 2147483647 << "85899345.88"
                                        << "85899345,88";
    }
    void numberFormat() {
        QFETCH(qlonglong, hundredths);
        QFETCH(QString, c);
        QFETCH(QString, russian);
        QCOMPARE(ops::hundredthsText(hundredths, QLocale::c()), c);
        QCOMPARE(ops::hundredthsText(hundredths, QLocale(QLocale::Russian, QLocale::Russia)),
                 russian);
    }

    void generalFormat() {
        const QLocale ru(QLocale::Russian, QLocale::Russia);
        QCOMPARE(ops::generalText(1.5, 6, ru), QStringLiteral("1,5"));
        QCOMPARE(ops::generalText(327.67, 6, ru), QStringLiteral("327,67"));
        QCOMPARE(ops::generalText(0, 6, ru), QStringLiteral("0"));
        QCOMPARE(ops::generalText(1.23456789, 6, QLocale::c()), QStringLiteral("1.23457"));
    }

    void countersAsSent() {
        test::MeterRig rig;
        rig.meter.state().energy[0] = {12345, 0, -1, 2147483647};
        const auto reply = ops::requestActiveEnergy(rig.exchange);
        QVERIFY(reply.ok());
        QCOMPARE(reply.value, (ops::Counts{12345, 0, -1, 2147483647}));
        QCOMPARE(ops::countTotal(reply.value), 12345LL - 1 + 2147483647LL);
        QCOMPARE(hex(rig.requests(kEnergy).last()).left(14), QStringLiteral("39 30 00 12 00"));
        QVERIFY(ops::requestReactiveEnergy(rig.exchange).ok());
        QCOMPARE(hex(rig.requests(kEnergy).last()).left(14), QStringLiteral("39 30 00 12 01"));
    }

    void refusedCounters_data() {
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<Check>("check");
        QTest::newRow("another code") << FaultKind::WrongCode << Check::Code;
        QTest::newRow("21 bytes") << FaultKind::MissingByte << Check::Count;
        QTest::newRow("23 bytes") << FaultKind::ExtraByte << Check::Count;
        QTest::newRow("bad CRC") << FaultKind::BadCrc << Check::Crc;
        QTest::newRow("no reply") << FaultKind::Silent << Check::Count;
    }
    void refusedCounters() {
        QFETCH(FaultKind, fault);
        QFETCH(Check, check);
        test::MeterRig rig;
        rig.meter.setFault(kEnergy, Fault{fault});
        QCOMPARE(ops::requestActiveEnergy(rig.exchange).check, check);
        const auto outcome = ops::readEnergy(rig.exchange, {false, 7, {}});
        QCOMPARE(outcome.status, Status::NoLink);
        QVERIFY(!outcome.active && !outcome.reactive);
        QCOMPARE(outcome.steps.size(), 6);  // three active, three reactive
    }

    // The model number decides whether reactive counters are read; the last counter read
    // decides how the group ends.
    void energyGroup_data() {
        QTest::addColumn<std::optional<int>>("model");
        QTest::addColumn<bool>("activeFails");
        QTest::addColumn<int>("exchanges");
        QTest::addColumn<bool>("reactive");
        QTest::addColumn<Status>("status");
        const std::optional<int> six = 6;
        const std::optional<int> seven = 7;
        QTest::newRow("model 6: active only") << six << false << 1 << false << Status::Done;
        QTest::newRow("model 7: active then reactive")
            << seven << false << 2 << true << Status::Done;
        QTest::newRow("active fails, reactive decides")
            << seven << true << 4 << true << Status::Done;
        QTest::newRow("model 6, active fails") << six << true << 3 << false << Status::NoLink;
        QTest::newRow("no meter identified")
            << std::optional<int>() << false << 1 << false << Status::Garbled;
    }
    void energyGroup() {
        QFETCH(std::optional<int>, model);
        QFETCH(bool, activeFails);
        QFETCH(int, exchanges);
        QFETCH(bool, reactive);
        QFETCH(Status, status);
        test::MeterRig rig;
        rig.meter.state().energy[1] = {100, 200, 300, 400};
        rig.line.onRequest = [&](const QByteArray& request) {
            const bool active = request.size() > 4 && request[4] == 0;
            rig.meter.setFault(kEnergy,
                               Fault{activeFails && active ? FaultKind::BadCrc : FaultKind::None});
        };
        const auto outcome = ops::readEnergy(rig.exchange, {false, model, {}});
        QCOMPARE(outcome.status, status);
        QCOMPARE(rig.requests(kEnergy).size(), exchanges);
        QCOMPARE(outcome.reactive.has_value(), reactive);
        if (status == Status::Garbled)
            QCOMPARE(outcome.error, "'" + QString(20, ' ') + "' is not a valid integer value");
        // shownCounts holds the last counts read: the reactive over the active.
        if (reactive) QCOMPARE(*outcome.shownCounts(), (ops::Counts{100, 200, 300, 400}));
    }

    // Each month is asked once, waited for with the reply wait; March's readings go to the
    // archive by the store-or-create rule.
    void monthEndReadings() {
        test::MeterRig rig;
        ArchiveRig store;
        rig.meter.state().monthEnds[0][2] = {0, 123456, 0, 0};
        const auto outcome = ops::readEnergy(
            rig.exchange, {true, 6, station::monthKeeper(store.archive.get(), 4567)});
        QCOMPARE(outcome.status, Status::Done);
        const auto months = rig.requests(kMonth);
        QCOMPARE(months.size(), 12);
        QCOMPARE(hex(months[11]).left(17), QStringLiteral("39 30 00 16 0C 00"));
        QCOMPARE(outcome.months[2], (ops::Counts{0, 123456, 0, 0}));
        QCOMPARE(*outcome.monthStatus, link::texts::kDataReceived);
        QVERIFY(store.statements.contains(
            "UPDATE \"12_month\" SET m3t2=1234.560000 WHERE (Zav_N = 4567)"));
        QCOMPARE(store.statements.mid(0, 3),
                 QStringList({"UPDATE \"12_month\" SET m1t1=" +
                                  QString::number(outcome.months[0]->at(0) * 0.01, 'f', 6) +
                                  " WHERE (Zav_N = 4567)",
                              "INSERT INTO \"12_month\" (Zav_N) VALUES ('4567')",
                              "UPDATE \"12_month\" SET m1t1=" +
                                  QString::number(outcome.months[0]->at(0) * 0.01, 'f', 6) +
                                  " WHERE (Zav_N = 4567)"}));
        const auto rows = store.archive->months(4567);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(*rows[0].active[size_t(archive::monthIndex(3, 2))], 1234.56);
    }

    // A month that fails its three attempts ends the month reads: it and the months after
    // it are named as unread, the counters are still read, and the group has failed.
    void monthFailures_data() {
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<int>("firstFailing");
        QTest::addColumn<QString>("status");
        QTest::newRow("20 bytes") << FaultKind::MissingByte << 1 << link::texts::kWrongCount;
        QTest::newRow("another code") << FaultKind::WrongCode << 1 << link::texts::kWrongCode;
        QTest::newRow("bad CRC") << FaultKind::BadCrc << 1 << link::texts::kMonthWrongCrc;
        QTest::newRow("silent from May") << FaultKind::Silent << 5 << link::texts::kWrongCount;
        QTest::newRow("December alone") << FaultKind::Silent << 12 << link::texts::kWrongCount;
    }
    void monthFailures() {
        QFETCH(FaultKind, fault);
        QFETCH(int, firstFailing);
        QFETCH(QString, status);
        test::MeterRig rig;
        ArchiveRig store;
        rig.line.onRequest = [&](const QByteArray& request) {
            if (uint8_t(request[3]) == kMonth)
                rig.meter.setFault(kMonth,
                                   Fault{request[4] >= firstFailing ? fault : FaultKind::None});
        };
        rig.clock.clearLog();
        const auto outcome =
            ops::readEnergy(rig.exchange, {true, 6, station::monthKeeper(store.archive.get(), 1)});
        QCOMPARE(rig.requests(kMonth).size(), firstFailing - 1 + 3);
        QCOMPARE(*outcome.monthStatus, status);
        QCOMPARE(outcome.status, Status::NoLink);
        QVERIFY(outcome.countersRead && outcome.active);
        QList<int> unread;
        for (int month = firstFailing; month <= link::kMonthCount; ++month) unread << month;
        QCOMPARE(outcome.unreadMonths, unread);
        QVERIFY(!outcome.months[size_t(firstFailing - 1)]);
        QCOMPARE(bool(outcome.months[0]), firstFailing > 1);
        QCOMPARE(store.archive->months(1).size(), firstFailing > 1 ? 1 : 0);
        QVERIFY(rig.clock.log().contains("wait 300"));
        QCOMPARE(ops::unreadMonthsText({5, 6}), QStringLiteral("Не прочитаны месяцы: 5, 6"));
    }

    // A store that fails ends the energy group with the archive's words; nothing half done.
    void monthStoreFailure() {
        test::MeterRig rig;
        ArchiveRig store;
        store.refuseInserts("12_month");
        const auto outcome =
            ops::readEnergy(rig.exchange, {true, 6, station::monthKeeper(store.archive.get(), 1)});
        QCOMPARE(outcome.status, Status::Failed);
        QVERIFY2(outcome.error.contains("disk says no"), qPrintable(outcome.error));
        QCOMPARE(rig.requests(kMonth).size(), 12);  // the months of a read are stored at once
        QCOMPARE(rig.requests(kEnergy).size(), 0);
    }

    // The line lost after the sixth month: none of this read's months is stored, so the row
    // keeps the earlier read whole.
    void monthsCutShortStoreNothing() {
        test::MeterRig rig;
        ArchiveRig store;
        QCOMPARE(store.archive->storeMonths(1, {{1, {9, 9, 9, 9}}, {7, {7, 7, 7, 7}}}).status,
                 archive::StoreStatus::Stored);
        rig.line.onRequest = [&](const QByteArray& request) {
            if (uint8_t(request[3]) == kMonth && request[4] == 7) rig.line.unplug();
        };
        QVERIFY_THROWS_EXCEPTION(
            comm::CommError,
            ops::readEnergy(rig.exchange, {true, 6, station::monthKeeper(store.archive.get(), 1)}));
        const auto rows = store.archive->months(1);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(*rows[0].active[size_t(archive::monthIndex(1, 1))], 9.0);
        QCOMPARE(*rows[0].active[size_t(archive::monthIndex(7, 4))], 7.0);
    }

    void profileRequestAndWords() {
        test::MeterRig rig;
        ArchiveRig store;
        const QDate day(2010, 3, 5);
        rig.meter.state().profiles[day] = {sim::ProfileShape::Words,
                                           words({{0, 0x8000}, {1, 0x7FFF}, {47, 0x0096}})};
        const auto outcome = ops::readProfile(rig.exchange, day, kFactory, station::dayKeeper(store.archive.get(), kFactory));
        QCOMPARE(outcome.status, Status::Done);
        QCOMPARE(hex(rig.requests(kProfile).last()).left(20),
                 QStringLiteral("39 30 00 18 05 03 10"));
        const auto& w = *outcome.words;
        QCOMPARE(ops::slotHundredths(w[0]), 0);
        QVERIFY(!ops::slotComplete(w[0]));
        QCOMPARE(ops::slotHundredths(w[1]), 32767);
        QVERIFY(ops::slotComplete(w[1]));
        QCOMPARE(ops::slotHundredths(w[47]), 150);
        QVERIFY(outcome.stored);
        const auto rows = store.archive->profiles(kFactory, day, day);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(*rows[0].values[0], 0.0);
        QCOMPARE(*rows[0].values[1], 327.67);
        QCOMPARE(*rows[0].values[47], 1.5);
        QCOMPARE(store.statements.first(),
                 QStringLiteral("UPDATE srez SET s0=0.000000 WHERE (data = DateValue('05.03.2010') "
                                "AND Zav_N = 12345)"));
    }

    void slotLabels_data() {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("k");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("end");
        QTest::newRow("first") << QDate(2010, 3, 5) << 0 << QDate(2010, 3, 5) << QTime(0, 30);
        QTest::newRow("second") << QDate(2010, 3, 5) << 1 << QDate(2010, 3, 5) << QTime(1, 0);
        QTest::newRow("last of the day")
            << QDate(2010, 3, 5) << 46 << QDate(2010, 3, 5) << QTime(23, 30);
        QTest::newRow("midnight, month end")
            << QDate(2010, 2, 28) << 47 << QDate(2010, 3, 1) << QTime(0, 0);
        QTest::newRow("midnight, year end")
            << QDate(2010, 12, 31) << 47 << QDate(2011, 1, 1) << QTime(0, 0);
    }
    void slotLabels() {
        QFETCH(QDate, day);
        QFETCH(int, k);
        QFETCH(QDate, date);
        QFETCH(QTime, end);
        const ops::SlotLabel label = ops::slotLabel(day, k);
        QCOMPARE(label.date, date);
        QCOMPARE(label.end, end);
    }

    // No profile, however the meter says it: nothing shown, nothing stored.
    void noProfile_data() {
        QTest::addColumn<int>("shape");
        QTest::addColumn<Status>("status");
        QTest::newRow("8 bytes, FF") << int(sim::ProfileShape::None) << Status::Absent;
        QTest::newRow("105 bytes, FF") << int(sim::ProfileShape::Absent105) << Status::Absent;
        QTest::newRow("8 bytes without FF") << int(sim::ProfileShape::Odd8) << Status::Absent;
    }
    void noProfile() {
        QFETCH(int, shape);
        QFETCH(Status, status);
        test::MeterRig rig;
        ArchiveRig store;
        const QDate day(2010, 3, 5);
        rig.meter.state().profiles[day] = {sim::ProfileShape(shape), {}};
        const auto outcome = ops::readProfile(rig.exchange, day, kFactory, station::dayKeeper(store.archive.get(), kFactory));
        QCOMPARE(outcome.status, status);
        QVERIFY(!outcome.words);
        QVERIFY(store.statements.isEmpty());
        QCOMPARE(link::texts::failureText(outcome), QStringLiteral("Срезы отсутствуют!"));
    }

    void refusedProfile() {
        test::MeterRig rig;
        ArchiveRig store;
        const QDate day(2010, 3, 5);
        rig.meter.state().profiles[day] = {sim::ProfileShape::Words, words({{0, 5}})};
        rig.meter.setFault(kProfile, Fault{FaultKind::BadCrc});
        const auto outcome = ops::readProfile(rig.exchange, day, kFactory, station::dayKeeper(store.archive.get(), kFactory));
        QCOMPARE(outcome.status, Status::NoLink);
        QVERIFY(store.statements.isEmpty());
    }

    // The same day twice for one number is one row holding the second read; another number
    // is another row.
    void oneRowPerDayAndNumber() {
        test::MeterRig rig;
        ArchiveRig store;
        const QDate day(2010, 12, 31);
        rig.meter.state().profiles[day] = {sim::ProfileShape::Words, words({{3, 100}})};
        ops::readProfile(rig.exchange, day, kFactory, station::dayKeeper(store.archive.get(), kFactory));
        rig.meter.state().profiles[day] = {sim::ProfileShape::Words, words({{3, 250}})};
        ops::readProfile(rig.exchange, day, kFactory, station::dayKeeper(store.archive.get(), kFactory));
        auto rows = store.archive->profiles(std::nullopt, std::nullopt, std::nullopt);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(*rows[0].values[3], 2.5);
        QCOMPARE(rows[0].day, day);
        ops::readProfile(rig.exchange, day, 777, station::dayKeeper(store.archive.get(), 777));
        rows = store.archive->profiles(std::nullopt, std::nullopt, std::nullopt);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1].factory, 777);
    }

    // The tariff group of a Read: the schedule, then the calendar; a part that fails fails
    // the group.
    void tariffGroupInARead_data() {
        QTest::addColumn<int>("failing");
        QTest::newRow("all read") << 0;
        QTest::newRow("calendar fails") << 0x02;
        QTest::newRow("zone maps fail") << 0x06;
    }
    void tariffGroupInARead() {
        QFETCH(int, failing);
        test::MeterRig rig;
        if (failing) rig.meter.setFault(failing, Fault{FaultKind::Silent});
        const auto outcome = ops::readSelected(rig.exchange, ops::Group::Tariff);
        QVERIFY(outcome.tariffs);
        QCOMPARE(outcome.tariffs->ok(), failing == 0);
        QVERIFY(!outcome.events);
    }
};

QTEST_GUILESS_MAIN(TstReadings)
#include "tst_readings.moc"
