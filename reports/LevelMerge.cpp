#include "reports/LevelMerge.h"

#include "core/Decimal.h"
#include "core/StructureCache.h"
#include "core/TableCells.h"
#include "core/YearDatabases.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/TextReader.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// A positions file is a short hand-written list.
constexpr TextLimits kPositionsLimits{qint64(4) << 20, 64 * 1024};

bool wholeNumber(const QString& text, int* value)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    *value = text.toInt();
    return true;
}

// "5" or "2..4" of a row or column field; false for anything else (a range running backwards
// included).
bool rangeItem(const QString& item, QPair<int, int>* range)
{
    const qsizetype dots = item.indexOf(QStringLiteral(".."));
    int a = 0, b = 0;
    if (dots < 0) {
        if (!wholeNumber(item, &a))
            return false;
        *range = {a, a};
        return true;
    }
    if (!wholeNumber(item.left(dots).trimmed(), &a) || !wholeNumber(item.mid(dots + 2).trimmed(), &b) || a > b)
        return false;
    *range = {a, b};
    return true;
}

QString badItem(int line, const QString& item)
{
    return QStringLiteral("Файл \"%1\", строка %2: \"%3\" не является номером графы или строки.")
        .arg(NonSummablePositionsFileName)
        .arg(line)
        .arg(item);
}

} // namespace

bool NonSummableRules::excludes(int table, int fixrows, int storedColumn, int storedRow) const
{
    const auto it = tables.constFind(table);
    if (it == tables.constEnd())
        return false;
    if (it->whole)
        return true;
    auto within = [](const QList<QPair<int, int>>& ranges, int n) {
        for (const auto& range : ranges)
            if (n >= range.first && n <= range.second)
                return true;
        return false;
    };
    // The rules name Графа and Строка as references do; only the rows depend on the headers.
    const CellNumbering numbering(0, fixrows);
    return within(it->columns, numbering.referenceColumnOfStored(storedColumn))
        || within(it->rows, numbering.referenceRowOfStored(storedRow));
}

bool parseNonSummable(const QStringList& lines, NonSummableRules* rules, QString* error)
{
    NonSummableRules parsed;
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].toUpper();
        if (line.trimmed().isEmpty())
            continue;
        // Fields 1 to 3 end at a comma; the fourth is the rest of the line.
        QStringList fields;
        qsizetype from = 0;
        for (int f = 0; f < 3; ++f) {
            const qsizetype comma = line.indexOf(QLatin1Char(','), from);
            if (comma < 0) {
                fields << line.mid(from).trimmed();
                from = line.size();
                break;
            }
            fields << line.mid(from, comma - from).trimmed();
            from = comma + 1;
        }
        while (fields.size() < 3)
            fields << QString();
        const QString rest = from < line.size() ? line.mid(from).trimmed() : QString();

        // A column range is as good as the lines of its columns one by one.
        QPair<int, int> columns;
        const bool hasColumn = !fields[2].isEmpty();
        if (hasColumn && !rangeItem(fields[2], &columns)) {
            if (error)
                *error = badItem(n + 1, fields[2]);
            return false;
        }
        QList<QPair<int, int>> rows;
        if (!rest.isEmpty()) {
            for (const QString& part : rest.split(QLatin1Char(','))) {
                const QString item = part.trimmed();
                if (item.isEmpty())
                    continue;
                QPair<int, int> range;
                if (!rangeItem(item, &range)) {
                    if (error)
                        *error = badItem(n + 1, item);
                    return false;
                }
                rows << range;
            }
        }

        bool found = false;
        for (const TableShape& t : TableInfo) {
            if (t.formName != fields[0] || (!fields[1].isEmpty() && t.tablen.toUpper() != fields[1]))
                continue;
            found = true;
            NonSummableRules::Table& rule = parsed.tables[t.ident];
            if (!hasColumn && rows.isEmpty())
                rule.whole = true;
            if (hasColumn && !rule.columns.contains(columns))
                rule.columns << columns;
            rule.rows << rows;
        }
        if (!found)
            parsed.ignored << lines[n].trimmed();
    }
    *rules = std::move(parsed);
    return true;
}

