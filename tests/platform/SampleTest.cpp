// The sample configuration the build makes: its shape, and the mistakes its numbers hold.

#include "platform/Database.h"
#include "sample/SampleConfiguration.h"
#include "sample/SampleFrs.h"
#include "support/PrintTo.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <map>
#include <gtest/gtest.h>

namespace {

const QString kBuild = QString::fromUtf8(KESTRIN_BINARY_DIR);
const QString kConfig = kBuild + QStringLiteral("/sample/") + Sample::ConfigurationName;

QString yearFile(int year, const char* name)
{
    return kConfig + QStringLiteral("/%1/").arg(year) + QString::fromUtf8(name);
}

int count(Database& db, const QString& sql, const QVariantList& params = {})
{
    return db.scalar(sql, params).toInt();
}

class SampleYear : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(QFile::exists(yearFile(2025, "ktrmain.mdb"))) << "the sample target was not built";
    }
    std::unique_ptr<Database> dict = Database::open(yearFile(2025, "ktrmain.mdb"), true);
    std::unique_ptr<Database> data = Database::open(yearFile(2025, "data0.mdb"), true);

    double cell(int hospital, const char* form, const char* tablen, int graph, int dataRow)
    {
        Query t(*dict, QStringLiteral(R"(select "ident","fixrows" from "tables" join "forms" on "forms"."id"="tables"."form"
            where "formname"=? and "tablen"=?)"), {QString::fromUtf8(form), QString::fromUtf8(tablen)});
        if (!t.next())
            return -1;
        return data->scalar(QStringLiteral(R"(select "data" from "data" where "year"=2025 and "hospital"=?
            and "table"=? and "column"=? and "row"=?)"),
                            {hospital, t.toInt(0), graph + 1, dataRow + t.toInt(1) + 1}).toDouble();
    }
    bool controlExists(int formid, const char* tble, const char* lft, const char* reltion,
                       const char* rght, const char* cycl)
    {
        return count(*dict, QStringLiteral(R"(select count(*) from "int_control" where "formid"=? and "tble"=?
            and "lft"=? and "reltion"=? and "rght"=? and "cycl"=?)"),
                     {formid, QString::fromUtf8(tble), QString::fromUtf8(lft), QString::fromUtf8(reltion),
                      QString::fromUtf8(rght), QString::fromUtf8(cycl)}) == 1;
    }
};

TEST(SampleFolders, HoldOnlyWhatTheBuildMakes)
{
    EXPECT_EQ(QDir(kConfig).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("2025"), QStringLiteral("2026"), QStringLiteral("controls.ktr"),
                           QStringLiteral("data"), QStringLiteral("Ф14.frs")}));
    // The summary reports' data files live beside the years, not in them.
    EXPECT_EQ(QDir(kConfig + QStringLiteral("/data")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("Городской округ Светлогорск - Годовой - 2025.rpd")}));
    for (int year : {2025, 2026}) {
        SCOPED_TRACE(year);
        QStringList expected{QStringLiteral("data0.mdb"), QStringLiteral("forms"), QStringLiteral("ktrmain.mdb")};
        if (year == 2025)
            // the institutions' data files to import, and two report levels besides the annual report
            expected = QStringList{QStringLiteral("data"), QStringLiteral("data0.mdb"), QStringLiteral("data1.mdb"),
                                   QStringLiteral("data2.mdb"), QStringLiteral("forms"), QStringLiteral("ktrmain.mdb")};
        EXPECT_EQ(QDir(kConfig + QStringLiteral("/%1").arg(year)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  expected);
    }
    EXPECT_EQ(QDir(kConfig + QStringLiteral("/2025/data")).entryList(QDir::Files),
              (QStringList{QStringLiteral("Ключевской фельдшерско-акушерский пункт - Годовой - 2025.ktd"),
                           QStringLiteral("Светлогорская городская поликлиника № 1 - Годовой - 2025.ktd"),
                           QStringLiteral("Сосновский фельдшерско-акушерский пункт - Годовой - 2025.ktr")}));
    auto levels = Database::open(kConfig + QStringLiteral("/2025/ktrmain.mdb"), true);
    EXPECT_EQ(count(*levels, QStringLiteral(R"(select count(*) from "subreps")")), 2);
    auto quarter = Database::open(kConfig + QStringLiteral("/2025/data2.mdb"), true);
    EXPECT_GT(count(*quarter, QStringLiteral(R"(select count(*) from "data")")), 0);
    EXPECT_TRUE(QFile::exists(kBuild + QStringLiteral("/bin/Несуммируемые позиции.txt")));

    // the structure file a new user imports, as written by hand
    QFile frs(kConfig + QLatin1Char('/') + Sample::FrsFileName);
    ASSERT_TRUE(frs.open(QIODevice::ReadOnly));
    EXPECT_EQ(frs.readAll(), Sample::formStructureBytes());

    auto templ = Database::open(kBuild + QStringLiteral("/bin/source/data0.mdb"), true);
    EXPECT_EQ(count(*templ, QStringLiteral(R"(select count(*) from "data")")), 0);
    EXPECT_EQ(count(*templ, QStringLiteral(R"(select count(*) from "repdata")")), 0);
    auto empty = Database::open(kBuild + QStringLiteral("/sample/ktrmain_empty.mdb"), true);
    EXPECT_EQ(count(*empty, QStringLiteral(R"(select count(*) from "forms")")), 0);
    EXPECT_EQ(empty->columns(QStringLiteral("administration")).last(), QStringLiteral("ind"));
}

