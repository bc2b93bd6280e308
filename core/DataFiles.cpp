#include "core/DataFiles.h"

#include "core/Common.h"
#include "core/Lookups.h"
#include "core/StructureCache.h"
#include "core/TableCells.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/TextReader.h"

#include <QFileInfo>
#include <QHash>
#include <QStringEncoder>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// A field with its quotes: the text between them; false when either quote is missing.
bool unquote(QStringView quoted, QString* field)
{
    if (quoted.size() < 2 || !quoted.startsWith(QLatin1Char('"')) || !quoted.endsWith(QLatin1Char('"')))
        return false;
    *field = quoted.mid(1, quoted.size() - 2).toString();
    return true;
}

// A line holds a number, a year, a name up to a few dozen characters and three short numbers: a
// longer line is a file of another kind, refused before it fills memory.
constexpr int kMaxLineBytes = 4096;

struct ParsedCell {
    int table = 0;
    int column = 0;
    int row = 0;
    double value = 0;
};

quint64 cellKey(int table, int column, int row)
{
    return (quint64(quint32(table)) << 32) ^ (quint64(quint32(column)) << 16) ^ quint64(quint32(row));
}

QString lineError(const QString& path, int line, const QString& what)
{
    return QStringLiteral("Файл %1, строка %2: %3").arg(QFileInfo(path).fileName()).arg(line).arg(what);
}

// Appends the value as formatNumber writes it. A value of at least 1 whose shortest exact text has
// at most 15 significant digits in fixed notation is that text (the 15-digit rounding gives the
// same digits, since 15 digits are coarser than a double's precision), written without
// allocating; any other value goes through formatNumber.
void appendNumber(QByteArray& out, double value)
{
    const double magnitude = std::fabs(value);
    if (magnitude >= 1 && magnitude < 1e15) {
        char buffer[32];
        const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
        if (r.ec == std::errc()) {
            int digits = 0;
            bool plain = true;
            for (const char* c = buffer; c != r.ptr; ++c) {
                if (*c >= '0' && *c <= '9')
                    ++digits;
                else if (*c != '.' && *c != '-')
                    plain = false;
            }
            if (plain && digits <= 15) {
                out.append(buffer, r.ptr - buffer);
                return;
            }
        }
    }
    out.append(formatNumber(value).toLatin1());
}

void appendInt(QByteArray& out, int value)
{
    char buffer[16];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr - buffer);
}

}  // namespace

bool parseYearDataLine(const QString& line, YearDataLine* fields)
{
    QString* const targets[] = {&fields->value, &fields->year,   &fields->form,
                                &fields->table, &fields->column, &fields->row};
    QStringView rest(line);
    for (int i = 0; i < 5; ++i) {
        // A comma ends each of the first five fields; none of them may hold one.
        const qsizetype comma = rest.indexOf(QLatin1Char(','));
        if (comma < 0 || !unquote(rest.left(comma), targets[i]))
            return false;
        rest = rest.mid(comma + 1);
    }
    return unquote(rest, targets[5]);
}

QString formatYearDataLine(double value, int year, const QString& form, const QString& table,
                           int column, int row)
{
    return QStringLiteral("\"%1\",\"%2\",\"%3\",\"%4\",\"%5\",\"%6\"")
        .arg(formatNumber(value), QString::number(year), form, table, QString::number(column),
             QString::number(row));
}

std::optional<DataFileKind> dataFileKind(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("ktd") || suffix == QLatin1String("rpd"))
        return DataFileKind::ByFormName;
    if (suffix == QLatin1String("ktr") || suffix == QLatin1String("rps"))
        return DataFileKind::ByFormId;
    return std::nullopt;
}

DataFileKind yearDataFileKind(const QString& path)
{
    return isOlderDataFile(path) ? DataFileKind::ByFormId : DataFileKind::ByFormName;
}

bool isOlderDataFile(const QString& fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("ktr"), Qt::CaseInsensitive) == 0;
}

QList<int> tablesOfForms(const QSet<QString>& formNames)
{
    QList<int> idents;
    for (const TableShape& t : TableInfo)
        if (formNames.contains(upperCase(t.formName)))
            idents.append(t.ident);
    return idents;
}

QList<int> tablesOfForm(int formId)
{
    QList<int> idents;
    for (const TableShape& t : TableInfo)
        if (t.form == formId)
            idents.append(t.ident);
    return idents;
}

