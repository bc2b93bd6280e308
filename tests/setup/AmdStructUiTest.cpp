#include "setup/AmdStruct.h"

#include "Captions.h"
#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "TreeDrag.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "core/Unit1.h"
#include "entry/FrmList.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "core/Configurations.h"
#include "platform/TextFiles.h"
#include "sample/SampleConfiguration.h"
#include "setup/UnitChar.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include "entry/Unit5.h"
#include "platform/Files.h"
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>

namespace {

using Sample::Unit::Berezovka;
using Sample::Unit::Klyuchi;
using Sample::Unit::Malinovka;
using Sample::Unit::OzernyDistrict;
using Sample::Unit::Sosnovka;
using Sample::Unit::SvetlogorskDistrict;
using Sample::Unit::SvetlogorskPolyclinic;
using Sample::Unit::ZarechnayaCrb;
using Sample::Unit::ZarechnayaInpatient;
using Sample::Unit::ZarechnyDistrict;

void describe(const QTreeWidgetItem* node, const QString& indent, QStringList& lines)
{
    lines << indent + node->text(0) + QStringLiteral(" #") + QString::number(nodeId(node));
    for (int i = 0; i < node->childCount(); ++i)
        describe(node->child(i), indent + QStringLiteral("  "), lines);
}

// The tree as shown: one line per node, indented by level, with its id.
QStringList shownTree(const QTreeWidget* tree)
{
    QStringList lines;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        describe(tree->topLevelItem(i), QString(), lines);
    return lines;
}

void describeStored(Database& db, int parent, const QString& indent, QStringList& lines)
{
    Query q(db, QStringLiteral(R"(select "id","unit" from "administration" where "dependence"=?
        order by "ind","id")"), {parent});
    QList<QPair<int, QString>> children;
    while (q.next())
        children.append({q.toInt(0), q.text(1)});
    for (const auto& [id, unit] : children) {
        lines << indent + unit + QStringLiteral(" #") + QString::number(id);
        describeStored(db, id, indent + QStringLiteral("  "), lines);
    }
}

// The tree as the dictionary holds it, in the same shape.
QStringList storedTree(Database& db)
{
    QStringList lines;
    describeStored(db, 0, QString(), lines);
    return lines;
}

QTreeWidgetItem* findNode(QTreeWidget* tree, int id)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (nodeId(*it) == id)
            return *it;
    }
    return nullptr;
}

// Fills the unit dialog as a user does and presses OK.
ScriptedPrompts::ModalHandler typeUnit(const QString& name, const QString& type = QString(), bool rural = false,
                                       QString* caption = nullptr)
{
    return [=](QDialog& dialog) {
        auto& unit = static_cast<TUntChar&>(dialog);
        if (caption)
            *caption = unit.windowTitle();
        unit.Edit1->setText(name);   // QTest types Latin keys only
        unit.ComboBox1->setCurrentIndex(unit.ComboBox1->findText(type));
        unit.CheckBox1->setChecked(rural);
        QTest::mouseClick(unit.BitBtn1, Qt::LeftButton);
        return unit.result();
    };
}

// A private copy of the sample's 2025 under the aliases.
class SampleStructure : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
    }

    int dependenceOf(int id)
    {
        return dbmain().scalar(QStringLiteral(R"(select "dependence" from "administration" where "id"=?)"), {id}).toInt();
    }
    int dataRows(int hospital, int year = Sample::DataYear)
    {
        return dbdat().scalar(QStringLiteral(R"(select count(*) from "data" where "hospital"=? and "year"=?)"),
                              {hospital, year}).toInt();
    }
    void select(TAdmForm& window, int id)
    {
        QTreeWidgetItem* node = findNode(window.TreeView1, id);
        ASSERT_TRUE(node) << id;
        window.TreeView1->setCurrentItem(node);
    }
    QPoint onItem(TAdmForm& window, int id)
    {
        return window.TreeView1->visualItemRect(findNode(window.TreeView1, id)).center();
    }
    QPoint onIndent(TAdmForm& window, int id)
    {
        const QRect rect = window.TreeView1->visualItemRect(findNode(window.TreeView1, id));
        return {rect.left() - 4, rect.center().y()};
    }

    SampleYear sample;
};

