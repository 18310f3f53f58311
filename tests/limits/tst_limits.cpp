// The load limits: the record both ways, the values as the dialog shows and takes them, and
// the two commands against the virtual meter.

#include <QtTest>

#include "limits/limits.h"
#include "support/metatypes.h"
#include "support/meter_rig.h"

using namespace vilt;
using limits::Limits;

namespace {

const QLocale kRussian(QLocale::Russian, QLocale::Russia);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

// Control 0x81, power 15000, T1 1000000, T2 1, T3 0x010203, T4 0, auxiliary 0xFF.
const QByteArray kRecord = QByteArray::fromHex("81983A40420F010000030201000000FF");

std::span<const uint8_t> span(const QByteArray& bytes) {
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
}

}  // namespace

class TstLimits : public QObject {
    Q_OBJECT
  private slots:
    void decodeAndEncode() {
        const Limits limits = limits::decodeLimits(span(kRecord));
        QCOMPARE(limits.flags, uint8_t{0x81});
        QCOMPARE(limits.power, 15000);
        QCOMPARE(limits.energy, (std::array<int32_t, 4>{1000000, 1, 0x010203, 0}));
        QCOMPARE(limits.aux, uint8_t{0x6F});  // bits 4 and 7 have no box
        const auto record = limits::encodeLimits(limits);
        QByteArray back(reinterpret_cast<const char*>(record.data()), int(record.size()));
        QCOMPARE(back, QByteArray::fromHex("81983A40420F010000030201000000") + char(0x6F));
    }

    // Only what fits its wire field goes out: the power in 16 bits, each energy in 24.
    void encodeCutsNothing() {
        Limits limits;
        limits.power = limits::kLargestPower;
        limits.energy = {limits::kLargestEnergy, 0, 0, 0};
        const auto record = limits::encodeLimits(limits);
        QCOMPARE(limits::decodeLimits(record), limits);
    }

