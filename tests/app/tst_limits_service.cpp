// The load-limits dialog and the service page in the real window, against the virtual meter.

#include <QCheckBox>

#include "app/service/limits_dialog.h"
#include "window_rig.h"

using namespace vilt;

class TstLimitsService : public QObject {
    Q_OBJECT

    std::unique_ptr<test::WindowRig> m_rig;

    test::WindowRig& rig() { return *m_rig; }
    app::LimitsDialog& dialog() { return rig().form().limitsDialog(); }
    QLineEdit* edit(const QString& name) { return dialog().findChild<QLineEdit*>(name); }
    QCheckBox* box(const QString& name) { return dialog().findChild<QCheckBox*>(name); }
    QStringList checked() {
        QStringList names;
        for (QCheckBox* b : dialog().findChildren<QCheckBox*>())
            if (b->isChecked()) names << b->objectName();
        names.sort();
        return names;
    }

    // The dialog is modal: it is closed as soon as it shows, as a user would.
    void closeWhenShown() {
        auto* timer = new QTimer(&dialog());
        connect(timer, &QTimer::timeout, &dialog(), [this, timer] {
            if (!dialog().isVisible()) return;
            timer->deleteLater();
            dialog().reject();
        });
        timer->start(20);
    }

  private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        m_rig = std::make_unique<test::WindowRig>();
        QString error;
        QVERIFY2(rig().start({"--factory", "12345"}, &error), qPrintable(error));
        rig().connectAs(1, 12345);
    }
    void cleanup() {
        m_rig.reset();
        QLocale::setDefault(QLocale::system());
    }

    // Flags both ways, the values in the locale's numbers, boxes cleared on opening.
    void openReadWrite() {
        QVERIFY(
            rig().meter().control("set limits 81983A40420F350000000000640000"
                                  "41"));
        box("CheckBox3")->setChecked(true);  // left from an earlier use
        closeWhenShown();
        rig().click("Limit");
        QCOMPARE(checked(), QStringList({"CheckBox1", "CheckBox13", "CheckBox14", "CheckBox8"}));
        QCOMPARE(edit("Limit_Power_Edit")->text(), QStringLiteral("150"));
        QCOMPARE(edit("Limit_Energy_Edit1")->text(), QStringLiteral("10000"));
        QCOMPARE(edit("Limit_Energy_Edit2")->text(), QStringLiteral("0,53"));
        QVERIFY(rig().messages.isEmpty());

        // Written back unchanged, the record comes back the same.
        dialog().findChild<QPushButton*>("BitBtn2")->click();
        QCOMPARE(rig().meterState("limits").toUpper(),
                 QStringLiteral("81983A40420F35000000000064000041"));
        edit("Limit_Power_Edit")->setText("1,5");
        box("CheckBox9")->setChecked(true);
        dialog().findChild<QPushButton*>("BitBtn2")->click();
        QCOMPARE(rig().meterState("limits").toUpper(),
                 QStringLiteral("81960040420F35000000000064000061"));
    }

    void refusedEntries_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::newRow("dot where a comma is expected") << "Limit_Power_Edit"
                                                       << "1.5";
        QTest::newRow("power beyond its field") << "Limit_Power_Edit"
                                                << "655,36";
        QTest::newRow("negative energy") << "Limit_Energy_Edit3"
                                         << "-1";
        QTest::newRow("a third decimal") << "Limit_Energy_Edit2"
                                         << "1,239";
        QTest::newRow("a third decimal, rounding up") << "Limit_Power_Edit"
                                                      << "12,349";
        QTest::newRow("an exponent") << "Limit_Power_Edit"
                                     << "1e2";
        // Once sent as a power limit of 0: the meter would cut the load.
        QTest::newRow("nan") << "Limit_Power_Edit"
                             << "nan";
        QTest::newRow("NaN") << "Limit_Energy_Edit1"
                             << "NaN";
        QTest::newRow("inf") << "Limit_Power_Edit"
                             << "inf";
    }
    void refusedEntries() {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        dialog().LimitClick();
        const QString before = rig().meterState("limits");
        this->edit(edit)->setText(text);
        dialog().findChild<QPushButton*>("BitBtn2")->click();
        QCOMPARE(rig().messages, QStringList{"Введите число; Повторите ввод !  "});
        QCOMPARE(rig().meterState("limits"), before);
    }

    void readFailsAndWriteFails() {
        QVERIFY(rig().meter().control("fault 2b silent"));
        dialog().LimitClick();
        QCOMPARE(rig().messages, QStringList{"Оганичения не считаны!"});
        QCOMPARE(edit("Limit_Power_Edit")->text(), QStringLiteral("0"));
        QVERIFY(checked().isEmpty());
        QVERIFY(rig().meter().control("fault 2c crc"));
        dialog().findChild<QPushButton*>("BitBtn2")->click();
        QCOMPARE(rig().shownPanels(), QStringList{"Net_cv"});  // not left behind Cv_ok_rd
    }

    void servicePage() {
        auto* pages = rig().find<QTabWidget>("PageControl1");
        QVERIFY(!pages->isTabVisible(4));
        rig().form().show();
        QApplication::setActiveWindow(&rig().form());
        QVERIFY(QTest::qWaitForWindowActive(&rig().form()));
        QTest::keyClick(&rig().form(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(pages->isTabVisible(4));
        pages->setCurrentIndex(4);

        QVERIFY(rig().meter().control("set calibration 25"));
        rig().click("Rdkalib");
        QCOMPARE(rig().find<QLabel>("Label30")->text(), QStringLiteral("-"));
        QCOMPARE(rig().find<QLineEdit>("Rdkal")->text(), QStringLiteral("5"));
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_rd_kalib"});

        rig().click("SignBtn");
        rig().find<QLineEdit>("Wrkal")->setText("7");
        rig().click("Wrkalib");
        QCOMPARE(rig().meterState("calibration").toUpper(), QStringLiteral("27"));
        rig().find<QLineEdit>("Wrkal")->setText("32");
        rig().click("Wrkalib");
        QCOMPARE(rig().messages, QStringList{"Ошибка ввода!!!"});

        // The number button acts only with the reset selected; nothing else does then.
        rig().find<QLineEdit>("SerialNum")->setText("300");
        rig().click("SerNumBtn");
        QCOMPARE(rig().meterState("serial"), QStringLiteral("0"));
        rig().find<QRadioButton>("Fl_reset")->click();  // on the connection page
        rig().click("Vkl512");
        QCOMPARE(rig().meterState("out512"), QStringLiteral("0"));
        rig().click("SerNumBtn");
        QCOMPARE(rig().meterState("serial"), QStringLiteral("300"));
        QCOMPARE(rig().shownPanels(), QStringList{"Ok_wr_serNum"});

        // A negative number or a ninth digit is refused with the page's message; the ninth
        // digit is kept in the field, not cut.
        auto* serial = rig().find<QLineEdit>("SerialNum");
        serial->clear();
        QTest::keyClicks(serial, "123456789");
        QCOMPARE(serial->text(), QStringLiteral("123456789"));
        for (const QString& refused : {QStringLiteral("123456789"), QStringLiteral("-5")}) {
            rig().messages.clear();
            serial->setText(refused);
            rig().click("SerNumBtn");
            QCOMPARE(rig().messages, QStringList{"Ошибка ввода!!!"});
            QCOMPARE(rig().meterState("serial"), QStringLiteral("300"));
        }

        pages->setCurrentIndex(app::MainWindow::kConnectionPage);
        QCOMPARE(rig().find<QLineEdit>("SerialNum")->text(), QStringLiteral("0"));
        QCOMPARE(rig().find<QPushButton>("SignBtn")->text(), QStringLiteral("+"));
        QCOMPARE(rig().find<QLineEdit>("Rdkal")->text(), QString());
    }
};

QTEST_MAIN(TstLimitsService)
#include "tst_limits_service.moc"