TEST_F(SampleStructure, EachModeShowsItsOwnCommands)
{
    struct Case { const char* what; AdmMode mode; const char* workMode; const char* caption; bool building; bool forms; };
    const Case cases[] = {
        {"formation", AdmMode::Formation, "", "Административная стуктура - формирование", true, false},
        {"data entry", AdmMode::DataEntry, "Input", "Административная стуктура - ввод информации", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPrompts prompts;
        WorkMode = QString::fromUtf8(c.workMode);
        TAdmForm window(c.mode);
        window.show();
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8(c.caption));
        for (QAction* a : {window.N1, window.N2, window.N3, window.N4})
            EXPECT_EQ(a->isVisible(), c.building) << a->text().toStdString();
        EXPECT_EQ(window.N12->menuAction()->isVisible(), !c.building);
        EXPECT_EQ(window.Panel1->isVisible(), !c.building);
        EXPECT_EQ(window.N16->isVisible(), c.forms);
        EXPECT_FALSE(window.N15->isVisible());
        EXPECT_TRUE(window.N18->isVisible());
        // The first unit is chosen and opened one level; the tree is the dictionary's.
        ASSERT_TRUE(window.TreeView1->currentItem());
        EXPECT_EQ(nodeId(window.TreeView1->currentItem()), ZarechnyDistrict);
        EXPECT_TRUE(window.TreeView1->currentItem()->isExpanded());
        EXPECT_EQ(shownTree(window.TreeView1), storedTree(dbmain()));
        // F11 shows "Структура".
        QTest::keyClick(window.TreeView1, Qt::Key_F11);
        EXPECT_TRUE(window.N15->isVisible());
    }
}

TEST_F(SampleStructure, F9ShowsShortNamesWhichOpensTheirWindow)
{
    ScriptedPrompts prompts;
    QTemporaryDir programDir;
    Files::setProgramFolder(programDir.path());
    WorkMode = QStringLiteral("Input");
    TAdmForm window(AdmMode::DataEntry);
    window.show();
    EXPECT_FALSE(window.N17->isVisible());
    QTest::keyClick(window.TreeView1, Qt::Key_F9);
    EXPECT_TRUE(window.N17->isVisible());
    EXPECT_EQ(caption(window.N17), QStringLiteral("Короткие названия"));
    int rows = 0;
    prompts.expectModal(QStringLiteral("TForm5"), [&rows](QDialog& d) {
        rows = static_cast<TForm5&>(d).StringGrid1->rowCount();
        return int(QDialog::Rejected);
    });
    window.N17->trigger();
    EXPECT_GT(rows, 5);   // the sample's institutions
    EXPECT_EQ(prompts.remaining(), 0);
    QTest::keyClick(window.TreeView1, Qt::Key_F9);
    EXPECT_FALSE(window.N17->isVisible());
    Files::setProgramFolder(QString());
}

TEST_F(SampleStructure, CommandsThatNeedAnInstitutionFollowTheSelection)
{
    ScriptedPrompts prompts;
    WorkMode = QStringLiteral("Input");
    TAdmForm window(AdmMode::Formation);
    window.show();
    select(window, ZarechnyDistrict);
    EXPECT_FALSE(window.N3->isEnabled());
    EXPECT_FALSE(window.N16->isEnabled());
    select(window, Malinovka);
    EXPECT_TRUE(window.N3->isEnabled());
    EXPECT_TRUE(window.N16->isEnabled());
}

