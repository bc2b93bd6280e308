#include "setup/FormStructureFile.h"

#include "entry/GridLayout.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/TextFiles.h"
#include "platform/TextReader.h"

#include <QSet>
#include <utility>
#include <algorithm>

namespace {

const QString kRowMark = QStringLiteral("стр");
const QString kColumnMark = QStringLiteral("гр");
const QString kTitleMark = QStringLiteral("заг");
const QChar kLineFeedMark(1);
const QChar kReturnMark(2);

// No statistical form comes near this many cells; the grid refuses to load more.
constexpr qint64 kMaxCells = 4'000'000;
// A form's structure runs to some hundred kilobytes; a larger file is not one.
constexpr qint64 kMaxFileBytes = qint64(16) << 20;

// Splits a record into `count` fields, the last one taking the rest of the line; nothing when
// it has fewer.
std::optional<QStringList> splitFields(const QString& text, int count)
{
    QStringList fields;
    qsizetype from = 0;
    for (int i = 0; i < count - 1; ++i) {
        const qsizetype at = text.indexOf(QLatin1Char('#'), from);
        if (at < 0)
            return std::nullopt;
        fields << text.mid(from, at - from);
        from = at + 1;
    }
    fields << text.mid(from);
    return fields;
}

class RecordParser {
public:
    explicit RecordParser(int line) : m_line(line) {}
    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    bool fail(const QString& what)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("строка %1: %2").arg(m_line).arg(what);
        return false;
    }
    int whole(const QString& field, const QString& text)
    {
        const std::optional<int> v = parseInt(text);
        if (!v)
            fail(QStringLiteral("%1 \"%2\" не целое число").arg(field, text));
        return v.value_or(0);
    }
    double number(const QString& field, const QString& text)
    {
        const std::optional<double> v = parseNumber(text);
        if (!v || *v < 0)
            fail(QStringLiteral("%1 \"%2\" не число").arg(field, text));
        return v.value_or(0);
    }
    // A width or height: no more than the grid draws, so what is imported is what the table shows.
    double size(const QString& field, const QString& text)
    {
        const double v = number(field, text);
        if (!failed() && v > MaxCellSizePoints)
            fail(QStringLiteral("%1 \"%2\" больше %3").arg(field, text, formatNumber(MaxCellSizePoints)));
        return v;
    }
    bool boolean(const QString& field, const QString& text)
    {
        const QString t = text.trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || t == QLatin1String("-1")
            || t == QLatin1String("1"))
            return true;
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0"))
            return false;
        fail(QStringLiteral("%1 \"%2\" не True и не False").arg(field, text));
        return false;
    }
    void inRange(const QString& field, int value, int low, int high)
    {
        if (value < low || value > high)
            fail(QStringLiteral("%1 %2 вне таблицы (от %3 до %4)").arg(field).arg(value).arg(low).arg(high));
    }

private:
    int m_line;
    QString m_error;
};

bool parseTable(const QString& line, int lineNumber, StructureTable* table, QString* error)
{
    RecordParser p(lineNumber);
    const std::optional<QStringList> f = splitFields(line, 8);
    if (!f) {
        *error = QStringLiteral("строка %1: в описании таблицы должно быть 8 полей").arg(lineNumber);
        return false;
    }
    table->tablen = (*f)[0];
    table->name = (*f)[1];
    if (table->tablen.size() < 3 || !table->tablen.endsWith(QLatin1Char(')'))
        || table->tablen.mid(1, table->tablen.size() - 2).trimmed().isEmpty())
        p.fail(QStringLiteral("номер таблицы \"%1\" должен быть в скобках").arg(table->tablen));
    table->colcount = p.whole(QStringLiteral("число граф"), (*f)[2]);
    table->rowcount = p.whole(QStringLiteral("число строк"), (*f)[3]);
    table->fixcols = p.whole(QStringLiteral("число граф боковика"), (*f)[4]);
    table->fixrows = p.whole(QStringLiteral("число строк шапки"), (*f)[5]);
    table->floattype = p.boolean(QStringLiteral("признак нецелых"), (*f)[6]);
    const QString scan = (*f)[7].trimmed();
    if (scan.isEmpty() || scan == QLatin1String("0"))
        table->scan = 0;
    else if (scan == QLatin1String("1"))
        table->scan = 1;
    else
        p.fail(QStringLiteral("направление формирования \"%1\" не 0 и не 1").arg((*f)[7]));
    if (!p.failed()) {
        const StructureTable& t = *table;
        if (t.colcount < 0 || t.rowcount < 0 || t.fixcols < 0 || t.fixrows < 0 || t.fixcols > t.colcount
            || t.fixrows > t.rowcount || qint64(t.colcount) * qint64(t.rowcount) > kMaxCells
            || qint64(t.colcount + 1 - t.fixcols) * qint64(t.rowcount + 1 - t.fixrows) > kMaxCells)
            p.fail(QStringLiteral("размеры таблицы %1 заданы неверно: граф %2, строк %3, граф боковика %4, "
                                  "строк шапки %5 (не больше 4000000 ячеек)")
                       .arg(t.tablen)
                       .arg(t.colcount)
                       .arg(t.rowcount)
                       .arg(t.fixcols)
                       .arg(t.fixrows));
    }
    *error = p.error();
    return !p.failed();
}

