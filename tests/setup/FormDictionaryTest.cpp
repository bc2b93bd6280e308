#include "setup/FormDictionary.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "platform/Database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int count(Database& db, const QString& sql, const QVariantList& params = {})
{
    return db.scalar(sql, params).toInt();
}

// Two forms of two and one tables, each with layout, titles, a condition, cells at the annual
// level and at a quarter, type assignments and controls.
class Dictionary : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (int t : {t1, t2, t3}) {
            year.addPlainTitles(t);
            year.dictionary().exec(QStringLiteral(R"(insert into "conditions" ("tid","row","column") values (?,1,1))"), {t});
            for (const char* cells : {"data", "repdata"}) {
                year.setCell(5, t, 3, 3, 7, QString::fromLatin1(cells));
                quarter->exec(QStringLiteral(R"(insert into %1 values (5, 7, 2025, ?, 3, 3))").arg(QString::fromLatin1(cells)), {t});
            }
        }
        year.assignForm(type, f12);
        year.assignForm(type, f30);
    }

    // The rows every part of the dictionary and of both data files hold for a table.
    QList<int> rowsOf(int t)
    {
        Database& d = year.dictionary();
        return {count(d, QStringLiteral(R"(select count(*) from "tables" where "ident"=?)"), {t}),
                count(d, QStringLiteral(R"(select count(*) from "rows" where "table"=?)"), {t}),
                count(d, QStringLiteral(R"(select count(*) from "columns" where "table"=?)"), {t}),
                count(d, QStringLiteral(R"(select count(*) from "titles" where "table"=?)"), {t}),
                count(d, QStringLiteral(R"(select count(*) from "conditions" where "tid"=?)"), {t}),
                count(year.data(), QStringLiteral(R"(select count(*) from "data" where "table"=?)"), {t}),
                count(year.data(), QStringLiteral(R"(select count(*) from "repdata" where "table"=?)"), {t}),
                count(*quarter, QStringLiteral(R"(select count(*) from "data" where "table"=?)"), {t})};
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int f12 = year.addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
    int f30 = year.addForm(QStringLiteral("Ф30"), QStringLiteral("Организация"));
    int t1 = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Дети"), 4, 3, 1, 1);
    int t2 = year.addTable(f12, QStringLiteral("(2000)"), QStringLiteral("Взрослые"), 4, 3, 1, 1);
    int t3 = year.addTable(f30, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 4, 3, 1, 1);
    int type = year.addMedicalType(QStringLiteral("Больницы"));
    int control12 = year.addControl(f12, QStringLiteral("(1000)"), QStringLiteral("гр2"), QStringLiteral(">="), QStringLiteral("гр3"));
    int control30 = year.addControl(f30, QStringLiteral("(1000)"), QStringLiteral("гр2"), QStringLiteral(">="), QStringLiteral("гр3"));
    int level = year.addLevel(QStringLiteral("1 квартал"));
    std::unique_ptr<Database> quarter = Database::open(year.yearFolder() + QStringLiteral("/data%1.mdb").arg(level));
};

// tables, rows, columns, titles, conditions, data, repdata, the quarter's data
const QList<int> kWhole{1, 3, 4, 6, 1, 1, 1, 1};

TEST_F(Dictionary, DeletingAFormTakesItsTablesAndCurrentCellsAndKeepsTheRest)
{
    deleteForm(year.dictionary(), year.dataPath(), f12);

    Database& d = year.dictionary();
    EXPECT_EQ(count(d, QStringLiteral(R"(select count(*) from "forms" where "id"=?)"), {f12}), 0);
    EXPECT_EQ(count(d, QStringLiteral(R"(select count(*) from "med_type_forms" where "formsid"=?)"), {f12}), 0);
    // conditions, the quarter's cells and the controls are kept
    const QList<int> gone{0, 0, 0, 0, 1, 0, 0, 1};
    EXPECT_EQ(rowsOf(t1), gone);
    EXPECT_EQ(rowsOf(t2), gone);
    EXPECT_EQ(rowsOf(t3), kWhole);
    EXPECT_EQ(count(d, QStringLiteral(R"(select count(*) from "med_type_forms" where "formsid"=?)"), {f30}), 1);
    EXPECT_EQ(count(d, QStringLiteral(R"(select count(*) from "int_control")")), 2);
}

