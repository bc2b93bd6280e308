#include "reports/IndicatorForms.h"

#include "platform/Database.h"
#include "PrintTo.h"
#include "YearFixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

class IndicatorForms : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path()};
    const int term = 7;

    void SetUp() override
    {
        Database& db = year.dictionary();
        for (int r = 1; r <= 4; ++r) {
            db.exec(u(R"(insert into "row_titles" values (?,?,?,20))"), {term, r, u("Р%1").arg(r)});
            db.exec(u(R"(insert into "formulas" values (?,?,1,?))"), {term, r, u("А%1").arg(r)});
        }
        db.exec(u(R"(insert into "col_titles" values (?,1,'Г1',64))"), {term});
        // Identifiers at rows 0..2: untouched by any row change.
        for (int r = 0; r <= 2; ++r)
            db.exec(u(R"(insert into "formulas" values (?,?,-1,?))"), {term, r, u("И%1=а").arg(r)});
    }

    QStringList rows(const char* sql)
    {
        QStringList out;
        Query q(year.dictionary(), u(sql), {term});
        while (q.next())
            out << q.text(0) + u':' + q.text(1);
        return out;
    }
};

TEST_F(IndicatorForms, DeletingRowTwoOfFourRenumbersAndKeepsTheIdentifiers)
{
    deleteIndicatorRow(year.dictionary(), term, 2);
    EXPECT_EQ(rows(R"(select "row","title" from "row_titles" where "term"=? order by "row")"),
              (QStringList{u("1:Р1"), u("2:Р3"), u("3:Р4")}));
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? and "column"=1 order by "row")"),
              (QStringList{u("1:А1"), u("2:А3"), u("3:А4")}));
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? and "column"=-1 order by "row")"),
              (QStringList{u("0:И0=а"), u("1:И1=а"), u("2:И2=а")}));
    deleteIndicatorRow(year.dictionary(), term, 0);   // the titles row stays
    EXPECT_EQ(rows(R"(select "row","title" from "row_titles" where "term"=? order by "row")").size(), 3);
}

TEST_F(IndicatorForms, DeletingAColumnKeepsTheIdentifiers)
{
    deleteIndicatorColumn(year.dictionary(), term, 1);
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? order by "row")"),
              (QStringList{u("0:И0=а"), u("1:И1=а"), u("2:И2=а")}));
}

TEST_F(IndicatorForms, ReplacingATextByOneThatHoldsItEnds)
{
    EXPECT_EQ(replaceInIndicatorFormulas(year.dictionary(), term, u("а"), u("АА")), 4);
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? and "column"=1 order by "row")"),
              (QStringList{u("1:АА1"), u("2:АА2"), u("3:АА3"), u("4:АА4")}));
    // One row only; identifiers never change.
    EXPECT_EQ(replaceInIndicatorFormulas(year.dictionary(), term, u("АА3"), u("Б"), 3), 1);
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? and "column"=-1 order by "row")"),
              (QStringList{u("0:И0=а"), u("1:И1=а"), u("2:И2=а")}));
    EXPECT_EQ(replaceInIndicatorFormulas(year.dictionary(), term, QString(), u("x")), -1);
}

