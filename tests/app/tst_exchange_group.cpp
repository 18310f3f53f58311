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
        QCOMPARE(rig().shownPanels().last(), QStringLiteral("Cv_ok_rd"));
    }
    app::StringGrid* grid() { return rig().find<app::StringGrid>("StringGridEvents"); }

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
        QTest::newRow("clock") << "Fl_time" << true << true << false;
        QTest::newRow("energy") << "Fl_ene" << true << false << false;
        QTest::newRow("tariffs") << "Fl_tar" << true << true << false;
        QTest::newRow("events") << "Fl_event" << true << false << false;
        QTest::newRow("place") << "Fl_place" << false << true << false;
        QTest::newRow("reset") << "Fl_reset" << false << true << false;
        QTest::newRow("speed") << "Fl_skor" << false << true << true;
    }
    void buttonsPerOperation() {
        QFETCH(QString, radio);
        QFETCH(bool, read);
        QFETCH(bool, write);
        QFETCH(bool, speed);
        QVERIFY(rig().find("Read")->isEnabled() && rig().find("WrCom")->isEnabled());
        QVERIFY(!rig().find("Skor")->isEnabled());
        QVERIFY(rig().find<QRadioButton>("Fl_time")->isChecked());
        select("Fl_skor");
        select(radio);
        QVERIFY(rig().find<QRadioButton>(radio)->isChecked());
        QCOMPARE(rig().find("Read")->isEnabled(), read);
        QCOMPARE(rig().find("WrCom")->isEnabled(), write);
        QCOMPARE(rig().find("Skor")->isEnabled(), speed);
    }

    void clockReadAndWrite() {
        QVERIFY(rig().meter().control("set clockbytes 05301403091226"));
        QVERIFY(rig().meter().control("set dst 0"));
        connectByNumber();
        rig().click("Read");
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_rdtime"});
        QCOMPARE(rig().find<QTimeEdit>("Time_a")->time(), QTime(14, 30, 5));
        QCOMPARE(rig().find<QDateEdit>("Date_a")->date(), QDate(2026, 12, 9));
        QCOMPARE(rig().find<QLabel>("LWeek")->text(), QStringLiteral("Среда"));
        QVERIFY(!rig().find<QCheckBox>("CheckBox1")->isChecked());

        rig().find<QTimeEdit>("Time_a")->setTime(QTime(9, 5, 7));
        rig().find<QDateEdit>("Date_a")->setDate(QDate(2099, 1, 2));
        rig().find<QCheckBox>("CheckBox1")->setChecked(true);
        rig().click("WrCom");
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_wrtime"});
        QVERIFY2(rig().meterState("clock").startsWith("2099-01-02 09:05:"),
                 qPrintable(rig().meterState("clock")));
        QCOMPARE(rig().meterState("dst"), QStringLiteral("77"));
    }

    // The day name follows a date the user changes with the keys, not just with a click.
    void dayNameFollowsTheKeyboard() {
        auto* date = rig().find<QDateEdit>("Date_a");
        date->setDate(QDate(2026, 12, 9));
        QCOMPARE(rig().find<QLabel>("LWeek")->text(), QStringLiteral("Среда"));
        date->setFocus();
        date->setCurrentSection(QDateTimeEdit::DaySection);
        QTest::keyClick(date, Qt::Key_Up);
        QCOMPARE(date->date(), QDate(2026, 12, 10));
        QCOMPARE(rig().find<QLabel>("LWeek")->text(), QStringLiteral("Четверг"));
    }

    // Started from the keyboard (Space or Enter), an operation leaves the keyboard on its
    // button; nothing typed meanwhile lands in another field.
    void keyboardStartedOperationKeepsTheFocus() {
        connectByNumber();
        rig().form().show();
        QApplication::setActiveWindow(&rig().form());
        QVERIFY(QTest::qWaitForWindowActive(&rig().form()));
        auto* read = rig().find<QPushButton>("Read");
        read->setFocus();
        QTest::keyClick(read, Qt::Key_Space);
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_rdtime"});
        QCOMPARE(QApplication::focusWidget(), read);
        rig().find<QLabel>("Ok_rdtime")->hide();
        QTest::keyClick(read, Qt::Key_Return);
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_rdtime"});
        QCOMPARE(QApplication::focusWidget(), read);
        QVERIFY(rig().find<QLineEdit>("New_Password")->text().isEmpty());
    }

    void clockThatIsNotATime() {
        QVERIFY(rig().meter().control("set clockbytes 05302403091226"));
        connectByNumber();
        const QTime before = rig().find<QTimeEdit>("Time_a")->time();
        rig().click("Read");
        QCOMPARE(rig().messages, QStringList{"'24:30:05' is not a valid time"});
        QCOMPARE(rig().shownPanels(), QStringList());
        QCOMPARE(rig().find<QTimeEdit>("Time_a")->time(), before);
        QVERIFY(rig().find("Read")->isEnabled());  // the window goes on
    }

    void synchronise() {
        QVERIFY(rig().meter().control("set clock 2010-01-01 00:00:00"));
        connectByNumber();
        rig().click("Sin");
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_stime"});
        QVERIFY(rig().meterState("clock").startsWith(QDate::currentDate().toString(Qt::ISODate)));
    }

    void journalPage() {
        auto* pages = rig().find<QTabWidget>("PageControl1");
        pages->setCurrentIndex(app::MainWindow::kJournalPage);  // nothing read yet
        QCOMPARE(grid()->cell(0, 0), QStringLiteral("Номер события"));
        QCOMPARE(grid()->cell(0, 10), QStringLiteral("10"));
        QCOMPARE(grid()->cell(1, 1), QStringLiteral("   "));

        QVERIFY(rig().meter().control("set journal 0 1503100845" + QString(90, '0')));
        QVERIFY(rig().meter().control("set journal 2 1503100845310210120" + QString(81, '0')));
        pages->setCurrentIndex(app::MainWindow::kConnectionPage);
        connectByNumber();
        select("Fl_event");
        rig().click("Read");
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_rdevent"});
        QCOMPARE(grid()->cell(1, 1), QStringLiteral("   "));  // the read does not redraw

        pages->setCurrentIndex(app::MainWindow::kJournalPage);
        QCOMPARE(grid()->cell(0, 1), QStringLiteral("1"));
        QCOMPARE(grid()->cell(1, 1), QStringLiteral("15.03.2010"));
        QVERIFY(grid()->cell(2, 1).contains("45:00"));
        QCOMPARE(grid()->cell(1, 2), QStringLiteral("   "));

        rig().find<app::RadioGroup>("EventGroup")->setItemIndex(2);  // 31 February inside
        QCOMPARE(rig().messages, QStringList{"Invalid argument to date encode"});
        QCOMPARE(grid()->cell(1, 1), QStringLiteral("   "));
        QCOMPARE(grid()->cell(0, 1), QStringLiteral("1"));
    }

    void placeOfInstallation() {
        connectByNumber();
        select("Fl_place");
        rig().find<QLineEdit>("Place_e")->setText("ТП-20 😀");
        rig().click("WrCom");
        QCOMPARE(rig().messages, QStringList{"Символ «😀» нельзя записать в место установки"});
        QCOMPARE(rig().meterState("place"), QStringLiteral("ТП-15"));
        QCOMPARE(rig().find<QLineEdit>("Place_e")->maxLength(), 16);

        rig().find<QLineEdit>("Place_e")->setText("ТП-20");
        rig().click("WrCom");
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_wrplase"});
        QCOMPARE(rig().meterState("place"), QStringLiteral("ТП-20"));
        QCOMPARE(rig().find<QLabel>("Label25")->text(),
                 QStringLiteral("ТП-15"));  // until reconnect
    }

    // A late acknowledgement of the place write is thrown away: the reset after it succeeds,
    // and the meter is reset once.
    void resetAfterALatePlaceWrite() {
        connectByNumber();
        QVERIFY(rig().meter().control("fault 19 delay 1500 1"));
        select("Fl_place");
        rig().find<QLineEdit>("Place_e")->setText("ТП-20");
        rig().click("WrCom");
        QCOMPARE(rig().shownPanels(), QStringList{"Net_cv"});
        select("Fl_reset");
        rig().click("WrCom");
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_reset"});
        QCOMPARE(rig().meterState("resets"), QStringLiteral("1"));
    }

    void resetAndSpeed() {
        connectByNumber();
        select("Fl_reset");
        rig().click("WrCom");
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_reset"});
        QCOMPARE(rig().meterState("resets"), QStringLiteral("1"));

        QVERIFY(rig().meter().control("fault 23 silent"));
        rig().click("WrCom");
        QCOMPARE(rig().shownPanels(), QStringList{"Net_cv"});

        select("Fl_skor");
        rig().find<app::RadioGroup>("Skor")->setItemIndex(2);
        rig().click("WrCom");
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_Sk"});
        QCOMPARE(rig().meterState("speed"), QStringLiteral("2"));
    }

    void passwordChange() {
        connectByNumber();
        rig().find<QLineEdit>("New_Password")->setText("777");
        rig().find<QLineEdit>("New_Password2")->setText("778");
        rig().click("ChangePass");
        QCOMPARE(rig().messages,
                 QStringList({texts::kPasswordsDiffer, texts::kPasswordNotChanged}));
        QVERIFY(rig().form().Comm1().Enabled());

        rig().messages.clear();
        rig().find<QLineEdit>("New_Password2")->setText("777");
        rig().click("ChangePass");
        QCOMPARE(rig().messages, QStringList{texts::kPasswordChanged});
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_wr_password"});
        QVERIFY(rig().shown("Vkl"));
        QVERIFY(!rig().form().Comm1().Enabled());
        QCOMPARE(rig().meterState("password"), QStringLiteral("777"));
    }
};

QTEST_MAIN(TstExchangeGroup)
#include "tst_exchange_group.moc"
