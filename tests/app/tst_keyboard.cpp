// The window with the keyboard alone and through a screen reader: Ctrl+Tab and Tab reach every
// page and every control shown and nothing hidden; the grids speak as tables.

#include <QtTest>
#include <QtWidgets>

#include "app/widgets/string_grid.h"
#include "window_rig.h"

using namespace vilt;

class TstKeyboard : public QObject {
    Q_OBJECT

    std::unique_ptr<test::WindowRig> m_rig;
    QTabWidget* m_pages = nullptr;

    static QWidget* focus() { return QApplication::focusWidget(); }
    QString title() const { return m_pages->tabText(m_pages->currentIndex()).trimmed(); }
    // Inside a page that is not revealed: the calibration page, the traffic page.
    bool inHiddenPage(const QWidget* widget) const {
        if (m_rig->find("trafficPage")->isAncestorOf(widget)) return true;
        for (int i = 0; i < m_pages->count(); ++i) {
            QWidget* page = m_pages->widget(i);
            if (!m_pages->isTabVisible(i) && (widget == page || page->isAncestorOf(widget)))
                return true;
        }
        return false;
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QVERIFY(focus());
        QTest::keyClick(focus(), Qt::Key(key), modifiers);
        QVERIFY2(!inHiddenPage(focus()), qPrintable(focus()->objectName()));
        QVERIFY2(m_pages->isTabVisible(m_pages->currentIndex()), qPrintable(title()));
    }

    // Tab from the tab row round the window and back to it, entering the page shown and its
    // grid, and leaving the grid with one Tab. The first control of the page reached.
    QWidget* tabRound() {
        QWidget* page = m_pages->currentWidget();
        auto* grid = page->findChild<app::StringGrid*>();
        bool gridReached = false;
        QWidget* first = nullptr;
        for (int presses = 0; presses < 150; ++presses) {
            const bool inGrid = focus() == grid;
            press(Qt::Key_Tab);
            if (QTest::currentTestFailed()) return nullptr;
            if (inGrid && focus() == grid) {
                QTest::qFail("Tab walks the grid's cells", __FILE__, __LINE__);
                return nullptr;
            }
            gridReached |= grid && focus() == grid;
            if (!first && page->isAncestorOf(focus())) first = focus();
            if (focus() == m_pages->tabBar()) break;
        }
        if (focus() != m_pages->tabBar())
            QTest::qFail(qPrintable("Tab never comes round on " + title()), __FILE__, __LINE__);
        else if (grid && !gridReached)
            QTest::qFail(qPrintable("Tab never reaches the grid on " + title()), __FILE__,
                         __LINE__);
        else if (!first)
            QTest::qFail(qPrintable("Tab never enters " + title()), __FILE__, __LINE__);
        return first;
    }

    // Tab on until the target has the focus; false when it never gets it.
    bool tabTo(const QWidget* target) {
        for (int presses = 0; presses < 150 && focus() != target; ++presses) {
            press(Qt::Key_Tab);
            if (QTest::currentTestFailed()) return false;
        }
        return focus() == target;
    }