bool parseLayout(const QString& line, int lineNumber, StructureTable* table, QString* error)
{
    RecordParser p(lineNumber);
    if (line.startsWith(kRowMark)) {
        const std::optional<QStringList> f = splitFields(line.mid(kRowMark.size()), 2);
        if (!f)
            return (*error = QStringLiteral("строка %1: в описании строки должно быть 2 поля").arg(lineNumber)), false;
        StructureRow r{p.whole(QStringLiteral("номер строки"), (*f)[0]), p.size(QStringLiteral("высота"), (*f)[1])};
        if (!p.failed())
            p.inRange(QStringLiteral("строка"), r.row, 1, table->rowcount);
        table->rows.append(r);
    } else if (line.startsWith(kColumnMark)) {
        const std::optional<QStringList> f = splitFields(line.mid(kColumnMark.size()), 2);
        if (!f)
            return (*error = QStringLiteral("строка %1: в описании графы должно быть 2 поля").arg(lineNumber)), false;
        StructureColumn c{p.whole(QStringLiteral("номер графы"), (*f)[0]), p.size(QStringLiteral("ширина"), (*f)[1])};
        if (!p.failed())
            p.inRange(QStringLiteral("графа"), c.column, 1, table->colcount);
        table->columns.append(c);
    } else {
        const std::optional<QStringList> f = splitFields(line.mid(kTitleMark.size()), 12);
        if (!f)
            return (*error = QStringLiteral("строка %1: в описании заголовка должно быть 12 полей").arg(lineNumber)), false;
        HeaderCell t;
        t.column = p.whole(QStringLiteral("графа"), (*f)[0]);
        t.row = p.whole(QStringLiteral("строка"), (*f)[1]);
        t.startColumn = p.whole(QStringLiteral("начальная графа"), (*f)[2]);
        t.startRow = p.whole(QStringLiteral("начальная строка"), (*f)[3]);
        t.endColumn = p.whole(QStringLiteral("конечная графа"), (*f)[4]);
        t.endRow = p.whole(QStringLiteral("конечная строка"), (*f)[5]);
        t.fontName = (*f)[6];
        t.fontSize = p.number(QStringLiteral("размер шрифта"), (*f)[7]);
        t.bold = p.boolean(QStringLiteral("жирный"), (*f)[8]);
        t.italic = p.boolean(QStringLiteral("курсив"), (*f)[9]);
        QString txt = (*f)[11];
        txt.replace(kReturnMark, QLatin1Char('\r'));
        txt.replace(kLineFeedMark, QLatin1Char('\n'));
        t.setStored((*f)[10], headerTextToStored(txt));
        if (!p.failed()) {
            p.inRange(QStringLiteral("графа"), t.column, 1, table->colcount);
            p.inRange(QStringLiteral("строка"), t.row, 1, table->rowcount);
            p.inRange(QStringLiteral("начальная графа"), t.startColumn, 1, table->colcount);
            p.inRange(QStringLiteral("конечная графа"), t.endColumn, t.startColumn, table->colcount);
            p.inRange(QStringLiteral("начальная строка"), t.startRow, 1, table->rowcount);
            p.inRange(QStringLiteral("конечная строка"), t.endRow, t.startRow, table->rowcount);
        }
        table->titles.append(t);
    }
    *error = p.error();
    return !p.failed();
}

QString boolText(bool v) { return v ? QStringLiteral("True") : QStringLiteral("False"); }

}  // namespace

QString structureBreakMessage()
{
    return QStringLiteral("Нарушена структура описания формы - ожидалось описание таблицы");
}

