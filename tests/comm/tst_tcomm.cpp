// The real serial-port component on a pseudo-terminal, with the virtual meter server on
// the other side: read behaviour, DTR, open and close errors, the port map.

#include <unistd.h>

#include <QtTest>

#include "comm/comm_error.h"
#include "comm/open_failure.h"
#include "comm/port_map.h"
#include "comm/tcomm.h"
#include "support/sim_process.h"

using namespace vilt;
using comm::TComm;

namespace {
// The identity request to meter 12345, as it goes on the wire.
const QByteArray kIdentityRequest = QByteArray::fromHex("393000256EFC");

int send(TComm& port, const QByteArray& bytes) {
    return port.Write(reinterpret_cast<const uint8_t*>(bytes.constData()), int(bytes.size()));
}

struct Timed {
    int count;
    qint64 ms;
};
Timed timedRead(TComm& port, int count = 256) {
    std::array<uint8_t, 256> buffer{};
    QElapsedTimer timer;
    timer.start();
    const int n = port.Read(buffer.data(), count);
    return {n, timer.elapsed()};
}

// What action gives when run as the user "nobody"; root again after it, whatever happens.
template <typename Action>
auto asNobody(const Action& action) {
    constexpr uid_t kNobody = 65534;
    struct Back {
        ~Back() {
            if (::seteuid(0) != 0 || ::setegid(0) != 0) std::abort();
        }
    } back;
    if (::setegid(kNobody) != 0 || ::seteuid(kNobody) != 0) std::abort();
    return action();
}

QString errorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const comm::CommError& error) {
        return QString::fromStdString(error.what());
    }
    return {};
}
}  // namespace

class TstTComm : public QObject {
    Q_OBJECT

    std::unique_ptr<test::SimProcess> m_sim;
    TComm m_port;

  private slots:
    void init() {
        m_sim = std::make_unique<test::SimProcess>();
        QString error;
        QVERIFY2(m_sim->start(&error), qPrintable(error));
        m_port.SetDeviceName(m_sim->slavePath());
        m_port.SetBaudRate(comm::BaudRate::br9600);
        m_port.Open();
        QVERIFY(m_port.Enabled());
    }
    void cleanup() {
        m_port.Close();
        m_sim.reset();
    }

    void completeReplyComesAtOnce() {
        QCOMPARE(send(m_port, kIdentityRequest), 6);
        QTest::qWait(300);
        const Timed read = timedRead(m_port);
        QCOMPARE(read.count, 28);
        QVERIFY2(read.ms < TComm::kSilentReadMs, qPrintable(QString::number(read.ms)));
    }

    void silenceGivesNothingAfterASecond() {
        const Timed read = timedRead(m_port);
        QCOMPARE(read.count, 0);
        QVERIFY2(read.ms >= TComm::kSilentReadMs - 20, qPrintable(QString::number(read.ms)));
    }

    void readWithNothingWaitingCollectsTheReply() {
        send(m_port, kIdentityRequest);
        QCOMPARE(timedRead(m_port).count, 28);
    }

    void replyStillArrivingComesInPart() {
        QVERIFY(m_sim->control("fault 25 split 500"));
        send(m_port, kIdentityRequest);
        QTest::qWait(150);
        QCOMPARE(timedRead(m_port).count, 14);
        QCOMPARE(timedRead(m_port).count, 14);  // the rest stayed queued
        QCOMPARE(timedRead(m_port, 1).count, 0);
    }

    // The fast read: pieces are collected until the reply is whole and the line quiet; a
    // byte after the whole reply is taken too, so a longer reply stays longer; silence
    // ends at the wait given.
    void fastReadTakesTheReplyWhole() {
        std::array<uint8_t, 256> buffer{};
        const auto whole = [](std::span<const uint8_t> bytes) { return bytes.size() >= 28; };
        const auto readReply = [&](int waitMs) {
            return m_port.ReadReply(buffer.data(), int(buffer.size()), waitMs, whole);
        };
        QVERIFY(m_sim->control("fault 25 split 100 1"));
        send(m_port, kIdentityRequest);
        QCOMPARE(readReply(1000), 28);
        QVERIFY(m_sim->control("fault 25 extra 0 1"));
        send(m_port, kIdentityRequest);
        QCOMPARE(readReply(1000), 29);
        QVERIFY(m_sim->control("fault 25 silent"));
        send(m_port, kIdentityRequest);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(readReply(200), 0);
        QVERIFY2(timer.elapsed() >= 190, qPrintable(QString::number(timer.elapsed())));
    }