    void revealServicePage() {
        QTest::keyClick(&m_rig->form(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    }

  private slots:
    void init() {
        m_rig = std::make_unique<test::WindowRig>();
        QString error;
        QVERIFY2(m_rig->start({"--factory", "12345"}, &error), qPrintable(error));
        m_pages = m_rig->find<QTabWidget>("pages");
        m_rig->form().show();
        QApplication::setActiveWindow(&m_rig->form());
        QVERIFY(QTest::qWaitForWindowActive(&m_rig->form()));
    }
    void cleanup() { m_rig.reset(); }

    // Ctrl+Tab from the first control of each page (on «Срезы» the date field, which takes
    // Tab for its own sections) goes to the next page shown; the hidden pages are never shown
    // and none of their controls gets the focus.
    void everyPageByKeyboard() {
        QCOMPARE(title(), QStringLiteral("Установка связи"));
        press(Qt::Key_Tab, Qt::ControlModifier);
        QStringList visited;
        for (int page = 0; page < 7; ++page) {
            visited << title();
            QWidget* first = tabRound();
            if (QTest::currentTestFailed()) return;
            QVERIFY(tabTo(first));
            const QString before = title();
            press(Qt::Key_Tab, Qt::ControlModifier);
            QVERIFY2(title() != before, qPrintable("Ctrl+Tab stays on " + before));
        }
        QCOMPARE(visited,
                 QStringList({"Журнал событий", "Срезы", "Показания за 12 месяцев", "Обход",
                              "Сезоны и тарифы", "Нестандартные дни", "Установка связи"}));
        QCOMPARE(title(), QStringLiteral("Журнал событий"));  // round, past «Калибровка»

        press(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(title(), QStringLiteral("Установка связи"));
        press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(title(), QStringLiteral("Обход"));  // round, past «Обмен»
    }

    // Once revealed, the calibration page is in the tab row, inside the window, and can be
    // clicked and reached with Ctrl+Tab; Space on its button switches the test output on.
    void revealedServicePage() {
        auto* service = m_rig->find("servicePage");
        const int index = m_pages->indexOf(service);
        revealServicePage();
        QTabBar* tabs = m_pages->tabBar();
        QVERIFY(m_pages->isTabVisible(index));
        // What of the tab row lies inside the window.
        const QRect inWindow = tabs->rect().intersected(
            m_rig->form().rect().translated(-tabs->mapTo(&m_rig->form(), QPoint(0, 0))));
        QVERIFY2(inWindow.contains(tabs->tabRect(index)), "the revealed tab is off the window");
        // Each tab shown comes into view when its page is.
        for (int i = 0; i < 8; ++i) {
            press(Qt::Key_Tab, Qt::ControlModifier);
            QVERIFY2(inWindow.contains(tabs->tabRect(m_pages->currentIndex()).center()),
                     qPrintable(title()));
        }
        QCOMPARE(title(), QStringLiteral("Установка связи"));
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
        QCOMPARE(m_pages->currentWidget(), service);

        m_pages->setCurrentIndex(app::MainWindow::kConnectionPage);
        m_rig->connectAs(1, 12345);
        press(Qt::Key_Tab, Qt::ControlModifier);
        press(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(m_pages->currentWidget(), service);
        m_rig->find<QRadioButton>("choiceClock")->setChecked(true);  // the 512 Hz button's group
        QVERIFY(tabTo(m_rig->find("output512")));
        press(Qt::Key_Space);
        QCOMPARE(m_rig->meterState("out512"), QStringLiteral("1"));
    }

    // What a screen reader hears of the grids: a named table whose heading row is column
    // headings and whose rows are data, each named by its first cell.
    void gridsSpeakAsTables_data() {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("heading");  // of the second column
        QTest::addColumn<QString>("firstRow");
        QTest::newRow("profile") << "profileGrid"
                                 << "Срезы" << 48 << "Время"
                                 << "1";
        QTest::newRow("months") << "monthGrid"
                                << "Показания за 12 месяцев" << 12 << "Тариф 1"
                                << "";  // the first month's name
        QTest::newRow("special days") << "specialDaysGrid"
                                      << "Нестандартные дни" << 30 << "Дата"
                                      << "1";
        QTest::newRow("events") << "journalGrid"
                                << "События" << 10 << "Дата события"
                                << "1";
    }
    void gridsSpeakAsTables() {
        QFETCH(QString, grid);
        QFETCH(QString, name);
        QFETCH(int, rows);
        QFETCH(QString, heading);
        QFETCH(QString, firstRow);
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(m_rig->find(grid));
        QVERIFY(table);
        QCOMPARE(table->text(QAccessible::Name), name);
        QCOMPARE(table->role(), QAccessible::Table);
        QAccessibleTableInterface* cells = table->tableInterface();
        QCOMPARE(cells->rowCount(), rows);
        QCOMPARE(cells->columnDescription(1), heading);
        auto* stringGrid = m_rig->find<app::StringGrid>(grid);
        QCOMPARE(cells->rowDescription(0), firstRow.isEmpty() ? stringGrid->cell(0, 1) : firstRow);
        QAccessibleInterface* cell = cells->cellAt(0, 1);
        QCOMPARE(cell->role(), QAccessible::Cell);
        // Children row by row, the heading row first, each row after its row header.
        QAccessibleInterface* header = table->child(1 + 1);
        QCOMPARE(header->role(), QAccessible::ColumnHeader);
        QCOMPARE(header->text(QAccessible::Name), heading);
        QAccessibleInterface* rowHeader = table->child(cells->columnCount() + 1);
        QCOMPARE(rowHeader->role(), QAccessible::RowHeader);
        QCOMPARE(rowHeader->text(QAccessible::Name), cells->rowDescription(0));
    }

    // The months are named by month; the number filter by what it is, not by its value; the
    // calibration sign is a toggle that tells its state.
    void namesAndStates() {
        auto* months = QAccessible::queryAccessibleInterface(m_rig->find("monthGrid"));
        QCOMPARE(months->tableInterface()->rowDescription(4).toLower(), QStringLiteral("май"));

        auto* numbers = QAccessible::queryAccessibleInterface(m_rig->find("storedNumbers"));
        QCOMPARE(numbers->text(QAccessible::Name), QStringLiteral("№ счетчика"));
        QCOMPARE(numbers->text(QAccessible::Value),
                 m_rig->find<QComboBox>("storedNumbers")->currentText());

        revealServicePage();
        auto* signButton = m_rig->find<QPushButton>("calibrationSign");
        auto* sign = QAccessible::queryAccessibleInterface(signButton);
        QVERIFY(sign->state().checkable);
        QVERIFY(!sign->state().checked);
        QCOMPARE(sign->text(QAccessible::Name), QStringLiteral("Знак калибровки: плюс"));
        signButton->click();
        QCOMPARE(signButton->text(), QStringLiteral("-"));
        QVERIFY(sign->state().checked);
        QCOMPARE(sign->text(QAccessible::Name), QStringLiteral("Знак калибровки: минус"));
    }
};

QTEST_MAIN(TstKeyboard)
#include "tst_keyboard.moc"
