#include "reports/IndicatorSetFile.h"
#include "platform/Prompts.h"

#include <algorithm>

#include "platform/Database.h"
#include "platform/TextFiles.h"
#include "platform/TextReader.h"

#include <QHash>
#include <QSet>
#include <QIODevice>

namespace {

const QString kTree = QStringLiteral("[Tree]");
const QString kColumns = QStringLiteral("[Columns]");
const QString kRows = QStringLiteral("[Rows]");
const QString kFormulas = QStringLiteral("[Formulas]");

QString encodeTitle(QString title)
{
    title.replace(u'\n', QChar(1));
    title.replace(u'\r', QChar(2));
    return title;
}

QString decodeTitle(QString title)
{
    title.replace(QChar(2), u'\r');
    title.replace(QChar(1), u'\n');
    return title;
}

bool wholeNumber(QStringView text, int* value)
{
    bool ok = false;
    *value = text.trimmed().toInt(&ok);
    return ok;
}

QList<QPair<int, QString>> childrenOf(Database& db, int ident)
{
    QList<QPair<int, QString>> children;
    Query q(db, QStringLiteral(R"(select "ident","part" from "tree" where "depend"=? and "ident"<>? )"
                               R"(order by "part" collate UNOCASE, "ident")"),
            {ident, ident});
    while (q.next())
        children.append({q.toInt(0), q.text(1)});
    return children;
}

// The sets below `ident`, depth first, children as the tree shows them; a set reached twice (the
// links of a damaged dictionary loop back) is taken once. With a bound, false as soon as a set
// lies more than `maxLevel` levels below; the walk keeps its own stack, so any depth is safe.
bool collectSets(Database& db, int ident, int maxLevel, QList<int>* idents, QList<IndicatorTreeLine>* lines)
{
    QSet<int> seen{ident};
    struct Pending {
        int ident;
        int level;
        QString part;
    };
    QList<Pending> stack;
    auto pushChildren = [&](int parent, int level) {
        const QList<QPair<int, QString>> children = childrenOf(db, parent);
        for (auto it = children.crbegin(); it != children.crend(); ++it)
            if (!seen.contains(it->first))
                stack.append({it->first, level, it->second});
    };
    pushChildren(ident, 1);
    while (!stack.isEmpty()) {
        const Pending set = stack.takeLast();
        if (seen.contains(set.ident))
            continue;
        if (maxLevel > 0 && set.level > maxLevel)
            return false;
        seen.insert(set.ident);
        idents->append(set.ident);
        if (lines)
            lines->append({set.level, set.part});
        pushChildren(set.ident, set.level + 1);
    }
    return true;
}

} // namespace

QString newIndicatorSetName()
{
    return QStringLiteral("Неопределенный набор показателей");
}

QStringList formatIndicatorSetFile(const IndicatorSetData& data)
{
    QStringList lines;
    lines << kTree;
    for (const IndicatorTreeLine& t : data.tree)
        lines << QString::number(t.level) + u',' + t.name;
    auto titles = [&](const QList<IndicatorTitle>& list) {
        for (const IndicatorTitle& t : list)
            lines << QStringLiteral("%1,%2\t%3\t%4").arg(t.set).arg(t.index).arg(encodeTitle(t.title)).arg(t.size);
    };
    lines << kColumns;
    titles(data.columns);
    lines << kRows;
    titles(data.rows);
    lines << kFormulas;
    for (const IndicatorFormula& f : data.formulas)
        lines << QStringLiteral("%1,%2\t%3\t").arg(f.set).arg(f.column).arg(f.row) + f.formula;
    return lines;
}

bool writeIndicatorSetFile(const QString& path, const IndicatorSetData& data, QString* error)
{
    return writeLines1251(path, formatIndicatorSetFile(data), error);
}

bool IndicatorSetFileReader::read(const QString& path)
{
    TextFileReader reader(TextLimits{qint64(64) << 20, 1 << 20});
    if (!reader.open(path)) {
        m_error = reader.errorString();
        return false;
    }
    return readLines(reader);
}

bool IndicatorSetFileReader::read(QIODevice* device, const QString& name)
{
    TextFileReader reader(TextLimits{qint64(64) << 20, 1 << 20});
    if (!reader.open(device, name)) {
        m_error = reader.errorString();
        return false;
    }
    return readLines(reader);
}

