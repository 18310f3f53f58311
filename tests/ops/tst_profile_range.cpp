// The daily profile over a range of days against the virtual meter: a day's retries, the
// days that end a range and those it goes past, and what lands in the archive.

#include <QtTest>

#include "ops/profile_range.h"
#include "station/keeping.h"
#include "support/archive_rig.h"
#include "support/metatypes.h"
#include "support/meter_rig.h"

using namespace vilt;
using link::Check;
using link::Status;
using sim::Fault;
using sim::FaultKind;

namespace {

constexpr uint8_t kProfile = 0x18;
constexpr qint64 kFactory = 12345;
const QDate kFirst(2010, 3, 5);

// Each day of the range from kFirst as the meter holds it: "w" words (slot 0 holds the
// day's number in hundredths, 1-based), "-" no profile.
void holdDays(test::MeterRig& rig, const QString& days) {
    for (qsizetype i = 0; i < days.size(); ++i) {
        sim::ProfileDay day{sim::ProfileShape::None, {}};
        if (days[i] == 'w') {
            day.shape = sim::ProfileShape::Words;
            day.words[0] = uint16_t(i + 1);
        }
        rig.meter.state().profiles[kFirst.addDays(i)] = day;
    }
}

QList<Status> statusesOf(const QList<ops::ProfileOutcome>& days) {
    QList<Status> statuses;
    for (const auto& day : days) statuses << day.status;
    return statuses;
}

}  // namespace

class TstProfileRange : public QObject {
    Q_OBJECT
  private slots:
    // Replies refused before a good one: each costs an attempt, and the steps keep them all.
    void dayRetries_data() {
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<int>("refused");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<Status>("status");
        QTest::newRow("first reply read") << FaultKind::Silent << 0 << 1 << Status::Done;
        QTest::newRow("one lost reply") << FaultKind::Silent << 1 << 2 << Status::Done;
        QTest::newRow("two bad CRCs") << FaultKind::BadCrc << 2 << 3 << Status::Done;
        QTest::newRow("three lost replies") << FaultKind::Silent << 3 << 3 << Status::NoLink;
    }
    void dayRetries() {
        QFETCH(FaultKind, fault);
        QFETCH(int, refused);
        QFETCH(int, attempts);
        QFETCH(Status, status);
        test::MeterRig rig;
        test::ArchiveRig store;
        holdDays(rig, "w");
        if (refused > 0) rig.meter.setFault(kProfile, Fault{fault, 0, refused});
        const auto read = ops::readProfileDay(rig.exchange, kFirst, kFactory,
                                              station::dayKeeper(store.archive.get(), kFactory));
        QCOMPARE(read.status, status);
        QCOMPARE(rig.requests(kProfile).size(), attempts);
        QCOMPARE(read.steps.size(), attempts);
        for (int i = 0; i < attempts; ++i) QCOMPARE(read.steps[i].check == Check::Ok, i >= refused);
        QCOMPARE(read.words.has_value(), status == Status::Done);
        QCOMPARE(store.archive->profiles(kFactory, kFirst, kFirst).size(),
                 status == Status::Done ? 1 : 0);
    }

    // A day without a profile is passed over; the range ends Absent only when no day had one.
    void daysWithoutProfile_data() {
        QTest::addColumn<QString>("days");
        QTest::addColumn<Status>("status");
        QTest::addColumn<int>("stored");
        QTest::newRow("every day") << "www" << Status::Done << 3;
        QTest::newRow("one day missing") << "w-w" << Status::Done << 2;
        QTest::newRow("only the last day") << "--w" << Status::Done << 1;
        QTest::newRow("no day") << "---" << Status::Absent << 0;
    }
    void daysWithoutProfile() {
        QFETCH(QString, days);
        QFETCH(Status, status);
        QFETCH(int, stored);
        test::MeterRig rig;
        test::ArchiveRig store;
        holdDays(rig, days);
        const auto range = ops::readProfileRange(rig.exchange, kFirst, kFirst.addDays(2), kFactory,
                                                 station::dayKeeper(store.archive.get(), kFactory));
        QCOMPARE(range.status, status);
        QCOMPARE(range.days.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(range.days[i].day, kFirst.addDays(i));
            QCOMPARE(range.days[i].status, days[i] == 'w' ? Status::Done : Status::Absent);
        }
        const auto rows = store.archive->profiles(kFactory, std::nullopt, std::nullopt);
        QCOMPARE(rows.size(), stored);
        // Each day's values under its own date: slot 0 holds the day's number.
        for (const auto& row : rows)
            QCOMPARE(*row.values[0], double(kFirst.daysTo(row.day) + 1) / 100);
    }

    // The line lost on the second day: its three attempts, then nothing more is asked. The
    // report of each day comes before the next is asked, so a fault set there hits the next.
    void lostLineEndsTheRange() {
        test::MeterRig rig;
        test::ArchiveRig store;
        holdDays(rig, "wwww");
        QList<QDate> reported;
        const auto range = ops::readProfileRange(
            rig.exchange, kFirst, kFirst.addDays(3), kFactory,
            station::dayKeeper(store.archive.get(), kFactory), [&](const ops::ProfileOutcome& day) {
                reported << day.day;
                if (reported.size() == 1)
                    rig.meter.setFault(kProfile, Fault{FaultKind::Silent, 0, ops::kAttempts});
            });
        QCOMPARE(range.status, Status::NoLink);
        QCOMPARE(statusesOf(range.days), (QList<Status>{Status::Done, Status::NoLink}));
        QCOMPARE(reported, (QList<QDate>{kFirst, kFirst.addDays(1)}));
        QCOMPARE(rig.requests(kProfile).size(), 1 + ops::kAttempts);
        QCOMPARE(range.days[1].steps.size(), ops::kAttempts);
        // The day read before the line went stays stored.
        QCOMPARE(store.archive->profiles(kFactory, std::nullopt, std::nullopt).size(), 1);
    }

    // A day the archive does not take ends the range after it; read and reported it was.
    void refusedStoreEndsTheRange() {
        test::MeterRig rig;
        test::ArchiveRig store;
        store.refuseInserts("srez");
        holdDays(rig, "www");
        int reported = 0;
        const auto range = ops::readProfileRange(rig.exchange, kFirst, kFirst.addDays(2), kFactory,
                                                 station::dayKeeper(store.archive.get(), kFactory),
                                                 [&](const ops::ProfileOutcome&) { ++reported; });
        QCOMPARE(range.status, Status::Failed);
        QCOMPARE(range.days.size(), 1);
        QCOMPARE(reported, 1);
        QVERIFY(range.days[0].words && !range.days[0].stored);
        QVERIFY2(range.days[0].messages.join(' ').contains("disk says no"),
                 qPrintable(range.days[0].messages.join(' ')));
        QCOMPARE(rig.requests(kProfile).size(), 1);
    }

    // Without an archive nothing is stored and nothing fails for it.
    void withoutArchive() {
        test::MeterRig rig;
        holdDays(rig, "ww");
        const auto range =
            ops::readProfileRange(rig.exchange, kFirst, kFirst.addDays(1), kFactory, {});
        QCOMPARE(range.status, Status::Done);
        QCOMPARE(statusesOf(range.days), (QList<Status>{Status::Done, Status::Done}));
    }
};

QTEST_GUILESS_MAIN(TstProfileRange)
#include "tst_profile_range.moc"
