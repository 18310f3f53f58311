// The exchange group and the journal page in the real window, against the virtual meter:
// which buttons each operation enables, and each operation as the user runs it.

#include "app/widgets/string_grid.h"
#include "link/outcome_texts.h"
#include "window_rig.h"

using namespace vilt;
namespace texts = link::texts;

class TstExchangeGroup : public QObject {
    Q_OBJECT

    std::unique_ptr<test::WindowRig> m_rig;

    test::WindowRig& rig() { return *m_rig; }
    void select(const QString& radio) { rig().click(radio); }
    void connectByNumber() {
        rig().connectAs(1, 12345);
        QCOMPARE(rig().shownPanels().last(), QStringLiteral("connectedRead"));
    }
    app::StringGrid* grid() { return rig().find<app::StringGrid>("journalGrid"); }

  private slots:
    void init() {
        m_rig = std::make_unique<test::WindowRig>();
        QString error;
        QVERIFY2(
            rig().start({"--factory", "12345", "--password", "4321", "--place", "ТП-15"}, &error),
            qPrintable(error));
    }
    void cleanup() { m_rig.reset(); }

    void buttonsPerOperation_data() {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<bool>("read");
        QTest::addColumn<bool>("write");
        QTest::addColumn<bool>("speed");
        QTest::newRow("clock") << "choiceClock" << true << true << false;
        QTest::newRow("energy") << "choiceEnergy" << true << false << false;
        QTest::newRow("tariffs") << "choiceTariffs" << true << true << false;
        QTest::newRow("events") << "choiceEvents" << true << false << false;
        QTest::newRow("place") << "choicePlace" << false << true << false;
        QTest::newRow("reset") << "choiceReset" << false << true << false;
        QTest::newRow("speed") << "choiceSpeed" << false << true << true;
    }
    void buttonsPerOperation() {
        QFETCH(QString, radio);
        QFETCH(bool, read);
        QFETCH(bool, write);
        QFETCH(bool, speed);
        QVERIFY(rig().find("read")->isEnabled() && rig().find("write")->isEnabled());
        QVERIFY(!rig().find("newSpeed")->isEnabled());
        QVERIFY(rig().find<QRadioButton>("choiceClock")->isChecked());
        select("choiceSpeed");
        select(radio);
        QVERIFY(rig().find<QRadioButton>(radio)->isChecked());
        QCOMPARE(rig().find("read")->isEnabled(), read);
        QCOMPARE(rig().find("write")->isEnabled(), write);
        QCOMPARE(rig().find("newSpeed")->isEnabled(), speed);
    }

    void clockReadAndWrite() {
        QVERIFY(rig().meter().control("set clockbytes 05301403091226"));
        QVERIFY(rig().meter().control("set dst 0"));
        connectByNumber();
        rig().click("read");
        QCOMPARE(rig().shownPanels(), QStringList{"clockRead"});
        QCOMPARE(rig().find<QTimeEdit>("meterTime")->time(), QTime(14, 30, 5));
        QCOMPARE(rig().find<QDateEdit>("meterDate")->date(), QDate(2026, 12, 9));
        QCOMPARE(rig().find<QLabel>("meterDayName")->text(), QStringLiteral("Среда"));
        QVERIFY(!rig().find<QCheckBox>("dstAllowed")->isChecked());

        rig().find<QTimeEdit>("meterTime")->setTime(QTime(9, 5, 7));
        rig().find<QDateEdit>("meterDate")->setDate(QDate(2099, 1, 2));
        rig().find<QCheckBox>("dstAllowed")->setChecked(true);
        rig().click("write");
        QCOMPARE(rig().shownPanels(), QStringList{"clockWritten"});
        QVERIFY2(rig().meterState("clock").startsWith("2099-01-02 09:05:"),
                 qPrintable(rig().meterState("clock")));
        QCOMPARE(rig().meterState("dst"), QStringLiteral("77"));
    }

    // The day name follows a date the user changes with the keys, not just with a click.
    void dayNameFollowsTheKeyboard() {
        auto* date = rig().find<QDateEdit>("meterDate");
        date->setDate(QDate(2026, 12, 9));
        QCOMPARE(rig().find<QLabel>("meterDayName")->text(), QStringLiteral("Среда"));
        date->setFocus();
        date->setCurrentSection(QDateTimeEdit::DaySection);
        QTest::keyClick(date, Qt::Key_Up);
        QCOMPARE(date->date(), QDate(2026, 12, 10));
        QCOMPARE(rig().find<QLabel>("meterDayName")->text(), QStringLiteral("Четверг"));
    }

    // Started from the keyboard (Space or Enter), an operation leaves the keyboard on its
    // button; nothing typed meanwhile lands in another field.
    void keyboardStartedOperationKeepsTheFocus() {
        connectByNumber();
        rig().form().show();
        QApplication::setActiveWindow(&rig().form());
        QVERIFY(QTest::qWaitForWindowActive(&rig().form()));
        auto* read = rig().find<QPushButton>("read");
        read->setFocus();
        QTest::keyClick(read, Qt::Key_Space);
        QCOMPARE(rig().shownPanels(), QStringList{"clockRead"});
        QCOMPARE(QApplication::focusWidget(), read);
        rig().find<QLabel>("clockRead")->hide();
        QTest::keyClick(read, Qt::Key_Return);
        QCOMPARE(rig().shownPanels(), QStringList{"clockRead"});
        QCOMPARE(QApplication::focusWidget(), read);
        QVERIFY(rig().find<QLineEdit>("newPassword")->text().isEmpty());
    }