bool IndicatorSetFileReader::readLines(TextFileReader& reader)
{
    m_data = IndicatorSetData();
    m_error.clear();
    IndicatorSetData data;
    auto bad = [&](const QString& why) {
        m_error = QStringLiteral("Файл %1, строка %2: %3").arg(reader.fileName()).arg(reader.lineNumber()).arg(why);
        return false;
    };
    enum Section { None, Tree, Columns, Rows, Formulas } section = None;
    QString line;
    int count = 0;
    while (reader.readLine(&line)) {
        if (++count > maxLines)
            return bad(QStringLiteral("в файле больше %1 строк").arg(maxLines));
        const QString marker = line.trimmed();
        const Section next = marker == kTree ? Tree
            : marker == kColumns             ? Columns
            : marker == kRows                ? Rows
            : marker == kFormulas            ? Formulas
                                             : None;
        if (next != None) {
            if (int(next) != int(section) + 1)
                return bad(QStringLiteral("раздел %1 не на своем месте").arg(marker));
            section = next;
            continue;
        }
        if (section == None)
            return bad(QStringLiteral("файл должен начинаться строкой [Tree]"));
        if (section == Tree && line.isEmpty())
            return bad(QStringLiteral("пустая строка в разделе [Tree]"));
        if (line.isEmpty())
            continue;
        const qsizetype comma = line.indexOf(u',');
        int first = 0;
        if (comma < 0 || !wholeNumber(QStringView(line).left(comma), &first))
            return bad(QStringLiteral("строка должна начинаться номером и запятой"));
        const QString rest = line.mid(comma + 1);
        if (section == Tree) {
            const int previous = data.tree.isEmpty() ? 0 : data.tree.last().level;
            if (first < 1 || first > previous + 1)
                return bad(QStringLiteral("уровень %1 после уровня %2").arg(first).arg(previous));
            if (first > kMaxIndicatorFileLevel)
                return bad(QStringLiteral("уровень %1 глубже %2 уровней, которые может держать дерево показателей")
                               .arg(first).arg(kMaxIndicatorFileLevel));
            data.tree.append({first, rest});
            continue;
        }
        if (first < 0 || first > data.tree.size())
            return bad(QStringLiteral("нет набора с номером %1").arg(first));
        const qsizetype tab1 = rest.indexOf(u'\t');
        const qsizetype tab2 = section == Formulas ? rest.indexOf(u'\t', tab1 + 1) : rest.lastIndexOf(u'\t');
        if (tab1 < 0 || tab2 <= tab1)
            return bad(QStringLiteral("в строке не хватает табуляций"));
        int index = 0;
        if (!wholeNumber(QStringView(rest).left(tab1), &index))
            return bad(QStringLiteral("номер графы или строки не число"));
        if (section == Formulas) {
            int row = 0;
            if (!wholeNumber(QStringView(rest).mid(tab1 + 1, tab2 - tab1 - 1), &row))
                return bad(QStringLiteral("номер строки не число"));
            data.formulas.append({first, index, row, rest.mid(tab2 + 1)});
            continue;
        }
        int size = 0;
        if (!wholeNumber(QStringView(rest).mid(tab2 + 1), &size))
            return bad(QStringLiteral("размер не число"));
        IndicatorTitle title{first, index, decodeTitle(rest.mid(tab1 + 1, tab2 - tab1 - 1)), size};
        (section == Columns ? data.columns : data.rows).append(title);
    }
    if (reader.hasError()) {
        m_error = reader.errorString();
        return false;
    }
    if (section != Formulas) {
        m_error = QStringLiteral("Файл %1: нет всех разделов [Tree], [Columns], [Rows], [Formulas]").arg(reader.fileName());
        return false;
    }
    m_data = std::move(data);
    return true;
}

bool exportIndicatorSet(Database& db, int ident, IndicatorSetData* out, QString* error)
{
    IndicatorSetData data;
    QList<int> idents{ident};
    if (!collectSets(db, ident, kMaxIndicatorFileLevel, &idents, &data.tree)) {
        *error = QStringLiteral("Под набором лежат наборы глубже %1 уровней: такой файл нельзя было бы загрузить")
                     .arg(kMaxIndicatorFileLevel);
        return false;
    }
    for (int set = 0; set < idents.size(); ++set) {
        const QVariantList term{idents[set]};
        Query c(db, QStringLiteral(R"(select "column","title","width" from "col_titles" where "term"=? order by rowid)"), term);
        while (c.next())
            data.columns.append({set, c.toInt(0), c.text(1), c.toInt(2)});
        Query r(db, QStringLiteral(R"(select "row","title","height" from "row_titles" where "term"=? order by rowid)"), term);
        while (r.next())
            data.rows.append({set, r.toInt(0), r.text(1), r.toInt(2)});
        Query f(db, QStringLiteral(R"(select "column","row","formula" from "formulas" where "term"=? order by rowid)"), term);
        while (f.next())
            data.formulas.append({set, f.toInt(0), f.toInt(1), f.text(2)});
    }
    *out = std::move(data);
    return true;
}

int indicatorSetDepth(Database& db, int ident)
{
    int depth = 0;
    for (int set = ident; set != 0 && depth <= kMaxIndicatorSetDepth; ++depth) {
        const QVariant parent = db.scalar(QStringLiteral(R"(select "depend" from "tree" where "ident"=?)"), {set});
        if (parent.isNull())
            return depth == 0 ? 0 : kMaxIndicatorSetDepth + 1;
        set = parent.toInt();
    }
    return depth;
}