bool FormStructureFileReader::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Не удалось открыть файл %1: %2").arg(path, Files::errorText(file));
        return false;
    }
    return read(&file, path);
}

bool FormStructureFileReader::read(QIODevice* device, const QString& name)
{
    m_structure = {};
    m_breaks.clear();
    m_skipped = 0;
    m_error.clear();

    TextLimits limits;
    limits.maxFileBytes = kMaxFileBytes;
    limits.maxLineBytes = 1 << 16;
    TextFileReader reader(limits);
    if (!reader.open(device, name)) {
        m_error = reader.errorString();
        return false;
    }
    // One line of look-ahead: the line that ends a table's layout is the next table's record.
    std::optional<QString> pending;
    int pendingNumber = 0;
    int lineNumber = 0;
    auto next = [&](QString* line) {
        if (pending) {
            *line = *pending;
            lineNumber = pendingNumber;
            pending.reset();
            return true;
        }
        if (!reader.readLine(line))
            return false;
        lineNumber = reader.lineNumber();
        return true;
    };
    auto fail = [this](const QString& why) {
        m_error = why;
        m_structure = {};
        return false;
    };

    QString line;
    if (!next(&line))
        return fail(reader.hasError() ? reader.errorString() : QStringLiteral("Файл %1 пуст").arg(name));
    const std::optional<QStringList> form = splitFields(line, 3);
    if (!form)
        return fail(QStringLiteral("строка 1: в описании формы должно быть 3 поля: имя, содержание, сетевая"));
    m_structure.formname = (*form)[0];
    m_structure.decipher = (*form)[1];
    if (m_structure.formname.trimmed().isEmpty())
        return fail(QStringLiteral("строка 1: не указано имя формы"));
    if ((*form)[2] == QStringLiteral("Да"))
        m_structure.net = true;
    else if ((*form)[2] == QStringLiteral("Нет"))
        m_structure.net = false;
    else
        return fail(QStringLiteral("строка 1: признак сетевой формы \"%1\" не \"Да\" и не \"Нет\"").arg((*form)[2]));

    QSet<QString> numbers;
    while (next(&line)) {
        if (!line.startsWith(QLatin1Char('('))) {
            m_breaks << structureBreakMessage() + QLatin1Char('\n') + line;
            ++m_skipped;
            bool found = false;
            while (next(&line)) {
                if (line.startsWith(QLatin1Char('('))) {
                    found = true;
                    break;
                }
                ++m_skipped;
            }
            if (!found)
                break;
        }
        StructureTable table;
        QString why;
        if (!parseTable(line, lineNumber, &table, &why))
            return fail(why);
        const QString key = upperCase(table.tablen);
        if (numbers.contains(key))
            return fail(QStringLiteral("строка %1: таблица %2 описана в файле второй раз").arg(lineNumber).arg(table.tablen));
        numbers.insert(key);
        int group = 0;   // rows, then columns, then header cells
        while (next(&line)) {
            const int kind = line.startsWith(kRowMark) ? 0 : line.startsWith(kColumnMark) ? 1
                           : line.startsWith(kTitleMark) ? 2 : -1;
            if (kind < group) {
                pending = line;
                pendingNumber = lineNumber;
                break;
            }
            group = kind;
            if (!parseLayout(line, lineNumber, &table, &why))
                return fail(why);
        }
        m_structure.tables.append(table);
    }
    if (reader.hasError())
        return fail(reader.errorString());
    return true;
}

bool FormStructureFileWriter::write(const QString& path, const FormStructure& structure)
{
    return Files::saveFileSafely(path, [&](QIODevice* device) { return write(device, structure); }, &m_error);
}

