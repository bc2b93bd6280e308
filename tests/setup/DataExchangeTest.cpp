#include "setup/DataExchange.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace Sample::Unit;

// Every stored cell of the units, one text per row, in one order.
QStringList rowsOf(const QList<int>& units)
{
    QStringList rows;
    for (int unit : units) {
        Query q(dbdat(), QStringLiteral(R"(select "hospital","year","table","column","row","data" from "data"
            where "hospital"=? order by "year","table","column","row")"), {unit});
        while (q.next())
            rows << QStringLiteral("%1 %2 %3 %4 %5 %6").arg(q.text(0), q.text(1), q.text(2), q.text(3), q.text(4), q.text(5));
    }
    return rows;
}

int rowCount(int unit)
{
    return dbdat().scalar(QStringLiteral(R"(select count(*) from "data" where "hospital"=?)"), {unit}).toInt();
}

// The files under `folder`, relative, sorted.
QStringList filesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Plans and loads a group as the structure window does, saying "Да" when it asks.
GroupImportReport importGroup(const QStringList& paths, const GroupImportChoice& choice)
{
    const GroupImportPlan plan = planDataGroup(dbmain(), dbdat(), 2025, QStringLiteral("Годовой"), paths, choice);
    ScriptedPrompts prompts;
    if (!plan.holding.isEmpty())
        prompts.expectQuestion(true, QStringLiteral("Заменить данные учреждений за 2025 данными выбранных файлов?"));
    EXPECT_TRUE(confirmDataGroup(prompts, plan, 2025));
    return importDataGroup(dbmain(), dbdat(), 2025, plan, choice);
}

class GroupExchange : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        // A namesake of Malinovka in the same district, without data.
        dbmain().exec(QStringLiteral(R"(insert into "administration" ("unit","dependence","medicaltype","country","ind")
            values ('Малиновская участковая больница',?,-1,1,9))"), {ZarechnyDistrict});
        namesake = int(dbmain().scalar(QStringLiteral("select max(\"id\") from \"administration\"")).toInt());
        district = UnitTreeNode{ZarechnyDistrict, QStringLiteral("Заречный район"), {
            UnitTreeNode{ZarechnayaCrb, QStringLiteral("Заречная ЦРБ"), {
                UnitTreeNode{ZarechnayaInpatient, QStringLiteral("Заречная ЦРБ, стационар"), {}},
                UnitTreeNode{ZarechnayaPolyclinic, QStringLiteral("Заречная ЦРБ, поликлиника"), {}}}},
            UnitTreeNode{Malinovka, QStringLiteral("Малиновская участковая больница"), {}},
            UnitTreeNode{Sosnovka, QStringLiteral("Сосновский фельдшерско-акушерский пункт"), {}},
            UnitTreeNode{namesake, QStringLiteral("Малиновская участковая больница"), {}}}};
    }
    QList<int> leaves() const { return {ZarechnayaInpatient, ZarechnayaPolyclinic, Malinovka, Sosnovka, namesake}; }

    SampleYear sample;
    QTemporaryDir out;
    int namesake = 0;
    UnitTreeNode district;
};

TEST_F(GroupExchange, ADistrictGivesItsFolderTreeAndComesBackIntoAnEmptyCopy)
{
    GroupExportReport exported;
    QString error;
    QStringList heard;
    ASSERT_TRUE(exportDataGroup(dbdat(), 2025, QStringLiteral("Годовой"), district, out.path(), &exported, &error,
                                [&](const QString& name) { heard << name; })) << error.toStdString();
    const QString n = QString::number(namesake);
    QStringList expected{
        QStringLiteral("Заречный район/Заречная ЦРБ/Заречная ЦРБ, поликлиника - Годовой - 2025.ktd"),
        QStringLiteral("Заречный район/Заречная ЦРБ/Заречная ЦРБ, стационар - Годовой - 2025.ktd"),
        QStringLiteral("Заречный район/Малиновская участковая больница - Годовой - 2025 - 5.ktd"),
        QStringLiteral("Заречный район/Малиновская участковая больница - Годовой - 2025 - ") + n + QStringLiteral(".ktd"),
        QStringLiteral("Заречный район/Сосновский фельдшерско-акушерский пункт - Годовой - 2025.ktd"),
    };
    expected.sort();
    EXPECT_EQ(filesUnder(out.path()), expected);
    EXPECT_EQ(exported.files, 5);
    EXPECT_EQ(heard.size(), 5);
    // A leaf without data is an empty file.
    EXPECT_EQ(QFileInfo(out.path() + QStringLiteral("/Заречный район/Малиновская участковая больница - Годовой - 2025 - ")
                        + n + QStringLiteral(".ktd")).size(), 0);

    const QStringList before = rowsOf(leaves());
    ASSERT_GT(before.size(), 0);
    ASSERT_GT(rowCount(Malinovka), 0);
    dbdat().exec(QStringLiteral(R"(delete from "data" where "hospital" in (2,3,4,5,6))"));
    QStringList paths;
    for (const QString& f : filesUnder(out.path()))
        paths << out.path() + QLatin1Char('/') + f;
    GroupImportChoice all;
    QList<std::pair<qint64, qint64>> progress;
    all.lineProgress = [&](qint64 read, qint64 size) { progress.append({read, size}); };
    const GroupImportReport imported = importGroup(paths, all);
    // Each file read to its end is heard as done, the empty one included.
    ASSERT_EQ(progress.size(), paths.size());
    for (int i = 0; i < paths.size(); ++i)
        EXPECT_EQ(progress[i], (std::pair<qint64, qint64>{QFileInfo(paths[i]).size(), QFileInfo(paths[i]).size()}));
    // The empty file has no line for its unit: it is listed, and the namesake keeps nothing.
    EXPECT_EQ(imported.skipped.size(), 1) << imported.skipped.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(rowsOf(leaves()), before);
    EXPECT_EQ(exported.written, imported.loadedValues);
}

