// The traffic log: what each exchange records, why a reply was refused, secrets masked,
// and the bound on its size.

#include <QtTest>

#include "link/link_settings.h"
#include "link/session.h"
#include "link/traffic_log.h"
#include "support/meter_rig.h"

using namespace vilt;
using link::Direction;
using sim::Fault;
using sim::FaultKind;

Q_DECLARE_METATYPE(sim::FaultKind)

class TstTrafficLog : public QObject {
    Q_OBJECT
  private slots:
    void exchangeRecordsBothFrames() {
        test::MeterRig rig;
        link::TrafficLog log;
        rig.exchange.setTrafficLog(&log);
        rig.exchange.run(link::Command::Identity);
        const auto entries = log.entries();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].direction, Direction::Sent);
        QCOMPARE(entries[0].hex, QStringLiteral("39 30 00 25 6E FC"));
        QCOMPARE(entries[0].decoded, QStringLiteral("RxdRdInfo @12345"));
        QCOMPARE(entries[1].direction, Direction::Received);
        QCOMPARE(entries[1].decoded, QStringLiteral("RxdRdInfo ok"));
        QVERIFY(link::formatEntry(entries[0]).endsWith("39 30 00 25 6E FC  RxdRdInfo @12345"));
    }

    void requestFieldsAreNamed_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("decoded");
        using C = link::Command;
        QTest::newRow("journal") << int(C::ReadEvent) << QByteArray("\x03", 1)
                                 << "RxdRdEvent @12345 journal 3";
        QTest::newRow("profile day") << int(C::ReadProfile) << QByteArray::fromHex("050310")
                                     << "RxdRd30m @12345 day 05.03.10";
        QTest::newRow("month") << int(C::ReadMonth) << QByteArray::fromHex("0C00")
                               << "rxd_rd_month @12345 month 12 active";
        QTest::newRow("energy") << int(C::ReadEnergy) << QByteArray::fromHex("01")
                                << "RxdRdCount @12345 reactive";
        QTest::newRow("clock") << int(C::WriteClock) << QByteArray::fromHex("56341203050310")
                               << "RxdWrTime @12345 clock 12:34:56 05.03.10 day 3";
        QTest::newRow("place") << int(C::WritePlace)
                               << QByteArray::fromHex("d9e8f22035").leftJustified(16, '\0')
                               << "RxdWrPlace @12345 place \"Щит 5\"";
        QTest::newRow("nothing to name") << int(C::Identity) << QByteArray() << "RxdRdInfo @12345";
    }
    void requestFieldsAreNamed() {
        QFETCH(int, command);
        QFETCH(QByteArray, payload);
        QFETCH(QString, decoded);
        test::MeterRig rig;
        link::TrafficLog log;
        rig.exchange.setTrafficLog(&log);
        rig.exchange.run(link::Command(command),
                         std::span(reinterpret_cast<const uint8_t*>(payload.constData()),
                                   size_t(payload.size())));
        QCOMPARE(log.entries().first().decoded, decoded);
    }

    void refusalsSayWhy_data() {
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("short") << FaultKind::MissingByte << "RxdReset refused: 6 bytes, expected 7";
        QTest::newRow("code") << FaultKind::WrongCode
                              << "RxdReset refused: code 0xA3, expected 0x23";
        QTest::newRow("CRC") << FaultKind::BadCrc << "RxdReset refused: CRC does not check";
        QTest::newRow("acknowledgement")
            << FaultKind::OtherAck << "RxdReset refused: acknowledgement 0x55, expected 0xAA";
    }
    void refusalsSayWhy() {
        QFETCH(FaultKind, fault);
        QFETCH(QString, decoded);
        test::MeterRig rig;
        link::TrafficLog log;
        rig.exchange.setTrafficLog(&log);
        rig.meter.setFault(0x23, Fault{fault});
        rig.exchange.run(link::Command::Reset);
        QCOMPARE(log.entries().last().decoded, decoded);
    }

    // Neither the login's password code nor a new password shows, in any view or file.
    void secretsAreMasked() {
        test::MeterRig rig;
        rig.meter.state().password = 1234;
        link::TrafficLog log;
        rig.exchange.setTrafficLog(&log);
        link::Session session(rig.exchange);
        QVERIFY(session.open({link::AccessMode::WithPassword, 12345, "1234"}).ok());
        link::ChangePassword(rig.exchange, "5678", "5678");
        QStringList sent;
        for (const auto& entry : log.entries())
            if (entry.direction == Direction::Sent) sent << entry.hex;
        QCOMPARE(sent.filter("** ** ** ** ** **").size(), 2);
        QCOMPARE(sent.filter("39 30 00 20 **").size(), 1);
        QCOMPARE(sent.filter("39 30 00 21 **").size(), 1);
        QVERIFY(!sent.join(' ').contains("2E 16"));  // 5678 = 0x162E, low byte first
    }

    void lateBytesAndTheBound() {
        test::MeterRig rig;
        link::TrafficLog log;
        rig.exchange.setTrafficLog(&log);
        rig.meter.setFault(0x23, Fault{FaultKind::Delay, 1500, 1});
        rig.exchange.run(link::Command::Reset);
        rig.exchange.run(link::Command::Reset);
        QCOMPARE(log.entries()[2].direction, Direction::Discarded);
        QCOMPARE(log.entries()[2].decoded, QStringLiteral("7 late bytes thrown away"));

        log.clear();
        for (size_t i = 0; i <= link::TrafficLog::kCapacity; ++i) log.discarded(int(i) + 1);
        const auto entries = log.entries();
        QCOMPARE(size_t(entries.size()), link::TrafficLog::kCapacity);
        QCOMPARE(entries.first().decoded, QStringLiteral("2 late bytes thrown away"));
        QCOMPARE(entries.last().decoded, QStringLiteral("10001 late bytes thrown away"));
    }
};

QTEST_GUILESS_MAIN(TstTrafficLog)
#include "tst_traffic_log.moc"