bool FormStructureFileWriter::write(QIODevice* device, const FormStructure& structure)
{
    m_error.clear();
    QString owner = QStringLiteral("форме %1").arg(structure.formname);
    // A field the file cannot carry would come back as another value, or not at all.
    auto check = [&](const QString& field, const QString& value, bool last) {
        if (!m_error.isEmpty())
            return false;
        QString why;
        QByteArray ignored;
        if (!last && value.contains(QLatin1Char('#')))
            why = QStringLiteral("знак \"#\"");
        else if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
            why = QStringLiteral("перевод строки");
        else if (!encode1251(value, &ignored, &why))
            why = QStringLiteral("знак, которого нет в кодировке Windows-1251");
        if (why.isEmpty())
            return true;
        m_error = QStringLiteral("Структура формы не выгружена: в %1 поле \"%2\" содержит %3").arg(owner, field, why);
        return false;
    };

    QStringList lines;
    const QString flag = structure.net ? QStringLiteral("Да") : QStringLiteral("Нет");
    check(QStringLiteral("Форма"), structure.formname, false);
    check(QStringLiteral("Содержание"), structure.decipher, false);
    lines << structure.formname + QLatin1Char('#') + structure.decipher + QLatin1Char('#') + flag;
    for (const StructureTable& t : structure.tables) {
        owner = QStringLiteral("таблице %1 формы %2").arg(t.tablen, structure.formname);
        check(QStringLiteral("Номер"), t.tablen, false);
        check(QStringLiteral("Содержание"), t.name, false);
        lines << QStringList{t.tablen, t.name, QString::number(t.colcount), QString::number(t.rowcount),
                             QString::number(t.fixcols), QString::number(t.fixrows), boolText(t.floattype),
                             QString::number(t.scan)}
                     .join(QLatin1Char('#'));
        for (const StructureRow& r : t.rows)
            lines << kRowMark + QString::number(r.row) + QLatin1Char('#') + formatNumber(r.height);
        for (const StructureColumn& c : t.columns)
            lines << kColumnMark + QString::number(c.column) + QLatin1Char('#') + formatNumber(c.width);
        for (const HeaderCell& h : t.titles) {
            // Written with ":" rather than the stored character 3, which an editor would not show;
            // the import stores every ":" as the character 3 again.
            QString txt = h.storedText;
            txt.replace(QChar(3), QLatin1Char(':'));
            txt.replace(QLatin1Char('\r'), kReturnMark);
            txt.replace(QLatin1Char('\n'), kLineFeedMark);
            check(QStringLiteral("Шрифт"), h.fontName, false);
            check(QStringLiteral("Вид"), h.charsCode, false);
            check(QStringLiteral("Текст заголовка"), txt, true);
            lines << kTitleMark
                         + QStringList{QString::number(h.column), QString::number(h.row),
                                       QString::number(h.startColumn), QString::number(h.startRow),
                                       QString::number(h.endColumn), QString::number(h.endRow), h.fontName,
                                       formatNumber(h.fontSize), boolText(h.bold), boolText(h.italic), h.charsCode, txt}
                               .join(QLatin1Char('#'));
        }
    }
    if (!m_error.isEmpty())
        return false;
    QByteArray bytes;
    QString why;
    if (!encode1251(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), &bytes, &why)) {
        m_error = why;
        return false;
    }
    if (device->write(bytes) != bytes.size()) {
        m_error = QStringLiteral("Не удалось записать структуру формы: %1").arg(Files::errorText(*device));
        return false;
    }
    return true;
}

std::optional<FormStructure> readFormStructure(Database& dictionary, int formId)
{
    Query form(dictionary, QStringLiteral(R"(select * from "forms" where "id"=?)"), {formId});
    if (!form.next())
        return std::nullopt;
    FormStructure s;
    s.formname = form.text(QStringLiteral("formname"));
    s.decipher = form.text(QStringLiteral("decipher"));
    s.net = form.toBool(QStringLiteral("net"));
    for (const TableShape& shape : readFormTableShapes(dictionary, formId, ShapeOrder::ByNumber)) {
        StructureTable t;
        static_cast<TableShape&>(t) = shape;
        // The file carries the table's shape, not what ties it to one dictionary.
        const int ident = std::exchange(t.ident, 0);
        t.form = 0;
        t.formName.clear();
        Query rows(dictionary, QStringLiteral(R"(select "row","height" from "rows" where "table"=? order by rowid)"), {ident});
        while (rows.next())
            t.rows.append({rows.toInt(0), rows.toDouble(1)});
        Query columns(dictionary, QStringLiteral(R"(select "column","width" from "columns" where "table"=? order by rowid)"),
                      {ident});
        while (columns.next())
            t.columns.append({columns.toInt(0), columns.toDouble(1)});
        Query titles(dictionary, QStringLiteral(R"(select * from "titles" where "table"=? order by rowid)"), {ident});
        while (titles.next())
            t.titles.append(headerCellFromStored(titles));
        s.tables.append(t);
    }
    return s;
}

