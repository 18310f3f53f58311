// The window as anyone uses it: under another locale, with a screen reader, with every
// text whole, and the traffic page.

#include <QtTest>
#include <QtWidgets>

#include "app/widgets/message_box.h"
#include "app/widgets/string_grid.h"
#include "app/traffic/traffic_page.h"
#include "link/outcome_texts.h"
#include "window_rig.h"

using namespace vilt;
namespace texts = link::texts;

class TstWindowUse : public QObject {
    Q_OBJECT

    std::unique_ptr<test::WindowRig> m_rig;
    app::MainWindow* m_form = nullptr;

  private slots:
    void init() {
        m_rig = std::make_unique<test::WindowRig>();
        QString error;
        QVERIFY2(m_rig->start({"--factory", "12345", "--password", "4321"}, &error),
                 qPrintable(error));
        m_form = &m_rig->form();
    }
    void cleanup() { m_rig.reset(); }

    // Under a workstation locale that is not Russian, dates stay numbers, the calendar and
    // Qt's own buttons speak Russian.
    void russianUnderAnotherLocale() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        app::MainWindow form(nullptr, m_rig->archivePath());
        QLocale::setDefault(QLocale::system());
        const QRegularExpression numericDate(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4}$"));
        auto* date = form.findChild<QDateEdit*>("meterDate");
        QVERIFY2(numericDate.match(date->text()).hasMatch(), qPrintable(date->text()));
        const QString clockDate = form.findChild<QLabel*>("nowDate")->text();
        QVERIFY2(numericDate.match(clockDate).hasMatch(), qPrintable(clockDate));
        QCOMPARE(date->calendarWidget()->locale().language(), QLocale::Russian);
        app::installTranslations();
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    }

    // Every text fits its place: the status fields, the clock panel and the journal headings;
    // the connect and disconnect buttons swap without moving the information group.
    void textsFitTheirPlaces() {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        const QRect info = m_rig->find("information")->geometry();
        auto fits = [](const QWidget* widget, const QString& text) {
            return QFontMetrics(widget->font()).horizontalAdvance(text) <=
                   widget->contentsRect().width();
        };
        for (const QString& text : {texts::kPasswordSession, texts::kWrongCount})
            QVERIFY2(fits(m_rig->find("status0"), text), qPrintable(text));
        QVERIFY(fits(m_rig->find("status1"), texts::kFactoryNumber + "16777215"));
        auto* clock = m_rig->find("clockPanel");
        QVERIFY(clock->geometry().right() < m_form->width());
        QVERIFY(clock->sizeHint().width() <= clock->width());
        auto* grid = m_rig->find<app::StringGrid>("journalGrid");
        grid->setCell(0, 0, "Номер события");
        for (int column = 0; column < 3; ++column) {
            const QString heading =
                QStringList{"Номер события", "Дата события", "Время события"}[column];
            QVERIFY2(
                QFontMetrics(grid->font()).horizontalAdvance(heading) < grid->columnWidth(column),
                qPrintable(heading));
        }
        m_rig->connectAs(1, 12345);
        QVERIFY(m_rig->shown("disconnect"));
        QCOMPARE(m_rig->find("information")->geometry(), info);
    }

    // What a screen reader would announce: every control the keyboard reaches has a name.
    void everyControlHasAName() {
        QStringList nameless;
        for (QWidget* widget : m_form->findChildren<QWidget*>()) {
            if (!(widget->focusPolicy() & Qt::TabFocus) || widget->isHidden()) continue;
            // Qt's own parts (the editor inside a spin box, the lists of popups) speak for
            // their owner.
            if (widget->objectName().startsWith("qt_") || widget->window() != m_form) continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            const QString name =
                accessible ? accessible->text(QAccessible::Name).trimmed() : QString();
            if (name.isEmpty())
                nameless << widget->parentWidget()->objectName() + ">" + widget->objectName() +
                                "/" + widget->metaObject()->className();
        }
        QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(", ")));
        auto name = [](const char* object, QWidget* form) {
            return QAccessible::queryAccessibleInterface(form->findChild<QWidget*>(object))
                ->text(QAccessible::Name);
        };
        QCOMPARE(name("factoryNumber", m_form), QStringLiteral("Заводской номер"));
        QCOMPARE(name("choiceClock", m_form), QStringLiteral("Время и дата"));
        QCOMPARE(name("meterDate", m_form), QStringLiteral("Дата"));
        QCOMPARE(name("saveTariffs", m_form),
                 QStringLiteral("Запись тарифов и календаря нестандартных дней"));
    }

    // The journal table names its columns to a screen reader.
    void journalColumnsHaveNames() {
        auto* table = QAccessible::queryAccessibleInterface(m_rig->find("journalGrid"))
                          ->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->columnDescription(0), QStringLiteral("Номер события"));
        QCOMPARE(table->columnDescription(1), QStringLiteral("Дата события"));
    }

    // Ctrl+T shows the traffic, live and masked; it can be saved and cleared.
    // «Быстрый обмен» takes the reply without the full wait, «Задержка» its longest wait:
    // a meter slower than that is reached by the full cycle only.
    void fastExchange() {
        QVERIFY(m_rig->meter().control("fault 25 delay 400"));
        auto* fast = m_rig->find<QCheckBox>("fastExchange");
        QVERIFY(!fast->isChecked());
        m_rig->connectAs(1, 12345);
        QCOMPARE(m_rig->status(0), texts::kFactorySession);
        m_rig->click("disconnect");
        fast->setChecked(true);
        m_rig->connectAs(1, 12345);
        QCOMPARE(m_rig->status(0), texts::kWrongCount);
    }

    void trafficPage() {
        m_form->show();
        QApplication::setActiveWindow(m_form);
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        auto* pages = m_rig->find<QTabWidget>("pages");
        QCOMPARE(pages->indexOf(m_rig->find("trafficPage")), -1);
        QTest::keyClick(m_form, Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(pages->currentWidget(), m_rig->find("trafficPage"));

        m_rig->connectAs(2, 12345, "4321");
        auto* view = m_rig->find<QPlainTextEdit>("trafficView");
        QTRY_VERIFY(view->toPlainText().contains("RxdWrPsw ok"));
        QVERIFY(view->toPlainText().contains("39 30 00 20 ** ** ** ** ** **"));
        QTemporaryDir folder;
        auto* page = m_rig->find<app::TrafficPage>("trafficPage");
        QVERIFY(page->saveTo(folder.filePath("traffic.txt")));
        QFile saved(folder.filePath("traffic.txt"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()).count('\n'), 6);
        m_rig->click("trafficClear");
        QVERIFY(view->toPlainText().isEmpty());
    }
};

QTEST_MAIN(TstWindowUse)
#include "tst_window_use.moc"
