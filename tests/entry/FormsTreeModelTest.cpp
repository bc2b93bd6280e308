#include "entry/FormsTreeModel.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "core/StructureCache.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

void PrintTo(const FormsTreeTable& t, std::ostream* os)
{
    *os << '{' << t.ident << ", \"" << t.number.toStdString() << "\", \"" << t.text.toStdString() << "\"}";
}
void PrintTo(const GridOpening& g, std::ostream* os)
{
    *os << "{form " << g.formId << " \"" << g.formName.toStdString() << "\", table " << g.tableId
        << " \"" << g.tableNumber.toStdString() << "\", \"" << g.formText.toStdString() << "\", \""
        << g.tableText.toStdString() << "\"}";
}

namespace {

QStringList formTexts(const FormsTree& tree)
{
    QStringList texts;
    for (const FormsTreeForm& f : tree.forms)
        texts << f.text;
    return texts;
}

QStringList tableTexts(const FormsTreeForm& form)
{
    QStringList texts;
    for (const FormsTreeTable& t : form.tables)
        texts << t.text;
    return texts;
}

// Forms entered out of the order of their ids in the type's list, a network form, a form without
// tables, a form stored in small letters, and tables whose numbers are not all bracketed.
class FormsTreeYear : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        year = std::make_unique<YearFixture>(dir.path(), 2025);
        f12 = year->addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
        f30 = year->addForm(QStringLiteral("Ф30"), QStringLiteral("Сведения об учреждении"));
        f47 = year->addForm(QStringLiteral("Ф47"), QStringLiteral("Сеть"), /*net*/ true);
        f7 = year->addForm(QStringLiteral("Ф7"), QStringLiteral("Без таблиц"));
        f14 = year->addForm(QStringLiteral("ф14дс"), QStringLiteral("Дневной стационар"));

        // Sorted by tablen as text: " (500)" < "(1000)" < "(2000)" < "3000".
        t12a = year->addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Взрослые (18 лет и старше)"), 6, 5, 2, 2);
        year->addTable(f12, QStringLiteral(" (500)"), QStringLiteral("Набран с пробелом"), 6, 5, 2, 2);
        year->addTable(f12, QStringLiteral("3000"), QStringLiteral("Без скобок"), 6, 5, 2, 2);
        t12b = year->addTable(f12, QStringLiteral("(2000)"), QStringLiteral("Дети"), 6, 5, 2, 2);
        t30 = year->addTable(f30, QStringLiteral("(1100)"), QStringLiteral("Должности"), 5, 4, 1, 1);
        t47 = year->addTable(f47, QStringLiteral("(0100)"), QStringLiteral("Учреждения"), 5, 4, 1, 1);
        t14 = year->addTable(f14, QStringLiteral("(1)"), QStringLiteral("Койки"), 4, 4, 1, 1);

        hospitals = year->addMedicalType(QStringLiteral("Больницы"));
        year->assignForm(hospitals, f7);
        year->assignForm(hospitals, f30);
        year->assignForm(hospitals, f12);
        network = year->addMedicalType(QStringLiteral("Сетевые"));
        year->assignForm(network, f47);
        year->assignForm(network, f14);
        nothing = year->addMedicalType(QStringLiteral("Без форм"));

        GetForms(year->dictionary());
        GetTables(year->dictionary());
    }
    QTemporaryDir dir;
    std::unique_ptr<YearFixture> year;
    int f12 = 0, f30 = 0, f47 = 0, f7 = 0, f14 = 0;
    int t12a = 0, t12b = 0, t30 = 0, t47 = 0, t14 = 0;
    int hospitals = 0, network = 0, nothing = 0;
};

TEST_F(FormsTreeYear, AnInstitutionTypeListsItsFormsByIndWithTheirTables)
{
    const FormsTree tree = buildFormsTree(year->dictionary(), hospitals, /*netMode*/ false);
    ASSERT_TRUE(tree.shown);
    EXPECT_EQ(formTexts(tree), (QStringList{QStringLiteral("Ф12 - Заболеваемость"),
                                            QStringLiteral("Ф30 - Сведения об учреждении"),
                                            QStringLiteral("Ф7 - Без таблиц")}));
    ASSERT_EQ(tree.forms.size(), 3);

    const FormsTreeForm& f = tree.forms[0];
    EXPECT_EQ(f.id, f12);
    EXPECT_EQ(f.name, QStringLiteral("Ф12"));
    // The unbracketed numbers are left out, but neither ends the list: " (500)" sorts first.
    EXPECT_EQ(f.tables,
              (QList<FormsTreeTable>{
                  {t12a, QStringLiteral("(1000)"), QStringLiteral("(1000) - Взрослые (18 лет и старше)")},
                  {t12b, QStringLiteral("(2000)"), QStringLiteral("(2000) - Дети")}}));
    EXPECT_EQ(tableTexts(tree.forms[1]), QStringList{QStringLiteral("(1100) - Должности")});
    EXPECT_EQ(tree.forms[1].tables[0].ident, t30);
    EXPECT_EQ(tree.forms[2].id, f7);
    EXPECT_TRUE(tree.forms[2].tables.isEmpty());
}

