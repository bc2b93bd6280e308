#include "entry/ConditionsFile.h"

#include "core/NetConditions.h"
#include "core/TableShape.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/TextFiles.h"
#include "platform/TextReader.h"

#include <QFile>
#include <algorithm>
#include <set>
#include <tuple>

namespace {

constexpr QChar kTab = u'\t';
constexpr QChar kLf = u'\n';
constexpr QChar kCr = u'\r';
constexpr QChar kLfMark = QChar(1);
constexpr QChar kCrMark = QChar(2);
constexpr int kFields = 11;

QString flagText(bool on)
{
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<bool> readFlag(const QString& text)
{
    if (text == QStringLiteral("True"))
        return true;
    if (text == QStringLiteral("False"))
        return false;
    return std::nullopt;
}

// A whole number as the writer writes it: an optional minus and digits, nothing around them.
std::optional<int> readWhole(const QString& text)
{
    if (text.isEmpty() || text.size() > 10)
        return std::nullopt;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!(c.isDigit() && c.unicode() < 128) && !(i == 0 && c == u'-' && text.size() > 1))
            return std::nullopt;
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

QString conditionsFileFormName(const QString& formName)
{
    // The files other installations write hold only this much of the name, so ours do too.
    qsizetype end = formName.indexOf(u' ');
    if (end < 0)
        end = formName.size();
    return formName.left(std::min<qsizetype>(end, 10));
}

bool conditionsFileNamesForm(const QString& field, const QString& formName)
{
    return sameName(field, conditionsFileFormName(formName)) || sameName(field, formName);
}

QString conditionPlaceText(int row, int column, int fixcols)
{
    const QString rowText = QStringLiteral("строка %1").arg(row + 1);
    const QString columnText = QStringLiteral("графа %1").arg(fixcols + column + 1);
    if (column < 0)
        return rowText;
    if (row < 0)
        return columnText;
    return rowText + QStringLiteral(", ") + columnText;
}

bool ConditionsFileReader::read(QIODevice* device, const QString& name)
{
    m_lines.clear();
    m_error.clear();
    TextLimits limits;
    limits.maxFileBytes = qint64(maxLines) * 256;
    limits.maxLineBytes = maxLineBytes;
    TextFileReader reader(limits);
    if (!reader.open(device, name)) {
        m_error = reader.errorString();
        return false;
    }
    auto fail = [this](int line, const QString& why) {
        m_error = QStringLiteral("Строка %1 файла условий: %2. Условия не загружены.").arg(line).arg(why);
        m_lines.clear();
        return false;
    };
    QString text;
    while (reader.readLine(&text)) {
        const int number = reader.lineNumber();
        if (text.trimmed().isEmpty())
            continue;
        if (m_lines.size() >= maxLines)
            return fail(number, QStringLiteral("в файле больше %1 условий").arg(maxLines));
        const QStringList f = text.split(kTab);
        if (f.size() != kFields)
            return fail(number, QStringLiteral("полей %1 вместо %2, разделенных табуляцией")
                                    .arg(f.size()).arg(kFields));
        ConditionsFileLine line;
        line.lineNumber = number;
        line.formName = f[0];
        line.tableNumber = f[1];
        if (line.formName.isEmpty() || line.tableNumber.isEmpty())
            return fail(number, QStringLiteral("не указаны форма или таблица"));
        const std::optional<int> row = readWhole(f[2]);
        const std::optional<int> column = readWhole(f[3]);
        if (!row || !column)
            return fail(number, QStringLiteral("строка и графа должны быть целыми числами"));
        line.row = *row;
        line.column = *column;
        if (line.row < -1 || line.column < -1 || (line.row == -1 && line.column == -1))
            return fail(number, QStringLiteral("неверный адрес условия (строка %1, графа %2)")
                                    .arg(f[2], f[3]));
        const std::optional<bool> sum = readFlag(f[4]);
        const std::optional<bool> country = readFlag(f[8]);
        const std::optional<bool> midle = readFlag(f[9]);
        if (!sum || !country || !midle)
            return fail(number, QStringLiteral("тип, сельская местность и среднее должны быть "
                                               "True или False"));
        line.sum = *sum;
        line.rural = *country;
        line.average = *midle;
        if (!f[7].isEmpty()) {
            const std::optional<int> koeff = readWhole(f[7]);
            if (!koeff)
                return fail(number, QStringLiteral("коэффициент должен быть целым числом"));
            line.koeff = koeff;
        }
        line.formula = f[5];
        QString condition = f[6];
        condition.replace(kLfMark, kLf);
        condition.replace(kCrMark, kCr);
        line.condition = condition;
        line.types = f[10];
        m_lines.append(line);
    }
    if (reader.hasError()) {
        m_error = reader.errorString();
        m_lines.clear();
        return false;
    }
    return true;
}

bool ConditionsFileReader::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_lines.clear();
        m_error = QStringLiteral("Не удалось открыть файл %1: %2").arg(path, Files::errorText(file));
        return false;
    }
    return read(&file, path);
}