TEST_F(SampleStructure, AddedAndInsertedUnitsAreStoredWhereTheTreeShowsThem)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::Formation);
    window.show();
    const QString quoted = QStringLiteral(R"(Заречный "Центр" здоровья 'Семья')");
    QString addCaption, insertCaption;
    prompts.expectModal(QStringLiteral("TUntChar"),
                        typeUnit(quoted, QStringLiteral("Поликлиники"), false, &addCaption));
    prompts.expectModal(QStringLiteral("TUntChar"),
                        typeUnit(QStringLiteral("Малиновский ФАП"), QStringLiteral("Фельдшерско-акушерские пункты"),
                                 true, &insertCaption));

    select(window, ZarechnayaCrb);   // "Добавить" puts the new unit beside it
    window.N1Click();
    select(window, Malinovka);       // "Вставить" puts it under it
    window.N2Click();
    EXPECT_EQ(addCaption, QStringLiteral("Добавление подразделения"));
    EXPECT_EQ(insertCaption, QStringLiteral("Вставка подразделения"));

    Query q(dbmain(), QStringLiteral(R"(select "unit","dependence","medicaltype","country","ind"
        from "administration" where "id">13 order by "id")"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.text(0), quoted);
    EXPECT_EQ(q.toInt(1), ZarechnyDistrict);
    EXPECT_EQ(q.toInt(2), Sample::Type::Polyclinics);
    EXPECT_EQ(q.toInt(3), 0);
    EXPECT_EQ(q.toInt(4), 9999);
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.toInt(1), Malinovka);
    EXPECT_EQ(q.toInt(2), Sample::Type::Feldsher);
    EXPECT_EQ(q.toInt(3), 1);
    EXPECT_EQ(shownTree(window.TreeView1), storedTree(dbmain()));
    // Malinovka is a group now: it holds no data of its own to delete.
    EXPECT_FALSE(window.N3->isEnabled());
}

TEST_F(SampleStructure, ABlankNameIsRefusedInTheDialogAndNothingIsWritten)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::Formation);
    window.show();
    const QStringList before = storedTree(dbmain());
    // OK with a blank name: the dialog says so and stays open; the user gives up.
    prompts.expectModal(QStringLiteral("TUntChar"), [&](QDialog& dialog) {
        auto& unit = static_cast<TUntChar&>(dialog);
        unit.Edit1->setText(QStringLiteral("   "));
        QTest::mouseClick(unit.BitBtn1, Qt::LeftButton);
        EXPECT_EQ(unit.result(), 0);
        EXPECT_EQ(prompts.remaining(), 0);   // the error was asked
        return int(QDialog::Rejected);
    });
    prompts.expectError(QStringLiteral("Не указано наименование подразделения"));
    select(window, ZarechnayaCrb);
    window.N1Click();
    // A correction to an empty name, the dialog's answer taken as it is: refused by the window.
    prompts.expectModal(QStringLiteral("TUntChar"), [](QDialog& dialog) {
        static_cast<TUntChar&>(dialog).Edit1->clear();
        return int(QDialog::Accepted);
    });
    prompts.expectError(QStringLiteral("Не указано наименование подразделения"));
    window.N4Click();
    EXPECT_EQ(storedTree(dbmain()), before);
    EXPECT_EQ(shownTree(window.TreeView1), before);
}

TEST_F(SampleStructure, ACorrectionShowsTheStoredUnitAndWritesTheNameAsTyped)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::Formation);
    window.show();
    select(window, ZarechnyDistrict);
    QString caption;
    int shownType = 0;
    QString shownName;
    prompts.expectModal(QStringLiteral("TUntChar"), [&](QDialog& dialog) {
        auto& unit = static_cast<TUntChar&>(dialog);
        shownType = unit.ComboBox1->currentIndex();
        shownName = unit.Edit1->text();
        return typeUnit(QStringLiteral(R"(Район "Заречный")"), QString(), true, &caption)(dialog);
    });
    window.N4Click();
    EXPECT_EQ(caption, QStringLiteral("Корректировка подразделения"));
    EXPECT_EQ(shownName, QStringLiteral("Заречный район"));
    EXPECT_EQ(shownType, -1);   // a district has no type
    EXPECT_EQ(ChildUnitIds, QStringLiteral("%1,%2,%3").arg(ZarechnayaCrb).arg(Malinovka).arg(Sosnovka));
    EXPECT_EQ(window.TreeView1->currentItem()->text(0), QStringLiteral(R"(Район "Заречный")"));
    EXPECT_EQ(shownTree(window.TreeView1), storedTree(dbmain()));
    EXPECT_EQ(dbmain().scalar(QStringLiteral(R"(select "country" from "administration" where "id"=?)"),
                              {ZarechnyDistrict}).toInt(), 1);
}

