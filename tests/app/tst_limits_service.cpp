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
        box("powerControl")->setChecked(true);  // left from an earlier use
        closeWhenShown();
        rig().click("limits");
        QCOMPARE(checked(), QStringList({"auxForcedOff", "auxLimitT4", "limitT4", "loadControl"}));
        QCOMPARE(edit("powerLimit")->text(), QStringLiteral("150"));
        QCOMPARE(edit("energyLimit1")->text(), QStringLiteral("10000"));
        QCOMPARE(edit("energyLimit2")->text(), QStringLiteral("0,53"));
        QVERIFY(rig().messages.isEmpty());

        // Written back unchanged, the record comes back the same.
        dialog().findChild<QPushButton*>("writeLimits")->click();
        QCOMPARE(rig().meterState("limits").toUpper(),
                 QStringLiteral("81983A40420F35000000000064000041"));
        edit("powerLimit")->setText("1,5");
        box("auxPowerControl")->setChecked(true);
        dialog().findChild<QPushButton*>("writeLimits")->click();
        QCOMPARE(rig().meterState("limits").toUpper(),
                 QStringLiteral("81960040420F35000000000064000061"));
    }

    void refusedEntries_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::newRow("dot where a comma is expected") << "powerLimit"
                                                       << "1.5";
        QTest::newRow("power beyond its field") << "powerLimit"
                                                << "655,36";
        QTest::newRow("negative energy") << "energyLimit3"
                                         << "-1";
        QTest::newRow("a third decimal") << "energyLimit2"
                                         << "1,239";
        QTest::newRow("a third decimal, rounding up") << "powerLimit"
                                                      << "12,349";
        QTest::newRow("an exponent") << "powerLimit"
                                     << "1e2";
        // Once sent as a power limit of 0: the meter would cut the load.
        QTest::newRow("nan") << "powerLimit"
                             << "nan";
        QTest::newRow("NaN") << "energyLimit1"
                             << "NaN";
        QTest::newRow("inf") << "powerLimit"
                             << "inf";
    }
    void refusedEntries() {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        dialog().openLimits();
        const QString before = rig().meterState("limits");
        this->edit(edit)->setText(text);
        dialog().findChild<QPushButton*>("writeLimits")->click();
        QCOMPARE(rig().messages, QStringList{"Введите число; Повторите ввод !  "});
        QCOMPARE(rig().meterState("limits"), before);
    }

    void readFailsAndWriteFails() {
        QVERIFY(rig().meter().control("fault 2b silent"));
        dialog().openLimits();
        QCOMPARE(rig().messages, QStringList{"Оганичения не считаны!"});
        QCOMPARE(edit("powerLimit")->text(), QStringLiteral("0"));
        QVERIFY(checked().isEmpty());
        QVERIFY(rig().meter().control("fault 2c crc"));
        dialog().findChild<QPushButton*>("writeLimits")->click();
        QCOMPARE(rig().shownPanels(), QStringList{"noLink"});  // not left behind Cv_ok_rd
    }

    void servicePage() {
        auto* pages = rig().find<QTabWidget>("pages");
        QVERIFY(!pages->isTabVisible(4));
        rig().form().show();
        QApplication::setActiveWindow(&rig().form());
        QVERIFY(QTest::qWaitForWindowActive(&rig().form()));
        QTest::keyClick(&rig().form(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(pages->isTabVisible(4));
        pages->setCurrentIndex(4);

        QVERIFY(rig().meter().control("set calibration 25"));
        rig().click("readCalibration");
        QCOMPARE(rig().find<QLabel>("calibrationSignText")->text(), QStringLiteral("-"));
        QCOMPARE(rig().find<QLineEdit>("calibrationByte")->text(), QStringLiteral("5"));
        QCOMPARE(rig().shownPanels(), QStringList{"calibrationRead"});

        rig().click("calibrationSign");
        rig().find<QLineEdit>("calibrationToWrite")->setText("7");
        rig().click("writeCalibration");
        QCOMPARE(rig().meterState("calibration").toUpper(), QStringLiteral("27"));
        rig().find<QLineEdit>("calibrationToWrite")->setText("32");
        rig().click("writeCalibration");
        QCOMPARE(rig().messages, QStringList{"Ошибка ввода!!!"});

        // The number button acts only with the reset selected; nothing else does then.
        rig().find<QLineEdit>("meterNumber")->setText("300");
        rig().click("writeMeterNumber");
        QCOMPARE(rig().meterState("serial"), QStringLiteral("0"));
        rig().find<QRadioButton>("choiceReset")->click();  // on the connection page
        rig().click("output512");
        QCOMPARE(rig().meterState("out512"), QStringLiteral("0"));
        rig().click("writeMeterNumber");
        QCOMPARE(rig().meterState("serial"), QStringLiteral("300"));
        QCOMPARE(rig().shownPanels(), QStringList{"meterNumberWritten"});

        // A negative number or a ninth digit is refused with the page's message; the ninth
        // digit is kept in the field, not cut.
        auto* serial = rig().find<QLineEdit>("meterNumber");
        serial->clear();
        QTest::keyClicks(serial, "123456789");
        QCOMPARE(serial->text(), QStringLiteral("123456789"));
        for (const QString& refused : {QStringLiteral("123456789"), QStringLiteral("-5")}) {
            rig().messages.clear();
            serial->setText(refused);
            rig().click("writeMeterNumber");
            QCOMPARE(rig().messages, QStringList{"Ошибка ввода!!!"});
            QCOMPARE(rig().meterState("serial"), QStringLiteral("300"));
        }

        pages->setCurrentIndex(app::MainWindow::kConnectionPage);
        QCOMPARE(rig().find<QLineEdit>("meterNumber")->text(), QStringLiteral("0"));
        QCOMPARE(rig().find<QPushButton>("calibrationSign")->text(), QStringLiteral("+"));
        QCOMPARE(rig().find<QLineEdit>("calibrationByte")->text(), QString());
    }
};

QTEST_MAIN(TstLimitsService)
#include "tst_limits_service.moc"