bool readNonSummable(const QString& path, NonSummableRules* rules, QString* error)
{
    if (!QFileInfo::exists(path)) {
        *rules = NonSummableRules();
        return true;
    }
    QStringList lines;
    if (!readTextLines(path, &lines, error, kPositionsLimits))
        return false;
    return parseNonSummable(lines, rules, error);
}

QString nonSummablePositionsPath()
{
    return QDir(Files::programFolder()).filePath(NonSummablePositionsFileName);
}

QList<QPair<int, QString>> institutionsToMerge(Database& dictionary)
{
    QList<QPair<int, QString>> list;
    Query q(dictionary, QStringLiteral(R"(select "id","unit" from "administration" where "medicaltype"<>-1 order by "ind")"));
    while (q.next())
        list.append({q.toInt(0), q.text(1)});
    return list;
}

QList<QPair<int, QString>> namedInstitutions(Database& dictionary, const QList<int>& ids)
{
    QList<QPair<int, QString>> list;
    Query q(dictionary, QStringLiteral(R"(select "unit" from "administration" where "id"=?)"));
    for (int id : ids) {
        q.reset();
        q.bind(1, id);
        list.append({id, q.next() ? q.text(0) : QString()});
    }
    return list;
}

namespace {

// The sums of one table of the institution being summed.
struct TableSums {
    const TableShape* attributes = nullptr;
    int lowColumn = 0, highColumn = 0, lowRow = 0, highRow = 0;   // stored data cells
    std::vector<Decimal::Raw> cells;                              // column-major
    bool used = false;
    bool fits = true;   // false: sizes no array can take, refused when its data is met
    int outside = 0;

    qsizetype index(int column, int row) const
    {
        return qsizetype(column - lowColumn) * (highRow - lowRow + 1) + (row - lowRow);
    }
};

class DecimalRange : public std::exception {};
struct TableRefused {
    QString message;
};

} // namespace

