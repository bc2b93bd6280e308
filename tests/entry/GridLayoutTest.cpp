#include "entry/GridLayout.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "platform/Database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Every character 10 pixels wide, lines 12 high: widths can be worked out by hand.
class TenPixels final : public TextMeasure {
public:
    int width(const QString& text) const override { return int(text.size()) * 10; }
    int height() const override { return 12; }
};

struct Placed {
    QString text;
    HeaderPanel panel;
    QRect rect;
    bool operator==(const Placed&) const = default;
};
void PrintTo(const Placed& p, std::ostream* os)
{
    *os << '{' << p.text.toStdString() << ", panel " << int(p.panel) << ", " << p.rect.x() << ','
        << p.rect.y() << ' ' << p.rect.width() << 'x' << p.rect.height() << '}';
}

QList<Placed> placedOf(const TableLayout& t)
{
    QList<Placed> out;
    for (const PlacedHeader& p : placeHeaders(t, GridGeometry(t)))
        out.append({p.cell.text, p.panel, p.rect});
    return out;
}

HeaderCell title(int column, int row, const char* text, int endColumn = 0, int endRow = 0)
{
    HeaderCell h;
    h.column = h.startColumn = column;
    h.row = h.startRow = row;
    h.endColumn = endColumn ? endColumn : column;
    h.endRow = endRow ? endRow : row;
    h.text = QString::fromUtf8(text);
    return h;
}

// The title of a cell inside a merged span that starts at (startColumn, startRow).
HeaderCell sameSpan(HeaderCell h, int startColumn, int startRow)
{
    h.startColumn = startColumn;
    h.startRow = startRow;
    return h;
}

// A title row with its span given in full, as the header editor stores every cell of a span.
void addSpanCell(YearFixture& year, int table, int column, int row, const QString& txt, int sc,
                 int sr, int ec, int er, const QString& tchars = QStringLiteral("CC00"))
{
    year.dictionary().exec(QStringLiteral(R"(insert into "titles" values (?,?,?,?,?,?,?,?,?,?,?,?,?))"),
                           {table, column, row, sc, sr, ec, er, QStringLiteral("Arial"), 8.0, false,
                            false, tchars, txt});
}

} // namespace

