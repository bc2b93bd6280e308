#include "reports/IndicatorSetFile.h"

#include "platform/Database.h"
#include "platform/TextFiles.h"
#include "PrintTo.h"
#include "YearFixture.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

int addSet(Database& db, const QString& name, int depend)
{
    db.exec(u(R"(insert into "tree" ("part","depend") values (?,?))"), {name, depend});
    return int(db.lastInsertId());
}

void addColumn(Database& db, int term, int column, const QString& title, int width)
{
    db.exec(u(R"(insert into "col_titles" values (?,?,?,?))"), {term, column, title, width});
}

void addRow(Database& db, int term, int row, const QString& title, int height)
{
    db.exec(u(R"(insert into "row_titles" values (?,?,?,?))"), {term, row, title, height});
}

void addFormula(Database& db, int term, int row, int column, const QString& formula)
{
    db.exec(u(R"(insert into "formulas" values (?,?,?,?))"), {term, row, column, formula});
}

int count(Database& db, const char* table)
{
    return db.scalar(u("select count(*) from \"%1\"").arg(QLatin1String(table))).toInt();
}

class IndicatorSetFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        year = std::make_unique<YearFixture>(dir.path());
        Database& db = year->dictionary();
        a = addSet(db, u("А"), 0);
        b = addSet(db, u("Б"), a);
        c = addSet(db, u("В"), b);
        d = addSet(db, u("Г"), a);
        addColumn(db, a, 1, u("Всего\r\nчел."), 80);
        addRow(db, a, 1, u("Взрослые"), 20);
        addFormula(db, a, 1, 1, u("Ф12Т[1000]СТР1ГР3;‰"));
        addFormula(db, a, 1, -1, u("X=1"));
        addColumn(db, c, 2, u("Графа\tс табуляцией"), 64);
        addRow(db, c, 3, u("Дети"), 21);
        addFormula(db, c, 3, 2, u("X*2"));
        addRow(db, d, 1, u("Г1"), 22);
    }

    QTemporaryDir dir;
    std::unique_ptr<YearFixture> year;
    int a = 0, b = 0, c = 0, d = 0;
};

TEST_F(IndicatorSetFileTest, ExportGivesTheLinesSetBySetDepthFirst)
{
    const QStringList expected{
        u("[Tree]"),
        u("1,Б"),
        u("2,В"),
        u("1,Г"),
        u("[Columns]"),
        u("0,1\tВсего") + QChar(2) + QChar(1) + u("чел.\t80"),
        u("2,2\tГрафа\tс табуляцией\t64"),
        u("[Rows]"),
        u("0,1\tВзрослые\t20"),
        u("2,3\tДети\t21"),
        u("3,1\tГ1\t22"),
        u("[Formulas]"),
        u("0,1\t1\tФ12Т[1000]СТР1ГР3;‰"),
        u("0,-1\t1\tX=1"),
        u("2,2\t3\tX*2"),
    };
    EXPECT_EQ(formatIndicatorSetFile(exportIndicatorSet(year->dictionary(), a)), expected);

    // A set without sub-sets: the tree section is empty, every line carries set 0.
    EXPECT_EQ(formatIndicatorSetFile(exportIndicatorSet(year->dictionary(), d)),
              (QStringList{u("[Tree]"), u("[Columns]"), u("[Rows]"), u("0,1\tГ1\t22"), u("[Formulas]")}));
}

TEST_F(IndicatorSetFileTest, RoundTripUnderAnotherSet)
{
    Database& db = year->dictionary();
    const IndicatorSetData exported = exportIndicatorSet(db, a);
    const QString path = dir.filePath(u("a.stt"));
    QString error;
    ASSERT_TRUE(writeIndicatorSetFile(path, exported, &error)) << error.toStdString();
    IndicatorSetFileReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    EXPECT_EQ(reader.data(), exported);

    const int x = addSet(db, u("Х"), 0);
    importIndicatorSet(db, x, reader.data(), IndicatorOwnPart::Add);
    // X has A's own titles and formulas; Б, В, Г hang below X.
    EXPECT_EQ(exportIndicatorSet(db, x), exported);
    EXPECT_EQ(db.scalar(u(R"(select "title" from "col_titles" where "term"=?)"), {x}).toString(), u("Всего\r\nчел."));
}