TEST_F(SampleYear, HasThreeFormsOneOfThemTheNetwork)
{
    Query q(*dict, QStringLiteral(R"(select "id","formname","net" from "forms" order by "ind")"));
    QStringList names;
    while (q.next()) {
        names << q.text(1);
        EXPECT_EQ(q.toBool(QStringLiteral("net")), q.text(1) == QStringLiteral("Ф47")) << q.text(1).toStdString();
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("Ф12"), QStringLiteral("Ф30"), QStringLiteral("Ф47")}));
    for (int form : {Sample::Form::F12, Sample::Form::F30, Sample::Form::F47})
        EXPECT_GE(count(*dict, QStringLiteral(R"(select count(*) from "tables" where "form"=?)"), {form}), 2);
    EXPECT_EQ(count(*dict, QStringLiteral(R"(select count(*) from "tables" where "floattype"<>0)")), 1);
    EXPECT_EQ(count(*dict, QStringLiteral(R"(select count(*) from "tables" where "scan"=1)")), 1);
}

// Every header cell of every table is covered by a title; a merged title stays within the
// corner, the column headers or the row headers, and the layout has a size for each line.
TEST_F(SampleYear, TablesHaveWholeHeaders)
{
    Query t(*dict, QStringLiteral(R"(select "ident","tablen","colcount","rowcount","fixcols","fixrows" from "tables")"));
    int tables = 0;
    while (t.next()) {
        ++tables;
        SCOPED_TRACE(t.text(1).toStdString());
        const int ident = t.toInt(0), colcount = t.toInt(2), rowcount = t.toInt(3), fixcols = t.toInt(4),
                  fixrows = t.toInt(5);
        EXPECT_EQ(count(*dict, QStringLiteral(R"(select count(*) from "columns" where "table"=? and "width">0)"), {ident}), colcount);
        EXPECT_EQ(count(*dict, QStringLiteral(R"(select count(*) from "rows" where "table"=? and "height">0)"), {ident}), rowcount);

        std::vector<std::vector<int>> covered(colcount + 1, std::vector<int>(rowcount + 1, 0));
        Query h(*dict, QStringLiteral(R"(select "column","row","union_sc","union_sr","union_ec","union_er","tchars"
            from "titles" where "table"=?)"), {ident});
        while (h.next()) {
            const int sc = h.toInt(2), sr = h.toInt(3), ec = h.toInt(4), er = h.toInt(5);
            EXPECT_EQ(h.toInt(0), sc);
            EXPECT_EQ(h.toInt(1), sr);
            ASSERT_TRUE(1 <= sc && sc <= ec && ec <= colcount && 1 <= sr && sr <= er && er <= rowcount);
            EXPECT_EQ(sc <= fixcols, ec <= fixcols);
            EXPECT_EQ(sr <= fixrows, er <= fixrows);
            EXPECT_TRUE(QRegularExpression(QStringLiteral("^[TCB][LCR][01][0-9]$")).match(h.text(6)).hasMatch());
            for (int c = sc; c <= ec; ++c)
                for (int r = sr; r <= er; ++r)
                    ++covered[c][r];
        }
        for (int c = 1; c <= colcount; ++c)
            for (int r = 1; r <= rowcount; ++r) {
                const bool header = c <= fixcols || r <= fixrows;
                EXPECT_EQ(covered[c][r], header ? 1 : 0) << "column " << c << ", row " << r;
            }
    }
    EXPECT_EQ(tables, 9);
    const QString merged = QStringLiteral(R"(select count(*) from "titles" where "union_ec">"union_sc")");
    const QString mergedDown = QStringLiteral(R"(select count(*) from "titles" where "union_er">"union_sr")");
    EXPECT_GT(count(*dict, merged), 0);
    EXPECT_GT(count(*dict, mergedDown), 0);
    EXPECT_GT(count(*dict, QStringLiteral(R"(select count(*) from "titles" where substr("tchars",3,1)='1')")), 0);
    EXPECT_GT(count(*dict, QStringLiteral(R"(select count(*) from "titles" where instr("txt", char(13,10))>0)")), 0);
}

// Kinds by formid and tble, cycles of both directions and none; every table a reference names
// exists in the form it names (or the control's own form).
TEST_F(SampleYear, HasControlsOfEveryKindOverExistingTables)
{
    const QString kinds = QStringLiteral(R"(select count(*) from "int_control" where %1)");
    EXPECT_GT(count(*dict, kinds.arg(QStringLiteral(R"("formid">0 and "tble"<>'' and "cycl" like 'гр%')"))), 0);
    EXPECT_GT(count(*dict, kinds.arg(QStringLiteral(R"("formid">0 and "tble"<>'' and "cycl" like 'стр%')"))), 0);
    EXPECT_GT(count(*dict, kinds.arg(QStringLiteral(R"("formid">0 and "tble"<>'' and "cycl"='')"))), 0);
    EXPECT_GT(count(*dict, kinds.arg(QStringLiteral(R"("formid">0 and "tble"='' and "cycl"<>'')"))), 0);
    EXPECT_GT(count(*dict, kinds.arg(QStringLiteral(R"("formid">0 and "tble"='' and "cycl"='')"))), 0);
    EXPECT_GT(count(*dict, kinds.arg(QStringLiteral(R"("formid"=0)"))), 0);

    const QRegularExpression reference(QStringLiteral("(Ф[0-9]+)?Т[\\[(]([0-9]+)[\\])]"));
    Query q(*dict, QStringLiteral(R"(select "Код","formid","tble","lft","rght","reltion" from "int_control")"));
    while (q.next()) {
        SCOPED_TRACE(q.toInt(0));
        const int formid = q.toInt(1);
        EXPECT_TRUE(QStringList({"=", "<>", ">", ">=", "<", "<="}).contains(q.text(5)));
        if (!q.text(2).isEmpty()) {
            EXPECT_EQ(count(*dict, QStringLiteral(R"(select count(*) from "tables" where "form"=? and "tablen"=?)"),
                            {formid, q.text(2)}), 1);
        }
        const QString both = q.text(3) + QLatin1Char(' ') + q.text(4);
        int references = 0;
        for (auto it = reference.globalMatch(both.toUpper()); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            ++references;
            EXPECT_EQ(m.captured(1).isEmpty(), formid != 0) << m.captured(0).toStdString();
            const QString form = m.captured(1).isEmpty() ? QString() : m.captured(1);
            const int n = form.isEmpty()
                ? count(*dict, QStringLiteral(R"(select count(*) from "tables" where "form"=? and "tablen"=?)"),
                        {formid, QStringLiteral("(%1)").arg(m.captured(2))})
                : count(*dict, QStringLiteral(R"(select count(*) from "tables" join "forms" on "forms"."id"="tables"."form"
                      where "formname"=? and "tablen"=?)"), {form, QStringLiteral("(%1)").arg(m.captured(2))});
            EXPECT_EQ(n, 1) << m.captured(0).toStdString();
        }
        EXPECT_EQ(references > 0, q.text(2).isEmpty());
    }
}

TEST_F(SampleYear, InstitutionsHaveTypesThatSubmitForms)
{
    // Leaves hold data; each has a leaf type with forms, none of them the network form.
    Query q(*dict, QStringLiteral(R"(select "id","unit","medicaltype","country" from "administration" a
        where not exists (select 1 from "administration" b where b."dependence"=a."id"))"));
    int leaves = 0, rural = 0;
    while (q.next()) {
        ++leaves;
        SCOPED_TRACE(q.text(1).toStdString());
        rural += q.toBool(QStringLiteral("country"));
        EXPECT_EQ(count(*dict, QStringLiteral(R"(select count(*) from "medicaltypes" t where "id"=? and "parent"<>0
            and not exists (select 1 from "medicaltypes" c where c."parent"=t."id"))"), {q.toInt(2)}), 1);
        EXPECT_GT(count(*dict, QStringLiteral(R"(select count(*) from "med_type_forms" where "medicalsid"=?)"), {q.toInt(2)}), 0);
    }
    EXPECT_EQ(leaves, 9);
    EXPECT_EQ(rural, 4);
    EXPECT_EQ(count(*dict, QStringLiteral(R"(select count(*) from "med_type_forms" m join "forms" f on f."id"=m."formsid"
        where f."net"<>0)")), 0);
    // Subdivisions: leaves two levels below a district.
    EXPECT_EQ(count(*dict, QStringLiteral(R"(select count(*) from "administration" a join "administration" p
        on p."id"=a."dependence" where p."dependence"<>0)")), 2);
    EXPECT_EQ(dict->scalar(QStringLiteral(R"(select "unit" from "administration" where "id"=?)"),
                           {Sample::Unit::Malinovka}).toString(), QStringLiteral("Малиновская участковая больница"));
}

TEST_F(SampleYear, ReportsAndPopulationAddUp)
{
    EXPECT_EQ(dict->scalar(QStringLiteral(R"(select "include" from "reports" where "id"=?)"),
                           {Sample::Report::Zarechny}).toString(), QStringLiteral("3,4,5,6"));
    EXPECT_EQ(dict->scalar(QStringLiteral(R"(select "include" from "statistics" where "base"=?)"),
                           {Sample::Report::Region}).toString(), QStringLiteral("1,2,3"));
    EXPECT_EQ(count(*dict, QStringLiteral(R"(select count(*) from "reports" where "net"<>0)")), 1);
    // Заречный район: the polyclinic 28000, Малиновка 5000, Сосновка 1500.
    EXPECT_EQ(count(*dict, QStringLiteral(R"(select "common" from "populations1" where "unit"=? and "year"=2025)"),
                    {Sample::Unit::ZarechnyDistrict}), 34500);
    EXPECT_EQ(count(*dict, QStringLiteral(R"(select "common" from "populations" where "unit"=? and "year"=2025)"),
                    {Sample::Report::Region}), 34500 + 29200 + 52000);
    EXPECT_EQ(count(*dict, QStringLiteral(R"(select count(*) from "populations1" where "common"<>"olds"+"teens"+"childs")")), 0);
}

TEST_F(SampleYear, DataLieInsideTheirTables)
{
    EXPECT_EQ(count(*data, QStringLiteral(R"(select count(distinct "hospital") from "data" where "year"=2025)")), 7);
    EXPECT_EQ(count(*data, QStringLiteral(R"(select count(*) from "data" where "year"<>2025 or "data"=0)")), 0);
    // The three district reports and the region hold their sums of 2025; the network report none.
    EXPECT_EQ(count(*data, QStringLiteral(R"(select count(distinct "hospital") from "repdata" where "year"=2025)")), 4);
    EXPECT_EQ(count(*data, QStringLiteral(R"(select count(*) from "repdata" where "year"<>2025 or "data"=0 or "hospital"=?)"),
                    {Sample::Report::Network}), 0);
    struct Geometry { int colcount, rowcount, fixcols, fixrows; };
    std::map<int, Geometry> tables;
    Query t(*dict, QStringLiteral(R"(select "ident","colcount","rowcount","fixcols","fixrows" from "tables")"));
    while (t.next())
        tables[t.toInt(0)] = {t.toInt(1), t.toInt(2), t.toInt(3), t.toInt(4)};
    Query q(*data, QStringLiteral(R"(select "table","column","row" from "data" union all select "table","column","row" from "repdata")"));
    int cells = 0;
    while (q.next()) {
        ++cells;
        ASSERT_TRUE(tables.count(q.toInt(0)));
        const Geometry& g = tables[q.toInt(0)];
        EXPECT_TRUE(g.fixcols + 2 <= q.toInt(1) && q.toInt(1) <= g.colcount + 1) << q.toInt(0) << ":" << q.toInt(1);
        EXPECT_TRUE(g.fixrows + 2 <= q.toInt(2) && q.toInt(2) <= g.rowcount + 1) << q.toInt(0) << ":" << q.toInt(2);
    }
    EXPECT_GT(cells, 500);
    // The fractional table holds quarter posts.
    EXPECT_EQ(cell(Sample::Unit::SvetlogorskHospital, "Ф30", "(1100)", 3, 2), 22.5);
}

// The mistakes, by hand: each breaks one control of its kind.
TEST_F(SampleYear, NumbersBreakSomeControls)
{
    using namespace Sample;
    // Within a table, column cycle: pneumonias (row 5) above respiratory diseases (row 4),
    // 420 cases x 6 x scale 3 x children's share 0.2 = 1512.
    EXPECT_TRUE(controlExists(Form::F12, "(1000)", "стр4", ">=", "стр5", "гр[4..7]"));
    EXPECT_EQ(cell(Unit::ZarechnayaInpatient, "Ф12", "(1000)", 4, 4), 1512);
    EXPECT_EQ(cell(Unit::ZarechnayaInpatient, "Ф12", "(1000)", 4, 5), 1524);
    // Within a table, "=": beds 30 + 20 + 12 + 3 = 65, the total says 70.
    EXPECT_TRUE(controlExists(Form::F30, "(3100)", "СТР1", "=", "СТР2+СТР3+СТР4+СТР5", "гр3..7"));
    const int parts[] = {2, 3, 4, 5};
    double beds = 0;
    for (int row : parts)
        beds += cell(Unit::Malinovka, "Ф30", "(3100)", 3, row);
    EXPECT_EQ(beds, 65);
    EXPECT_EQ(cell(Unit::Malinovka, "Ф30", "(3100)", 3, 1), 70);
    // Within a fractional table, row cycle: 22.75 posts taken of 22.5.
    EXPECT_TRUE(controlExists(Form::F30, "(1100)", "ГР3", ">=", "ГР4", "стр1..6"));
    EXPECT_EQ(cell(Unit::SvetlogorskHospital, "Ф30", "(1100)", 4, 2), 22.75);
    // Between tables: the elderly above all adults.
    EXPECT_TRUE(controlExists(Form::F12, "", "Т(3000)СТР1", ">=", "Т(4000)СТР1", "гр4..6"));
    EXPECT_EQ(cell(Unit::OzernayaCrb, "Ф12", "(4000)", 4, 1) - cell(Unit::OzernayaCrb, "Ф12", "(3000)", 4, 1), 7);
    // Between forms: 222 admitted to infectious beds against 38 + 12 + 142 = 192 registered.
    EXPECT_TRUE(controlExists(0, "", "Ф30Т(3100)СТР5ГР5", "<=",
                              "Ф12Т(1000)СТР2ГР4+Ф12Т(2000)СТР2ГР4+Ф12Т(3000)СТР2ГР4", ""));
    EXPECT_EQ(cell(Unit::Berezovka, "Ф30", "(3100)", 5, 5), 222);
    EXPECT_EQ(cell(Unit::Berezovka, "Ф12", "(1000)", 4, 2) + cell(Unit::Berezovka, "Ф12", "(2000)", 4, 2)
                  + cell(Unit::Berezovka, "Ф12", "(3000)", 4, 2), 192);
    // And one whose institution entered nothing.
    EXPECT_TRUE(controlExists(Form::F12, "(1000)", "СТР1ГР4", ">", "0", ""));
    EXPECT_EQ(count(*data, QStringLiteral(R"(select count(*) from "data" where "hospital"=?)"),
                    {Unit::SvetlogorskPolyclinic}), 0);
}

TEST(SampleNextYear, StartsFromTheDictionaryWithoutNumbers)
{
    auto first = Database::open(yearFile(2025, "ktrmain.mdb"), true);
    auto next = Database::open(yearFile(2026, "ktrmain.mdb"), true);
    for (const char* table : {"forms", "tables", "titles", "int_control", "administration", "reports"}) {
        SCOPED_TRACE(table);
        const QString sql = QStringLiteral("select count(*) from %1").arg(quoteIdent(QString::fromUtf8(table)));
        EXPECT_EQ(count(*next, sql), count(*first, sql));
    }
    EXPECT_GT(count(*next, QStringLiteral(R"(select count(*) from "populations1" where "year"=2026)")), 0);
    auto data = Database::open(yearFile(2026, "data0.mdb"), true);
    EXPECT_EQ(count(*data, QStringLiteral(R"(select count(*) from "data")")), 0);
}

}  // namespace
