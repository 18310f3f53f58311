// The modem row of the connection page: dialling the virtual modem, a session through the
// call, the hang-up, and a call nobody answers.

#include <QtTest>
#include <QtWidgets>

#include "app/connection/connection_page.h"
#include "app/connection/modem_group.h"
#include "app/main_window.h"
#include "app/widgets/string_grid.h"
#include "dialup/dial_up.h"
#include "link/outcome_texts.h"
#include "support/archive_rig.h"
#include "window_rig.h"

using namespace vilt;

class TstModemGroup : public QObject {
    Q_OBJECT

    std::unique_ptr<test::WindowRig> m_rig;

    void start(const QStringList& options) {
        m_rig = std::make_unique<test::WindowRig>();
        QString error;
        QVERIFY2(m_rig->start(
                     QStringList{"--factory", "12345", "--modem", "--dial-delay", "50"} + options,
                     &error),
                 qPrintable(error));
        m_rig->choosePort("Com1");
    }
    bool shown(const char* name) const { return m_rig->shown(name); }
    // The visits recorded in the window's archive, read as another program would.
    QList<archive::VisitRecord> visits() const {
        QString error;
        const auto archive = archive::Archive::open(m_rig->archivePath(), &error);
        if (!archive) qWarning("%s", qPrintable(error));
        return archive ? archive->visits({}, {}, {}) : QList<archive::VisitRecord>{};
    }

  private slots:
    void cleanup() { m_rig.reset(); }

    void callSessionHangUp() {
        start({});
        m_rig->find<QLineEdit>("phone")->setText("89121234567");
        m_rig->click("dial");
        QVERIFY(shown("callUp") && !shown("callIdle") && !shown("calling"));
        QVERIFY(shown("hangUp") && !shown("dial"));
        auto* speed = m_rig->find<QComboBox>("speed");
        QCOMPARE(speed->currentText(), QStringLiteral("9600"));
        QVERIFY(!speed->isEnabled());
        QCOMPARE(m_rig->meterState("dialled"), QStringLiteral("89121234567"));

        m_rig->connectAs(1, 12345);  // the session through the call
        QVERIFY(m_rig->shown("disconnect"));
        m_rig->click("disconnect");
        QTest::qWait(1100);  // the modem takes "+++" after a quiet second
        m_rig->click("hangUp");
        QVERIFY(shown("callIdle") && shown("dial"));
        QVERIFY(speed->isEnabled());
        QCOMPARE(m_rig->meterState("modem"), QStringLiteral("command"));
    }

    // The session through the call waits as long as the dial said, not the field's old 300:
    // a meter that thinks 600 ms answers it.
    void sessionTakesTheCallsWait() {
        start({"--latency", "600"});
        m_rig->find<QLineEdit>("phone")->setText("555");
        m_rig->click("dial");
        QCOMPARE(m_rig->find<QSpinBox>("wait")->value(), 1000);
        m_rig->click("connect");
        QVERIFY(shown("connected"));
        QVERIFY(m_rig->shown("disconnect"));
    }

