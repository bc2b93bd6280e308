#include "reports/StatShow.h"
#include "Captions.h"

#include "core/Common.h"
#include "core/ResultList.h"
#include "core/StructureCache.h"
#include "core/Unit1.h"
#include "platform/Database.h"
#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// What the user sees at a point of the grid's viewport: the text of the cell of whichever view
// lies on top there.
QString seenAt(QTableWidget* grid, const QPoint& point)
{
    const QPoint inGrid = grid->viewport()->mapTo(grid, point);
    QWidget* shown = grid->childAt(inGrid);
    auto* view = shown ? qobject_cast<QAbstractItemView*>(shown->parentWidget()) : nullptr;
    if (!view)
        return u("<ничего>");
    return view->indexAt(shown->mapFrom(grid, inGrid)).data().toString();
}

// Records the text a label holds each time it is painted.
class PaintedTexts : public QObject {
public:
    explicit PaintedTexts(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint
            && (texts.isEmpty() || texts.last() != m_label->text()))
            texts << m_label->text();
        return false;
    }

private:
    QLabel* m_label;
};

// Ф12 (1000) with Графа 3 Строка 1 of the summary report Свод (45) and of its incoming reports
// Отчет 1 (40) and Отчет 2 (5).
class StatShowView : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int term = 0, rep = 0;

    void SetUp() override
    {
        const int f12 = year.addForm(u("Ф12"));
        const int t1000 = year.addTable(f12, u("(1000)"), u("Взрослые"), 6, 5, 2, 2);
        const int rep1 = year.addReport(u("Отчет 1"));
        const int rep2 = year.addReport(u("Отчет 2"));
        rep = year.addReport(u("Свод"));
        year.addStatistics(rep, {rep1, rep2});
        year.setEntered(rep, t1000, 3, 1, 45, u("repdata"));
        year.setEntered(rep1, t1000, 3, 1, 40, u("repdata"));
        year.setEntered(rep2, t1000, 3, 1, 5, u("repdata"));
        Database& db = year.dictionary();
        db.exec(u(R"(insert into "tree" ("part","depend") values ('Набор',0))"));
        term = int(db.lastInsertId());
        GetForms(db);
        GetTables(db);
        ReportYear = 2025;
        WorkMode = u("Terrain");
        DataTablePrefix = u("RepData");
        CurrentInstitutionId = rep;
    }

    void column(int c, const QString& title, int width)
    {
        year.dictionary().exec(u(R"(insert into "col_titles" values (?,?,?,?))"), {term, c, title, width});
    }
    void row(int r, const QString& title)
    {
        year.dictionary().exec(u(R"(insert into "row_titles" values (?,?,?,20))"), {term, r, title});
    }
    void formula(int r, int c, const QString& text)
    {
        year.dictionary().exec(u(R"(insert into "formulas" values (?,?,?,?))"), {term, r, c, text});
    }
};

TEST_F(StatShowView, TheTitlesStayWhileTheFiguresScroll)
{
    // 30 rows and 12 columns of figures, r * 100 + c in each, far more than the window shows.
    column(0, u("Показатель"), 120);
    for (int c = 1; c <= 12; ++c)
        column(c, u("Графа %1").arg(c), 80);
    for (int r = 1; r <= 30; ++r) {
        row(r, u("Строка %1").arg(r));
        for (int c = 1; c <= 12; ++c)
            formula(r, c, QString::number(r * 100 + c));
    }
    ScriptedPrompts prompts;
    TShowStat view(term, u("Показатели"), u("Набор"));
    view.resize(520, 400);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTableWidget* grid = view.grid();
    const QRect area = grid->viewport()->rect();
    const int belowTitles = grid->rowHeight(0) + 5;
    EXPECT_EQ(seenAt(grid, {5, 5}), u("Показатель"));
    EXPECT_EQ(seenAt(grid, {125, belowTitles}), u("101.00"));

    // To the last figure: the grid scrolls both ways, the titles stay where they were.
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    ASSERT_EQ(grid->currentRow(), 30);
    ASSERT_EQ(grid->currentColumn(), 12);
    EXPECT_GT(grid->verticalScrollBar()->value(), 0);
    EXPECT_GT(grid->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(seenAt(grid, {5, 5}), u("Показатель"));
    EXPECT_EQ(seenAt(grid, {area.right() - 5, 5}), u("Графа 12"));
    EXPECT_EQ(seenAt(grid, {5, area.bottom() - 5}), u("Строка 30"));
    EXPECT_EQ(seenAt(grid, {area.right() - 5, area.bottom() - 5}), u("3012.00"));
    // Each title stands over the figures of its own column and beside those of its own row.
    for (int x = 130; x < area.right(); x += 40)
        EXPECT_EQ(seenAt(grid, {x, 5}), u("Графа %1").arg(grid->columnAt(x))) << x;
    for (int y = belowTitles; y < area.bottom(); y += 15)
        EXPECT_EQ(seenAt(grid, {5, y}), u("Строка %1").arg(grid->rowAt(y))) << y;

    // Walking back up and left, the focused figure is never hidden under the titles, and the
    // titles themselves are not stood on.
    for (int r = 30; r > 1; --r) {
        QTest::keyClick(grid, Qt::Key_Up);
        const QRect cell = grid->visualRect(grid->currentIndex());
        EXPECT_GE(cell.top(), grid->rowHeight(0)) << grid->currentRow();
    }
    for (int c = 12; c > 1; --c) {
        QTest::keyClick(grid, Qt::Key_Left);
        const QRect cell = grid->visualRect(grid->currentIndex());
        EXPECT_GE(cell.left(), grid->columnWidth(0)) << grid->currentColumn();
    }
    QTest::keyClick(grid, Qt::Key_Up);
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 1);
    EXPECT_EQ(seenAt(grid, {125, 5}), u("Графа 1"));
    EXPECT_EQ(seenAt(grid, {125, belowTitles}), u("101.00"));
}