    void clockThatIsNotATime() {
        QVERIFY(rig().meter().control("set clockbytes 05302403091226"));
        connectByNumber();
        const QTime before = rig().find<QTimeEdit>("meterTime")->time();
        rig().click("read");
        QCOMPARE(rig().messages, QStringList{"'24:30:05' is not a valid time"});
        QCOMPARE(rig().shownPanels(), QStringList());
        QCOMPARE(rig().find<QTimeEdit>("meterTime")->time(), before);
        QVERIFY(rig().find("read")->isEnabled());  // the window goes on
    }

    void synchronise() {
        QVERIFY(rig().meter().control("set clock 2010-01-01 00:00:00"));
        connectByNumber();
        rig().click("syncClock");
        QCOMPARE(rig().shownPanels(), QStringList{"clockSynced"});
        QVERIFY(rig().meterState("clock").startsWith(QDate::currentDate().toString(Qt::ISODate)));
    }

    void journalPage() {
        auto* pages = rig().find<QTabWidget>("pages");
        pages->setCurrentIndex(app::MainWindow::kJournalPage);  // nothing read yet
        QCOMPARE(grid()->cell(0, 0), QStringLiteral("Номер события"));
        QCOMPARE(grid()->cell(0, 10), QStringLiteral("10"));
        QCOMPARE(grid()->cell(1, 1), QStringLiteral("   "));

        QVERIFY(rig().meter().control("set journal 0 1503100845" + QString(90, '0')));
        QVERIFY(rig().meter().control("set journal 2 1503100845310210120" + QString(81, '0')));
        pages->setCurrentIndex(app::MainWindow::kConnectionPage);
        connectByNumber();
        select("choiceEvents");
        rig().click("read");
        QCOMPARE(rig().shownPanels(), QStringList{"eventsRead"});
        QCOMPARE(grid()->cell(1, 1), QStringLiteral("   "));  // the read does not redraw

        pages->setCurrentIndex(app::MainWindow::kJournalPage);
        QCOMPARE(grid()->cell(0, 1), QStringLiteral("1"));
        QCOMPARE(grid()->cell(1, 1), QStringLiteral("15.03.2010"));
        QVERIFY(grid()->cell(2, 1).contains("45:00"));
        QCOMPARE(grid()->cell(1, 2), QStringLiteral("   "));

        rig().find<app::RadioGroup>("journalChoice")->setItemIndex(2);  // 31 February inside
        QCOMPARE(rig().messages, QStringList{"Invalid argument to date encode"});
        QCOMPARE(grid()->cell(1, 1), QStringLiteral("   "));
        QCOMPARE(grid()->cell(0, 1), QStringLiteral("1"));
    }

    void placeOfInstallation() {
        connectByNumber();
        select("choicePlace");
        rig().find<QLineEdit>("newPlace")->setText("ТП-20 😀");
        rig().click("write");
        QCOMPARE(rig().messages, QStringList{"Символ «😀» нельзя записать в место установки"});
        QCOMPARE(rig().meterState("place"), QStringLiteral("ТП-15"));
        QCOMPARE(rig().find<QLineEdit>("newPlace")->maxLength(), 16);

        rig().find<QLineEdit>("newPlace")->setText("ТП-20");
        rig().click("write");
        QCOMPARE(rig().shownPanels(), QStringList{"placeWritten"});
        QCOMPARE(rig().meterState("place"), QStringLiteral("ТП-20"));
        QCOMPARE(rig().find<QLabel>("meterPlace")->text(),
                 QStringLiteral("ТП-15"));  // until reconnect
    }

    // A late acknowledgement of the place write is thrown away: the reset after it succeeds,
    // and the meter is reset once.
    void resetAfterALatePlaceWrite() {
        connectByNumber();
        QVERIFY(rig().meter().control("fault 19 delay 1500 1"));
        select("choicePlace");
        rig().find<QLineEdit>("newPlace")->setText("ТП-20");
        rig().click("write");
        QCOMPARE(rig().shownPanels(), QStringList{"noLink"});
        select("choiceReset");
        rig().click("write");
        QCOMPARE(rig().shownPanels(), QStringList{"resetDone"});
        QCOMPARE(rig().meterState("resets"), QStringLiteral("1"));
    }

    void resetAndSpeed() {
        connectByNumber();
        select("choiceReset");
        rig().click("write");
        QCOMPARE(rig().shownPanels(), QStringList{"resetDone"});
        QCOMPARE(rig().meterState("resets"), QStringLiteral("1"));

        QVERIFY(rig().meter().control("fault 23 silent"));
        rig().click("write");
        QCOMPARE(rig().shownPanels(), QStringList{"noLink"});

        select("choiceSpeed");
        rig().find<app::RadioGroup>("newSpeed")->setItemIndex(2);
        rig().click("write");
        QCOMPARE(rig().shownPanels(), QStringList{"speedChanged"});
        QCOMPARE(rig().meterState("speed"), QStringLiteral("2"));
    }

    void passwordChange() {
        connectByNumber();
        rig().find<QLineEdit>("newPassword")->setText("777");
        rig().find<QLineEdit>("newPasswordAgain")->setText("778");
        rig().click("changePassword");
        QCOMPARE(rig().messages,
                 QStringList({texts::kPasswordsDiffer, texts::kPasswordNotChanged}));
        QVERIFY(rig().form().line().Enabled());

        rig().messages.clear();
        rig().find<QLineEdit>("newPasswordAgain")->setText("777");
        rig().click("changePassword");
        QCOMPARE(rig().messages, QStringList{texts::kPasswordChanged});
        QCOMPARE(rig().shownPanels(), QStringList{"passwordChanged"});
        QVERIFY(rig().shown("connect"));
        QVERIFY(!rig().form().line().Enabled());
        QCOMPARE(rig().meterState("password"), QStringLiteral("777"));
    }
};

QTEST_MAIN(TstExchangeGroup)
#include "tst_exchange_group.moc"