TEST_F(GroupExchange, FilesWhoseUnitCannotBeToldAreListedAndChangeNothing)
{
    QString error;
    const QString malinovka = out.path() + QStringLiteral("/m.ktd");
    ASSERT_TRUE(writeDataFile(dbdat(), QStringLiteral("data"), Malinovka, 2025, malinovka, nullptr, &error));
    QStringList lines;
    ASSERT_TRUE(readLines1251(malinovka, &lines, &error));
    struct Case { const char* file; QStringList lines; const char* reason; };
    const QList<Case> cases = {
        {"Неизвестная больница - Годовой - 2025.ktd", lines, "не найдено"},
        {"Малиновская участковая больница - Годовой - 2025.ktd", lines, "несколько"},
        {"Заречная ЦРБ - Годовой - 2025.ktd", lines, "группа"},
        {"сосновский фельдшерско-акушерский пункт - Годовой - 2025.ktd",
         lines + QStringList{QStringLiteral(R"l("1","2025","Ф30","(1100)")l")}, "строка " },
    };
    QStringList paths;
    for (const Case& k : cases) {
        paths << out.path() + QLatin1Char('/') + QString::fromUtf8(k.file);
        ASSERT_TRUE(writeLines1251(paths.last(), k.lines, &error));
    }
    const QStringList before = rowsOf({ZarechnayaCrb, ZarechnayaInpatient, Malinovka, Sosnovka, namesake});
    const GroupImportReport report = importGroup(paths, {});
    EXPECT_EQ(report.loadedFiles, 0);
    ASSERT_EQ(report.skipped.size(), cases.size());
    for (int i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].file);
        EXPECT_TRUE(report.skipped[i].startsWith(QString::fromUtf8(cases[i].file) + QLatin1Char('\t')));
        EXPECT_TRUE(report.skipped[i].contains(QString::fromUtf8(cases[i].reason))) << report.skipped[i].toStdString();
    }
    EXPECT_EQ(rowsOf({ZarechnayaCrb, ZarechnayaInpatient, Malinovka, Sosnovka, namesake}), before);
}

TEST_F(GroupExchange, EveryUnitGetsBackItsOwnRowsWhateverItsNameHolds)
{
    // Units whose names the export's file name used to lose: one that begins with another's name
    // and " - ", characters no file name may hold, and two names longer than a file name that
    // differ only past its end; and two units of one name under one parent.
    const QString longName = QStringLiteral("Областная клиническая больница восстановительного лечения ветеранов "
                                            "войн и труда имени заслуженного врача республики, отделение №");
    ASSERT_GT(longName.size(), 125);
    const QStringList names = {
        QStringLiteral("Малиновская участковая больница - филиал"),
        QStringLiteral("ФАП \"Ключи\""),
        QStringLiteral("Амбулатория 1/2: дети"),
        QStringLiteral("Амбулатория 1/2: дети"),
        longName + QStringLiteral("1"),
        longName + QStringLiteral("2"),
    };
    QList<int> units = leaves();
    for (const QString& name : names) {
        dbmain().exec(QStringLiteral(R"(insert into "administration" ("unit","dependence","medicaltype","country","ind")
            values (?,?,-1,1,10))"), {name, ZarechnyDistrict});
        units.append(dbmain().scalar(QStringLiteral("select max(\"id\") from \"administration\"")).toInt());
        district.children.append(UnitTreeNode{units.last(), name, {}});
    }
    ASSERT_EQ(names.last().size(), 130);
    // Each unit Malinovka's cells with values of its own, the namesake included.
    for (int i = 0; i < units.size(); ++i) {
        if (units[i] == Malinovka)
            continue;
        dbdat().exec(QStringLiteral(R"(delete from "data" where "hospital"=? and "year"=2025)"), {units[i]});
        dbdat().exec(QStringLiteral(R"(insert into "data" ("hospital","data","year","table","column","row")
            select ?, "data" + ?, "year", "table", "column", "row" from "data" where "hospital"=? and "year"=2025)"),
                     {units[i], 1000 * (i + 1), Malinovka});
    }
    QList<QStringList> before;
    for (int unit : units) {
        before.append(rowsOf({unit}));
        ASSERT_FALSE(before.last().isEmpty()) << unit;
    }

    QString error;
    ASSERT_TRUE(exportDataGroup(dbdat(), 2025, QStringLiteral("Годовой"), district, out.path(), nullptr, &error))
        << error.toStdString();
    QStringList paths;
    for (const QString& f : filesUnder(out.path()))
        paths << out.path() + QLatin1Char('/') + f;
    ASSERT_EQ(paths.size(), units.size()) << filesUnder(out.path()).join(QLatin1Char('\n')).toStdString();

    // Over stored values the group asks once; "Нет" leaves every unit as it was.
    GroupImportPlan plan = planDataGroup(dbmain(), dbdat(), 2025, QStringLiteral("Годовой"), paths, {});
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(false, QStringLiteral("Заменить данные учреждений за 2025 данными выбранных файлов?\n"
                                                     "Уже есть данные (%1): ").arg(units.size()));
        EXPECT_FALSE(confirmDataGroup(prompts, plan, 2025));
    }
    for (int i = 0; i < units.size(); ++i)
        EXPECT_EQ(rowsOf({units[i]}), before[i]) << units[i];

    QStringList ids;
    for (int unit : units)
        ids << QString::number(unit);
    dbdat().exec(QStringLiteral(R"(delete from "data" where "hospital" in (%1))").arg(ids.join(QLatin1Char(','))));
    plan = planDataGroup(dbmain(), dbdat(), 2025, QStringLiteral("Годовой"), paths, {});
    EXPECT_TRUE(plan.holding.isEmpty());
    const GroupImportReport imported = importDataGroup(dbmain(), dbdat(), 2025, plan, {});
    EXPECT_TRUE(imported.skipped.isEmpty()) << imported.skipped.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(imported.loadedFiles, units.size());
    for (int i = 0; i < units.size(); ++i) {
        SCOPED_TRACE(units[i]);
        EXPECT_EQ(rowsOf({units[i]}), before[i]);
    }
}