TEST_F(StatShowView, TheBreakdownShowsEachMemberAsItWorks)
{
    column(0, u("Показатель"), 120);
    column(1, u("Случаи"), 80);
    row(1, u("Взрослые"));
    formula(1, 1, u("Ф12Т[1000]СТР1ГР3"));
    ScriptedPrompts prompts;
    TShowStat view(term, u("Показатели"), u("Набор"));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto* label = view.findChild<QLabel*>(u("Label2"));
    ASSERT_NE(label, nullptr);
    PaintedTexts painted(label);
    QAction* cell = nullptr;
    for (QAction* a : view.findChildren<QAction*>())
        if (caption(a) == u("Ячейку"))
            cell = a;
    ASSERT_NE(cell, nullptr);
    prompts.expectModal(u("TForm1"), [](QDialog& dialog) {
        auto* list = dialog.findChild<QTreeWidget*>();
        EXPECT_NE(list, nullptr);
        if (list) {
            EXPECT_EQ(list->topLevelItemCount(), 3);   // Отчет 1, Отчет 2, Всего
        }
        return int(QDialog::Accepted);
    });
    cell->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(painted.texts, (QStringList{u("Отчет 1"), u("Отчет 2")}));
    EXPECT_EQ(label->text(), QString());
}

// A cell that cannot be computed is marked, with the reason under the pointer, never shown as
// its formula as though it were a value.
TEST_F(StatShowView, ACellThatCannotBeComputedIsMarkedWithItsReason)
{
    column(0, u("Показатель"), 120);
    column(1, u("Всего"), 80);
    column(2, u("На 1000"), 80);
    row(1, u("Взрослые"));
    row(2, u("Дети"));
    formula(1, 1, u("Ф12Т(1000)СТР1ГР3"));
    formula(1, 2, u("Ф12Т(1000)СТР1ГР3/("));
    formula(2, 1, u("Ф12Т(1000)СТР1ГР3*ДОЛЯ"));
    formula(2, 2, u("Ф12Т(9000)СТР1ГР3"));
    ScriptedPrompts prompts;
    TShowStat view(term, u("Показатели"), u("Набор"));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTableWidget* grid = view.grid();
    struct Mark {
        int row, column;
        const char* text;
        const char* tip;
    };
    const Mark marks[] = {
        {1, 1, "45.00", ""},
        {1, 2, "?", "Формула не читается: нарушен баланс скобок"},
        {2, 1, "?", "Неизвестное имя ДОЛЯ"},
        {2, 2, "?", "Нет таблицы (9000) формы Ф12"},
    };
    for (const Mark& m : marks) {
        SCOPED_TRACE(m.text);
        const QTableWidgetItem* item = grid->item(m.row, m.column);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), u(m.text));
        EXPECT_EQ(item->toolTip(), u(m.tip));
    }
    // The breakdown marks the members' cells alike.
    grid->setCurrentCell(1, 2);
    QAction* cell = nullptr;
    for (QAction* a : view.findChildren<QAction*>())
        if (a->text().remove(u'&') == u("Ячейку"))
            cell = a;
    ASSERT_NE(cell, nullptr);
    prompts.expectModal(u("TForm1"), [](QDialog& dialog) {
        auto* list = dialog.findChild<QTreeWidget*>();
        EXPECT_NE(list, nullptr);
        if (list && list->topLevelItemCount() == 3) {
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(list->topLevelItem(i)->text(1), u("?"));
        }
        return int(QDialog::Accepted);
    });
    cell->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
}

} // namespace
