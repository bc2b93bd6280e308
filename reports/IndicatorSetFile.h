#pragma once
// The indicator-set tree in the dictionary ("tree", "col_titles", "row_titles", "formulas") and
// its exchange file *.stt:
//     [Tree]       level "," name            one line per set below the exported one, depth first
//     [Columns]    set "," column TAB title TAB width
//     [Rows]       set "," row TAB title TAB height
//     [Formulas]   set "," column TAB row TAB formula
// Set 0 is the exported set itself, set n the n-th [Tree] line. In titles a line feed is written
// as the character 1 and a carriage return as the character 2, so a title stays on one line.

#include <QList>
#include <QString>
#include <QStringList>

class Database;
class Prompts;
class QIODevice;

// How many levels the tree of sets goes down: a top set is on level 1. Far beyond any real tree,
// small enough that every walk over it stays quick; the reader, the export, the import and the
// tree window all hold to it. A file's sets go below the set it is loaded into, so its levels
// stop one short.
inline constexpr int kMaxIndicatorSetDepth = 1000;
inline constexpr int kMaxIndicatorFileLevel = kMaxIndicatorSetDepth - 1;

struct IndicatorTreeLine {
    int level = 0;
    QString name;
    bool operator==(const IndicatorTreeLine&) const = default;
};

// A row or column title: index is the row or column, size the height or width in pixels.
struct IndicatorTitle {
    int set = 0;
    int index = 0;
    QString title;
    int size = 0;
    bool operator==(const IndicatorTitle&) const = default;
};

struct IndicatorFormula {
    int set = 0;
    int column = 0;
    int row = 0;
    QString formula;
    bool operator==(const IndicatorFormula&) const = default;
};

struct IndicatorSetData {
    QList<IndicatorTreeLine> tree;
    QList<IndicatorTitle> columns;
    QList<IndicatorTitle> rows;
    QList<IndicatorFormula> formulas;
    bool operator==(const IndicatorSetData&) const = default;
};

// The file's lines (without their line ends).
QStringList formatIndicatorSetFile(const IndicatorSetData& data);
// Writes the lines in Windows-1251 with CR LF through a temporary file; false and a Russian
// message when it fails (the old file stays as it was).
bool writeIndicatorSetFile(const QString& path, const IndicatorSetData& data, QString* error);

// Reads a whole file and checks it before anything is stored: the sections in their order, each
// level from 1 to one more than the level before and at most kMaxIndicatorFileLevel, set numbers
// within the [Tree] lines, numbers where the layout has numbers. A bad line is named in the
// message.
class IndicatorSetFileReader {
public:
    // Far beyond any real set; a crafted file cannot make the import run for hours.
    static constexpr int maxLines = 200000;

    bool read(QIODevice* device, const QString& name);
    bool read(const QString& path);
    const IndicatorSetData& data() const { return m_data; }
    QString errorString() const { return m_error; }

private:
    bool readLines(class TextFileReader& reader);
    IndicatorSetData m_data;
    QString m_error;
};

// The set and everything below it, as the file holds them (children ordered as the tree shows
// them: by name, ignoring case). false and a Russian *error when a set lies deeper below it than
// a file may hold; *data is then untouched.
bool exportIndicatorSet(Database& dictionary, int ident, IndicatorSetData* data, QString* error);

// The level of the set in the tree (1 at the top, 0 for no set), or more than
// kMaxIndicatorSetDepth when its chain of parents goes deeper or loops.
int indicatorSetDepth(Database& dictionary, int ident);
// Whether the file's sets, loaded below `ident`, stay within kMaxIndicatorSetDepth; otherwise
// false and a Russian *error naming the line of the deepest set.
bool indicatorSetFits(Database& dictionary, int ident, const IndicatorSetData& data, QString* error);

// Whether the set has row or column titles or formulas of its own.
bool indicatorSetHasTitlesOrFormulas(Database& dictionary, int ident);
// Whether the file brings titles or formulas for the set it is imported into (set 0).
bool bringsOwnTitlesOrFormulas(const IndicatorSetData& data);

// What an import does with the file's titles and formulas of set 0 and those the set has.
enum class IndicatorOwnPart {
    Add,       // the file's beside the set's own (a set without any)
    Replace,   // the set's own deleted first
    Keep,      // the set's own stay, the file's are left out
};

// What an import into `ident` does with the set's own titles and formulas: Add when the file
// brings none for the set itself (it only attaches sub-sets) or the set has none of its own;
// otherwise the answer to the question naming the set, Replace on Да and Keep on Нет. DbError
// passes through.
IndicatorOwnPart askOwnPart(Database& dictionary, Prompts& prompts, int ident, const QString& setName,
                            const IndicatorSetData& data);

// Attaches the file's sets below the set `ident` and does with the file's own titles and
// formulas (set 0) what `own` says, in one transaction; the set's sub-sets stay. DbError passes
// through after the rollback.
void importIndicatorSet(Database& dictionary, int ident, const IndicatorSetData& data, IndicatorOwnPart own);

// A new set "Неопределенный набор показателей" under `depend` (0: at the top); its ident.
int addIndicatorSet(Database& dictionary, int depend);
void renameIndicatorSet(Database& dictionary, int ident, const QString& name);
// The set, all its sub-sets however deep and all their titles and formulas, in one transaction.
void deleteIndicatorSet(Database& dictionary, int ident);

// The name a new set gets.
QString newIndicatorSetName();
