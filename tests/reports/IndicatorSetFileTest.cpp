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

IndicatorSetData exported(Database& db, int ident)
{
    IndicatorSetData data;
    QString error;
    EXPECT_TRUE(exportIndicatorSet(db, ident, &data, &error)) << error.toStdString();
    return data;
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
    EXPECT_EQ(formatIndicatorSetFile(exported(year->dictionary(), a)), expected);

    // A set without sub-sets: the tree section is empty, every line carries set 0.
    EXPECT_EQ(formatIndicatorSetFile(exported(year->dictionary(), d)),
              (QStringList{u("[Tree]"), u("[Columns]"), u("[Rows]"), u("0,1\tГ1\t22"), u("[Formulas]")}));
}

TEST_F(IndicatorSetFileTest, RoundTripUnderAnotherSet)
{
    Database& db = year->dictionary();
    const IndicatorSetData ofA = exported(db, a);
    const QString path = dir.filePath(u("a.stt"));
    QString error;
    ASSERT_TRUE(writeIndicatorSetFile(path, ofA, &error)) << error.toStdString();
    IndicatorSetFileReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    EXPECT_EQ(reader.data(), ofA);

    const int x = addSet(db, u("Х"), 0);
    importIndicatorSet(db, x, reader.data(), IndicatorOwnPart::Add);
    // X has A's own titles and formulas; Б, В, Г hang below X.
    EXPECT_EQ(exported(db, x), ofA);
    EXPECT_EQ(db.scalar(u(R"(select "title" from "col_titles" where "term"=?)"), {x}).toString(), u("Всего\r\nчел."));
}

TEST_F(IndicatorSetFileTest, ImportWithReplaceKeepsSubSetsAndReplacesOwnRows)
{
    Database& db = year->dictionary();
    const IndicatorSetData ofC = exported(db, c);   // В alone: one row, one column
    importIndicatorSet(db, a, ofC, IndicatorOwnPart::Replace);
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

namespace {

// A chain of `depth` sets, one below the other, each line of the [Tree] section one level deeper.
QByteArray chainFile(int depth)
{
    QByteArray text = "[Tree]\r\n";
    for (int level = 1; level <= depth; ++level)
        text += QByteArray::number(level) + ",S" + QByteArray::number(level) + "\r\n";
    return text + "[Columns]\r\n[Rows]\r\n[Formulas]\r\n";
}

// A chain in the dictionary below `top`; the deepest set's ident.
int addChain(Database& db, int top, int depth)
{
    Transaction t(db);
    int parent = top;
    for (int i = 0; i < depth; ++i)
        parent = addSet(db, u("S%1").arg(i + 1), parent);
    t.commit();
    return parent;
}

TEST_F(IndicatorSetFileTest, AChainDeeperThanTheTreeIsRefusedAtItsFirstLineTooDeep)
{
    // Level 999 goes on line 1000: below any set it stays within the tree's 1000 levels.
    for (const auto& [depth, refusedLine] : {std::pair{999, 0}, std::pair{1005, 1001}}) {
        SCOPED_TRACE(depth);
        QByteArray bytes = chainFile(depth);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        IndicatorSetFileReader reader;
        EXPECT_EQ(reader.read(&buffer, u("x.stt")), refusedLine == 0);
        if (refusedLine) {
            EXPECT_TRUE(reader.errorString().startsWith(u("Файл x.stt, строка %1: уровень 1000 глубже").arg(refusedLine)))
                << reader.errorString().toStdString();
            EXPECT_EQ(reader.data(), IndicatorSetData());
        } else {
            EXPECT_EQ(reader.data().tree.size(), depth);
        }
    }
}

TEST_F(IndicatorSetFileTest, AnImportGoesNoDeeperThanTheTree)
{
    Database& db = year->dictionary();
    IndicatorSetData data;
    for (int level = 1; level <= 998; ++level)
        data.tree.append({level, u("S%1").arg(level)});
    QString error;
    // А is on level 1 and В on level 3: 1 + 998 fits, 3 + 998 does not.
    EXPECT_TRUE(indicatorSetFits(db, a, data, &error)) << error.toStdString();
    EXPECT_FALSE(indicatorSetFits(db, c, data, &error));
    EXPECT_EQ(error, u("Набор из строки 999 файла лег бы на уровень 1001, а дерево показателей не глубже 1000 уровней"));
}

TEST_F(IndicatorSetFileTest, ATreeDeeperThanAFileIsNotExportedAndIsDeletedWhole)
{
    Database& db = year->dictionary();
    // A chain of 1005 below Г, as an import before the bound could leave it.
    addChain(db, d, 1005);
    IndicatorSetData data;
    data.tree.append({1, u("не тронуть")});
    QString error;
    EXPECT_FALSE(exportIndicatorSet(db, d, &data, &error));
    EXPECT_EQ(error, u("Под набором лежат наборы глубже 999 уровней: такой файл нельзя было бы загрузить"));
    EXPECT_EQ(data.tree.size(), 1);

    deleteIndicatorSet(db, d);
    EXPECT_EQ(count(db, "tree"), 3);   // А, Б, В
    EXPECT_EQ(db.scalar(u(R"(select count(*) from "tree" where "depend"<>0 and "depend" not in (select "ident" from "tree"))")).toInt(), 0);
}

TEST_F(IndicatorSetFileTest, LinksThatLoopBackEndTheWalks)
{
    Database& db = year->dictionary();
    // В made Б's parent: Б and В hang below each other, cut off from А.
    db.exec(u(R"(update "tree" set "depend"=? where "ident"=?)"), {c, b});
    EXPECT_EQ(exported(db, b).tree, (QList<IndicatorTreeLine>{{1, u("В")}}));
    EXPECT_GT(indicatorSetDepth(db, b), kMaxIndicatorSetDepth);
    deleteIndicatorSet(db, b);
    EXPECT_EQ(count(db, "tree"), 2);   // А, Г
}

}
