#include "entry/ControlRuns.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "core/Common.h"
#include "core/Controls.h"
#include "core/StructureCache.h"
#include "entry/FormsTreeModel.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "sample/SampleConfiguration.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The sample's mistakes, as the engine writes them. The numbers are worked out by hand from the
// sample's entered figures (see sample/SampleConfiguration.cpp): e.g. the stationary of the
// Заречная ЦРБ (scale 3) has 420 * 6 * 3 * 0.20 = 1512 respiratory cases among children, and its
// pneumonias were entered 12 above that.
const QString kControl5Unit3 = QStringLiteral(
    "1512.00>=1524.00\tГР4Ф12Т[1000]\tСтр. 4 >= стр. 5 (пневмонии из болезней органов дыхания)");
const QString kControl27Unit5 = QStringLiteral(
    "70.00=65.00\tГР3Ф30Т[3100]\tВсего коек (стр. 1) = сумме стр. 2-5");
const QString kControl19Unit8 = QStringLiteral(
    "11100.00>=11107.00\tГР4Ф12\tТ. 3000 стр. 1 >= т. 4000 стр. 1 (старше трудоспособного возраста "
    "из всех взрослых)");
const QString kControl29Unit9 = QStringLiteral(
    "222.00<=192.00\t\tПоступивших на инфекционные койки (Ф30) не больше зарегистрированных "
    "инфекционных болезней (Ф12)");
const QString kControl21Unit12 = QStringLiteral(
    "22.50>=22.75\tСТР2Ф30Т[1100]\tЗанятых должностей (гр. 4) не больше штатных (гр. 3)");
const QString kControl6Unit13 = QStringLiteral(
    "0.00>0\tФ12Т[1000]\tТаблица 1000 не заполнена (стр. 1 гр. 4)");

const QString kF12InterTable = QStringLiteral("Ф12 - межтабличный контроль");
const QString kInterForm = QStringLiteral("Межформенный контроль");
const QString kNoErrors = QStringLiteral("Ошибок контроля нет");

// Ids of the sample's tables (in the order it makes them) and its three header rows.
constexpr int kT1000 = 1, kT4000 = 4;
constexpr int kFixrows = 3;

// A private copy of the sample's 2025 under the aliases, on the input road.
class SampleRuns : public ::testing::Test {
protected:
    SampleYear sample;

    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
    }

    // The tree the institution's forms tree shows.
    static FormsTree treeOf(int institution)
    {
        const int type = dbmain()
                             .scalar(QStringLiteral(R"(select "medicaltype" from "administration" where "id"=?)"),
                                     {institution})
                             .toInt();
        return buildFormsTree(dbmain(), type, false);
    }
    // Enters a value in the user's numbers (Графа, Строка) for the sample's year.
    static void enter(int institution, int table, int graph, int dataRow, double value)
    {
        const int column = graph + 1, row = dataRow + kFixrows + 1;
        dbdat().exec(QStringLiteral(R"(delete from "data" where "hospital"=? and "year"=? and "table"=?
            and "column"=? and "row"=?)"),
                     {institution, Sample::DataYear, table, column, row});
        dbdat().exec(QStringLiteral(R"(insert into "data" values (?,?,?,?,?,?))"),
                     {institution, value, Sample::DataYear, table, column, row});
    }
    static void addControl(int formid, const QString& tble, const QString& lft, const QString& reltion,
                           const QString& rght, const QString& commnt)
    {
        dbmain().exec(QStringLiteral(R"(insert into "int_control" ("formid","tble","lft","reltion","rght",
            "cycl","commnt") values (?,?,?,?,?,'',?))"),
                      {formid, tble.isNull() ? QVariant() : QVariant(tble), lft, reltion, rght, commnt});
    }
};