TEST(IndicatorText, IsCleanedAsItIsStored)
{
    struct Case {
        const char* typed;
        IndicatorTextKind kind;
        const char* stored;
    };
    const Case cases[] = {
        {"", IndicatorTextKind::Formula, " "},
        {"", IndicatorTextKind::Title, " "},
        {" Ф12 СТР1 ГР2 / НАСЕЛЕНИЕ0 * 1000", IndicatorTextKind::Formula, "Ф12СТР1ГР2/НАСЕЛЕНИЕ0*1000"},
        {"А / Б ; на 1000 жителей", IndicatorTextKind::Formula, "А/Б; на 1000 жителей"},
        {"А\r\n+\tБ", IndicatorTextKind::Formula, "А+Б"},
        {" ", IndicatorTextKind::Formula, " "},
        {"   ", IndicatorTextKind::Formula, " "},
        {"ВРАЧИ = Ф30\nСТР1\tГР3", IndicatorTextKind::Identifier, "ВРАЧИ = Ф30СТР1ГР3"},
        {"На 1000\nнаселения", IndicatorTextKind::Title, "На 1000\r\nнаселения"},
        {"Два\r\nраза\rи\n", IndicatorTextKind::Title, "Два\r\nраза\r\nи\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(cleanIndicatorText(u(c.typed), c.kind), u(c.stored));
    }
    EXPECT_EQ(indicatorStoredText(u("Итого: всё")), u("Итого") + QChar(3) + u(" всё"));
    EXPECT_EQ(indicatorShownText(indicatorStoredText(u("а:б:в"))), u("а:б:в"));
}

TEST_F(IndicatorForms, TheCornerStandsInBothTitleTables)
{
    Database& db = year.dictionary();
    // Only the row table has the corner so far: the column table gets it with the width given.
    db.exec(u(R"(insert into "row_titles" values (?,0,'Старый',30))"), {term});
    EXPECT_EQ(storeIndicatorCell(db, term, 0, 0, u("Показатель:"), 120, 40), u("Показатель:"));
    const QString stored = u("Показатель") + QChar(3);
    EXPECT_EQ(rows(R"(select "title","height" from "row_titles" where "term"=? and "row"=0)"),
              QStringList{stored + u(":30")});
    EXPECT_EQ(rows(R"(select "title","width" from "col_titles" where "term"=? and "column"=0)"),
              QStringList{stored + u(":120")});
    storeIndicatorCell(db, term, 0, 0, u("Угол"), 1, 1);
    EXPECT_EQ(rows(R"(select "title","height" from "row_titles" where "term"=? and "row"=0)"),
              QStringList{u("Угол:30")});
    EXPECT_EQ(rows(R"(select "title","width" from "col_titles" where "term"=? and "column"=0)"),
              QStringList{u("Угол:120")});
}

TEST_F(IndicatorForms, TitlesAndFormulasAreInsertedOrUpdated)
{
    Database& db = year.dictionary();
    EXPECT_EQ(storeIndicatorCell(db, term, 0, 2, u("Вторая\nстрока"), 64, 33), u("Вторая\r\nстрока"));
    EXPECT_EQ(storeIndicatorCell(db, term, 2, 0, u("Г2"), 77, 20), u("Г2"));
    EXPECT_EQ(storeIndicatorCell(db, term, 2, 3, u("А + Б"), 77, 20), u("А+Б"));
    EXPECT_EQ(storeIndicatorCell(db, term, 1, 3, u("В"), 64, 20), u("В"));
    EXPECT_EQ(rows(R"(select "row","title"||'/'||"height" from "row_titles" where "term"=? order by "row")"),
              (QStringList{u("1:Р1/20"), u("2:Вторая\r\nстрока/20"), u("3:Р3/20"), u("4:Р4/20")}));
    EXPECT_EQ(rows(R"(select "column","title"||'/'||"width" from "col_titles" where "term"=? order by "column")"),
              (QStringList{u("1:Г1/64"), u("2:Г2/77")}));
    EXPECT_EQ(rows(R"(select "column","formula" from "formulas" where "term"=? and "row"=3 order by "column")"),
              (QStringList{u("1:В"), u("2:А+Б")}));
    EXPECT_EQ(year.dictionary().scalar(u(R"(select count(*) from "formulas" where "term"=?)"), {term}).toInt(), 8);
}

TEST_F(IndicatorForms, InsertingARowOrColumnMovesTheCellsAndKeepsTheIdentifiers)
{
    Database& db = year.dictionary();
    insertIndicatorRow(db, term, 2);
    EXPECT_EQ(rows(R"(select "row","title" from "row_titles" where "term"=? order by "row")"),
              (QStringList{u("1:Р1"), u("3:Р2"), u("4:Р3"), u("5:Р4")}));
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? and "column"=1 order by "row")"),
              (QStringList{u("1:А1"), u("3:А2"), u("4:А3"), u("5:А4")}));
    insertIndicatorColumn(db, term, 1);
    EXPECT_EQ(rows(R"(select "column","title" from "col_titles" where "term"=?)"), QStringList{u("2:Г1")});
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? and "column"=-1 order by "row")"),
              (QStringList{u("0:И0=а"), u("1:И1=а"), u("2:И2=а")}));
    insertIndicatorRow(db, term, 0);   // the titles row stays where it is
    insertIndicatorColumn(db, term, 0);
    EXPECT_EQ(rows(R"(select "column","title" from "col_titles" where "term"=?)"), QStringList{u("2:Г1")});
}