TEST(TChars, ReadsAlignmentDirectionAndIndent)
{
    using V = TChars::Vertical;
    using H = TChars::Horizontal;
    struct Case { const char* code; V v; H h; bool turned; int indent; };
    const Case cases[] = {
        {"CC00", V::Center, H::Center, false, 0}, {"BR13", V::Bottom, H::Right, true, 3},
        {"TL0", V::Top, H::Left, false, 0},       {"", V::Top, H::Left, false, 0},
        {"XX1", V::Top, H::Left, true, 0},        {"cc0", V::Center, H::Center, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const TChars t = TChars::parse(QString::fromLatin1(c.code));
        EXPECT_EQ(t.vertical, c.v);
        EXPECT_EQ(t.horizontal, c.h);
        EXPECT_EQ(t.turned, c.turned);
        EXPECT_EQ(t.indent, c.indent);
    }
    EXPECT_EQ(TChars::parse(QStringLiteral("BR13")).code(), QStringLiteral("BR13"));
}

// Five layout columns (60, 30, 30, 45, 15 points: 80, 40, 40, 60, 20 pixels at 96 dpi), four
// rows (15, 30, 15, 15 points: 20, 40, 20, 20 pixels), one header column, two header rows.
// Column offsets 1, 82, 123, 164, 225, 246; row offsets 1, 22, 63, 84, 105.
TEST(GridGeometry, OffsetsCountAOnePixelLineAfterEveryColumnAndRow)
{
    TableLayout t;
    t.colcount = 5;
    t.rowcount = 4;
    t.fixcols = 1;
    t.fixrows = 2;
    t.columnWidths = {0, 60, 30, 30, 45, 15};
    t.rowHeights = {0, 15, 30, 15, 15};
    const GridGeometry g(t);
    EXPECT_EQ(g.columnOffset(0), 1);
    EXPECT_EQ(g.columnOffset(1), 82);
    EXPECT_EQ(g.columnOffset(5), 246);
    EXPECT_EQ(g.rowOffset(2), 63);
    EXPECT_EQ(g.spanWidth(2, 3), 81);
    EXPECT_EQ(g.spanHeight(1, 2), 61);
    EXPECT_EQ(g.headerWidth(), 82);
    EXPECT_EQ(g.headerHeight(), 63);
    EXPECT_EQ(g.dataWidth(), 246 - 82);
    EXPECT_EQ(g.dataHeight(), 105 - 63);
    // Grid column 2 is layout column 4; grid row 1 is layout row 4.
    EXPECT_EQ(g.dataCellRect(2, 1), QRect(164 - 82, 84 - 63, 60, 20));
    EXPECT_EQ(g.gridColumnAt(0), 0);
    EXPECT_EQ(g.gridColumnAt(40), 0);    // the line after the cell belongs to it
    EXPECT_EQ(g.gridColumnAt(41), 1);
    EXPECT_EQ(g.gridColumnAt(164), -1);  // past the table
    EXPECT_EQ(g.gridRowAt(21), 1);
    EXPECT_EQ(g.gridRowAt(-1), -1);
}

TEST(GridGeometry, AColumnWithoutAStoredWidthTakesNoRoom)
{
    TableLayout t;
    t.colcount = 3;
    t.rowcount = 2;
    t.fixcols = 1;
    t.fixrows = 1;
    t.columnWidths = {0, 30, 0, 30};
    t.rowHeights = {0, 15, 15};
    const GridGeometry g(t);
    EXPECT_EQ(g.columnWidth(2), 0);
    EXPECT_EQ(g.columnOffset(3), 1 + 41 + 1 + 41);
    EXPECT_EQ(g.gridColumnAt(0), 0);   // the empty grid column 0 keeps only its line
    EXPECT_EQ(g.gridColumnAt(1), 1);
}

// Stored sizes past what the grid draws: 100 rows of 30 000 000 points and a width of 1e300 are
// drawn at 2000 points, 2667 pixels at 96 dpi; row offsets then run 1 + 2668 k.
TEST(GridGeometry, StoredSizesPastTheLargestAreDrawnAtIt)
{
    QTemporaryDir dir;
    YearFixture year(dir.path(), 2025);
    const int form = year.addForm(QStringLiteral("Ф1"));
    const int table = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Высокая"), 2, 100, 1, 1);
    year.dictionary().exec(QStringLiteral(R"(update "rows" set "height"=30000000 where "table"=?)"), {table});
    year.dictionary().exec(QStringLiteral(R"(update "columns" set "width"=1e300 where "table"=? and "column"=2)"),
                           {table});
    const std::optional<TableLayout> t = readTableLayout(year.dictionary(), form, QStringLiteral("(1000)"));
    ASSERT_TRUE(t);
    const GridGeometry g(*t);
    EXPECT_EQ(g.rowHeight(7), 2667);
    EXPECT_EQ(g.columnWidth(2), 2667);
    EXPECT_EQ(g.columnWidth(1), 85);
    EXPECT_EQ(g.rowOffset(100), 1 + 100 * 2668);
    EXPECT_EQ(g.dataHeight(), 99 * 2668);
    EXPECT_EQ(g.dataCellRect(0, 98), QRect(0, 98 * 2668, 2667, 2667));
    EXPECT_EQ(g.gridRowAt(98 * 2668 + 5), 98);
}

// A million rows of 2000 points would reach 2 668 000 001 pixels, past what an int holds: the
// offsets stop at the largest extent and every position stays addressable.
TEST(GridGeometry, ATableTallerThanAnIntHoldsStopsAtTheLargestExtent)
{
    TableLayout t;
    t.colcount = 1;
    t.rowcount = 1'000'000;
    t.fixcols = 0;
    t.fixrows = 0;
    t.columnWidths = {0, 30};
    t.rowHeights = QList<double>(t.rowcount + 1, 2000.0);
    const GridGeometry g(t);
    EXPECT_EQ(g.rowOffset(1), 2669);
    EXPECT_EQ(g.rowOffset(400'000), 1 + 400'000 * 2668);
    EXPECT_EQ(g.rowOffset(t.rowcount), GridGeometry::MaxExtent);
    EXPECT_EQ(g.dataHeight(), GridGeometry::MaxExtent - 1);
    EXPECT_EQ(g.spanHeight(1, t.rowcount), GridGeometry::MaxExtent);
    const QRect last = g.dataCellRect(0, t.rowcount - 1);
    EXPECT_EQ(last.top(), GridGeometry::MaxExtent - 1);
    EXPECT_EQ(last.height(), 2667);
    EXPECT_GT(last.bottom(), last.top());
    EXPECT_EQ(g.gridRowAt(1000), 0);
}

// Two header rows: the corner over both, "Всего" over two columns with "муж." and "жен."
// under it, "Примечание" over both rows stored twice, and a single-row pair at the right.
TEST(PlaceHeaders, MergedCellsOverTwoHeaderRows)
{
    TableLayout t;
    t.colcount = 5;
    t.rowcount = 4;
    t.fixcols = 1;
    t.fixrows = 2;
    t.columnWidths = {0, 60, 30, 30, 45, 15};
    t.rowHeights = {0, 15, 30, 15, 15};
    const HeaderCell again = sameSpan(title(4, 2, "Примечание (второй раз)", 4, 2), 4, 1);
    t.titles = {
        title(1, 1, "Наименование", 1, 2),
        title(1, 3, "Строка 1"), title(1, 4, "Строка 2"),
        title(2, 1, "Всего", 3, 1), title(2, 2, "муж."), sameSpan(title(3, 1, "Всего", 3, 1), 2, 1),
        title(3, 2, "жен."), title(4, 1, "Примечание", 4, 2), again,
        title(5, 1, "5"), title(5, 2, "6"),
        title(3, 3, "в области данных"),
    };
    const QList<Placed> expected = {
        {QStringLiteral("Наименование"), HeaderPanel::Corner, QRect(1, 1, 80, 61)},
        {QStringLiteral("Строка 1"), HeaderPanel::RowHeaders, QRect(1, 0, 80, 20)},
        {QStringLiteral("Строка 2"), HeaderPanel::RowHeaders, QRect(1, 21, 80, 20)},
        {QStringLiteral("Всего"), HeaderPanel::ColumnHeaders, QRect(0, 1, 81, 20)},
        {QStringLiteral("муж."), HeaderPanel::ColumnHeaders, QRect(0, 22, 40, 40)},
        {QStringLiteral("жен."), HeaderPanel::ColumnHeaders, QRect(41, 22, 40, 40)},
        {QStringLiteral("Примечание"), HeaderPanel::ColumnHeaders, QRect(82, 1, 60, 61)},
        {QStringLiteral("5"), HeaderPanel::ColumnHeaders, QRect(143, 1, 20, 20)},
        {QStringLiteral("6"), HeaderPanel::ColumnHeaders, QRect(143, 22, 20, 40)},
    };
    EXPECT_EQ(placedOf(t), expected);
}

// Three header rows read from the dictionary, every cell of a merged span stored as its own
// title (as the header editor stores them). Widths 64 and heights 15 points: 85 x 20 pixels,
// column offsets 1 + 86k, row offsets 1 + 21k.
TEST(PlaceHeaders, MergedCellsOverThreeHeaderRowsFromTheDictionary)
{
    QTemporaryDir dir;
    YearFixture year(dir.path());
    const int form = year.addForm(QStringLiteral("Ф30"));
    const int t = year.addTable(form, QStringLiteral("(2100)"), QStringLiteral("Кадры"), 5, 5, 1, 3);
    for (int r = 1; r <= 3; ++r)
        addSpanCell(year, t, 1, r, QStringLiteral("Показатель"), 1, 1, 1, 3);
    for (int c = 2; c <= 4; ++c)
        addSpanCell(year, t, c, 1, QStringLiteral("Всего"), 2, 1, 4, 1);
    year.addTitle(t, 2, 2, QStringLiteral("в том числе"), 3, 2);
    addSpanCell(year, t, 4, 2, QStringLiteral("прочие"), 4, 2, 4, 3, QStringLiteral("CC10"));
    addSpanCell(year, t, 4, 3, QStringLiteral("прочие"), 4, 2, 4, 3, QStringLiteral("CC10"));
    year.addTitle(t, 2, 3, QStringLiteral("а"));
    year.addTitle(t, 3, 3, QStringLiteral("б"));
    year.addTitle(t, 5, 1, QStringLiteral("При\u0003мечание\r\nк строке"), 5, 3);
    year.addTitle(t, 1, 4, QStringLiteral("Строка 1"));
    year.addTitle(t, 1, 5, QStringLiteral("Строка 2"));
    year.addTitle(t, 2, 4, QStringLiteral("не заголовок"));

    const std::optional<TableLayout> layout = readTableLayout(year.dictionary(), form, QStringLiteral("(2100)"));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->ident, t);
    EXPECT_EQ(layout->gridColumns(), 4);
    EXPECT_EQ(layout->gridRows(), 2);
    const QList<Placed> expected = {
        {QStringLiteral("Показатель"), HeaderPanel::Corner, QRect(1, 1, 85, 62)},
        {QStringLiteral("Строка 1"), HeaderPanel::RowHeaders, QRect(1, 0, 85, 20)},
        {QStringLiteral("Строка 2"), HeaderPanel::RowHeaders, QRect(1, 21, 85, 20)},
        {QStringLiteral("Всего"), HeaderPanel::ColumnHeaders, QRect(0, 1, 257, 20)},
        {QStringLiteral("в том числе"), HeaderPanel::ColumnHeaders, QRect(0, 22, 171, 20)},
        {QStringLiteral("а"), HeaderPanel::ColumnHeaders, QRect(0, 43, 85, 20)},
        {QStringLiteral("б"), HeaderPanel::ColumnHeaders, QRect(86, 43, 85, 20)},
        {QStringLiteral("прочие"), HeaderPanel::ColumnHeaders, QRect(172, 22, 85, 41)},
        {QStringLiteral("При:мечание\nк строке"), HeaderPanel::ColumnHeaders, QRect(258, 1, 85, 62)},
    };
    EXPECT_EQ(placedOf(*layout), expected);
    for (const HeaderCell& h : layout->titles)
        EXPECT_EQ(h.chars.turned, h.text == QStringLiteral("прочие")) << h.text.toStdString();

    EXPECT_FALSE(readTableLayout(year.dictionary(), form, QStringLiteral("(21)")));
    EXPECT_FALSE(readTableLayout(year.dictionary(), form + 1, QStringLiteral("(2100)")));
}

TEST(WrapHeaderText, BreaksAtLineFeedsSpacesAndHyphens)
{
    struct Case { const char* text; int length; int indent; QStringList lines; };
    const Case cases[] = {
        {"Число коек", 120, 0, {"Число коек"}},
        {"Число коек", 100, 0, {"Число", "коек"}},           // 100 is not less than 100
        {"Число коек", 120, 30, {"Число", "коек"}},          // the indent takes room
        {"а\nб", 100, 0, {"а", "б"}},
        {"а\r\nб", 100, 0, {"а", "б"}},
        {"а\n", 100, 0, {"а", ""}},
        {"пред-ставитель", 200, 0, {"пред-ставитель"}},
        {"пред-ставитель", 100, 0, {"пред-", "ставитель"}},
        {"Сверхдлинноеслово в", 60, 0, {"Сверхдлинноеслово", "в"}},  // no empty line first
        {"в Сверхдлинноеслово б", 60, 0, {"в", "Сверхдлинноеслово", "б"}},
        {"а  б", 100, 0, {"а б"}},
        {"", 100, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(wrapHeaderText(QString::fromUtf8(c.text), c.length, c.indent, TenPixels()), c.lines);
    }
}

TEST(LayoutHeaderText, PlacesLinesByAlignmentAndIndent)
{
    HeaderCell h;
    h.text = QStringLiteral("ab cd");
    struct Case { const char* chars; QSize size; int length; QList<std::pair<int, int>> xTop; };
    const Case cases[] = {
        // 100 x 50, one line "ab cd" 50 wide, 12 high.
        {"CC00", QSize(100, 50), 100, {{25, 19}}},
        {"TL00", QSize(100, 50), 100, {{0, 0}}},
        {"BR00", QSize(100, 50), 100, {{50, 38}}},
        // Indent 2 x "   " = 60 leaves 40 pixels: two lines, each moved right by 60.
        {"BL02", QSize(100, 50), 100, {{60, 26}, {60, 38}}},
        // Too narrow for one line: two lines of 20 pixels, 24 high in all.
        {"CC00", QSize(40, 50), 40, {{10, 13}, {10, 25}}},
        // Turned: the lines run along the 50-pixel height, stacked across the 30-pixel width.
        {"CL10", QSize(30, 50), 50, {{0, 3}, {0, 15}}},
        {"TC10", QSize(30, 60), 60, {{5, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chars);
        h.chars = TChars::parse(QString::fromLatin1(c.chars));
        const HeaderText t = layoutHeaderText(h, c.size, TenPixels());
        EXPECT_EQ(t.length, c.length);
        QList<std::pair<int, int>> got;
        for (const HeaderLine& line : t.lines)
            got.append({line.x, line.top});
        EXPECT_EQ(got, c.xTop);
    }
}

TEST(HeaderText, StoredAndShownFormsTranslateBothWays)
{
    struct Case { QString shown; QString stored; };
    const QString three(QChar(3));
    const Case cases[] = {
        {QStringLiteral("Всего"), QStringLiteral("Всего")},
        {QStringLiteral("из них:\nдети"), QStringLiteral("из них") + three + QStringLiteral("\r\nдети")},
        {QStringLiteral("a\n\nb"), QStringLiteral("a\r\n\r\nb")},
        {QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        EXPECT_EQ(headerTextToStored(c.shown), c.stored);
        EXPECT_EQ(headerTextFromStored(c.stored), c.shown);
    }
    // Line ends of any kind are stored as CR LF, never doubled.
    EXPECT_EQ(headerTextToStored(QStringLiteral("a\r\nb\rc")), QStringLiteral("a\r\nb\r\nc"));
}