TEST_F(IndicatorSetFileTest, ImportWithReplaceKeepsSubSetsAndReplacesOwnRows)
{
    Database& db = year->dictionary();
    const IndicatorSetData exported = exportIndicatorSet(db, c);   // В alone: one row, one column
    importIndicatorSet(db, a, exported, IndicatorOwnPart::Replace);
    EXPECT_EQ(db.scalar(u(R"(select count(*) from "row_titles" where "term"=?)"), {a}).toInt(), 1);
    EXPECT_EQ(db.scalar(u(R"(select "title" from "row_titles" where "term"=?)"), {a}).toString(), u("Дети"));
    EXPECT_EQ(db.scalar(u(R"(select count(*) from "tree" where "depend"=?)"), {a}).toInt(), 2);
}

TEST_F(IndicatorSetFileTest, BadFilesNameTheLineAndChangeNothing)
{
    struct Case {
        const char* text;
        const char* where;
    };
    const Case cases[] = {
        {"[Tree]\r\n1,Б\r\n3,В\r\n[Columns]\r\n[Rows]\r\n[Formulas]\r\n", "строка 3"},
        {"[Tree]\r\n2,Б\r\n[Columns]\r\n[Rows]\r\n[Formulas]\r\n", "строка 2"},
        {"[Tree]\r\nБ\r\n[Columns]\r\n[Rows]\r\n[Formulas]\r\n", "строка 2"},
        {"[Tree]\r\n1,Б\r\n[Columns]\r\n2,1\tT\t64\r\n[Rows]\r\n[Formulas]\r\n", "строка 4"},
        {"[Tree]\r\n[Columns]\r\n0,x\tT\t64\r\n[Rows]\r\n[Formulas]\r\n", "строка 3"},
        {"[Tree]\r\n[Columns]\r\n[Rows]\r\n0,1\tT\tвысокая\r\n[Formulas]\r\n", "строка 4"},
        {"[Tree]\r\n[Columns]\r\n[Rows]\r\n[Formulas]\r\n0,1\t1\r\n", "строка 5"},
        {"[Columns]\r\n[Tree]\r\n", "строка 1"},
        {"[Tree]\r\n[Columns]\r\n[Rows]\r\n", "разделов"},
    };
    for (const Case& c : cases) {
        QByteArray bytes;
        QString error;
        ASSERT_TRUE(encode1251(u(c.text), &bytes, &error));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        IndicatorSetFileReader reader;
        EXPECT_FALSE(reader.read(&buffer, u("x.stt"))) << c.text;
        EXPECT_TRUE(reader.errorString().contains(u(c.where))) << reader.errorString().toStdString();
        EXPECT_EQ(reader.data(), IndicatorSetData());
    }
}

TEST_F(IndicatorSetFileTest, DeletingASetRemovesItsSubSetsAndTheirRows)
{
    Database& db = year->dictionary();
    const int other = addSet(db, u("Другой"), 0);
    addRow(db, other, 1, u("Р"), 20);
    deleteIndicatorSet(db, b);
    EXPECT_EQ(count(db, "tree"), 3);   // А, Г, Другой
    EXPECT_EQ(db.scalar(u(R"(select count(*) from "row_titles" where "term"=?)"), {c}).toInt(), 0);
    EXPECT_EQ(db.scalar(u(R"(select count(*) from "formulas" where "term"=?)"), {c}).toInt(), 0);
    deleteIndicatorSet(db, a);
    EXPECT_EQ(count(db, "tree"), 1);
    EXPECT_EQ(count(db, "row_titles"), 1);
    EXPECT_EQ(count(db, "col_titles"), 0);
    EXPECT_EQ(count(db, "formulas"), 0);
}

TEST_F(IndicatorSetFileTest, AddAndRename)
{
    Database& db = year->dictionary();
    const int n = addIndicatorSet(db, a);
    EXPECT_EQ(db.scalar(u(R"(select "part" from "tree" where "ident"=?)"), {n}).toString(),
              u("Неопределенный набор показателей"));
    renameIndicatorSet(db, n, u("Имя \"в кавычках\""));
    EXPECT_EQ(db.scalar(u(R"(select "part" from "tree" where "ident"=?)"), {n}).toString(), u("Имя \"в кавычках\""));
}

} // namespace