    // The window's events run between the slices of a wait, and its event loop may take in
    // the reply: those bytes count as come, not as a silent meter.
    void replyTakenInByTheEventLoop() {
        m_port.setIdle([] {
            QThread::msleep(60);  // a repaint, while the reply arrives
            QCoreApplication::processEvents();
        });
        std::array<uint8_t, 256> buffer{};
        const auto whole = [](std::span<const uint8_t> bytes) { return bytes.size() >= 28; };
        for (int attempt = 0; attempt < 5; ++attempt) {
            send(m_port, kIdentityRequest);
            QCOMPARE(m_port.ReadReply(buffer.data(), int(buffer.size()), 2000, whole), 28);
        }
        m_port.setIdle({});
    }

    void guardIsThreeAndAHalfCharacters_data() {
        QTest::addColumn<int>("bps");
        QTest::addColumn<int>("ms");
        QTest::newRow("1200") << 1200 << 30;
        QTest::newRow("2400") << 2400 << 15;
        QTest::newRow("9600") << 9600 << 4;
        QTest::newRow("115200: at least 2 ms") << 115200 << 2;
    }
    void guardIsThreeAndAHalfCharacters() {
        QFETCH(int, bps);
        QFETCH(int, ms);
        QCOMPARE(comm::replyGuardMs(bps), ms);
    }

    void readStopsAtTheCount() {
        send(m_port, kIdentityRequest);
        QCOMPARE(timedRead(m_port, 10).count, 10);
        QCOMPARE(timedRead(m_port).count, 18);
    }

    void dtrOnAPseudoTerminal() {
        QCOMPARE(errorText([&] { m_port.SetDTRState(true); }), QString());
        QVERIFY(m_port.Enabled());
        send(m_port, kIdentityRequest);
        QCOMPARE(timedRead(m_port).count, 28);
    }

    void errorsOfTheComponent() {
        QCOMPARE(errorText([&] { m_port.Open(); }),
                 QStringLiteral("Port already assigned (open) (Error: -1)"));
        QVERIFY(m_port.Enabled());  // the second open leaves the port as it was
        m_port.Close();
        m_port.Close();  // closing a closed port does nothing
        QCOMPARE(errorText([&] { m_port.SetDTRState(true); }),
                 QStringLiteral("Port not open (Error: -1)"));
        std::array<uint8_t, 4> buffer{};
        QCOMPARE(m_port.Write(buffer.data(), 4), -1);
        QCOMPARE(m_port.Read(buffer.data(), 4), -1);
    }

    void missingDeviceLeavesThePortClosed() {
        m_port.Close();
        m_port.SetDeviceName(QStringLiteral("/nonexistent/tty"));
        QCOMPARE(errorText([&] { m_port.Open(); }), QString());
        QVERIFY(!m_port.Enabled());
    }