bool mergeLevels(const MergeRequest& request, const MergeObserver& observer, MergeResult* result,
                 QString* error)
{
    MergeResult out;
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (request.sources.isEmpty())
        return fail(QStringLiteral("Не выбраны источники суммирования!"));
    if (request.sources.contains(request.destination) || request.destination < 0)
        return fail(QStringLiteral("Уровень отчета не может суммироваться сам в себя."));
    if (!request.sources.contains(request.finRepId))
        return fail(QStringLiteral("Не задан отчет  несуммируемых значений!"));

    // Table attributes by ident, and the sums' arrays reused from one institution to the next.
    QHash<int, int> slotOf;
    std::vector<TableSums> sums;
    sums.reserve(TableInfo.size());
    for (const TableShape& t : TableInfo) {
        TableSums s;
        s.attributes = &t;
        s.lowColumn = t.fixcols + 2;
        s.highColumn = t.colcount + 1;
        s.lowRow = t.fixrows + 2;
        s.highRow = t.rowcount + 1;
        s.fits = tableSizesFit(t.colcount, t.rowcount, t.fixcols, t.fixrows);
        if (s.fits && (s.highColumn < s.lowColumn || s.highRow < s.lowRow))
            continue;
        slotOf.insert(t.ident, int(sums.size()));
        sums.push_back(std::move(s));
    }
    QSet<int> unknownTables;

    try {
        std::unique_ptr<Database> dest = Database::open(YearDatabases::dataPath(request.cfgDir, request.year, request.destination));
        // The whole run is one transaction: with SQLite's small default cache the changed pages
        // would be spilled to the file (each spill syncing the journal first) long before commit.
        dest->exec(QStringLiteral("pragma main.cache_size=-65536"));
        // Each source is read through a connection of its own, not attached to the destination:
        // SQLite attaches at most ten files, and a user may tick more levels than that. Each
        // source keeps one state (and its read lock) until the sums are committed.
        std::vector<std::unique_ptr<Database>> sourceFiles;
        std::vector<std::unique_ptr<ReadTransaction>> sourceStates;
        std::vector<std::unique_ptr<Query>> reads;
        for (int source : request.sources) {
            sourceFiles.push_back(Database::open(YearDatabases::dataPath(request.cfgDir, request.year, source), true));
            sourceStates.push_back(std::make_unique<ReadTransaction>(*sourceFiles.back()));
            reads.push_back(DataRows::ownerYearQuery(*sourceFiles.back(), QStringLiteral(R"("data")")));
        }
        Transaction transaction(*dest);
        OwnerYearWriter destination(*dest, QStringLiteral(R"("main"."data")"));

        std::vector<int> touched;
        const int total = int(request.institutions.size());
        for (int i = 0; i < total; ++i) {
            const int hospital = request.institutions[i].first;
            if (observer.institution)
                observer.institution(i, total, request.institutions[i].second);
            destination.begin(request.year, hospital);

            for (size_t s = 0; s < reads.size(); ++s) {
                const bool finRep = request.sources[int(s)] == request.finRepId;
                Query& q = *reads[s];
                q.reset();
                q.bind(1, request.year).bind(2, hospital);
                int lastTable = 0;
                TableSums* target = nullptr;
                bool looked = false;
                while (q.next()) {
                    ++out.rowsRead;
                    const int table = q.toInt(0);
                    if (!looked || table != lastTable) {
                        lastTable = table;
                        looked = true;
                        const auto slot = slotOf.constFind(table);
                        target = slot == slotOf.constEnd() ? nullptr : &sums[size_t(*slot)];
                        if (!target)
                            unknownTables.insert(table);
                        else if (!target->fits)
                            throw TableRefused{tableSizesRefusal(
                                target->attributes->formName, target->attributes->tablen,
                                target->attributes->colcount, target->attributes->rowcount,
                                target->attributes->fixcols, target->attributes->fixrows)};
                        else if (!target->used) {
                            target->used = true;
                            if (target->cells.empty())
                                target->cells.assign(size_t(target->index(target->highColumn, target->highRow) + 1), 0);
                            touched.push_back(int(target - sums.data()));
                        }
                    }
                    if (!target)
                        continue;
                    const int column = q.toInt(1), row = q.toInt(2);
                    if (column < target->lowColumn || column > target->highColumn || row < target->lowRow
                        || row > target->highRow) {
                        ++target->outside;
                        continue;
                    }
                    if (!finRep && request.rules.excludes(table, target->attributes->fixrows, column, row))
                        continue;
                    const std::optional<Decimal> value = Decimal::fromDouble(q.toDouble(3));
                    if (!value) {
                        ++target->outside;
                        continue;
                    }
                    Decimal::Raw& cell = target->cells[size_t(target->index(column, row))];
                    const std::optional<Decimal> sum = Decimal::add(Decimal::fromRaw(cell), *value);
                    if (!sum)
                        throw DecimalRange();
                    cell = sum->raw();
                }
            }

            std::sort(touched.begin(), touched.end(),
                      [&](int a, int b) { return sums[size_t(a)].attributes->ident < sums[size_t(b)].attributes->ident; });
            for (size_t t = 0; t < touched.size(); ++t) {
                TableSums& s = sums[size_t(touched[t])];
                if (observer.table)
                    observer.table(int(t), int(touched.size()));
                for (int column = s.lowColumn; column <= s.highColumn; ++column)
                    for (int row = s.lowRow; row <= s.highRow; ++row) {
                        Decimal::Raw& cell = s.cells[size_t(s.index(column, row))];
                        if (cell == 0)
                            continue;
                        destination.put(s.attributes->ident, column, row, Decimal::fromRaw(cell).toDouble());
                        ++out.rowsWritten;
                        cell = 0;
                    }
                s.used = false;
            }
            touched.clear();
            destination.finish();
            if (observer.institutionDone)
                observer.institutionDone(hospital);
        }
        transaction.commit();
        out.rowsChanged = destination.changed();
    } catch (const DbError& e) {
        return fail(QStringLiteral("Суммирование не выполнено, данные уровня-приемника не изменены.\n") + e.userText());
    } catch (const DecimalRange&) {
        return fail(QStringLiteral("Суммирование не выполнено, данные уровня-приемника не изменены.\n"
                                   "Сумма вышла за пределы допустимых значений."));
    } catch (const TableRefused& refused) {
        return fail(QStringLiteral("Суммирование не выполнено, данные уровня-приемника не изменены.\n")
                    + refused.message);
    }

    QList<int> unknown = unknownTables.values();
    std::sort(unknown.begin(), unknown.end());
    for (int table : unknown)
        out.skipped << QStringLiteral("Таблица %1 отсутствует в словаре: ее данные не суммировались.").arg(table);
    for (const TableSums& s : sums)
        if (s.outside > 0)
            out.skipped << QStringLiteral("Форма %1, таблица %2: %3 знач. вне границ таблицы не суммировались.")
                               .arg(s.attributes->formName, s.attributes->tablen)
                               .arg(s.outside);
    if (result)
        *result = std::move(out);
    return true;
}