TEST_F(SampleStructure, ACorrectionOfAUnitGoneMeanwhileSaysSoAndKeepsTheCaption)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::Formation);
    window.show();
    select(window, Sosnovka);
    const QString before = window.TreeView1->currentItem()->text(0);
    prompts.expectModal(QStringLiteral("TUntChar"), [&](QDialog& dialog) {
        dbmain().exec(QStringLiteral(R"(delete from "administration" where "id"=?)"), {Sosnovka});
        return typeUnit(QStringLiteral("Новое имя"))(dialog);
    });
    prompts.expectError(QStringLiteral("не найдено в базе"));
    window.N4Click();
    EXPECT_EQ(window.TreeView1->currentItem()->text(0), before);
}

TEST_F(SampleStructure, UnitsMoveAndReorderButNeverUnderThemselves)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::Formation);
    window.show();
    window.TreeView1->expandAll();
    window.N15Click();
    ASSERT_TRUE(window.orderingMode());
    EXPECT_TRUE(window.N15->isChecked());
    EXPECT_FALSE(window.N1->isEnabled());
    EXPECT_FALSE(window.N4->isEnabled());
    const QStringList before = storedTree(dbmain());

    // A district dropped on its own institution, or its institution's subdivision: refused.
    select(window, ZarechnyDistrict);
    window.TreeView1DragDrop(onItem(window, ZarechnayaCrb));
    window.TreeView1DragDrop(onItem(window, ZarechnayaInpatient));
    window.TreeView1DragDrop(onIndent(window, ZarechnayaInpatient));
    EXPECT_EQ(dependenceOf(ZarechnyDistrict), 0);
    EXPECT_EQ(storedTree(dbmain()), before);
    EXPECT_EQ(shownTree(window.TreeView1), before);

    // On an item: the last child of it. On its indent: before it, beside it.
    select(window, Sosnovka);
    window.TreeView1DragDrop(onItem(window, OzernyDistrict));
    EXPECT_EQ(dependenceOf(Sosnovka), OzernyDistrict);
    QTreeWidgetItem* ozerny = findNode(window.TreeView1, OzernyDistrict);
    EXPECT_EQ(nodeId(ozerny->child(ozerny->childCount() - 1)), Sosnovka);
    select(window, SvetlogorskDistrict);
    window.TreeView1DragDrop(onIndent(window, ZarechnyDistrict));
    EXPECT_EQ(nodeId(window.TreeView1->topLevelItem(0)), SvetlogorskDistrict);
    select(window, Klyuchi);
    window.TreeView1DragDrop(onIndent(window, Berezovka));
    EXPECT_EQ(dependenceOf(Klyuchi), OzernyDistrict);

    // Leaving the mode writes every unit's place among its siblings.
    window.N15Click();
    EXPECT_FALSE(window.orderingMode());
    EXPECT_FALSE(window.N15->isChecked());
    EXPECT_TRUE(window.N1->isEnabled());
    EXPECT_EQ(shownTree(window.TreeView1), storedTree(dbmain()));
    EXPECT_EQ(dbmain().scalar(QStringLiteral(R"(select "ind" from "administration" where "id"=?)"),
                              {SvetlogorskDistrict}).toInt(), 0);
    EXPECT_EQ(dbmain().scalar(QStringLiteral(R"(select "ind" from "administration" where "id"=?)"),
                              {Sosnovka}).toInt(), 3);
}

