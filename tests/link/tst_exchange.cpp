// The exchange cycle against the in-process virtual meter on a virtual clock: exact
// request bytes, the waits in order, and each test a reply can fail.

#include <QtTest>

#include "link/exchange.h"
#include "sim/request_table.h"
#include "sim/virtual_meter.h"
#include "support/fake_line.h"
#include "support/virtual_clock.h"

using namespace vilt;
using link::Check;
using link::Command;
using link::Exchange;
using sim::Fault;
using sim::FaultKind;

Q_DECLARE_METATYPE(sim::FaultKind)
Q_DECLARE_METATYPE(link::Check)

namespace {
constexpr uint8_t kIdentity = 0x25;
constexpr uint8_t kLogin = 0x20;
constexpr Command kIdentityRequest = Command::Identity;

struct Rig {
    sim::VirtualMeter meter;
    test::VirtualClock clock;
    test::FakeLine line{meter, clock};
    Exchange exchange{line, clock};
    Rig() { exchange.meterAddress = meter.state().factory; }
};
}  // namespace

class TstExchange : public QObject {
    Q_OBJECT
  private slots:
    void cycleSendsPacesWaitsAndReads() {
        Rig rig;
        QList<QPair<int, int>> progress;
        rig.exchange.setProgress([&](int max, int pos) { progress.append({max, pos}); });
        QCOMPARE(rig.exchange.run(kIdentityRequest), Check::Ok);
        QCOMPARE(rig.clock.log(), QStringList({"write 39 30 00 25 6E FC", "wait 2 x20", "wait 20",
                                               "wait 300", "read 28"}));
        // The bar sweeps once from empty to full and drops back to empty.
        QCOMPARE(progress.size(), 22);
        QCOMPARE(progress[0], qMakePair(20, 0));
        QCOMPARE(progress[20], qMakePair(20, 20));
        QCOMPARE(progress[21], qMakePair(20, 0));
        // The request stays in the send area, the reply in the receive area.
        QCOMPARE(rig.exchange.sendArea()[3], kIdentity);
        QCOMPARE(rig.exchange.receiveArea()[3], kIdentity);
    }

    void requestBytes_data() {
        QTest::addColumn<bool>("local");
        QTest::addColumn<uint>("address");
        QTest::addColumn<QString>("written");
        QTest::newRow("local identity") << true << 12345u << "write 00 7F 8F 78";
        QTest::newRow("factory 12345") << false << 12345u << "write 39 30 00 25 6E FC";
        QTest::newRow("largest factory number") << false << 16777215u << "write FF FF FF 25";
        QTest::newRow("byte 3 of the address is never sent")
            << false << 0x01003039u << "write 39 30 00 25 6E FC";
    }
    void requestBytes() {
        QFETCH(bool, local);
        QFETCH(uint, address);
        QFETCH(QString, written);
        Rig rig;
        rig.exchange.meterAddress = address;
        rig.exchange.run(local ? Command::LocalIdentity : Command::Identity);
        QVERIFY2(rig.clock.log().first().startsWith(written), qPrintable(rig.clock.log().first()));
    }

    // The same faults through the full cycle and the fast one: the fast exchange refuses
    // whatever the full cycle refuses. It waits the reply wait at most, so a reply later than that
    // is refused by it alone.
    void refusals_data() {
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<int>("ms");
        QTest::addColumn<Check>("check");
        QTest::addColumn<Check>("fastCheck");
        QTest::newRow("silent meter") << FaultKind::Silent << 0 << Check::Count << Check::Count;
        QTest::newRow("wrong CRC") << FaultKind::BadCrc << 0 << Check::Crc << Check::Crc;
        QTest::newRow("wrong echoed code, valid CRC")
            << FaultKind::WrongCode << 0 << Check::Code << Check::Code;
        QTest::newRow("one byte more") << FaultKind::ExtraByte << 0 << Check::Count << Check::Count;
        QTest::newRow("one byte less")
            << FaultKind::MissingByte << 0 << Check::Count << Check::Count;
        QTest::newRow("split within the wait") << FaultKind::Split << 100 << Check::Ok << Check::Ok;
        QTest::newRow("split reply") << FaultKind::Split << 500 << Check::Count << Check::Count;
        QTest::newRow("late within the wait") << FaultKind::Delay << 250 << Check::Ok << Check::Ok;
        QTest::newRow("late but within the read")
            << FaultKind::Delay << 800 << Check::Ok << Check::Count;
        QTest::newRow("later than the read")
            << FaultKind::Delay << 1500 << Check::Count << Check::Count;
    }
    void refusals() {
        QFETCH(FaultKind, fault);
        QFETCH(int, ms);
        QFETCH(Check, check);
        QFETCH(Check, fastCheck);
        for (const bool fast : {false, true}) {
            Rig rig;
            rig.exchange.setFast(fast);
            rig.meter.setFault(kIdentity, Fault{fault, ms});
            QCOMPARE(rig.exchange.run(kIdentityRequest), fast ? fastCheck : check);
        }
    }