bool ConditionsFileWriter::formatLine(const ConditionsFileLine& l, QString* text, QString* error)
{
    const QList<std::pair<QString, QString>> texts = {
        {QStringLiteral("имя формы"), l.formName}, {QStringLiteral("номер таблицы"), l.tableNumber},
        {QStringLiteral("формула"), l.formula}, {QStringLiteral("условие"), l.condition},
        {QStringLiteral("типы учреждений"), l.types}};
    for (const auto& [what, value] : texts) {
        if (value.contains(kTab)) {
            *error = QStringLiteral("%1 содержит знак табуляции").arg(what);
            return false;
        }
    }
    const QList<std::pair<QString, QString>> oneLine = {
        {QStringLiteral("имя формы"), l.formName}, {QStringLiteral("номер таблицы"), l.tableNumber},
        {QStringLiteral("формула"), l.formula}, {QStringLiteral("типы учреждений"), l.types}};
    for (const auto& [what, value] : oneLine) {
        if (value.contains(kCr) || value.contains(kLf)) {
            *error = QStringLiteral("%1 содержит перевод строки").arg(what);
            return false;
        }
    }
    if (l.condition.contains(kLfMark) || l.condition.contains(kCrMark)) {
        *error = QStringLiteral("условие содержит служебный символ с кодом 1 или 2");
        return false;
    }
    QString condition = l.condition;
    condition.replace(kCr, kCrMark);
    condition.replace(kLf, kLfMark);
    const QStringList fields = {
        l.formName, l.tableNumber, QString::number(l.row), QString::number(l.column),
        flagText(l.sum), l.formula, condition, l.koeff ? QString::number(*l.koeff) : QString(),
        flagText(l.rural), flagText(l.average), l.types};
    *text = fields.join(kTab);
    return true;
}

bool ConditionsFileWriter::write(QIODevice* device, const QList<ConditionsFileLine>& lines,
                                 const QList<int>& fixcols)
{
    m_error.clear();
    QByteArray bytes;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const ConditionsFileLine& l = lines.at(i);
        const QString place = QStringLiteral("Таблица %1, %2")
                                  .arg(l.tableNumber, conditionPlaceText(l.row, l.column, fixcols.value(i)));
        QString text, why;
        if (!formatLine(l, &text, &why)) {
            m_error = QStringLiteral("%1: %2. Условия не сохранены.").arg(place, why);
            return false;
        }
        QByteArray encoded;
        if (!encode1251(text + QStringLiteral("\r\n"), &encoded, &why)) {
            m_error = QStringLiteral("%1: %2 Условия не сохранены.").arg(place, why);
            return false;
        }
        bytes += encoded;
    }
    if (device->write(bytes) != bytes.size()) {
        m_error = QStringLiteral("Не удалось записать файл: %1").arg(Files::errorText(*device));
        return false;
    }
    return true;
}