qint64 destinationValues(const MergeRequest& request)
{
    const QString path = YearDatabases::dataPath(request.cfgDir, request.year, request.destination);
    if (!QFileInfo::exists(path))
        return 0;
    QSet<int> summed;
    for (const auto& institution : request.institutions)
        summed.insert(institution.first);
    std::unique_ptr<Database> destination = Database::open(path, true);
    const QHash<int, qint64> rows = DataRows::rowsPerOwner(*destination, QStringLiteral(R"("data")"), request.year);
    qint64 count = 0;
    for (auto it = rows.begin(); it != rows.end(); ++it)
        if (summed.contains(it.key()))
            count += it.value();
    return count;
}

bool confirmMergeReplacement(Prompts& prompts, const MergeRequest& request, const QString& destinationName)
{
    if (destinationValues(request) == 0)
        return true;
    return prompts.question(QStringLiteral("Заменить данные уровня \"%1\" за %2 суммами подотчетов?")
                                .arg(destinationName)
                                .arg(request.year));
}

QString mergeChoiceRefusal(const MergeChoice& choice)
{
    if (choice.sources.isEmpty())
        return QStringLiteral("Не выбраны источники суммирования!");
    if (choice.destination < 0)
        return QStringLiteral("Не выбран приемник суммирования!");
    if (choice.chosenInstitutions && choice.marked.isEmpty())
        return QStringLiteral("Не указаны учреждения для суммирования!");
    return QString();
}

bool prepareMerge(Database& dictionary, const MergeChoice& choice, int finRepId, Prompts& prompts,
                  MergeRequest* request, QString* error)
{
    error->clear();
    if (!readNonSummable(nonSummablePositionsPath(), &request->rules, error)) {
        *error += QStringLiteral("\nСуммирование не выполнено.");
        return false;
    }
    request->cfgDir = choice.cfgDir;
    request->year = choice.year;
    request->sources = choice.sources;
    request->destination = choice.destination;
    request->finRepId = finRepId;
    request->institutions = choice.chosenInstitutions ? namedInstitutions(dictionary, choice.marked)
                                                      : institutionsToMerge(dictionary);
    return confirmMergeReplacement(prompts, *request, choice.destinationName);
}

QString mergeReport(const MergeRequest& request, const MergeResult& result)
{
    QString text = QStringLiteral("Суммирование завершено!");
    if (!request.rules.ignored.isEmpty())
        text += QStringLiteral("\nВ файле \"%1\" не найдены формы или таблицы строк:\n").arg(NonSummablePositionsFileName)
                + request.rules.ignored.join(QLatin1Char('\n'));
    if (!result.skipped.isEmpty())
        text += QStringLiteral("\n") + result.skipped.join(QLatin1Char('\n'));
    return text;
}