    void fastCycleTakesTheReplyOnceWholeAndQuiet() {
        Rig rig;
        rig.exchange.setFast(true);
        int progressCalls = 0;
        rig.exchange.setProgress([&](int, int) { ++progressCalls; });
        rig.meter.setFault(kIdentity, Fault{FaultKind::Split, 40});
        QCOMPARE(rig.exchange.run(kIdentityRequest), Check::Ok);
        QCOMPARE(rig.clock.log(), QStringList({"write 39 30 00 25 6E FC", "read 28"}));
        QCOMPARE(rig.clock.now(), 40 + test::FakeLine::kGuardMs);
        QCOMPARE(progressCalls, 0);  // no pacing

        // A meter that stays silent costs the wait, no more.
        rig.meter.setFault(kIdentity, Fault{FaultKind::Silent});
        const qint64 start = rig.clock.now();
        QCOMPARE(rig.exchange.run(kIdentityRequest), Check::Count);
        QCOMPARE(rig.clock.now() - start, 300);
    }

    void acknowledgementByteIsTestedLast() {
        Rig rig;
        const std::array<uint8_t, 4> wrongCode{1, 2, 3, 4};
        QCOMPARE(rig.exchange.run(Command::Login, wrongCode), Check::Ack);
        rig.meter.setFault(kLogin, Fault{FaultKind::BadCrc});
        QCOMPARE(rig.exchange.run(Command::Login, wrongCode), Check::Crc);
    }

    void silenceCostsTheWholeRead() {
        Rig rig;
        rig.meter.setFault(kIdentity, Fault{FaultKind::Silent});
        rig.exchange.run(kIdentityRequest);
        QCOMPARE(rig.clock.log().last(), QStringLiteral("read 0"));
        QCOMPARE(rig.clock.now(), 20 * 2 + 20 + 300 + 1000);
    }

    // What waits in the input before a request is thrown away; after a refused reply the
    // line must also stay quiet a while, so a reply that comes late is not taken for the
    // next one's.
    void lateRepliesAreThrownAway() {
        Rig rig;
        rig.meter.setFault(kIdentity, Fault{FaultKind::Split, 1200, 1});
        QCOMPARE(rig.exchange.run(kIdentityRequest), Check::Count);
        QCOMPARE(rig.line.pendingBytes(), 14);
        rig.clock.clearLog();
        QCOMPARE(rig.exchange.run(kIdentityRequest), Check::Ok);
        QCOMPARE(rig.clock.log().first(), QStringLiteral("discard 14"));

        Rig late;
        late.meter.setFault(kIdentity, Fault{FaultKind::Delay, 1500, 1});
        QCOMPARE(late.exchange.run(kIdentityRequest), Check::Count);
        late.meter.setFault(kIdentity, Fault{FaultKind::Silent});
        late.clock.clearLog();
        QCOMPARE(late.exchange.run(kIdentityRequest), Check::Count);  // not the stale reply
        QCOMPARE(late.clock.log().first(), QStringLiteral("discard 28"));
        QCOMPARE(late.line.pendingBytes(), 0);

        // A good exchange leaves nothing to wait for: the next request goes at once.
        late.meter.clearFaults();
        late.exchange.run(kIdentityRequest);
        late.clock.clearLog();
        late.exchange.run(kIdentityRequest);
        QVERIFY(late.clock.log().first().startsWith("write"));
    }

    void closedPortFailsTheCountTest() {
        Rig rig;
        rig.line.Close();
        QCOMPARE(rig.exchange.run(kIdentityRequest), Check::Count);
        QVERIFY(rig.meter.requests().isEmpty());
    }

    void waitIsNeverNegativeAndScales() {
        Rig rig;
        rig.exchange.setWaitMs(-50);
        rig.exchange.run(kIdentityRequest);
        QVERIFY(rig.clock.log().contains("wait 0"));
        rig.exchange.setWaitMs(150);
        rig.clock.clearLog();
        const std::array<uint8_t, 3> day{5, 3, 0x10};
        rig.exchange.run(Command::ReadProfile, day);  // the profile waits twice as long
        QVERIFY(rig.clock.log().contains("wait 300"));
    }

    // The workstation's table and the meter's own, written apart, agree on every request
    // length and on every reply the meter gives.
    void commandTableMatchesTheMeter() {
        for (const link::CommandInfo& info : link::commandTable()) {
            const uint8_t code = link::code(info.command);
            if (info.command != Command::LocalIdentity)
                QCOMPARE(sim::requestLength(code), link::requestLength(info.command));
            Rig rig;
            const QByteArray zeros(info.payload, '\0');
            rig.exchange.run(info.command, std::span(reinterpret_cast<const uint8_t*>(zeros.data()),
                                                     size_t(zeros.size())));
            const QString written = rig.clock.log().first();
            QCOMPARE(written.count(' '), link::requestLength(info.command));  // "write" and n bytes
            const int replied = rig.clock.log().last().mid(5).toInt();
            if (replied > 0) QVERIFY(replied == info.replyLength || replied == info.shortReply);
        }
    }

    void refusedReplyStaysInTheReceiveAreaOnly() {
        Rig rig;
        rig.meter.setFault(kIdentity, Fault{FaultKind::WrongCode});
        rig.exchange.run(kIdentityRequest);
        QCOMPARE(rig.exchange.receiveArea()[0], uint8_t{0x39});
    }
};

QTEST_GUILESS_MAIN(TstExchange)
#include "tst_exchange.moc"