bool ConditionsFileWriter::write(const QString& path, const QList<ConditionsFileLine>& lines,
                                 const QList<int>& fixcols)
{
    return Files::saveFileSafely(path, [&](QIODevice* device) { return write(device, lines, fixcols); }, &m_error);
}

bool saveFormConditions(Database& dictionary, int formId, const QString& formName,
                        const QString& path, QString* error)
{
    QList<ConditionsFileLine> lines;
    QList<int> fixcols;
    for (const TableShape& t : readFormTableShapes(dictionary, formId, ShapeOrder::ByIdent)) {
        for (const NetCondition& record : NetConditions::readInStoredOrder(dictionary, t.ident)) {
            ConditionsFileLine l;
            static_cast<NetCondition&>(l) = record;
            // The file names the table by its form and number, and carries no lft or rght.
            l.tid = 0;
            l.lft.clear();
            l.rght.clear();
            l.formName = conditionsFileFormName(formName);
            l.tableNumber = t.tablen;
            lines.append(l);
            fixcols.append(t.fixcols);
        }
    }
    ConditionsFileWriter writer;
    if (!writer.write(path, lines, fixcols)) {
        *error = writer.errorString();
        return false;
    }
    return true;
}

ConditionsLoadResult loadFormConditions(Database& dictionary, int formId, const QString& formName,
                                        const QString& path)
{
    ConditionsLoadResult result;
    ConditionsFileReader reader;
    if (!reader.read(path)) {
        result.message = reader.errorString();
        return result;
    }
    const QList<TableShape> tables = readFormTableShapes(dictionary, formId, ShapeOrder::ByIdent);
    QList<NetCondition> records;
    QList<int> tids;
    for (const TableShape& t : tables)
        tids.append(t.ident);
    std::set<std::tuple<int, int, int>> places;
    for (const ConditionsFileLine& l : reader.lines()) {
        if (!conditionsFileNamesForm(l.formName, formName)) {
            ++result.skipped;
            continue;
        }
        auto refuse = [&](const QString& why) {
            result.message = QStringLiteral("Строка %1 файла условий: %2. Условия не загружены.")
                                 .arg(l.lineNumber).arg(why);
            return result;
        };
        const auto table = std::find_if(tables.begin(), tables.end(),
                                        [&](const TableShape& t) { return t.tablen == l.tableNumber; });
        if (table == tables.end())
            return refuse(QStringLiteral("в форме %1 нет таблицы %2").arg(formName, l.tableNumber));
        if (l.row >= table->gridRows() || l.column >= table->gridColumns())
            return refuse(QStringLiteral("таблица %1, %2 за пределами таблицы")
                              .arg(l.tableNumber, conditionPlaceText(l.row, l.column, table->fixcols)));
        const std::tuple<int, int, int> place{table->ident, l.row, l.column};
        if (places.count(place))
            return refuse(QStringLiteral("таблица %1, %2: условие указано второй раз")
                              .arg(l.tableNumber, conditionPlaceText(l.row, l.column, table->fixcols)));
        places.insert(place);
        const QString typesProblem = conditionTypesProblem(l.types);
        if (!typesProblem.isEmpty())
            return refuse(QStringLiteral("таблица %1, %2: %3")
                              .arg(l.tableNumber, conditionPlaceText(l.row, l.column, table->fixcols),
                                   typesProblem));
        NetCondition r = l;
        r.tid = table->ident;
        records.append(r);
    }
    if (records.isEmpty()) {
        result.message = QStringLiteral("В файле %1 нет условий формы %2. Условия формы не изменены.")
                             .arg(path, formName);
        return result;
    }
    NetConditions::replaceTables(dictionary, tids, records);
    result.changed = true;
    result.loaded = int(records.size());
    result.message = QStringLiteral("Условия формы %1 загружены: %2, пропущено строк других форм: %3.")
                         .arg(formName).arg(result.loaded).arg(result.skipped);
    return result;
}