bool indicatorSetFits(Database& db, int ident, const IndicatorSetData& data, QString* error)
{
    int deepest = -1;
    for (qsizetype i = 0; i < data.tree.size(); ++i)
        if (deepest < 0 || data.tree[i].level > data.tree[deepest].level)
            deepest = int(i);
    if (deepest < 0)
        return true;
    const int depth = indicatorSetDepth(db, ident) + data.tree[deepest].level;
    if (depth <= kMaxIndicatorSetDepth)
        return true;
    // [Tree] is the first line and its lines follow it without a gap.
    *error = QStringLiteral("Набор из строки %1 файла лег бы на уровень %2, а дерево показателей не глубже %3 уровней")
                 .arg(deepest + 2).arg(depth).arg(kMaxIndicatorSetDepth);
    return false;
}

bool indicatorSetHasTitlesOrFormulas(Database& db, int ident)
{
    return !db.scalar(QStringLiteral(R"(select 1 from "col_titles" where "term"=? union all )"
                                     R"(select 1 from "row_titles" where "term"=? union all )"
                                     R"(select 1 from "formulas" where "term"=? limit 1)"),
                      {ident, ident, ident})
                .isNull();
}

bool bringsOwnTitlesOrFormulas(const IndicatorSetData& data)
{
    auto own = [](const auto& list) {
        return std::any_of(list.begin(), list.end(), [](const auto& line) { return line.set == 0; });
    };
    return own(data.columns) || own(data.rows) || own(data.formulas);
}

IndicatorOwnPart askOwnPart(Database& dictionary, Prompts& prompts, int ident, const QString& setName,
                            const IndicatorSetData& data)
{
    if (!bringsOwnTitlesOrFormulas(data) || !indicatorSetHasTitlesOrFormulas(dictionary, ident))
        return IndicatorOwnPart::Add;
    return prompts.question(
               QStringLiteral("У набора \"%1\" уже есть заголовки. Заменить его заголовки и формулы?").arg(setName))
        ? IndicatorOwnPart::Replace
        : IndicatorOwnPart::Keep;
}

void importIndicatorSet(Database& db, int ident, const IndicatorSetData& data, IndicatorOwnPart own)
{
    Transaction t(db);
    if (own == IndicatorOwnPart::Replace) {
        for (const char* table : {"col_titles", "row_titles", "formulas"})
            db.exec(QStringLiteral(R"(delete from "%1" where "term"=?)").arg(QLatin1String(table)), {ident});
    }
    // Kept, the set's table takes nothing of the file: rows beside its own would mix two tables.
    auto skipped = [&](int set) { return set == 0 && own == IndicatorOwnPart::Keep; };
    QList<int> sets{ident};
    QList<int> parents{ident};   // parents[level - 1] is the parent of a line of that level
    for (const IndicatorTreeLine& line : data.tree) {
        parents.resize(line.level);
        db.exec(QStringLiteral(R"(insert into "tree" ("part","depend") values (?,?))"), {line.name, parents.last()});
        const int created = int(db.lastInsertId());
        sets.append(created);
        parents.append(created);
    }
    for (const IndicatorTitle& c : data.columns)
        if (!skipped(c.set))
            db.exec(QStringLiteral(R"(insert into "col_titles" ("term","column","title","width") values (?,?,?,?))"),
                    {sets[c.set], c.index, c.title, c.size});
    for (const IndicatorTitle& r : data.rows)
        if (!skipped(r.set))
            db.exec(QStringLiteral(R"(insert into "row_titles" ("term","row","title","height") values (?,?,?,?))"),
                    {sets[r.set], r.index, r.title, r.size});
    for (const IndicatorFormula& f : data.formulas)
        if (!skipped(f.set))
            db.exec(QStringLiteral(R"(insert into "formulas" ("term","row","column","formula") values (?,?,?,?))"),
                    {sets[f.set], f.row, f.column, f.formula});
    t.commit();
}

int addIndicatorSet(Database& db, int depend)
{
    db.exec(QStringLiteral(R"(insert into "tree" ("part","depend") values (?,?))"), {newIndicatorSetName(), depend});
    return int(db.lastInsertId());
}

void renameIndicatorSet(Database& db, int ident, const QString& name)
{
    db.exec(QStringLiteral(R"(update "tree" set "part"=? where "ident"=?)"), {name, ident});
}

void deleteIndicatorSet(Database& db, int ident)
{
    // However deep the sets below go, all of them go: none is left without its parent.
    QList<int> idents{ident};
    collectSets(db, ident, 0, &idents, nullptr);
    Transaction t(db);
    for (int set : idents) {
        for (const char* table : {"col_titles", "row_titles", "formulas"})
            db.exec(QStringLiteral(R"(delete from "%1" where "term"=?)").arg(QLatin1String(table)), {set});
        db.exec(QStringLiteral(R"(delete from "tree" where "ident"=?)"), {set});
    }
    t.commit();
}