StructureImport importFormStructure(Database& db, const FormStructure& s)
{
    StructureImport result;
    Transaction tx(db);
    const QVariant found = db.scalar(
        QStringLiteral(R"(select "id" from "forms" where "formname"=? collate UNOCASE order by "id" limit 1)"),
        {s.formname});
    if (found.isNull()) {
        db.exec(QStringLiteral(R"(insert into "forms" ("formname","decipher","ind","net") values (?,?,999,?))"),
                {s.formname, s.decipher, s.net ? 1 : 0});
        result.formId = int(db.lastInsertId());
        result.formCreated = true;
    } else {
        result.formId = found.toInt();
        db.exec(QStringLiteral(R"(update "forms" set "formname"=?, "decipher"=?, "net"=? where "id"=?)"),
                {s.formname, s.decipher, s.net ? 1 : 0, result.formId});
    }
    Query insertRow(db, QStringLiteral(R"(insert into "rows" ("table","row","height") values (?,?,?))"));
    Query insertColumn(db, QStringLiteral(R"(insert into "columns" ("table","column","width") values (?,?,?))"));
    Query insertTitle(db, QStringLiteral(R"(insert into "titles" ("table","column","row","union_sc","union_sr",
        "union_ec","union_er","fontname","fontsize","fontbold","fontitalic","tchars","txt")
        values (?,?,?,?,?,?,?,?,?,?,?,?,?))"));
    // The form's tables by ident, with those this import adds: a number the file repeats finds
    // the table its first line made.
    QList<TableShape> tables = readFormTableShapes(db, result.formId, ShapeOrder::ByIdent);
    for (const StructureTable& t : s.tables) {
        const auto existing = std::find_if(tables.cbegin(), tables.cend(),
                                           [&](const TableShape& other) { return sameName(other.tablen, t.tablen); });
        int ident = 0;
        if (existing == tables.cend()) {
            db.exec(QStringLiteral(R"(insert into "tables" ("form","tablen","name","colcount","rowcount","fixcols",
                "fixrows","floattype","scan") values (?,?,?,?,?,?,?,?,?))"),
                    {result.formId, t.tablen, t.name, t.colcount, t.rowcount, t.fixcols, t.fixrows,
                     t.floattype ? 1 : 0, t.scan});
            ident = int(db.lastInsertId());
            TableShape added;
            added.ident = ident;
            added.tablen = t.tablen;
            tables.append(added);
            ++result.tablesCreated;
        } else {
            ident = existing->ident;
            db.exec(QStringLiteral(R"(update "tables" set "name"=?, "colcount"=?, "rowcount"=?, "fixcols"=?,
                "fixrows"=?, "floattype"=?, "scan"=? where "ident"=?)"),
                    {t.name, t.colcount, t.rowcount, t.fixcols, t.fixrows, t.floattype ? 1 : 0, t.scan, ident});
            for (const char* layout : {"columns", "rows", "titles"})
                db.exec(QStringLiteral(R"(delete from %1 where "table"=?)").arg(quoteIdent(QLatin1String(layout))),
                        {ident});
            ++result.tablesReplaced;
        }
        for (const StructureRow& r : t.rows) {
            insertRow.reset();
            insertRow.bindAll({ident, r.row, r.height}).exec();
        }
        for (const StructureColumn& c : t.columns) {
            insertColumn.reset();
            insertColumn.bindAll({ident, c.column, c.width}).exec();
        }
        for (const HeaderCell& h : t.titles) {
            insertTitle.reset();
            insertTitle
                .bindAll({ident, h.column, h.row, h.startColumn, h.startRow, h.endColumn, h.endRow, h.fontName,
                          h.fontSize, h.bold ? 1 : 0, h.italic ? 1 : 0, h.charsCode, h.storedText})
                .exec();
        }
    }
    tx.commit();
    return result;
}

QString structureBreaksWarning(const QStringList& breaks)
{
    // A file broken everywhere would fill the screen: the count says the rest.
    constexpr int listed = 10;
    QString text = breaks.mid(0, listed).join(QStringLiteral("\n\n"));
    if (breaks.size() > listed)
        text += QStringLiteral("\n\nи еще нарушений: %1").arg(breaks.size() - listed);
    return text;
}

bool exportFormStructure(Database& dictionary, int formId, const QString& formName, const QString& path,
                         QString* error)
{
    const std::optional<FormStructure> structure = readFormStructure(dictionary, formId);
    if (!structure) {
        *error = QStringLiteral("Форма %1 не найдена в базе").arg(formName);
        return false;
    }
    FormStructureFileWriter writer;
    if (!writer.write(path, *structure)) {
        *error = writer.errorString();
        return false;
    }
    return true;
}