TEST_F(IndicatorForms, IdentifiersTakeTheNextRow)
{
    Database& db = year.dictionary();
    const int fresh = term + 1;
    EXPECT_EQ(addIndicatorIdentifier(db, fresh), 0);
    EXPECT_EQ(addIndicatorIdentifier(db, fresh), 1);
    EXPECT_EQ(addIndicatorIdentifier(db, term), 3);
    deleteIndicatorIdentifier(db, term, 1);
    EXPECT_EQ(storeIndicatorIdentifier(db, term, 3, u("Х = А:Б")), u("Х = А:Б"));
    EXPECT_EQ(loadIndicatorIdentifiers(db, term),
              (QList<IndicatorIdentifier>{{0, u("И0=а")}, {2, u("И2=а")}, {3, u("Х = А:Б")}}));
    EXPECT_EQ(loadIndicatorIdentifiers(db, fresh),
              (QList<IndicatorIdentifier>{{0, u("Неопределенный идентификатор")},
                                          {1, u("Неопределенный идентификатор")}}));
}

TEST_F(IndicatorForms, SizesAreSavedAndSetToTheStandard)
{
    Database& db = year.dictionary();
    // No corner yet: it is stored as a blank with the sizes of row 0 and column 0.
    saveIndicatorSizes(db, term, QString(), {150, 90}, {40, 25, 26, 27, 28});
    EXPECT_EQ(rows(R"(select "column","title"||'/'||"width" from "col_titles" where "term"=? order by "column")"),
              (QStringList{u("0: /150"), u("1:Г1/90")}));
    EXPECT_EQ(rows(R"(select "row","height" from "row_titles" where "term"=? order by "row")"),
              (QStringList{u("0:40"), u("1:25"), u("2:26"), u("3:27"), u("4:28")}));
    saveIndicatorSizes(db, term, u("Угол"), {151, 91}, {41});
    EXPECT_EQ(rows(R"(select "column","title"||'/'||"width" from "col_titles" where "term"=? order by "column")"),
              (QStringList{u("0: /151"), u("1:Г1/91")}));
    setStandardIndicatorSizes(db, term);
    EXPECT_EQ(rows(R"(select "column","width" from "col_titles" where "term"=? order by "column")"),
              (QStringList{u("0:64"), u("1:64")}));
    EXPECT_EQ(rows(R"(select "row","height" from "row_titles" where "term"=? order by "row")"),
              (QStringList{u("0:20"), u("1:20"), u("2:20"), u("3:20"), u("4:20")}));
}

TEST_F(IndicatorForms, ReplacingComparesTheShownTextAndTellsWhatChanged)
{
    Database& db = year.dictionary();
    db.exec(u(R"(update "formulas" set "formula"=? where "term"=? and "row"=2 and "column"=1)"),
            {u("Ф12") + QChar(3) + u("СТР1"), term});
    QList<IndicatorCellChange> changes;
    // The replacement goes in without its blanks, as a typed formula would.
    EXPECT_EQ(replaceInIndicatorFormulas(db, term, u(":стр"), u(": Гр "), -1, -1, &changes), 1);
    EXPECT_EQ(changes, (QList<IndicatorCellChange>{{2, 1, u("Ф12:Гр1")}}));
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? and "row"=2 and "column"=1)"),
              QStringList{u("2:Ф12") + QChar(3) + u("Гр1")});
    // A replacement that comes out as the formula was changes nothing.
    EXPECT_EQ(replaceInIndicatorFormulas(db, term, u("гр"), u(" Гр"), -1, -1, &changes), 0);
    EXPECT_TRUE(changes.isEmpty());
}

TEST_F(IndicatorForms, AFailedCornerChangesNeitherTable)
{
    Database& db = year.dictionary();
    db.exec(u(R"(create trigger f before insert on "row_titles" begin select raise(abort,'forced'); end;)"));
    EXPECT_THROW(storeIndicatorCell(db, term, 0, 0, u("Угол"), 64, 20), DbError);
    EXPECT_TRUE(rows(R"(select "column","title" from "col_titles" where "term"=? and "column"=0)").isEmpty());
}

} // namespace

// A replacement may break many formulas at once: the question names ten and counts the rest, and
// a replacement that breaks none asks nothing.
TEST(BrokenFormulas, AreNamedUpToTenAndTheRestCounted)
{
    QList<IndicatorCellChange> proposed{{3, 2, QStringLiteral("А1+Б1")}};
    EXPECT_EQ(brokenFormulasQuestion(proposed), QString());
    for (int row = 1; row <= 12; ++row)
        proposed.append({row, 1, QStringLiteral("(А%1").arg(row)});
    QString expected = QStringLiteral("После замены не будут читаться формулы:\n");
    for (int row = 1; row <= 10; ++row)
        expected += QStringLiteral("строка %1, графа 1: Формула не читается: нарушен баланс скобок\n").arg(row);
    expected += QStringLiteral("и еще 2\nЗаменить?");
    EXPECT_EQ(brokenFormulasQuestion(proposed), expected);
}