TEST_F(SampleStructure, AMouseDragMovesTheUnitOnceAndARefusedOneChangesNothing)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::Formation);
    window.show();
    window.TreeView1->expandAll();
    window.N15Click();
    const int nodes = nodeCount(window.TreeView1);
    const QStringList before = storedTree(dbmain());
    ASSERT_EQ(shownTree(window.TreeView1), before);

    // Onto its own subdivision, and onto empty space below the last node: refused.
    QTreeWidgetItem* district = findNode(window.TreeView1, ZarechnyDistrict);
    EXPECT_FALSE(dragThroughView(window.TreeView1, district, onItem(window, ZarechnayaInpatient)));
    EXPECT_FALSE(dragThroughView(window.TreeView1, district,
                                 {5, window.TreeView1->viewport()->height() - 2}));
    EXPECT_EQ(nodeCount(window.TreeView1), nodes);
    EXPECT_EQ(shownTree(window.TreeView1), before);
    EXPECT_EQ(storedTree(dbmain()), before);

    // Onto another district: its last child, shown once, with its whole subtree.
    QTreeWidgetItem* sosnovka = findNode(window.TreeView1, Sosnovka);
    const int subtree = 1 + sosnovka->childCount();
    EXPECT_TRUE(dragThroughView(window.TreeView1, sosnovka, onItem(window, OzernyDistrict)));
    EXPECT_EQ(nodeCount(window.TreeView1), nodes);
    int shown = 0;
    for (QTreeWidgetItemIterator it(window.TreeView1); *it; ++it)
        shown += nodeId(*it) == Sosnovka;
    EXPECT_EQ(shown, 1);
    QTreeWidgetItem* ozerny = findNode(window.TreeView1, OzernyDistrict);
    EXPECT_EQ(ozerny->child(ozerny->childCount() - 1), sosnovka);
    EXPECT_EQ(1 + sosnovka->childCount(), subtree);
    EXPECT_EQ(dependenceOf(Sosnovka), OzernyDistrict);

    // Beside a unit (on its indent), then the order written as shown.
    QTreeWidgetItem* svetlogorsk = findNode(window.TreeView1, SvetlogorskDistrict);
    EXPECT_TRUE(dragThroughView(window.TreeView1, svetlogorsk, onIndent(window, ZarechnyDistrict)));
    EXPECT_EQ(window.TreeView1->topLevelItem(0), svetlogorsk);
    EXPECT_EQ(nodeCount(window.TreeView1), nodes);
    window.N15Click();
    EXPECT_EQ(shownTree(window.TreeView1), storedTree(dbmain()));
    EXPECT_EQ(storedTree(dbmain()).size(), before.size());
}

TEST_F(SampleStructure, ClosingInTheOrderingModeKeepsTheShownOrder)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::Formation);
    window.show();
    window.N15Click();
    select(window, SvetlogorskDistrict);
    window.TreeView1DragDrop(onIndent(window, ZarechnyDistrict));
    window.N18Click();
    EXPECT_EQ(shownTree(window.TreeView1), storedTree(dbmain()));
    EXPECT_EQ(storedTree(dbmain()).value(0), QStringLiteral("Городской округ Светлогорск #%1").arg(SvetlogorskDistrict));
}

TEST_F(SampleStructure, DeletingAnInstitutionTakesItsNumbersOfTheYear)
{
    ASSERT_GT(dataRows(Malinovka), 0);
    dbdat().exec(QStringLiteral(R"(insert into "data" values (?,?,?,?,?,?))"),
                 {Malinovka, 4.0, Sample::DataYear - 1, 1, 5, 5});
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::Formation);
    window.show();
    select(window, Malinovka);
    const QString question = QStringLiteral(
        "Вы действительно хотите удалить Малиновская участковая больница со всей информацией?");
    prompts.expectQuestion(false, question).expectQuestion(true, question);
    window.N3Click();
    EXPECT_TRUE(findNode(window.TreeView1, Malinovka));
    EXPECT_GT(dataRows(Malinovka), 0);
    window.N3Click();
    EXPECT_FALSE(findNode(window.TreeView1, Malinovka));
    EXPECT_EQ(dataRows(Malinovka), 0);
    EXPECT_EQ(dataRows(Malinovka, Sample::DataYear - 1), 1);
    EXPECT_EQ(shownTree(window.TreeView1), storedTree(dbmain()));
}