QString DataLoadReport::summary() const
{
    QStringList lines{QStringLiteral("Загружено значений: %1").arg(loaded)};
    const std::pair<int, const char*> reasons[] = {
        {zeros, "Нулевых значений (не хранятся): %1"},
        {otherYear, "Пропущено строк другого года: %1"},
        {otherTarget, "Пропущено строк других форм и таблиц: %1"},
        {unknownTable, "Пропущено строк таблиц, которых нет в перечне: %1"},
        {outside, "Пропущено строк вне области данных таблицы: %1"},
    };
    for (const auto& [count, text] : reasons)
        if (count > 0)
            lines.append(QString::fromUtf8(text).arg(count));
    return lines.join(QLatin1Char('\n'));
}

bool loadDataFile(Database& data, const DataLoadTarget& target, const QString& path,
                  DataFileKind kind, DataLoadReport* report, QString* error)
{
    DataLoadReport counts;
    const QString table = dataTableIdent(target.dataTable);
    if (table.isEmpty()) {
        *error = unknownDataTableMessage(target.dataTable);
        return false;
    }
    // Tables found once per distinct form and number: a file repeats them on every line.
    QHash<QString, int> indexOf;
    // The line that gave each cell of the target (line numbers start at 1: 0 is no line yet).
    QHash<quint64, int> seen;
    QList<ParsedCell> cells;
    int belonging = 0;

    TextFileReader reader(TextLimits{qint64(1) << 30, kMaxLineBytes});
    if (!reader.open(path)) {
        *error = reader.errorString();
        return false;
    }
    const qint64 size = QFileInfo(path).size();
    qint64 read = 0;
    {
        // A line takes some 35 bytes: room for the lines a file of this size holds, so a
        // territory's file is not copied over and over as the lists grow.
        const qint64 expected = std::min<qint64>(size / 32, qint64(1) << 22);
        cells.reserve(expected);
        seen.reserve(expected);
    }
    // Lines come table by table: the table of the line before is looked up only when it changes.
    QString lastForm, lastTable;
    int lastIndex = -2;   // no line yet
    QString text;
    while (reader.readLine(&text)) {
        const int number = reader.lineNumber();
        read += text.size() + 2;   // one byte a character, and the line's end
        if (target.progress && number % 4096 == 0)
            target.progress(std::min(read, size), size);
        YearDataLine line;
        if (!parseYearDataLine(text, &line)) {
            *error = lineError(path, number, QStringLiteral("строка не из шести полей в кавычках"));
            return false;
        }
        const std::optional<double> value = parseNumber(line.value);
        const std::optional<int> year = parseInt(line.year);
        const std::optional<int> column = parseInt(line.column);
        const std::optional<int> row = parseInt(line.row);
        if (!value || !year || !column || !row) {
            *error = lineError(path, number, QStringLiteral("значение, год, графа или строка не число"));
            return false;
        }
        // A form id that does not parse is a damaged line, not a table the dictionary lacks: it
        // refuses the file like any other field, whatever its year.
        std::optional<int> formId;
        if (kind == DataFileKind::ByFormId) {
            formId = parseInt(line.form);
            if (!formId) {
                *error = lineError(path, number, QStringLiteral("код формы \"%1\" не число").arg(line.form));
                return false;
            }
        }
        // The lookup reads an empty table number as the form's first table and an empty form name
        // as no table: neither is what an export writes, so such a line is damaged too.
        if (line.form.isEmpty() || line.table.isEmpty()) {
            *error = lineError(path, number, QStringLiteral("не указана форма или номер таблицы"));
            return false;
        }
        if (*year != target.year) {
            ++counts.otherYear;
            continue;
        }
        if (lastIndex < -1 || line.form != lastForm || line.table != lastTable) {
            const QString key = line.form + QLatin1Char('\n') + line.table;
            auto found = indexOf.constFind(key);
            if (found == indexOf.constEnd()) {
                int index = -1;
                if (formId) {
                    index = FindTableIndexByFormId(*formId, line.table);
                } else {
                    index = FindTableIndex(line.form, line.table);
                }
                found = indexOf.insert(key, index);
            }
            lastForm = line.form;
            lastTable = line.table;
            lastIndex = *found;
        }
        const int index = lastIndex;
        if (index < 0) {
            ++counts.unknownTable;
            continue;
        }
        const TableShape& t = TableInfo[index];
        if ((target.formId != 0 && t.form != target.formId)
            || (target.tableIdent != 0 && t.ident != target.tableIdent)
            || (!target.chosenForms.isEmpty() && !target.chosenForms.contains(upperCase(t.formName)))) {
            ++counts.otherTarget;
            continue;
        }
        if (*column < t.fixcols + 2 || *column > t.colcount + 1 || *row < t.fixrows + 2
            || *row > t.rowcount + 1) {
            ++counts.outside;
            continue;
        }
        int& first = seen[cellKey(t.ident, *column, *row)];
        if (first != 0) {
            *error = lineError(path, number, QStringLiteral("ячейка уже задана в строке %1").arg(first));
            return false;
        }
        first = number;
        ++belonging;
        if (*value == 0) {
            ++counts.zeros;
            continue;
        }
        cells.append(ParsedCell{t.ident, *column, *row, *value});
    }
    if (reader.hasError()) {
        *error = reader.errorString();
        return false;
    }
    if (target.progress)
        target.progress(size, size);
    if (belonging == 0) {
        *error = QStringLiteral("В файле %1 нет данных за %2 год для загружаемых таблиц. Ничего не изменено.")
                     .arg(QFileInfo(path).fileName())
                     .arg(target.year);
        if (report)
            *report = counts;
        return false;
    }

    Transaction tx(data);
    DataRows::deleteOwnerRows(data, table, target.owner, target.year,
                              target.replacedTables ? &*target.replacedTables : nullptr);
    BatchInsert insert(data, table, false);
    for (const ParsedCell& c : cells)
        insert.add(target.owner, c.value, target.year, c.table, c.column, c.row);
    insert.flush();
    tx.commit();
    counts.loaded = int(cells.size());
    if (report)
        *report = counts;
    return true;
}

