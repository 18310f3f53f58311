// The event journals: reading one, reading all six with their retries, and which records
// the journal page shows.

#include <QtTest>

#include "events.h"
#include "ops_rig.h"

using namespace vilt;
using link::Panel;
using sim::Fault;
using sim::FaultKind;

namespace {
// A journal of raw BCD records, the rest zero.
QByteArray journalBytes(std::initializer_list<std::initializer_list<int>> records) {
    QByteArray bytes;
    for (const auto& record : records)
        for (int b : record) bytes.append(char(b));
    return bytes.leftJustified(50, '\0');
}
ops::Journal decoded(std::initializer_list<ops::EventRecord> records) {
    ops::Journal journal{};
    size_t i = 0;
    for (const auto& record : records) journal[i++] = record;
    return journal;
}
}  // namespace

class TstEvents : public QObject {
    Q_OBJECT
  private slots:
    void readOneJournal() {
        test::OpsRig rig;
        rig.meter.state().journals[3] =
            journalBytes({{0x15, 0x03, 0x10, 0x08, 0x45}, {0xFF, 0x1A}});
        rig.events[5] = decoded({{1, 1, 1, 1, 1}});
        QCOMPARE(ops::RxdRdEvent(rig.exchange, 3, rig.events), 0);
        QCOMPARE(rig.meter.requests().last().left(5), QByteArray::fromHex("3930001403"));
        QCOMPARE(rig.meter.requests().last().size(), 7);
        // Stored decoded, nibbles above 9 not refused: 0xFF is 165, 0x1A is 20.
        QCOMPARE(rig.events[3][0], (ops::EventRecord{15, 3, 10, 8, 45}));
        QCOMPARE(rig.events[3][1], (ops::EventRecord{165, 20, 0, 0, 0}));
        QCOMPARE(rig.events[5][0], (ops::EventRecord{1, 1, 1, 1, 1}));  // others untouched
    }

    void refusedReplyKeepsTheJournal_data() {
        QTest::addColumn<FaultKind>("fault");
        QTest::newRow("55 bytes") << FaultKind::MissingByte;
        QTest::newRow("57 bytes") << FaultKind::ExtraByte;
        QTest::newRow("another code") << FaultKind::WrongCode;
    }
    void refusedReplyKeepsTheJournal() {
        QFETCH(FaultKind, fault);
        test::OpsRig rig;
        rig.events[0] = decoded({{9, 9, 9, 9, 9}});
        rig.meter.setFault(0x14, Fault{fault});
        QCOMPARE(ops::RxdRdEvent(rig.exchange, 0, rig.events), 1);
        QCOMPARE(rig.exchange.resultCode, uint8_t{1});
        QCOMPARE(rig.events[0][0], (ops::EventRecord{9, 9, 9, 9, 9}));
    }

    void journalNumberOutsideTheTable() {
        test::OpsRig rig;
        QCOMPARE(ops::RxdRdEvent(rig.exchange, 6, rig.events), 0);
        QCOMPARE(rig.events, ops::EventTab{});
    }

    void readAllJournals() {
        test::OpsRig rig;
        rig.view.group = ops::Group::Event;
        rig.operations.ReadClick();
        QList<int> asked;
        for (const QByteArray& request : rig.requests(0x14)) asked << request[4];
        QCOMPARE(asked, QList<int>({0, 1, 2, 3, 4, 5}));
        QCOMPARE(rig.view.top(), std::optional(Panel::Ok_rdevent));
        QVERIFY(rig.events[0][0][0] != 0);  // the meter's sample journals arrived
    }

    void journalZeroFails() {
        test::OpsRig rig;
        rig.view.group = ops::Group::Event;
        rig.meter.setFault(0x14, Fault{FaultKind::Silent});
        rig.operations.ReadClick();
        QCOMPARE(rig.requests(0x14).size(), 3);
        QCOMPARE(rig.view.top(), std::optional(Panel::Net_cv));
    }

    void onlyJournalFourFails() {
        test::OpsRig rig;
        rig.view.group = ops::Group::Event;
        rig.line.onRequest = [&](const QByteArray& request) {
            const bool four = uint8_t(request[3]) == 0x14 && request[4] == 4;
            rig.meter.setFault(0x14, Fault{four ? FaultKind::BadCrc : FaultKind::None});
        };
        rig.operations.ReadClick();
        QList<int> asked;
        for (const QByteArray& request : rig.requests(0x14)) asked << request[4];
        QCOMPARE(asked, QList<int>({0, 1, 2, 3, 4, 4, 4, 5}));
        QCOMPARE(rig.view.top(), std::optional(Panel::Net_cv));
        QCOMPARE(rig.events[4], ops::Journal{});  // kept what it had
    }

    void shownRecords_data() {
        QTest::addColumn<ops::Journal>("journal");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing read") << ops::Journal{} << 0 << "";
        QTest::newRow("one record") << decoded({{15, 3, 10, 8, 45}}) << 1 << "";
        QTest::newRow("day 0 first hides the rest")
            << decoded({{0, 3, 10, 8, 45}, {15, 3, 10, 8, 45}}) << 0 << "";
        QTest::newRow("day 32 ends it")
            << decoded({{15, 3, 10, 8, 45}, {32, 1, 1, 1, 1}}) << 1 << "";
        QTest::newRow("day 165 ends it") << decoded({{165, 3, 10, 8, 45}}) << 0 << "";
        QTest::newRow("31 February") << decoded({{15, 3, 10, 8, 45}, {31, 2, 10, 12, 0}}) << 0
                                     << "Invalid argument to date encode";
        QTest::newRow("minute 60")
            << decoded({{15, 3, 10, 8, 60}}) << 0 << "Invalid argument to time encode";
    }
    void shownRecords() {
        QFETCH(ops::Journal, journal);
        QFETCH(int, shown);
        QFETCH(QString, error);
        const ops::JournalRows rows = ops::journalRows(journal);
        QCOMPARE(rows.events.size(), shown);
        QCOMPARE(rows.error, error);
        if (shown > 0) QCOMPARE(rows.events[0], QDateTime(QDate(2010, 3, 15), QTime(8, 45)));
    }
};

Q_DECLARE_METATYPE(ops::Journal)
QTEST_GUILESS_MAIN(TstEvents)
#include "tst_events.moc"