TEST_F(SampleStructure, ChoosingAnInstitutionOpensTheFormsOfItsType)
{
    struct Case { const char* what; int unit; std::function<void(TAdmForm&)> open; QStringList forms; };
    const QString f12 = QStringLiteral(
        "Ф12 - Сведения о числе заболеваний, зарегистрированных у пациентов, проживающих в районе "
        "обслуживания медицинской организации");
    const QString f30 = QStringLiteral("Ф30 - Сведения о медицинской организации");
    const QList<Case> cases = {
        {"menu on a feldsher post", Sosnovka, [](TAdmForm& w) { w.N16->trigger(); }, {f30}},
        {"Enter on a rural hospital", Malinovka,
         [](TAdmForm& w) { QTest::keyClick(w.TreeView1, Qt::Key_Return); }, {f12, f30}},
        {"double click on a rural hospital", Malinovka,
         [](TAdmForm& w) {
             const QPoint at = w.TreeView1->visualItemRect(w.TreeView1->currentItem()).center();
             QTest::mouseClick(w.TreeView1->viewport(), Qt::LeftButton, {}, at);
             QTest::mouseDClick(w.TreeView1->viewport(), Qt::LeftButton, {}, at);
         },
         {f12, f30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPrompts prompts;
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
        TAdmForm window(AdmMode::DataEntry);
        window.show();
        window.TreeView1->expandAll();
        select(window, c.unit);
        QStringList shown;
        QString caption;
        int institution = 0;
        prompts.expectModal(QStringLiteral("TFormList"), [&](QDialog& dialog) {
            auto& forms = static_cast<TFormList&>(dialog);
            caption = forms.windowTitle();
            institution = CurrentInstitutionId;
            for (int i = 0; i < forms.TreeView1->topLevelItemCount(); ++i)
                shown << forms.TreeView1->topLevelItem(i)->text(0);
            return int(QDialog::Rejected);
        });
        c.open(window);
        EXPECT_EQ(shown, c.forms);
        EXPECT_EQ(institution, c.unit);
        EXPECT_EQ(caption, findNode(window.TreeView1, c.unit)->text(0));
    }
}

TEST_F(SampleStructure, AGroupOnlyOpensAndClosesOnEnter)
{
    ScriptedPrompts prompts;   // no forms tree
    WorkMode = QStringLiteral("Input");
    TAdmForm window(AdmMode::DataEntry);
    window.show();
    select(window, OzernyDistrict);
    QTreeWidgetItem* node = window.TreeView1->currentItem();
    const bool expanded = node->isExpanded();
    QTest::keyClick(window.TreeView1, Qt::Key_Return);
    EXPECT_NE(node->isExpanded(), expanded);
    window.N16Click();   // disabled for a group
}

// A year built from nothing: no unit yet.
class EmptyStructure : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
};

TEST_F(EmptyStructure, TheFirstUnitIsAddedAtTheTopLevel)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::Formation);
    window.show();
    EXPECT_EQ(window.TreeView1->topLevelItemCount(), 0);
    EXPECT_TRUE(window.N1->isEnabled());
    EXPECT_FALSE(window.N2->isEnabled());
    EXPECT_FALSE(window.N4->isEnabled());
    prompts.expectModal(QStringLiteral("TUntChar"), typeUnit(QStringLiteral("Область")))
        .expectModal(QStringLiteral("TUntChar"), typeUnit(QStringLiteral("Район")));
    window.N1Click();
    ASSERT_EQ(window.TreeView1->topLevelItemCount(), 1);
    EXPECT_TRUE(window.N2->isEnabled());
    window.N2Click();
    EXPECT_EQ(storedTree(year.dictionary()), shownTree(window.TreeView1));
    EXPECT_EQ(storedTree(year.dictionary()), (QStringList{QStringLiteral("Область #1"), QStringLiteral("  Район #2")}));
    EXPECT_EQ(year.dictionary().scalar(QStringLiteral(R"(select "medicaltype" from "administration" where "id"=1)")).toInt(),
              -1);
}