bool writeDataFile(Database& data, const QString& dataTable, int owner, int year,
                   const QString& path, DataExportReport* report, QString* error)
{
    DataExportReport counts;
    const QString table = dataTableIdent(dataTable);
    if (table.isEmpty()) {
        *error = unknownDataTableMessage(dataTable);
        return false;
    }
    QHash<int, qsizetype> byIdent;
    for (qsizetype i = 0; i < TableInfo.size(); ++i)
        byIdent.insert(TableInfo[i].ident, i);

    const bool saved = Files::saveFileSafely(path, [&](QIODevice* file) {
        QStringEncoder encoder("windows-1251");
        QByteArray chunk;
        chunk.reserve((1 << 16) + 4096);
        const std::unique_ptr<Query> read = DataRows::ownerYearQuery(data, table, true);
        Query& q = *read;
        q.bind(1, year).bind(2, owner);
        int lastTable = 0;
        qsizetype lastIndex = -1;
        // The middle of a line ("year","form","table",") is the same for every cell of a table: it is
        // encoded once per table, and only the numbers are written per cell.
        QByteArray middle;
        const QByteArray yearBytes = QByteArray::number(year);
        while (q.next()) {
            const int ident = q.toInt(0);
            if (ident != lastTable || lastIndex < 0) {
                lastTable = ident;
                lastIndex = byIdent.value(ident, -1);
                if (lastIndex >= 0) {
                    const TableShape& t = TableInfo[lastIndex];
                    middle = "\",\"" + yearBytes + "\",\"" + encoder.encode(t.formName) + "\",\""
                             + encoder.encode(t.tablen) + "\",\"";
                    if (encoder.hasError()) {
                        *error = QStringLiteral("Имя формы %1 содержит знаки, которых нет в кодировке Windows-1251")
                                     .arg(t.formName);
                        return false;
                    }
                }
            }
            if (lastIndex < 0) {
                ++counts.unknownTable;
                continue;
            }
            const double value = q.toDouble(3);
            if (value == 0)
                continue;
            chunk.append('"');
            appendNumber(chunk, value);
            chunk.append(middle);
            appendInt(chunk, q.toInt(1));
            chunk.append("\",\"", 3);
            appendInt(chunk, q.toInt(2));
            chunk.append("\"\r\n", 3);
            ++counts.written;
            if (chunk.size() > (1 << 16)) {
                file->write(chunk);
                chunk.resize(0);   // keeps its capacity
            }
        }
        file->write(chunk);
        return true;
    }, error);
    if (!saved)
        return false;
    if (report)
        *report = counts;
    return true;
}

bool clearOwnerData(Database& data, const QString& dataTable, int owner,
                    const std::optional<QList<int>>& tables, int* deleted, QString* error,
                    std::optional<int> year)
{
    const QString table = dataTableIdent(dataTable);
    if (table.isEmpty()) {
        *error = unknownDataTableMessage(dataTable);
        return false;
    }
    Transaction tx(data);
    const int count = DataRows::deleteOwnerRows(data, table, owner, year, tables ? &*tables : nullptr);
    tx.commit();
    if (deleted)
        *deleted = count;
    return true;
}