    // A dial stopped while the far end rings leaves nothing behind: the row idle and usable,
    // the port closed, and the stop said.
    void stopWhileDialling_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("stop button") << false;
        QTest::newRow("Esc") << true;
    }
    void stopWhileDialling() {
        QFETCH(bool, escape);
        start({"--dial-answer", "silent"});
        QMainWindow& form = m_rig->form();
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        m_rig->find<QLineEdit>("phone")->setText("555");
        QTimer::singleShot(2500, &form, [&] {  // the modem has been set up and rings
            if (escape)
                QTest::keyClick(&form, Qt::Key_Escape);
            else
                m_rig->click("stop");
        });
        m_rig->click("dial");
        QVERIFY(shown("callIdle") && !shown("calling"));
        auto* dial = m_rig->find<QPushButton>("dial");
        QVERIFY(dial->isEnabled());
        QCOMPARE(dial->text(), app::kDialCaption);
        QVERIFY(m_rig->find<QPushButton>("batch")->isEnabled());
        QVERIFY(m_rig->find<QComboBox>("speed")->isEnabled());
        QVERIFY(!m_rig->form().line().Enabled());
        QVERIFY(shown("stopped"));
        QCOMPARE(m_rig->status(0), link::texts::kStopped);
        QCOMPARE(m_rig->meterState("modem"), QStringLiteral("command"));
    }

    // Closing the window with a call up closes the session and hangs up.
    void closingHangsUp() {
        start({});
        m_rig->find<QLineEdit>("phone")->setText("555");
        m_rig->click("dial");
        QVERIFY(!m_rig->find<QPushButton>("batch")->isEnabled());
        m_rig->connectAs(0, 0);
        QVERIFY(m_rig->shown("disconnect"));
        m_rig->form().close();
        QCOMPARE(m_rig->meterState("modem"), QStringLiteral("command"));
    }

    // The batch reads energy, clock and journals through the call and hangs up.
    void batch() {
        start({});
        QVERIFY(m_rig->meter().control("set energy active 12345 0 0 0"));
        m_rig->find<QLineEdit>("phone")->setText("555");
        m_rig->click("batch");
        QCOMPARE(m_rig->find<QSpinBox>("wait")->value(), 1000);
        QCOMPARE(m_rig->find<QLineEdit>("activeT1")->text().trimmed(),
                 QLocale().toString(123.45, 'f', 2));
        QVERIFY(m_rig->find<QRadioButton>("choiceEvents")->isChecked());
        QCOMPARE(m_rig->shownPanels(), QStringList());  // the session closed hides them
        QVERIFY(shown("callIdle"));
        QCOMPARE(m_rig->meterState("modem"), QStringLiteral("command"));
        QVERIFY(m_rig->find<QPushButton>("batch")->isEnabled());

        const QList<archive::VisitRecord> recorded = visits();
        QCOMPARE(recorded.size(), 1);
        const archive::VisitRecord& visit = recorded.first();
        QCOMPARE(visit.station, archive::defaultStation());
        QCOMPARE(visit.factory, 12345);
        QCOMPARE(visit.label, QString());
        QCOMPARE(visit.result, QStringLiteral("успешно"));
        QCOMPARE(visit.energy, 12345);
        QVERIFY(visit.offset && std::abs(*visit.offset) <= 5);
        QVERIFY(std::abs(visit.visited.secsTo(QDateTime::currentDateTime())) <= 5);
    }

    // The far end hangs up while the journals are read: the batch still closes and hangs up,
    // then ends on the journal read's failure, and the journal page shows nothing of the
    // visit before.
    void batchWithTheCallDropped() {
        start({});
        m_rig->find<QLineEdit>("phone")->setText("555");
        m_rig->click("batch");  // a whole visit: journals on the page
        auto* journal = m_rig->find<app::StringGrid>("journalGrid");
        auto& pages = *m_rig->find<QTabWidget>("pages");
        pages.setCurrentIndex(app::MainWindow::kJournalPage);
        QVERIFY(!journal->cell(1, 1).trimmed().isEmpty());
        pages.setCurrentIndex(app::MainWindow::kConnectionPage);

        QTimer drop;
        bool dropped = false;
        connect(&drop, &QTimer::timeout, this, [&] {
            if (dropped || !m_rig->status(0).contains("событий")) return;
            dropped = true;
            QVERIFY(m_rig->meter().control("hangup"));
        });
        drop.start(10);
        m_rig->click("batch");
        drop.stop();
        QVERIFY(dropped);
        QCOMPARE(m_rig->shownPanels(), QStringList{"noLink"});
        QCOMPARE(m_rig->status(0), link::texts::kNoLink);
        QVERIFY(shown("callIdle"));
        QCOMPARE(m_rig->meterState("modem"), QStringLiteral("command"));
        pages.setCurrentIndex(app::MainWindow::kJournalPage);
        QCOMPARE(journal->cell(1, 1).trimmed(), QString());
        const QList<archive::VisitRecord> recorded = visits();
        QCOMPARE(recorded.size(), 2);
        QCOMPARE(recorded.last().result, QStringLiteral("события: ") + link::texts::kNoLink);
    }

    // In a session through the call, the call goes away under a read: the far end hangs up
    // (the modem says NO CARRIER among the bytes of the read) or the adapter is pulled. The
    // row follows the line: idle, the dial and the batch usable again.
    void callLostInASession_data() {
        QTest::addColumn<bool>("pulled");
        QTest::newRow("far end hung up") << false;
        QTest::newRow("adapter pulled") << true;
    }
    void callLostInASession() {
        QFETCH(bool, pulled);
        start({});
        m_rig->find<QLineEdit>("phone")->setText("555");
        m_rig->click("dial");
        m_rig->connectAs(1, 12345);
        QVERIFY(shown("callUp") && m_rig->shown("disconnect"));
        if (pulled)
            m_rig->unplug();
        else
            QVERIFY(m_rig->meter().control("hangup"));
        m_rig->click("read");
        QVERIFY(shown("callIdle") && !shown("callUp"));
        QVERIFY(shown("dial") && !shown("hangUp"));
        QVERIFY(m_rig->find<QPushButton>("dial")->isEnabled());
        QVERIFY(m_rig->find<QPushButton>("batch")->isEnabled());
        QVERIFY(m_rig->find<QComboBox>("speed")->isEnabled());
    }

    // A read that fails while the call stays up leaves the row as it is.
    void callKeptThroughAFailedRead() {
        start({});
        m_rig->find<QLineEdit>("phone")->setText("555");
        m_rig->click("dial");
        m_rig->connectAs(1, 12345);
        QVERIFY(m_rig->meter().control("fault all silent"));
        m_rig->click("read");
        QVERIFY(shown("noLink"));
        QVERIFY(shown("callUp") && shown("hangUp"));
    }

    // A meter that does not answer: the session is closed and the call hung up.
    void batchWithASilentMeter() {
        start({"--fault", "all silent"});
        m_rig->find<QLineEdit>("phone")->setText("555");
        m_rig->click("batch");
        QVERIFY(shown("callIdle"));
        QVERIFY(shown("connect"));
        QCOMPARE(m_rig->meterState("modem"), QStringLiteral("command"));
    }

    // Straight from the dial, and for the batch too: a call nobody answers opens no session
    // and hangs nothing up.
    void nobodyAnswers_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("dial") << "dial";
        QTest::newRow("batch") << "batch";
    }
    void nobodyAnswers() {
        QFETCH(QString, button);
        start({"--dial-answer", "nocarrier"});
        m_rig->find<QLineEdit>("phone")->setText("123");
        m_rig->click(button);
        QVERIFY(shown("connect"));
        QCOMPARE(m_rig->messages, QStringList{dialup::kNoAnswer});
        QVERIFY(shown("callIdle"));
        QCOMPARE(m_rig->find<QPushButton>("dial")->text(), app::kDialCaption);
        QVERIFY(m_rig->status(0).contains("NO CARRIER"));
        // A visit, though it reached no meter; a dial alone is none.
        const QList<archive::VisitRecord> recorded = visits();
        QCOMPARE(recorded.size(), button == "batch" ? 1 : 0);
        if (recorded.isEmpty()) return;
        QCOMPARE(recorded.first().result, QStringLiteral("нет соединения с 123: ") + dialup::kNoAnswer);
        QCOMPARE(recorded.first().energy, std::nullopt);
        QCOMPARE(recorded.first().offset, std::nullopt);
    }

    // The archive refusing the visit: told in a box after the visit's own, nothing stored.
    void batchNotRecorded() {
        start({"--dial-answer", "nocarrier"});
        {
            QString error;
            const auto archive = archive::Archive::open(m_rig->archivePath(), &error);
            QVERIFY2(archive, qPrintable(error));
            QCOMPARE(archive->storeVisit({QDateTime::currentDateTime(), "ws", 1, "", "ok", {}, {}})
                         .status,
                     archive::StoreStatus::Stored);
        }
        test::refuseInserts(m_rig->archivePath(), "visits");
        m_rig->find<QLineEdit>("phone")->setText("123");
        m_rig->click("batch");
        QCOMPARE(m_rig->messages, (QStringList{dialup::kNoAnswer, "disk says no"}));
        QCOMPARE(visits().size(), 1);
        QVERIFY(m_rig->find<QPushButton>("batch")->isEnabled());
    }
};

QTEST_MAIN(TstModemGroup)
#include "tst_modem_group.moc"