TEST_F(Dictionary, ADeleteThatFailsMidwayChangesNeitherFile)
{
    // the last step of both deletes fails, after the cells of the data file went
    year.dictionary().execScript(QStringLiteral(
        R"(create trigger "refuse" before delete on "tables" begin select raise(abort, 'forced'); end;)"));
    EXPECT_THROW(deleteForm(year.dictionary(), year.dataPath(), f12), DbError);
    EXPECT_THROW(deleteTable(year.dictionary(), year.dataPath(), t3), DbError);
    for (int t : {t1, t2, t3})
        EXPECT_EQ(rowsOf(t), kWhole) << t;
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "forms")")), 2);
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "med_type_forms")")), 2);
}

TEST_F(Dictionary, DeletingATableTakesItsConditionsAndCurrentCellsOnly)
{
    deleteTable(year.dictionary(), year.dataPath(), t1);
    EXPECT_EQ(rowsOf(t1), (QList<int>{0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(rowsOf(t2), kWhole);
    EXPECT_EQ(rowsOf(t3), kWhole);
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "int_control")")), 2);
}

TEST_F(Dictionary, AFormKeepsItsQuotesAndANameUniqueWhateverTheCase)
{
    QString error;
    const CatalogueForm quoted{f30, QStringLiteral("Ф30\"а\""), QStringLiteral("Сведения о \"МО\" и 'ФАП'"), true};
    ASSERT_TRUE(updateForm(year.dictionary(), quoted, &error)) << error.toStdString();
    EXPECT_EQ(readCatalogueForm(year.dictionary(), f30), quoted);

    for (const QString& name : {QStringLiteral("ф12"), QStringLiteral("Ф12"), QStringLiteral("  ")}) {
        SCOPED_TRACE(name.toStdString());
        error.clear();
        EXPECT_FALSE(updateForm(year.dictionary(), {f30, name, QStringLiteral("x"), false}, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readCatalogueForm(year.dictionary(), f30), quoted);
    }
    // its own name in another case is no clash
    EXPECT_TRUE(updateForm(year.dictionary(), {f12, QStringLiteral("ф12"), QStringLiteral("З"), false}, &error));
}

TEST_F(Dictionary, TheOrderIsSavedAsPositions)
{
    saveFormOrder(year.dictionary(), {f30, f12});
    const QList<CatalogueForm> forms = readCatalogue(year.dictionary());
    ASSERT_EQ(forms.size(), 2);
    EXPECT_EQ(forms[0].id, f30);
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select "ind" from "forms" where "id"=?)"), {f12}), 1);
}

TEST_F(Dictionary, ARefusedTableNumberChangesNothing)
{
    for (const char* number : {"(2000)", "1000", "()", "(1000", ""}) {
        SCOPED_TRACE(number);
        const TableSave saved = saveTable(year.dictionary(), f12, {t1, QString::fromUtf8(number), QStringLiteral("Новое"), true, 1});
        EXPECT_FALSE(saved.saved);
        EXPECT_FALSE(saved.error.isEmpty());
    }
    EXPECT_EQ(readFormTables(year.dictionary(), f12).first(),
              (FormTable{t1, QStringLiteral("(1000)"), QStringLiteral("Дети"), false, 0}));
}

TEST_F(Dictionary, RenumberingCarriesTheFormsControlsOfThatTable)
{
    const int second = year.addControl(f12, QStringLiteral("(1000)"), QStringLiteral("гр4"), QStringLiteral("="), QStringLiteral("0"));
    const int other = year.addControl(f12, QStringLiteral("(2000)"), QStringLiteral("гр4"), QStringLiteral("="), QStringLiteral("0"));
    const TableSave saved = saveTable(year.dictionary(), f12, {t1, QStringLiteral("(1500)"), QStringLiteral("Дети"), true, 1});
    ASSERT_TRUE(saved.saved) << saved.error.toStdString();
    EXPECT_EQ(saved.movedControls, 2);
    auto tble = [&](int code) {
        return year.dictionary().scalar(QStringLiteral(R"(select "tble" from "int_control" where "Код"=?)"), {code}).toString();
    };
    EXPECT_EQ(tble(control12), QStringLiteral("(1500)"));
    EXPECT_EQ(tble(second), QStringLiteral("(1500)"));
    EXPECT_EQ(tble(other), QStringLiteral("(2000)"));
    EXPECT_EQ(tble(control30), QStringLiteral("(1000)"));   // another form's table (1000)
    EXPECT_EQ(readFormTables(year.dictionary(), f12).first(),
              (FormTable{t1, QStringLiteral("(1500)"), QStringLiteral("Дети"), true, 1}));
}

}  // namespace