    void typedValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("largest");
        QTest::addColumn<int>("hundredths");  // -1: refused
        const int power = limits::kLargestPower;
        const int energy = limits::kLargestEnergy;
        QTest::newRow("whole") << "150" << kRussian << power << 15000;
        QTest::newRow("two decimals exactly") << "0,53" << kRussian << power << 53;
        QTest::newRow("0,29 is not 28") << "0,29" << kRussian << power << 29;
        QTest::newRow("third decimal refused") << "1,239" << kRussian << power << -1;
        QTest::newRow("below a hundredth") << "0,009" << kRussian << power << -1;
        QTest::newRow("third decimal 0") << "1,230" << kRussian << power << -1;
        QTest::newRow("a thousandth through an exponent") << "1e-3" << kRussian << power << -1;
        QTest::newRow("hundredths through an exponent") << "1,5e-1" << kRussian << power << -1;
        QTest::newRow("a whole number through an exponent") << "1e2" << kRussian << power << -1;
        QTest::newRow("not a number") << "nan" << kRussian << power << -1;
        QTest::newRow("NaN") << "NaN" << kRussian << power << -1;
        QTest::newRow("infinity") << "inf" << kRussian << energy << -1;
        QTest::newRow("plus sign") << "+1" << kRussian << power << -1;
        QTest::newRow("decimal point without decimals") << "1," << kRussian << power << -1;
        QTest::newRow("decimals without a whole part") << ",5" << kRussian << power << -1;
        QTest::newRow("thousands separated") << "1 000" << kRussian << energy << -1;
        QTest::newRow("blanks around") << " 1,5 " << kRussian << power << 150;
        QTest::newRow("one decimal") << "12,3" << kRussian << power << 1230;
        QTest::newRow("more digits than a number holds")
            << "99999999999999999999" << kRussian << energy << -1;
        QTest::newRow("largest power and a bit") << "655,359" << kRussian << power << -1;
        QTest::newRow("largest energy and a bit") << "167772,159" << kRussian << energy << -1;
        QTest::newRow("largest power") << "655,35" << kRussian << power << 65535;
        QTest::newRow("power beyond 16 bits") << "655,36" << kRussian << power << -1;
        QTest::newRow("largest energy") << "167772,15" << kRussian << energy << 16777215;
        QTest::newRow("energy beyond 24 bits") << "167772,16" << kRussian << energy << -1;
        QTest::newRow("negative") << "-1" << kRussian << power << -1;
        QTest::newRow("dot where a comma is expected") << "1.5" << kRussian << power << -1;
        QTest::newRow("dot in English") << "1.5" << kEnglish << power << 150;
        QTest::newRow("letters") << "abc" << kRussian << power << -1;
        QTest::newRow("empty") << "" << kRussian << power << -1;
    }
    void typedValues() {
        QFETCH(QString, text);
        QFETCH(QLocale, locale);
        QFETCH(int, largest);
        QFETCH(int, hundredths);
        const auto value = limits::hundredths(text, locale, largest);
        QCOMPARE(value.value_or(-1), hundredths);
    }

    void shownValues() {
        QCOMPARE(limits::shown(15000, kRussian), QStringLiteral("150"));
        QCOMPARE(limits::shown(1000000, kRussian), QStringLiteral("10000"));
        QCOMPARE(limits::shown(53, kRussian), QStringLiteral("0,53"));
        QCOMPARE(limits::shown(53, kEnglish), QStringLiteral("0.53"));
        QCOMPARE(limits::shown(0, kRussian), QStringLiteral("0"));
    }

    // What was read goes back unchanged, flags included.
    void readThenWriteBack() {
        test::MeterRig rig;
        const auto read = limits::readLimits(rig.exchange);
        QVERIFY(read.ok());
        QCOMPARE(rig.meter.requests().last().size(), 6);
        QVERIFY(limits::writeLimits(rig.exchange, read.limits).ok());
        const QByteArray write = rig.meter.requests().last();
        QCOMPARE(write.size(), 22);
        QCOMPARE(uint8_t(write[3]), uint8_t{0x2C});
        QCOMPARE(limits::decodeLimits(span(write.mid(4, 16))), read.limits);
    }

    // Three attempts: a garbled or late reply is asked for again; the third failure is the
    // end, with all values 0 and the message that they were not read.
    void readAttempts_data() {
        QTest::addColumn<sim::FaultKind>("fault");
        QTest::addColumn<int>("failures");
        QTest::newRow("garbled once") << sim::FaultKind::BadCrc << 1;
        QTest::newRow("late twice") << sim::FaultKind::Silent << 2;
        QTest::newRow("garbled three times") << sim::FaultKind::BadCrc << 3;
    }
    void readAttempts() {
        QFETCH(sim::FaultKind, fault);
        QFETCH(int, failures);
        test::MeterRig rig;
        rig.meter.state().limits = kRecord;
        rig.meter.setFault(0x2B, sim::Fault{fault, 0, failures});
        const auto read = limits::readLimits(rig.exchange);
        QCOMPARE(rig.requests(0x2B).size(), std::min(failures + 1, 3));
        if (failures < 3) {
            QVERIFY(read.ok());
            QCOMPARE(read.limits, limits::decodeLimits(span(kRecord)));
            QVERIFY(read.messages.isEmpty());
        } else {
            QCOMPARE(read.status, link::Status::NoLink);
            QCOMPARE(read.limits, Limits{});
            QCOMPARE(read.messages, QStringList{limits::kNotRead});
        }
    }

    void writeRefusals_data() {
        QTest::addColumn<sim::FaultKind>("fault");
        QTest::newRow("wrong acknowledgement") << sim::FaultKind::WrongAck;
        QTest::newRow("bad CRC") << sim::FaultKind::BadCrc;
        QTest::newRow("silent") << sim::FaultKind::Silent;
    }
    void writeRefusals() {
        QFETCH(sim::FaultKind, fault);
        test::MeterRig rig;
        rig.meter.setFault(0x2C, sim::Fault{fault});
        const auto outcome = limits::writeLimits(rig.exchange, Limits{});
        QCOMPARE(outcome.status, link::Status::NoLink);
        QVERIFY(outcome.messages.isEmpty());  // the window shows Net_cv, no box
    }
};

QTEST_GUILESS_MAIN(TstLimits)
#include "tst_limits.moc"