TEST_F(SampleRuns, TheFullRunFindsEachMistakeOfTheSampleUnderItsHeading)
{
    struct Case { const char* what; int institution; QStringList lines; };
    const QList<Case> cases = {
        {"stationary: pneumonias above their class", Sample::Unit::ZarechnayaInpatient,
         {QStringLiteral("Ф12т(1000)"), kControl5Unit3}},
        {"rural hospital: total beds not the sum", Sample::Unit::Malinovka,
         {QStringLiteral("Ф30т(3100)"), kControl27Unit5}},
        {"central hospital: elderly above all adults", Sample::Unit::OzernayaCrb,
         {kF12InterTable, kControl19Unit8}},
        {"rural hospital: more admitted than registered", Sample::Unit::Berezovka,
         {kInterForm, kControl29Unit9}},
        {"city hospital: more posts taken than exist", Sample::Unit::SvetlogorskHospital,
         {QStringLiteral("Ф30т(1100)"), kControl21Unit12}},
        {"polyclinic that entered nothing", Sample::Unit::SvetlogorskPolyclinic,
         {QStringLiteral("Ф12т(1000)"), kControl6Unit13}},
        {"polyclinic without mistakes", Sample::Unit::ZarechnayaPolyclinic, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CurrentInstitutionId = c.institution;
        const ControlRunOutcome outcome = runAllControls(dbmain(), treeOf(c.institution), false, QStringLiteral("Ф12"));
        EXPECT_EQ(ControlErrorLines(), c.lines);
        EXPECT_EQ(outcome, (c.lines.isEmpty() ? ControlRunOutcome{false, kNoErrors}
                                              : ControlRunOutcome{true, QStringLiteral("Обнаружены ошибки контроля")}));
        EXPECT_TRUE(CtlLeft.isEmpty());
    }
}

// The full run keeps its parsed controls for the next run; a control changed in between, through
// this connection or another one, is what the next run checks.
TEST_F(SampleRuns, AControlChangedBetweenTwoFullRunsIsTheOneChecked)
{
    const int unit = Sample::Unit::ZarechnayaPolyclinic;
    CurrentInstitutionId = unit;
    const FormsTree tree = treeOf(unit);
    runAllControls(dbmain(), tree, false, QStringLiteral("Ф12"));
    EXPECT_TRUE(ControlErrorLines().isEmpty());

    dbmain().exec(QStringLiteral(R"(insert into "int_control" ("formid","tble","lft","reltion","rght")
        values (0, '', '1', '=', '2'))"));
    runAllControls(dbmain(), tree, false, QStringLiteral("Ф12"));
    EXPECT_EQ(ControlErrorLines(), (QStringList{kInterForm, QStringLiteral("1=2\t\t")}));

    auto other = Database::open(dbmain().path());
    other->exec(QStringLiteral(R"(update "int_control" set "rght"='1' where "lft"='1')"));
    runAllControls(dbmain(), tree, false, QStringLiteral("Ф12"));
    EXPECT_TRUE(ControlErrorLines().isEmpty());
}

// Березовская УБ (scale 0.8) with two more mistakes in Ф12: pneumonias of children 410 against
// 420 * 0.96 = 403 respiratory cases, and 125 pneumonias of the elderly against 35 * 3.552 = 124
// of all adults.
TEST_F(SampleRuns, AFormListsItsTablesAndInterTableErrorsAndAllFormsAddTheInterFormOnes)
{
    CurrentInstitutionId = Sample::Unit::Berezovka;
    enter(Sample::Unit::Berezovka, kT1000, 4, 5, 410);
    enter(Sample::Unit::Berezovka, kT4000, 4, 5, 125);
    const QString tableLine = QStringLiteral(
        "403.00>=410.00\tГР4Ф12Т[1000]\tСтр. 4 >= стр. 5 (пневмонии из болезней органов дыхания)");
    const QString interTableLine = QStringLiteral(
        "124.00>=125.00\tФ12\tПневмонии: т. 3000 гр. 4 >= т. 4000 гр. 4");
    const FormsTree tree = treeOf(Sample::Unit::Berezovka);
    ASSERT_EQ(tree.forms.size(), 2);

    RunTables tables;
    QStringList progress;
    appendFormControls(dbmain(), tree.forms[0], tables, [&](const QString& t) { progress << t; });
    EXPECT_EQ(ControlErrorLines(),
              (QStringList{QStringLiteral("Ф12т(1000)"), tableLine, kF12InterTable, interTableLine}));
    EXPECT_EQ(ControlErrorCodes(), (QList<int>{0, 5, 0, 20}));
    EXPECT_EQ(progress, (QStringList{QStringLiteral("Ф12 - (1000)"), QStringLiteral("Ф12 - (2000)"),
                                     QStringLiteral("Ф12 - (3000)"), QStringLiteral("Ф12 - (4000)"),
                                     kF12InterTable}));

    EXPECT_EQ(runInterTableControls(dbmain(), tree.forms[0]),
              (ControlRunOutcome{true, QStringLiteral("Обнаружены ошибки")}));
    EXPECT_EQ(ControlErrorLines(), (QStringList{kF12InterTable, interTableLine}));

    progress.clear();
    runAllControls(dbmain(), tree, false, QStringLiteral("Ф30"), [&](const QString& t) { progress << t; });
    EXPECT_EQ(ControlErrorLines(), (QStringList{QStringLiteral("Ф12т(1000)"), tableLine, kF12InterTable,
                                                interTableLine, kInterForm, kControl29Unit9}));
    EXPECT_EQ(progress, (QStringList{QStringLiteral("Ф12 - (1000)"), QStringLiteral("Ф12 - (2000)"),
                                     QStringLiteral("Ф12 - (3000)"), QStringLiteral("Ф12 - (4000)"),
                                     kF12InterTable, QStringLiteral("Ф30 - (1100)"),
                                     QStringLiteral("Ф30 - (2100)"), QStringLiteral("Ф30 - (3100)"),
                                     QStringLiteral("Ф30 - межтабличный контроль"), kInterForm}));

    EXPECT_EQ(runInterFormControls(dbmain(), false, QString()),
              (ControlRunOutcome{true, QStringLiteral("Обнаружены ошибки")}));
    EXPECT_EQ(ControlErrorLines(), (QStringList{kInterForm, kControl29Unit9}));
}

// Which rows a group loads: a table's own by its number exactly as the tree shows it, a form's
// between tables by an empty or missing number.
TEST_F(SampleRuns, EachGroupLoadsOnlyItsOwnControls)
{
    CurrentInstitutionId = Sample::Unit::ZarechnayaPolyclinic;   // breaks no control of the sample
    addControl(Sample::Form::F12, QStringLiteral("1000"), QStringLiteral("СТР1ГР4"), QStringLiteral("<"),
               QStringLiteral("0"), QStringLiteral("номер без скобок"));
    addControl(Sample::Form::F12, QString(), QStringLiteral("Т(1000)СТР1ГР4"), QStringLiteral("<"),
               QStringLiteral("0"), QStringLiteral("без номера"));
    addControl(Sample::Form::F30, QStringLiteral("(1100)"), QStringLiteral("Ф12Т(1000)СТР1ГР4"),
               QStringLiteral("<"), QStringLiteral("0"), QStringLiteral("чужая форма"));

    EXPECT_EQ(loadTableControls(dbmain(), Sample::Form::F12, QStringLiteral("(1000)")), 6);
    EXPECT_EQ(CtlComment.first(), QStringLiteral("Гр. 4 >= гр. 5 (дети 0-4 лет из всех детей)"));
    EXPECT_EQ(loadInterTableControls(dbmain(), Sample::Form::F12), 3);
    EXPECT_EQ(loadInterTableControls(dbmain(), Sample::Form::F30), 0);

    // Children's total for the polyclinic: (310 + 40 + 30 + 420 + 90 + 110) * 6 * 2.5 * 0.2.
    runAllControls(dbmain(), treeOf(Sample::Unit::ZarechnayaPolyclinic), false, QStringLiteral("Ф12"));
    EXPECT_EQ(ControlErrorLines(),
              (QStringList{kF12InterTable, QStringLiteral("3000.00<0\tФ12\tбез номера"),
                           QStringLiteral("Ф30т(1100)"), QStringLiteral("3000.00<0\tФ30Т[1100]\tчужая форма")}));
}

// A control the engine cannot evaluate is a failure the user must see, never "no errors".
TEST_F(SampleRuns, AControlThatCannotBeEvaluatedIsReported)
{
    CurrentInstitutionId = Sample::Unit::ZarechnayaPolyclinic;
    addControl(Sample::Form::F12, QString(), QStringLiteral("Т(9999)СТР1ГР4"), QStringLiteral(">="),
               QStringLiteral("0"), QStringLiteral("нет такой таблицы"));
    addControl(Sample::Form::F12, QString(), QStringLiteral("СТР1ГР"), QStringLiteral(">="),
               QStringLiteral("0"), QStringLiteral("пустой список граф"));
    const FormsTree tree = treeOf(Sample::Unit::ZarechnayaPolyclinic);

    EXPECT_EQ(runInterTableControls(dbmain(), tree.forms[0]),
              (ControlRunOutcome{true, QStringLiteral("Обнаружены ошибки")}));
    const QStringList lines = ControlErrorLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], kF12InterTable);
    EXPECT_EQ(lines[1], QStringLiteral("Т(9999)СТР1ГР4>=0\tФ12\tнет такой таблицы"));
    EXPECT_EQ(lines[2], QStringLiteral("Ошибка в контроле: СТР1ГР>=0\tФ12\tпустой список граф"));
}

