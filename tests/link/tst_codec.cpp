// The plain codecs of the link: CRC, BCD, the password code, version and place texts.
// Expected values come from published check values and hand-worked examples.

#include <QtTest>

#include "link/bcd.h"
#include "link/crc.h"
#include "link/identity.h"
#include "link/session.h"
#include "link/text1251.h"

using namespace vilt::link;

namespace {
QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out.append(static_cast<char>(v));
    return out;
}
int32_t crcOf(const QByteArray& data) {
    return frameCrc(reinterpret_cast<const uint8_t*>(data.constData()),
                    static_cast<int32_t>(data.size()));
}
}  // namespace

class TstCodec : public QObject {
    Q_OBJECT
  private slots:
    void calcPoly_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("crc");
        // CRC-16/XMODEM check value, with the two CRC places zeroed.
        QTest::newRow("check value") << QByteArray("123456789\0\0", 11) << 0x31C3;
        QTest::newRow("local identity") << bytes({0x00, 0x7F, 0, 0}) << 0x8F78;
        QTest::newRow("identity of 12345") << bytes({0x39, 0x30, 0x00, 0x25, 0, 0}) << 0x6EFC;
        QTest::newRow("whole ack reply") << bytes({0x39, 0x30, 0x00, 0x1D, 0xAA, 0xE9, 0xF4}) << 0;
        QTest::newRow("empty run") << QByteArray() << 0;
    }
    void calcPoly() {
        QFETCH(QByteArray, data);
        QFETCH(int, crc);
        QCOMPARE(crcOf(data) & 0xFFFF, crc);
    }

    void bcd_data() {
        QTest::addColumn<int>("bcd");
        QTest::addColumn<int>("bin");
        QTest::newRow("59") << 0x59 << 59;
        QTest::newRow("0") << 0x00 << 0;
        QTest::newRow("99") << 0x99 << 99;
        QTest::newRow("31") << 0x31 << 31;
    }
    void bcd() {
        QFETCH(int, bcd);
        QFETCH(int, bin);
        QCOMPARE(bcdToInt(bcd), bin);
        QCOMPARE(intToBcd(bin), bcd);
    }
    void bcdIsNotValidated() {
        QCOMPARE(bcdToInt(0x1A), 20);
        QCOMPARE(intToBcd(123), 0xC3);
        QCOMPARE(intToBcd(45), 0x45);
    }

    void coderPsw_data() {
        QTest::addColumn<int>("password");
        QTest::addColumn<uint>("challenge");
        QTest::addColumn<uint>("code");
        QTest::newRow("zero") << 0 << 0u << 0x0086CB44u;
        QTest::newRow("typical") << 1234 << 0x5A17C3E1u << 0x1F387931u;
        QTest::newRow("minus one wraps") << -1 << 0xFFFFFFFFu << 0xFFBCFAB9u;
        QTest::newRow("largest") << 2147483647 << 0x12345678u << 0x12775341u;
        QTest::newRow("smallest") << int(-2147483647 - 1) << 0u << 0x0086CBBBu;
    }
    void coderPsw() {
        QFETCH(int, password);
        QFETCH(uint, challenge);
        QFETCH(uint, code);
        QCOMPARE(loginCode(password, challenge), code);
    }

    void versionText_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("five digits") << 30109 << "09.01.3";
        QTest::newRow("four digits") << 1234 << "4.23.1";
        QTest::newRow("one digit") << 7 << "..7";
        QTest::newRow("largest") << 65535 << "35.55.6";
    }
    void versionText() {
        QFETCH(int, number);
        QFETCH(QString, text);
        QCOMPARE(vilt::link::versionText(static_cast<uint16_t>(number)), text);
    }

    void placeText() {
        const auto encoded = encode1251(QStringLiteral("ТП-15"));
        QVERIFY(encoded);
        QCOMPARE(*encoded, bytes({0xD2, 0xCF, 0x2D, 0x31, 0x35}));
        QVERIFY(!encode1251(QStringLiteral("ТП-15 ✓")));

        const QByteArray full = *encode1251(QStringLiteral("Подстанция №1234"));
        QCOMPARE(full.size(), 16);
        QByteArray padded = full + bytes({0x41, 0x42});  // bytes past the 16 are not the place
        const auto span = std::span(reinterpret_cast<const uint8_t*>(padded.constData()),
                                    static_cast<size_t>(padded.size()));
        QCOMPARE(decode1251(span, 16), QStringLiteral("Подстанция №1234"));
        padded[5] = 0;
        QCOMPARE(decode1251(span, 16), QStringLiteral("Подст"));
        padded[0] = 0;
        QCOMPARE(decode1251(span, 16), QString());
    }
};

QTEST_GUILESS_MAIN(TstCodec)
#include "tst_codec.moc"
