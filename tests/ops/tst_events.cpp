// The event journals: reading one, reading all six with their retries, and which records
// the journal page shows.

#include <QtTest>

#include "comm/comm_error.h"
#include "ops/events.h"
#include "ops/operations.h"
#include "support/meter_rig.h"

Q_DECLARE_METATYPE(vilt::ops::Journal)

using namespace vilt;
using link::Status;
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
        test::MeterRig rig;
        rig.meter.state().journals[3] =
            journalBytes({{0x15, 0x03, 0x10, 0x08, 0x45}, {0xFF, 0x1A}});
        const auto reply = ops::requestJournal(rig.exchange, 3);
        QVERIFY(reply.ok());
        QCOMPARE(rig.meter.requests().last().left(5), QByteArray::fromHex("3930001403"));
        QCOMPARE(rig.meter.requests().last().size(), 7);
        // Decoded, nibbles above 9 not refused: 0xFF is 165, 0x1A is 20.
        QCOMPARE(reply.value[0], (ops::EventRecord{15, 3, 10, 8, 45}));
        QCOMPARE(reply.value[1], (ops::EventRecord{165, 20, 0, 0, 0}));
    }

    void refusedReplyKeepsTheJournal_data() {
        QTest::addColumn<FaultKind>("fault");
        QTest::newRow("55 bytes") << FaultKind::MissingByte;
        QTest::newRow("57 bytes") << FaultKind::ExtraByte;
        QTest::newRow("another code") << FaultKind::WrongCode;
    }
    void refusedReplyKeepsTheJournal() {
        QFETCH(FaultKind, fault);
        test::MeterRig rig;
        rig.meter.setFault(0x14, Fault{fault});
        QVERIFY(!ops::requestJournal(rig.exchange, 0).ok());
        const auto outcome = ops::readEvents(rig.exchange);
        QCOMPARE(outcome.status, Status::NoLink);
        QCOMPARE(outcome.journals[0], std::nullopt);  // the table keeps what it had
    }

    void readAllJournals() {
        test::MeterRig rig;
        const auto outcome = ops::readSelected(rig.exchange, ops::Group::Event).events;
        QList<int> asked;
        for (const QByteArray& request : rig.requests(0x14)) asked << request[4];
        QCOMPARE(asked, QList<int>({0, 1, 2, 3, 4, 5}));
        QCOMPARE(outcome->status, Status::Done);
        QCOMPARE(outcome->operation, link::Operation::ReadEvents);
        for (const auto& journal : outcome->journals) QVERIFY(journal.has_value());
        QVERIFY((*outcome->journals[0])[0][0] != 0);  // the meter's sample journals arrived
    }

    void journalZeroFails() {
        test::MeterRig rig;
        rig.meter.setFault(0x14, Fault{FaultKind::Silent});
        const auto outcome = ops::readEvents(rig.exchange);
        QCOMPARE(rig.requests(0x14).size(), 3);
        QCOMPARE(outcome.status, Status::NoLink);
    }

    void onlyJournalFourFails() {
        test::MeterRig rig;
        rig.line.onRequest = [&](const QByteArray& request) {
            const bool four = uint8_t(request[3]) == 0x14 && request[4] == 4;
            rig.meter.setFault(0x14, Fault{four ? FaultKind::BadCrc : FaultKind::None});
        };
        const auto outcome = ops::readEvents(rig.exchange);
        QList<int> asked;
        for (const QByteArray& request : rig.requests(0x14)) asked << request[4];
        QCOMPARE(asked, QList<int>({0, 1, 2, 3, 4, 4, 4, 5}));
        QCOMPARE(outcome.status, Status::NoLink);
        QCOMPARE(outcome.journals[4], std::nullopt);  // the table keeps what it had
        QVERIFY(outcome.journals[5].has_value());
    }

    // Every reply late: a journal is either missing or the meter's own, never its neighbour's.
    // (With the wait at 300 ms, up to 4.7 s late; a reply later than that cannot be told apart.)
    void lateRepliesNeverShiftTheJournals_data() {
        QTest::addColumn<int>("delay");
        for (int ms = 1400; ms <= 4700; ms += 300)
            QTest::newRow(qPrintable(QString::number(ms))) << ms;
    }
    void lateRepliesNeverShiftTheJournals() {
        QFETCH(int, delay);
        test::MeterRig rig;
        for (int j = 0; j < ops::kJournalCount; ++j)
            rig.meter.state().journals[size_t(j)] =
                journalBytes({{0x10 + j, 0x03, 0x10, 0x08, 0x45}});
        rig.meter.setFault(0x14, Fault{FaultKind::Delay, delay});
        const auto outcome = ops::readEvents(rig.exchange);
        for (int j = 0; j < ops::kJournalCount; ++j) {
            if (const auto& journal = outcome.journals[size_t(j)])
                QCOMPARE(int((*journal)[0][0]), 10 + j);
        }
    }

    // The adapter pulled after journal 2: the read ends there, nothing more is sent.
    void deviceGoneEndsTheRead() {
        test::MeterRig rig;
        rig.line.onRequest = [&](const QByteArray& request) {
            if (uint8_t(request[3]) == 0x14 && request[4] == 2) rig.line.unplug();
        };
        QVERIFY_THROWS_EXCEPTION(comm::CommError, ops::readEvents(rig.exchange));
        QCOMPARE(rig.requests(0x14).size(), 3);
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

QTEST_GUILESS_MAIN(TstEvents)
#include "tst_events.moc"