TEST(NetworkFilter, AControlBetweenFormsNamingANetworkFormIsNotRunOutsideTheNetworkRoad)
{
    struct Case { const char* what; QStringList netForms; const char* lft; const char* rght; bool allowed; };
    const Case cases[] = {
        {"left side", {"Ф47"}, "Ф47Т(0100)СТР1ГР3", "Ф30Т(3100)СТР1ГР3", false},
        {"right side, small letters", {"Ф47"}, "Ф30Т(3100)СТР1ГР3", "ф47т(0200)стр1гр3", false},
        {"stored name in small letters", {"ф47"}, "Ф47Т(0100)СТР1ГР3", "0", false},
        {"inside brackets and blanks", {"Ф47"}, "(Ф12Т(1000)СТР1ГР4 + Ф47 Т[0100] СТР1 ГР3) * 2", "0", false},
        {"second network form", {"Ф47", "Ф48"}, "Ф12Т(1000)СТР1ГР4", "Ф48Т(1)СТР1ГР3", false},
        {"Ф4 is not Ф47", {"Ф4"}, "Ф47Т(0100)СТР1ГР3", "Ф30Т(3100)СТР1ГР3", true},
        {"Ф47 is not Ф470", {"Ф47"}, "Ф470Т(1)СТР1ГР3", "0", true},
        {"no network form named", {"Ф47"}, "Ф30Т(3100)СТР5ГР5", "Ф12Т(1000)СТР2ГР4", true},
        {"no network forms at all", {}, "Ф47Т(0100)СТР1ГР3", "0", true},
        {"unreadable side searched as text", {"Ф47"}, "Ф47Т(0100СТР1ГР3", "0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NetForms = c.netForms;
        EXPECT_EQ(IsInterFormControlAllowed(QString::fromUtf8(c.lft), QString::fromUtf8(c.rght)), c.allowed);
    }
    NetForms.clear();
}

TEST(NetworkFilter, FormsAreTakenOutOfTheReferences)
{
    QStringList forms;
    EXPECT_TRUE(formsNamedIn(QStringLiteral("ф12т(1000)стр1гр4+Т(2000)СТР1ГР4-(Ф30Т[1100]СТР1ГР3*2)"), &forms));
    EXPECT_EQ(forms, (QStringList{QStringLiteral("Ф12"), QStringLiteral("Ф30")}));
    EXPECT_FALSE(formsNamedIn(QStringLiteral("Ф12Т(1000СТР1ГР4"), &forms));
    EXPECT_TRUE(forms.isEmpty());

    EXPECT_TRUE(sideNamesForm(QStringLiteral("Ф47Т(0100)СТР1ГР3"), QStringLiteral("ф47")));
    EXPECT_FALSE(sideNamesForm(QStringLiteral("Ф47Т(0100)СТР1ГР3"), QStringLiteral("Ф4")));
    EXPECT_FALSE(sideNamesForm(QStringLiteral("Ф47Т(0100)СТР1ГР3"), QString()));
}

// On the Ф47 road only the controls between forms that name the selected form run; elsewhere
// exactly those do not. The sample's network report has no numbers yet, so every check sees 0.
TEST_F(SampleRuns, TheNetworkRoadRunsOnlyTheControlsBetweenFormsOfItsForm)
{
    addControl(0, QString(), QStringLiteral("Ф47Т(0100)СТР1ГР3"), QStringLiteral(">"), QStringLiteral("0"),
               QStringLiteral("сеть не заполнена"));
    addControl(0, QString(), QStringLiteral("Ф12Т(1000)СТР1ГР4"), QStringLiteral("<"),
               QStringLiteral("ф47т(0200)стр1гр3"), QStringLiteral("справа сеть"));
    addControl(0, QString(), QStringLiteral("ф30т(3100)стр1гр3"), QStringLiteral(">"), QStringLiteral("0"),
               QStringLiteral("без сети"));

    NetMode = true;
    WorkMode = QStringLiteral("Net");
    DataTablePrefix = QStringLiteral("RepData");
    CurrentInstitutionId = Sample::Report::Network;
    GetForms(dbmain());
    ASSERT_EQ(NetForms, QStringList{QStringLiteral("Ф47")});
    EXPECT_EQ(loadInterFormControls(dbmain(), true, QStringLiteral("Ф47")), 2);
    runInterFormControls(dbmain(), true, QStringLiteral("Ф47"));
    // ordered by lft: Ф12… before Ф47…
    EXPECT_EQ(ControlErrorLines(), (QStringList{kInterForm, QStringLiteral("0.00<0.00\t\tсправа сеть"),
                                                QStringLiteral("0.00>0\t\tсеть не заполнена")}));

    NetMode = false;
    WorkMode = QStringLiteral("Input");
    DataTablePrefix = QStringLiteral("Data");
    CurrentInstitutionId = Sample::Unit::ZarechnayaPolyclinic;   // no beds: table 3100 is empty
    EXPECT_EQ(loadInterFormControls(dbmain(), false, QStringLiteral("Ф47")), 3);   // the sample's two and ours
    runInterFormControls(dbmain(), false, QString());
    EXPECT_EQ(ControlErrorLines(), (QStringList{kInterForm, QStringLiteral("0.00>0\t\tбез сети")}));
}

TEST_F(SampleRuns, TheErrorViewListsTheLinesWithTheirCodes)
{
    CurrentInstitutionId = Sample::Unit::ZarechnayaInpatient;
    runAllControls(dbmain(), treeOf(CurrentInstitutionId), false, QStringLiteral("Ф12"));
    const QStringList before = ControlErrorLines();

    const ResultList list = controlErrorsList(QStringLiteral("Заречная ЦРБ, стационар - ошибки контроля"));
    EXPECT_EQ(list.windowCaption, QStringLiteral("Заречная ЦРБ, стационар - ошибки контроля"));
    EXPECT_EQ(list.title, QString());
    EXPECT_EQ(list.columns, (QStringList{QStringLiteral("Цифры"), QStringLiteral("Тек."), QStringLiteral("Контроль")}));
    ASSERT_EQ(list.items.size(), 2);
    EXPECT_EQ(list.items[0], (ResultListItem{QString(), {QStringLiteral("Ф12т(1000)"), QString()}, 0}));
    EXPECT_EQ(list.items[1],
              (ResultListItem{QStringLiteral("1512.00>=1524.00"),
                              {QStringLiteral("ГР4Ф12Т[1000]"),
                               QStringLiteral("Стр. 4 >= стр. 5 (пневмонии из болезней органов дыхания)")},
                              5}));
    EXPECT_EQ(ControlErrorLines(), before);
}

TEST(ControlRunTexts, HeadingsAndDefaultReferences)
{
    EXPECT_EQ(tableControlsHeading(QStringLiteral("Ф30"), QStringLiteral("(1000)")), QStringLiteral("Ф30т(1000)"));
    EXPECT_EQ(tableControlsPlace(QStringLiteral("Ф30"), QStringLiteral("(1000)")), QStringLiteral("Ф30Т[1000]"));
    EXPECT_EQ(tableControlsPlace(QStringLiteral("Ф12-ДОП"), QStringLiteral("(1000-доп-1)")),
              QStringLiteral("Ф12-ДОПТ[1000-доп-1]"));
    EXPECT_EQ(interTableControlsHeading(QStringLiteral("Ф30")), QStringLiteral("Ф30 - межтабличный контроль"));
}

}  // namespace