// Institutions with a known share of filled cells.
class KnownFill : public EmptyStructure {
protected:
    void SetUp() override
    {
        EmptyStructure::SetUp();
        ReportYear = 2025;
        const int form = year.addForm(QStringLiteral("Ф1"), QStringLiteral("Первая"));
        const int t1 = year.addTable(form, QStringLiteral("(1)"), QStringLiteral("Т1"), 6, 5, 2, 1);   // 16 cells
        const int t2 = year.addTable(form, QStringLiteral("(2)"), QStringLiteral("Т2"), 4, 4, 2, 2);   // 4 cells
        GetForms(dbmain());
        GetTables(dbmain());
        district = year.addInstitution(QStringLiteral("Район"));
        filled = year.addInstitution(QStringLiteral("Больница"), district);
        empty = year.addInstitution(QStringLiteral("Пункт"), district);
        for (int graph = 3; graph <= 6; ++graph)
            year.setEntered(filled, t1, graph, 1, graph);   // 4 of 16: 25%
        year.setEntered(filled, t1, 3, 2, 1);               // 5 of 16: 31.25% -> 31
        year.setEntered(filled, t2, 3, 1, 1);
        year.setEntered(filled, t2, 4, 2, 1);               // 2 of 4: 50%
    }
    int district = 0, filled = 0, empty = 0;
};

TEST_F(KnownFill, TheReportShowsEachUnitAndTheShareOfItsTables)
{
    ScriptedPrompts prompts;
    WorkMode = QStringLiteral("Input");
    QWidget mainWindow;
    mainWindow.setWindowTitle(QStringLiteral(
        "Система формирования и контроля статистических отчетных форм - Образец - 2025 г."));
    TAdmForm window(AdmMode::DataEntry, &mainWindow);
    window.show();
    ResultList shown;
    prompts.expectModal(QStringLiteral("TForm1"), [&](QDialog& dialog) {
        shown = static_cast<TForm1&>(dialog).list();
        return int(QDialog::Rejected);
    });
    window.N13Click();
    EXPECT_EQ(shown.windowCaption, QStringLiteral("Справка о наличии информации в ЛПУ"));
    EXPECT_EQ(shown.title, QStringLiteral("Образец - 2025 г. - ")
                               + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
    EXPECT_EQ(shown.columns, (QStringList{QStringLiteral("Форма"), QStringLiteral("Заполнение таблиц")}));
    const QList<ResultListItem> expected = {
        {QString(), {QStringLiteral("Район")}, 0},
        {QString(), {QStringLiteral("Больница")}, 0},
        {QStringLiteral("Ф1"), {QStringLiteral("(1) - 31%, (2) - 50%")}, 0},
        {QString(), {QStringLiteral("Пункт")}, 0},
    };
    EXPECT_EQ(shown.items, expected);
    EXPECT_FALSE(window.GroupBox1->isVisible());
}

TEST_F(KnownFill, TheFilesReportNamesEachFileAndCountsItsLines)
{
    QString error;
    const QString file = dir.filePath(QStringLiteral("Больница - Годовой - 2025.ktd"));
    ASSERT_TRUE(writeLines1251(file, {QStringLiteral(R"l("1","2025","Ф1","(2)","4","4")l")}, &error))
        << error.toStdString();
    ScriptedPrompts prompts;
    WorkMode = QStringLiteral("Input");
    TAdmForm window(AdmMode::DataEntry);
    window.show();
    ResultList shown;
    prompts.expectOpenFile(file).expectModal(QStringLiteral("TForm1"), [&](QDialog& dialog) {
        shown = static_cast<TForm1&>(dialog).list();
        return int(QDialog::Rejected);
    });
    window.N14Click();
    EXPECT_EQ(shown.windowCaption, QStringLiteral("Справка о наличии информации в ЛПУ"));
    EXPECT_TRUE(shown.title.isEmpty());
    const QList<ResultListItem> expected = {
        {QString(), {QStringLiteral("Больница")}, 0},
        {QStringLiteral("Ф1"), {QStringLiteral("(2) - 25%")}, 0},
    };
    EXPECT_EQ(shown.items, expected);
}

}

