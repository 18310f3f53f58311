#include <QTest>

#include "sim/crc16.h"
#include "sim/frame_assembler.h"

using namespace vilt::sim;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

QByteArray sealed(QByteArray body) {
    appendCrc(body);
    return body;
}

const QByteArray kLocal = hex("00 7F 8F 78");
const QByteArray kIdentity = hex("39 30 00 25 6E FC");
const QByteArray kLogin = hex("39 30 00 20 7F 56 34 12 CF 3B");
// Six bytes with their CRC, then one zero byte that belongs to the request.
const QByteArray kOut512 = hex("39 30 00 15 58 AF 00");

QByteArray longFrame() {
    QByteArray body = hex("39 30 00 03");
    body.append(48, '\x11');
    return sealed(body);
}

}  // namespace

class TestFrameAssembler : public QObject {
    Q_OBJECT

  private slots:
    void onlyTheWholeFrameYieldsIt_data();
    void onlyTheWholeFrameYieldsIt();
    void cutsStream_data();
    void cutsStream();
    void resetDropsPartial();
};

void TestFrameAssembler::onlyTheWholeFrameYieldsIt_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("local identity") << kLocal;
    QTest::newRow("identity") << kIdentity;
    QTest::newRow("login") << kLogin;
    QTest::newRow("54 bytes") << longFrame();
    QTest::newRow("addressed, starts 00 7F") << sealed(hex("00 7F 05 25"));
    QTest::newRow("512 Hz output, trailing zero") << kOut512;
}

void TestFrameAssembler::onlyTheWholeFrameYieldsIt() {
    QFETCH(QByteArray, frame);
    for (qsizetype cut = 1; cut < frame.size(); ++cut) {
        FrameAssembler assembler;
        QVERIFY2(assembler.feed(frame.first(cut)).isEmpty(), qPrintable(QString::number(cut)));
        QVERIFY(assembler.hasPartial());
        QCOMPARE(assembler.feed(frame.sliced(cut)), QList<QByteArray>{frame});
        QVERIFY(!assembler.hasPartial());
    }
    // Byte by byte.
    FrameAssembler assembler;
    QList<QByteArray> frames;
    for (const char byte : frame) {
        QVERIFY(frames.isEmpty());
        frames = assembler.feed(QByteArray(1, byte));
    }
    QCOMPARE(frames, QList<QByteArray>{frame});
}

void TestFrameAssembler::cutsStream_data() {
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::addColumn<int>("dropped");
    QTest::addColumn<bool>("partialLeft");

    QTest::newRow("back to back") << kIdentity + kLocal + kLogin + longFrame()
                                  << QList<QByteArray>{kIdentity, kLocal, kLogin, longFrame()} << 0
                                  << false;
    QTest::newRow("trailing zero not left behind")
        << kOut512 + kIdentity << QList<QByteArray>{kOut512, kIdentity} << 0 << false;
    QTest::newRow("garbage before")
        << hex("FF FF") + kIdentity << QList<QByteArray>{kIdentity} << 2 << false;
    QTest::newRow("zeros before") << hex("00 00 00 00 00") + kLogin << QList<QByteArray>{kLogin}
                                  << 5 << false;
    QTest::newRow("local identity with bad crc")
        << hex("00 7F 8F 79") + kIdentity << QList<QByteArray>{kIdentity} << 4 << false;
    // Cut by length all the same: the meter ignores it, the next frame stays in sync.
    QTest::newRow("bad crc, known length")
        << hex("39 30 00 25 6E FD") + kLocal << QList<QByteArray>{hex("39 30 00 25 6E FD"), kLocal}
        << 0 << false;
    QTest::newRow("partial tail waits")
        << kIdentity + hex("39 30 00") << QList<QByteArray>{kIdentity} << 0 << true;
}

void TestFrameAssembler::cutsStream() {
    QFETCH(QByteArray, stream);
    QFETCH(QList<QByteArray>, expected);
    QFETCH(int, dropped);
    QFETCH(bool, partialLeft);
    FrameAssembler assembler;
    QCOMPARE(assembler.feed(stream), expected);
    QCOMPARE(assembler.droppedBytes(), dropped);
    QCOMPARE(assembler.hasPartial(), partialLeft);
}

void TestFrameAssembler::resetDropsPartial() {
    // The start of a 54-byte request, abandoned by the workstation.
    const QByteArray stale = hex("39 30 00 03 01 02");

    FrameAssembler kept;
    kept.feed(stale);
    QVERIFY(kept.feed(kIdentity).isEmpty());  // swallowed into the long frame

    FrameAssembler idle;
    idle.feed(stale);
    idle.reset();
    QVERIFY(!idle.hasPartial());
    QCOMPARE(idle.feed(kIdentity), QList<QByteArray>{kIdentity});
}

QTEST_GUILESS_MAIN(TestFrameAssembler)
#include "tst_frame_assembler.moc"