TEST_F(FormsTreeYear, TheRoadDecidesWhichFormsShowWithoutAType)
{
    struct Case {
        const char* what;
        int type;    // -2: the network type, -3: the type without forms
        bool netMode;
        bool shown;
        QStringList names;
    };
    const QList<Case> cases = {
        {"summary report: every form that is not a network one", -1, false, true,
         {QStringLiteral("Ф12"), QStringLiteral("Ф30"), QStringLiteral("Ф7"), QStringLiteral("ф14дс")}},
        {"Ф47 road: the network forms only", -1, true, true, {QStringLiteral("Ф47")}},
        {"a type outside Ф47 takes its network form as well", -2, false, true,
         {QStringLiteral("Ф47"), QStringLiteral("ф14дс")}},
        {"the Ф47 road ignores the type's list", -2, true, true, {QStringLiteral("Ф47")}},
        {"a type without forms shows nothing", -3, false, false, {}},
        {"even on the Ф47 road", -3, true, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int type = c.type == -2 ? network : c.type == -3 ? nothing : c.type;
        const FormsTree tree = buildFormsTree(year->dictionary(), type, c.netMode);
        EXPECT_EQ(tree.shown, c.shown);
        QStringList names;
        for (const FormsTreeForm& f : tree.forms)
            names << f.name;
        EXPECT_EQ(names, c.names);
    }
}

TEST_F(FormsTreeYear, AFormInSmallLettersKeepsItsTablesAndItsOwnName)
{
    const FormsTree tree = buildFormsTree(year->dictionary(), -1, false);
    ASSERT_EQ(tree.forms.size(), 4);
    const FormsTreeForm& f = tree.forms[3];
    EXPECT_EQ(f.text, QStringLiteral("ф14дс - Дневной стационар"));
    EXPECT_EQ(f.tables, (QList<FormsTreeTable>{{t14, QStringLiteral("(1)"), QStringLiteral("(1) - Койки")}}));
}

TEST_F(FormsTreeYear, TwoFormsOfOneNameDoNotShareTables)
{
    const int twin = year->addForm(QStringLiteral("Ф30"), QStringLiteral("Копия"));
    const int twinTable = year->addTable(twin, QStringLiteral("(9)"), QStringLiteral("Своя"), 4, 4, 1, 1);
    GetForms(year->dictionary());
    GetTables(year->dictionary());

    const FormsTree tree = buildFormsTree(year->dictionary(), -1, false);
    ASSERT_EQ(tree.forms.size(), 5);
    EXPECT_EQ(tree.forms[1].tables, (QList<FormsTreeTable>{{t30, QStringLiteral("(1100)"), QStringLiteral("(1100) - Должности")}}));
    EXPECT_EQ(tree.forms[4].tables, (QList<FormsTreeTable>{{twinTable, QStringLiteral("(9)"), QStringLiteral("(9) - Своя")}}));
}

TEST(GridOpening, KeepsLongNamesWhole)
{
    const FormsTreeForm form{7, QStringLiteral("Ф12-ЗДРАВООХР"), QStringLiteral("Ф12-ЗДРАВООХР - Длинная"), {}};
    const FormsTreeTable table{41, QStringLiteral("(1000-1-доп)"), QStringLiteral("(1000-1-доп) - Дополнение")};
    EXPECT_EQ(gridOpeningFor(form, table),
              (GridOpening{7, QStringLiteral("(1000-1-доп)"), QStringLiteral("Ф12-ЗДРАВООХР"), 41,
                           QStringLiteral("Ф12-ЗДРАВООХР - Длинная"),
                           QStringLiteral("(1000-1-доп) - Дополнение")}));
}

TEST(FormsTreeCommands, ModeAndOwnerDecideWhatMayChangeAndSplit)
{
    struct Case { const char* mode; int owner; bool changeable; };
    const Case owners[] = {
        {"Input", 5, true}, {"Svod", 3, true}, {"Net", 4, true},
        {"Types", 5, false},   // sums over the institutions of the chosen types
        {"Input", 0, false},   // nobody chosen
        {"Svod", -1, false},
    };
    for (const Case& c : owners) {
        SCOPED_TRACE((QString::fromLatin1(c.mode) + u' ' + QString::number(c.owner)).toStdString());
        EXPECT_EQ(ownerDataChangeable(QString::fromLatin1(c.mode), c.owner), c.changeable);
    }
    EXPECT_FALSE(gridSplitVisible(QStringLiteral("Input"), false));
    EXPECT_TRUE(gridSplitVisible(QStringLiteral("Input"), true));
    EXPECT_TRUE(gridSplitVisible(QStringLiteral("Svod"), false));
    EXPECT_TRUE(gridSplitVisible(QStringLiteral("Types"), false));
}

}  // namespace