namespace {

// The sample's year with its caches, in data entry: the structure window's exchange commands.
class SampleExchange : public SampleStructure {
protected:
    void SetUp() override
    {
        SampleStructure::SetUp();
        CfgDir = sample.configFolder() + QStringLiteral("/");
        ReportYear = Sample::DataYear;
        GetForms(dbmain());
        GetTables(dbmain());
        WorkMode = QStringLiteral("Input");
    }
};

TEST_F(SampleExchange, OneInstitutionExportedAndImportedIntoAnEmptyOneGivesTheSameData)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::DataEntry);
    window.show();
    ASSERT_TRUE(window.ExportMenu->menuAction()->isVisible());
    select(window, SvetlogorskDistrict);
    EXPECT_FALSE(window.ExportOne->isEnabled());
    EXPECT_FALSE(window.ImportOne->isEnabled());

    select(window, Malinovka);
    ASSERT_TRUE(window.ExportOne->isEnabled());
    const QString path = sample.configFolder() + QStringLiteral("/out");   // the extension is added
    prompts.expectSaveFile(path).expectMessage(QStringLiteral(" год выгружены в файл"));
    window.ExportOne->trigger();
    ASSERT_TRUE(QFile::exists(path + QStringLiteral(".ktd")));

    ASSERT_EQ(dataRows(SvetlogorskPolyclinic), 0);
    select(window, SvetlogorskPolyclinic);
    prompts.expectOpenFile(path + QStringLiteral(".ktd")).expectMessage(QStringLiteral(" загружены из файла"));
    window.ImportOne->trigger();
    EXPECT_EQ(dataRows(SvetlogorskPolyclinic), dataRows(Malinovka));
    const QString sameCells = QStringLiteral(R"(select count(*) from "data" a join "data" b on a."table"=b."table"
        and a."column"=b."column" and a."row"=b."row" and a."year"=b."year" and a."data"=b."data"
        where a."hospital"=? and b."hospital"=?)");
    EXPECT_EQ(dbdat().scalar(sameCells, {SvetlogorskPolyclinic, Malinovka}).toInt(), dataRows(Malinovka));

    // A refused file says why and changes nothing.
    QString error;
    const QString bad = sample.configFolder() + QStringLiteral("/bad.ktd");
    ASSERT_TRUE(writeLines1251(bad, {QStringLiteral(R"l("x","2025","Ф12","(1000)","4","4")l")}, &error));
    prompts.expectOpenFile(bad)
        .expectQuestion(true, QStringLiteral("Заменить данные Светлогорская городская поликлиника № 1 за 2025 данными файла bad.ktd?"))
        .expectError(QStringLiteral("строка 1"));
    window.ImportOne->trigger();
    EXPECT_EQ(dataRows(SvetlogorskPolyclinic), dataRows(Malinovka));
}

TEST_F(SampleExchange, ALoadOverStoredValuesAsksWhoseAndFromWhichFileFirst)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::DataEntry);
    window.show();
    // Malinovka's file under the name the export proposes, loaded into Sosnovka, which holds data.
    select(window, Malinovka);
    const QString path = sample.yearFolder() + QStringLiteral("/data/Малиновская участковая больница - Годовой - 2025.ktd");
    prompts.expectSaveFile(path).expectMessage(QStringLiteral(" год выгружены в файл"));
    window.ExportOne->trigger();
    EXPECT_EQ(prompts.fileStarts().value(0), path);
    const int sosnovka = dataRows(Sosnovka);
    ASSERT_GT(sosnovka, 0);
    ASSERT_NE(sosnovka, dataRows(Malinovka));

    select(window, Sosnovka);
    const QString question = QStringLiteral("Заменить данные Сосновский фельдшерско-акушерский пункт за 2025 данными файла "
                                            "Малиновская участковая больница - Годовой - 2025.ktd?\n"
                                            "По имени это файл другого подразделения: Малиновская участковая больница.");
    prompts.expectOpenFile(path).expectQuestion(false, question);
    window.ImportOne->trigger();
    EXPECT_EQ(prompts.log().last(), QStringLiteral("question: ") + question);
    EXPECT_EQ(dataRows(Sosnovka), sosnovka);

    prompts.expectOpenFile(path).expectQuestion(true, question)
        .expectMessage(QStringLiteral("Данные по Сосновский фельдшерско-акушерский пункт загружены из файла ")
                       + QDir::toNativeSeparators(path));
    window.ImportOne->trigger();
    EXPECT_EQ(dataRows(Sosnovka), dataRows(Malinovka));
}

}