TEST_F(GroupExchange, AUnitChosenWithTwoFilesTakesNeither)
{
    QString error;
    const QString one = out.path() + QStringLiteral("/Сосновский фельдшерско-акушерский пункт - Годовой - 2025.ktd");
    const QString two = out.path() + QStringLiteral("/Сосновский фельдшерско-акушерский пункт.ktd");
    ASSERT_TRUE(writeDataFile(dbdat(), QStringLiteral("data"), Malinovka, 2025, one, nullptr, &error));
    ASSERT_TRUE(writeDataFile(dbdat(), QStringLiteral("data"), ZarechnayaInpatient, 2025, two, nullptr, &error));
    const QStringList before = rowsOf({Sosnovka});
    const GroupImportReport report = importGroup({one, two}, {});
    EXPECT_EQ(report.loadedFiles, 0);
    ASSERT_EQ(report.skipped.size(), 2);
    for (const QString& line : report.skipped)
        EXPECT_TRUE(line.contains(QStringLiteral("выбрано несколько файлов"))) << line.toStdString();
    EXPECT_EQ(rowsOf({Sosnovka}), before);
}

TEST_F(GroupExchange, ChosenFormsLimitTheLinesAndWhatIsCleared)
{
    QString error;
    const QString path = out.path() + QStringLiteral("/Заречная ЦРБ, стационар - Годовой - 2025.ktd");
    ASSERT_TRUE(writeDataFile(dbdat(), QStringLiteral("data"), ZarechnayaInpatient, 2025, path, nullptr, &error));
    const auto formRows = [](int form) {
        return dbdat().scalar(QStringLiteral(R"(select count(*) from "data" where "hospital"=? and "table" in (%1))")
                                  .arg([&] {
                                      QStringList ids;
                                      for (int t : tablesOfForm(form))
                                          ids << QString::number(t);
                                      return ids.join(QLatin1Char(','));
                                  }()),
                              {ZarechnayaInpatient}).toInt();
    };
    const int f12 = formRows(Sample::Form::F12);
    const int f30 = formRows(Sample::Form::F30);
    ASSERT_GT(f12, 0);
    ASSERT_GT(f30, 0);
    // "Очищать" "ЛПУ": the whole year goes, only Ф30 comes back.
    GroupImportChoice choice;
    choice.chosenForms = {QStringLiteral("Ф30")};
    importGroup({path}, choice);
    EXPECT_EQ(formRows(Sample::Form::F12), 0);
    EXPECT_EQ(formRows(Sample::Form::F30), f30);
    // "Выбранные формы": Ф12's rows stay as they are while Ф30 is replaced.
    importGroup({path}, GroupImportChoice{{QStringLiteral("Ф12")}, true});
    EXPECT_EQ(formRows(Sample::Form::F12), f12);
    EXPECT_EQ(formRows(Sample::Form::F30), f30);
    dbdat().exec(QStringLiteral(R"(delete from "data" where "hospital"=?)"), {ZarechnayaInpatient});
    importGroup({path}, GroupImportChoice{{QStringLiteral("Ф12")}, true});
    EXPECT_EQ(formRows(Sample::Form::F12), f12);
    EXPECT_EQ(formRows(Sample::Form::F30), 0);
}

}  // namespace
