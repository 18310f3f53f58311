// The real main window, offscreen, with the virtual meter server mapped as Com1: what the
// user sees at start-up, on connecting in each mode, on failures and when closing.

#include <QtTest>
#include <QtWidgets>

#include "app/connection/connection_page.h"
#include "app/frame/presenter.h"
#include "comm/comm_error.h"
#include "link/outcome_texts.h"
#include "window_rig.h"

using namespace vilt;
namespace texts = link::texts;

class TstMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<test::WindowRig> m_rig;
    app::MainWindow* m_form = nullptr;

    template <typename T = QWidget>
    T* find(const QString& name) const {
        return m_rig->find<T>(name);
    }
    bool shown(const QString& name) const { return m_rig->shown(name); }
    QStringList shownPanels() const { return m_rig->shownPanels(); }
    QString status(int panel) const { return m_rig->status(panel); }
    app::RadioGroup* mode() const { return m_rig->mode(); }
    void choosePort(const QString& name) { m_rig->choosePort(name); }
    void connectAs(int accessMode, int factory, const QString& password = {}) {
        m_rig->connectAs(accessMode, factory, password);
    }
    QStringList messages() const { return m_rig->messages; }

  private slots:
    void initTestCase() {
        QVERIFY2(!QFontDatabase::families(QFontDatabase::Cyrillic).isEmpty(), "no Cyrillic font");
    }

    void init() {
        m_rig = std::make_unique<test::WindowRig>();
        QString error;
        QVERIFY2(m_rig->start({"--factory", "12345", "--model", "7", "--version", "30109",
                               "--place", "ТП-15", "--password", "4321"},
                              &error),
                 qPrintable(error));
        m_form = &m_rig->form();
    }

    void cleanup() { m_rig.reset(); }

    void startUp() {
        QCOMPARE(
            m_form->windowTitle(),
            QStringLiteral("       Программа облуживания счетчиков ВИЛТ3/ВИЛТ1  -\"М\"- ЖКИ .  "
                           "V_301209_12Month_12Sezon"));
        QCOMPARE(m_form->size(), QSize(823, 384));
        QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
        auto* pages = find<QTabWidget>("pages");
        QCOMPARE(pages->currentIndex(), 2);
        QStringList tabs;
        for (int i = 0; i < pages->count(); ++i) tabs << pages->tabText(i);
        QCOMPARE(tabs, QStringList({"Сезоны и тарифы", "Нестандартные дни", "Установка связи",
                                    "Журнал событий", "Калибровка", "   Срезы    ",
                                    "Показания за 12 месяцев", "Обход"}));  // «Обмен» after Ctrl+T
        QVERIFY(!pages->isTabVisible(4));
        QCOMPARE(shownPanels(), QStringList());
        QVERIFY(shown("connect") && !shown("disconnect"));
        QVERIFY(!shown("saveTariffs") && !shown("loadTariffs"));
        QCOMPARE(find<QLabel>("noLink")->text(), QStringLiteral("Нет связи !!!"));

        auto* ports = find<QComboBox>("port");
        QCOMPARE(ports->itemText(0), QStringLiteral("Com1"));
        QCOMPARE(ports->itemData(0, Qt::ToolTipRole).toString(), m_rig->meter().slavePath());
        QCOMPARE(ports->currentIndex(), -1);
        QCOMPARE(ports->placeholderText(), QStringLiteral("Порт"));
        QCOMPARE(m_form->connection().portName(), QStringLiteral("Com12"));
        QVERIFY(!m_form->line().Enabled());  // discovery closed what it opened
        QCOMPARE(m_form->line().baudRate(), comm::BaudRate::br9600);

        QCOMPARE(find<QComboBox>("speed")->currentText(), QStringLiteral("2400"));
        QCOMPARE(find<QSpinBox>("wait")->value(), 300);
        QCOMPARE(find<QSpinBox>("factoryNumber")->maximum(), 16777215);
        QCOMPARE(mode()->itemIndex(), 0);
        QCOMPARE(find<QLabel>("nowDate")->text(),
                 QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
        QVERIFY(!find<QLabel>("nowTime")->text().isEmpty());
    }

    void sessionModes_data() {
        QTest::addColumn<int>("accessMode");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("status0");
        QTest::addColumn<QString>("status1");
        QTest::newRow("local") << 0 << "connected" << texts::kLocalSession << "Заводской №:12345";
        QTest::newRow("by factory number")
            << 1 << "connectedRead" << texts::kFactorySession << "     Заводской номер:12345";
        QTest::newRow("with password")
            << 2 << "connectedReadWrite" << texts::kPasswordSession << "     Заводской номер:12345";
    }
    void sessionModes() {
        QFETCH(int, accessMode);
        QFETCH(QString, panel);
        QFETCH(QString, status0);
        QFETCH(QString, status1);
        connectAs(accessMode, 12345, "4321");
        QVERIFY(shownPanels().contains(panel));
        QCOMPARE(shownPanels().last(), panel);  // on top
        QCOMPARE(status(0), status0);
        QCOMPARE(status(1), status1);
        QCOMPARE(find<QLabel>("meterPlace")->text(), QStringLiteral("ТП-15"));
        QCOMPARE(find<QLabel>("meterModel")->text(), QStringLiteral("7"));
        QCOMPARE(find<QLabel>("meterVersion")->text(), QStringLiteral("09.01.3"));
        QVERIFY(!shown("connect") && shown("disconnect"));
        QVERIFY(m_form->line().Enabled());
        QCOMPARE(m_form->line().baudRate(), comm::BaudRate::br2400);
        QCOMPARE(messages(), QStringList());

        QTest::mouseClick(find("disconnect"), Qt::LeftButton);
        QVERIFY(shown("connect") && !shown("disconnect"));
        QVERIFY(!m_form->line().Enabled());
        QCOMPARE(shownPanels(), QStringList());
        QCOMPARE(find<QLabel>("meterPlace")->text(), app::kBlankLabel);
        QCOMPARE(status(1), status1);  // left as it was
    }

    void localModeFindsAnotherNumber() {
        connectAs(0, 0);
        QCOMPARE(shownPanels(), QStringList({"connected", "connectedRead"}));
        QCOMPARE(mode()->itemIndex(), 1);
        QCOMPARE(find<QSpinBox>("factoryNumber")->value(), 12345);
        QCOMPARE(status(0), texts::kFactorySession);
    }

    void failures_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("status0");
        QTest::newRow("wrong CRC") << "all crc" << texts::kWrongCrc;
        QTest::newRow("wrong code") << "all code" << texts::kWrongCode;
        QTest::newRow("short reply") << "all missing" << texts::kWrongCount;
    }
    void failures() {
        QFETCH(QString, fault);
        QFETCH(QString, status0);
        QVERIFY(m_rig->meter().control("fault " + fault));
        connectAs(1, 12345);
        QCOMPARE(shownPanels(), QStringList{"noLink"});
        QCOMPARE(status(0), status0);
        QVERIFY(shown("disconnect"));  // the port stays open behind the disconnect button
        QVERIFY(m_form->line().Enabled());
    }

    void wrongPassword() {
        connectAs(2, 12345, "1111");
        QCOMPARE(shownPanels(), QStringList({"wrongPassword"}));
        QCOMPARE(status(0), texts::kPasswordRefused);  // no attempt after the refusal
        QVERIFY(shown("connect") && !shown("disconnect"));
        QVERIFY(!m_form->line().Enabled());
        connectAs(2, 12345, "4321");  // and the next connect works
        QCOMPARE(shownPanels().last(), QStringLiteral("connectedReadWrite"));
    }

    // The first identity reply lost: the second attempt still logs in.
    void passwordLoginAfterASilentAttempt() {
        QVERIFY(m_rig->meter().control("fault 25 silent 0 1"));
        connectAs(2, 12345, "4321");
        QCOMPARE(shownPanels(), QStringList({"noLink", "connectedRead", "connectedReadWrite"}));
        QCOMPARE(status(0), texts::kPasswordSession);
    }

    // The adapter pulled in a session: the next read ends at once with one box, the
    // disconnect button closes the port, and a connect works again once the meter is back.
    void unplugDisconnectReconnect() {
        connectAs(1, 12345);
        m_rig->unplug();
        m_rig->click("read");
        QCOMPARE(messages(), QStringList{"Устройство порта отключено (Error: -1)"});
        m_rig->click("disconnect");
        QVERIFY(shown("connect") && !shown("disconnect"));
        QVERIFY(!m_form->line().Enabled());
        QCOMPARE(messages().size(), 1);
        QString error;
        QVERIFY2(m_rig->plugIn({"--factory", "12345"}, &error), qPrintable(error));
        connectAs(1, 12345);
        QCOMPARE(shownPanels(), QStringList{"connectedRead"});
    }

    // A silent connect and a silent read can be stopped, with the stop button or Esc: they
    // end at the next wait, say so, and leave the session usable.
    void stopAnOperation() {
        m_form->show();
        QApplication::setActiveWindow(m_form);
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QVERIFY(m_rig->meter().control("fault all silent"));
        bool stopShown = false;
        QTimer::singleShot(900, m_form, [&] {  // in the first attempt's read
            stopShown = shown("stop");
            m_rig->click("stop");
        });
        connectAs(1, 12345);
        QVERIFY(stopShown);
        QVERIFY(shown("stopped") && !shown("stop"));
        QCOMPARE(status(0), link::texts::kStopped);
        QVERIFY(shown("disconnect"));
        QVERIFY(find("read")->isEnabled());

        QVERIFY(m_rig->meter().control("clear"));
        m_rig->click("read");
        QCOMPARE(shownPanels(), QStringList{"clockRead"});

        QVERIFY(m_rig->meter().control("fault 10 silent"));
        QTimer::singleShot(400, m_form, [&] { QTest::keyClick(m_form, Qt::Key_Escape); });
        m_rig->click("read");
        QVERIFY(shown("stopped"));
        QCOMPARE(shownPanels(), QStringList());
    }

    void passwordThatIsNotANumber() {
        connectAs(2, 12345, "43a1");
        QCOMPARE(messages(), QStringList{texts::kNotANumber});
        QCOMPARE(shownPanels(), QStringList{"connectedRead"});
    }

    void portThatCannotBeOpened() {
        QTest::mouseClick(find("connect"), Qt::LeftButton);  // no port chosen: Com12 leads nowhere
        QCOMPARE(messages(), QStringList{texts::kPortOpenFailed +
                                         ". Устройство Com12 не найдено: проверьте, что адаптер "
                                         "подключён и порт выбран верно."});
        QVERIFY(shown("connect"));
        QVERIFY(find("connect")->isEnabled());
    }

    void typingSwitchesTheMode() {
        QTest::keyClicks(find("password"), "1");
        QCOMPARE(mode()->itemIndex(), 2);
        QCOMPARE(find<QLineEdit>("password")->displayText(), QStringLiteral("*"));
        QTest::keyClicks(find<QSpinBox>("factoryNumber")->findChild<QLineEdit*>(), "5");
        QCOMPARE(mode()->itemIndex(), 1);
    }

    // A number above the largest is typed in full and brought into range on leaving.
    void factoryNumberIsClamped() {
        m_form->show();
        QApplication::setActiveWindow(m_form);
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        auto* factory = find<QSpinBox>("factoryNumber");
        factory->setFocus();
        factory->selectAll();
        QTest::keyClicks(factory, "99999999");
        QCOMPARE(factory->text(), QStringLiteral("99999999"));
        QTest::keyClick(factory, Qt::Key_Tab);
        QCOMPARE(factory->value(), 16777215);
    }

    void controlsAreDisabledWhileConnecting() {
        QStringList enabledMeanwhile;
        QTimer::singleShot(200, m_form, [&] {
            for (const char* name : {"connect", "disconnect", "port", "speed"})
                if (find(name)->isEnabled()) enabledMeanwhile << name;
            enabledMeanwhile << "checked";
        });
        connectAs(1, 12345);
        QCOMPARE(enabledMeanwhile, QStringList{"checked"});
        QVERIFY(find("disconnect")->isEnabled() && find("port")->isEnabled());
    }

    void otherPortWhileConnected() {
        connectAs(1, 12345);
        choosePort("Com1");  // choosing a port closes the open one
        QVERIFY(!m_form->line().Enabled());
        QTest::mouseClick(find("disconnect"), Qt::LeftButton);
        QCOMPARE(messages(), QStringList());
        QVERIFY(shown("connect"));
    }

    void pageSwitching() {
        auto* pages = find<QTabWidget>("pages");
        pages->setCurrentIndex(0);
        QVERIFY(shown("saveTariffs") && shown("loadTariffs"));
        pages->setCurrentIndex(3);
        QVERIFY(!shown("saveTariffs") && !shown("loadTariffs"));
        pages->setCurrentIndex(0);
        pages->setCurrentIndex(2);
        QVERIFY(!shown("saveTariffs"));
    }

    void closingEndsTheSession() {
        connectAs(1, 12345);
        QVERIFY(m_form->close());
        QVERIFY(!m_form->line().Enabled());
    }

    void handlerErrorsAreShown() {
        app::OperationGuard(*m_form).handle([] { throw comm::CommError(comm::kErrNotOpen, -1); });
        QCOMPARE(messages(), QStringList{"Port not open (Error: -1)"});
    }

    void clockTicks() {
        auto* time = find<QLabel>("nowTime");
        const QString start = time->text();
        QTRY_VERIFY_WITH_TIMEOUT(time->text() != start, 5000);
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_main_window.moc"
