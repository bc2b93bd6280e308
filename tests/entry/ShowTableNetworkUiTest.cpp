// "Разрезать" of the grid: the institutions behind a figure in the result-list window.

#include "entry/ShowTable.h"

#include "OpenGrid.h"
#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/NetConditions.h"
#include "core/StructureCache.h"
#include "core/Unit1.h"

#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QStringList shownRows(const QTreeWidget* list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells.append(list->topLevelItem(i)->text(c));
        rows.append(cells.join(QLatin1Char('|')));
    }
    return rows;
}

} // namespace

class GridBreakdown : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int types = year.addMedicalType(QStringLiteral("Больницы"));
    int crb = year.addMedicalType(QStringLiteral("ЦРБ"), types);
    int f30 = year.addForm(QStringLiteral("Ф30"));
    int t2100 = year.addTable(f30, QStringLiteral("(2100)"), QStringLiteral("Посещения"), 5, 8, 2, 3);
    int f47 = year.addForm(QStringLiteral("Ф47"), QStringLiteral("Сеть"), true);
    int t0100 = year.addTable(f47, QStringLiteral("(0100)"), QStringLiteral("Число"), 4, 9, 2, 3);
    int a = year.addInstitution(QStringLiteral("ЦРБ А"), 0, crb);
    int b = year.addInstitution(QStringLiteral("ЦРБ Б"), 0, crb);
    int report = year.addReport(QStringLiteral("Сеть"), true, {a, b});
    ScriptedPrompts prompts;

    void SetUp() override
    {
        year.addPlainTitles(t0100);
        refreshStructureCaches(year.dictionary());
        WorkMode = QStringLiteral("Net");
        NetMode = true;
        DataTablePrefix = QStringLiteral("RepData");
        ReportYear = 2025;
        CurrentInstitutionId = report;
        InstitutionIdList = QStringLiteral("%1,%2").arg(a).arg(b);
        openGrid(f47, QStringLiteral("Ф47"), QStringLiteral("(0100)"));
        year.setEntered(a, t2100, 3, 2, 3.3);
        year.setEntered(b, t2100, 3, 2, 1.45);
        year.setEntered(b, t2100, 5, 2, 0.05);
        NetCondition row;
        row.tid = t0100;
        row.row = 1;
        row.types = QStringLiteral("*");
        NetCondition column;
        column.tid = t0100;
        column.column = 1;
        column.types = QStringLiteral("*");
        column.sum = true;
        column.formula = QStringLiteral("Ф30Т(2100)СТР2ГР3+Ф30Т(2100)СТР2ГР5");
        ASSERT_TRUE(NetConditions::save(year.dictionary(), row));
        ASSERT_TRUE(NetConditions::save(year.dictionary(), column));
    }
};

TEST_F(GridBreakdown, TheFocusedNetworkCellShowsEachInstitutionsSum)
{
    TVTable window;
    window.setWindowTitle(QStringLiteral("Сеть"));
    window.show();
    QTest::keyClick(window.StringGrid1, Qt::Key_Down);
    QTest::keyClick(window.StringGrid1, Qt::Key_Right);
    ASSERT_TRUE(window.N11->menuAction()->isVisible());
    ASSERT_TRUE(window.N11->menuAction()->isEnabled());
    EXPECT_FALSE(window.N34->isVisible());
    EXPECT_FALSE(window.N42->isVisible());
    QStringList rows;
    prompts.expectModal(QStringLiteral("TForm1"), [&rows](QDialog& d) {
        rows = shownRows(qobject_cast<TForm1*>(&d)->ListView1);
        return int(QDialog::Accepted);
    });
    window.N33->trigger();
    // 3.3 + 0 and 1.45 + 0.05, exact: 1.45 + 0.05 is 1.50, not 1.4999...
    EXPECT_EQ(rows, (QStringList{QStringLiteral("ЦРБ А|3.30"), QStringLiteral("ЦРБ Б|1.50"),
                                 QStringLiteral("Всего|0")}));
}