    // A device of a group this user is not in: the reason names that group. The check runs
    // as the user "nobody" (the tests run as root, who may use any device).
    void deviceOfAGroupThisUserIsNotIn() {
        if (::geteuid() != 0) QSKIP("needs root, to look at the device as another user");
        QTemporaryDir folder;
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::ReadOther |
                                                         QFile::ExeOther));
        const QString device = folder.filePath("ttyUSB0");
        QFile made(device);
        QVERIFY(made.open(QIODevice::WriteOnly));
        constexpr gid_t kDialout = 20;
        QVERIFY(::chown(QFile::encodeName(device).constData(), 0, kDialout) == 0);
        QVERIFY(made.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                    QFile::WriteGroup));
        const comm::OpenFailure failure = asNobody([&] {
            return comm::examineOpenFailure(device, comm::PortRefusal::Denied, "Permission denied");
        });
        QCOMPARE(failure.problem, comm::OpenProblem::NoRights);
        QCOMPARE(failure.device, device);
        QCOMPARE(failure.group, QStringLiteral("dialout"));
        // The same device to a user who may use it: denied only because someone holds it.
        QCOMPARE(comm::examineOpenFailure(device, comm::PortRefusal::Denied, {}).problem,
                 comm::OpenProblem::Busy);
    }

    // Why a port would not open, told by the device it names.
    void whyThePortWouldNotOpen() {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        QVERIFY(QDir().mkpath(comm::portsFolder()));
        QVERIFY(QFile::link("/nonexistent/ttyUSB7", comm::portsFolder() + "/com2"));
        struct Case {
            QString name;
            comm::OpenProblem problem;
            QString device;
        };
        const QList<Case> cases{
            {"/nonexistent/tty", comm::OpenProblem::NoDevice, "/nonexistent/tty"},
            {"/dev/null/tty", comm::OpenProblem::NoDevice, "/dev/null/tty"},
            {"Com12", comm::OpenProblem::NoDevice, "Com12"},  // no link, no such device
            {"Com2", comm::OpenProblem::NoDevice, "/nonexistent/ttyUSB7"},      // a dangling link
            {m_sim->slavePath(), comm::OpenProblem::Busy, m_sim->slavePath()},  // m_port has it
            {"/dev/null", comm::OpenProblem::Other, "/dev/null"},  // not a serial device
        };
        for (const Case& c : cases) {
            TComm other;
            other.SetDeviceName(c.name);
            other.Open();
            QVERIFY2(!other.Enabled(), qPrintable(c.name));
            const auto failure = other.openFailure();
            QVERIFY2(failure.has_value(), qPrintable(c.name));
            QCOMPARE(failure->problem, c.problem);
            QCOMPARE(failure->device, c.device);
        }
        qunsetenv("XDG_DATA_HOME");

        TComm other;
        other.SetDeviceName("/dev/null");
        other.Open();
        QVERIFY(!other.openFailure()->detail.isEmpty());  // the system's own words
        m_port.Close();
        other.SetDeviceName(m_sim->slavePath());
        other.Open();  // a later open that succeeds leaves no reason behind
        QVERIFY(other.Enabled());
        QVERIFY(!other.openFailure());
    }

    void nameAndSpeedWhileOpen() {
        m_port.SetDeviceName(QStringLiteral("/nonexistent/tty"));  // ignored while open
        QCOMPARE(m_port.DeviceName(), m_sim->slavePath());
        m_port.SetBaudRate(comm::BaudRate::br1200);  // applied at once
        QCOMPARE(m_port.baudRate(), comm::BaudRate::br1200);
        send(m_port, kIdentityRequest);
        QCOMPARE(timedRead(m_port).count, 28);
    }

    void peerGoneReadsNothing() {
        m_sim.reset();
        QVERIFY(timedRead(m_port).count <= 0);
        QVERIFY(send(m_port, kIdentityRequest) >= 0);
    }

    void portMapAndDiscovery() {
        m_port.Close();
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        QVERIFY(QDir().mkpath(comm::portsFolder()));
        QVERIFY(QFile::link(m_sim->slavePath(), comm::portsFolder() + "/com3"));
        QCOMPARE(comm::devicePath("Com3"), m_sim->slavePath());
        QCOMPARE(comm::devicePath("/dev/ttyX"), QStringLiteral("/dev/ttyX"));
        QCOMPARE(comm::portNumber("com12"), std::optional<int>(12));
        QCOMPARE(comm::portNumber("Com13"), std::nullopt);

        const QStringList found = comm::discoverPorts(m_port);
        QVERIFY(found.contains("Com3"));
        for (qsizetype i = 1; i < found.size(); ++i)
            QVERIFY(*comm::portNumber(found[i - 1]) < *comm::portNumber(found[i]));
        QVERIFY(!m_port.Enabled());
        QCOMPARE(m_port.DeviceName(), QStringLiteral("Com12"));

        m_port.SetDeviceName("Com3");
        m_port.Open();
        QVERIFY(m_port.Enabled());
        send(m_port, kIdentityRequest);
        QCOMPARE(timedRead(m_port).count, 28);

        // One device, two names: while it is open through the map, its own path is taken.
        TComm other;
        other.SetDeviceName(m_sim->slavePath());
        other.Open();
        QVERIFY(!other.Enabled());
        m_port.Close();
        other.Open();
        QVERIFY(other.Enabled());
        qunsetenv("XDG_DATA_HOME");
    }
};

QTEST_GUILESS_MAIN(TstTComm)
#include "tst_tcomm.moc"
