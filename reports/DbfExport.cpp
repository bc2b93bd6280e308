#include "reports/DbfExport.h"

#include "core/TableCells.h"
#include "core/TableShape.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/Prompts.h"
#include "platform/TextFiles.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <shapefil.h>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>

namespace {

constexpr int ValueCount = 28;
// A mapping describes one body's forms: tens of thousands of codes at the very most.
constexpr int MaxLinkRows = 200000;

struct DbfCloser {
    void operator()(DBFInfo* dbf) const
    {
        if (dbf)
            DBFClose(dbf);
    }
};
using DbfPtr = std::unique_ptr<DBFInfo, DbfCloser>;

DbfPtr openDbf(const QString& path, const char* access)
{
    return DbfPtr(DBFOpen(QFile::encodeName(path).constData(), access));
}

// One field of the template the export fills.
struct Field {
    QString name;
    int index = -1;
    int width = 0;
};

struct Record {
    QString mskrow;
    std::array<QByteArray, 5> texts;   // a1, a2, a4, a5, a6
    std::array<double, ValueCount> values{};
};

template <typename Read>
bool readTable(Database& db, const QString& sql, const QString& table, Read read, QString* error)
{
    if (!db.tableExists(table)) {
        *error = QStringLiteral("В базе соответствий нет таблицы %1").arg(table);
        return false;
    }
    Query q(db, sql);
    int count = 0;
    while (q.next()) {
        if (++count > MaxLinkRows) {
            *error = QStringLiteral("В таблице %1 базы соответствий больше %2 строк").arg(table).arg(MaxLinkRows);
            return false;
        }
        read(q);
    }
    return true;
}

QString valueFieldName(int n) { return QStringLiteral("a8%1").arg(n); }

bool templateFields(DBFInfo* dbf, std::array<Field, 5>& texts, std::array<Field, ValueCount>& values,
                    QString* error)
{
    auto find = [&](Field& field, bool numeric) {
        field.index = DBFGetFieldIndex(dbf, field.name.toLatin1().constData());
        if (field.index < 0) {
            *error = QStringLiteral("В шаблоне нет поля %1").arg(field.name);
            return false;
        }
        int decimals = 0;
        const DBFFieldType type = DBFGetFieldInfo(dbf, field.index, nullptr, &field.width, &decimals);
        if (numeric ? type != FTDouble && type != FTInteger : type != FTString) {
            *error = QStringLiteral("Поле %1 шаблона не %2").arg(field.name,
                                                                 numeric ? QStringLiteral("числовое")
                                                                         : QStringLiteral("текстовое"));
            return false;
        }
        return true;
    };
    const char* const names[5] = {"a1", "a2", "a4", "a5", "a6"};
    for (int i = 0; i < 5; ++i) {
        texts[i].name = QString::fromLatin1(names[i]);
        if (!find(texts[i], false))
            return false;
    }
    for (int i = 0; i < ValueCount; ++i) {
        values[i].name = valueFieldName(i + 1);
        if (!find(values[i], true))
            return false;
    }
    return true;
}

// The text as it stands in a field: texts left-aligned, numbers right-aligned, both padded with
// blanks to the field's width. Nothing when it does not fit.
std::optional<QByteArray> fieldText(const QByteArray& text, int width, bool numeric)
{
    if (text.size() > width)
        return std::nullopt;
    const QByteArray pad(width - text.size(), ' ');
    return numeric ? pad + text : text + pad;
}

void removeQuietly(const QString& path)
{
    QFile::remove(path);
    // shapelib writes a code page file beside a table whose template has one
    const QFileInfo info(path);
    QFile::remove(Files::join(info.path(), info.completeBaseName() + QStringLiteral(".cpg")));
}

// Names on Windows ignore letter case, so "EMPT.DBF" is the template too.
bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo x(a), y(b);
    if (x.exists() && y.exists() && x.canonicalFilePath() == y.canonicalFilePath())
        return true;
    return QDir::cleanPath(x.absoluteFilePath()).compare(QDir::cleanPath(y.absoluteFilePath()), Qt::CaseInsensitive) == 0;
}

}  // namespace

QString linksDatabasePath() { return Files::join(Files::programFolder(), QStringLiteral("links.mdb")); }
QString dbfTemplatePath() { return Files::join(Files::programFolder(), QStringLiteral("Empt.dbf")); }

QString itemText(const QString& a1, const QString& a2) { return a1 + QStringLiteral(" - ") + a2; }

QString dbfOutputPath(const QString& chosen)
{
    return withDefaultExtension(chosen, QStringLiteral("*.dbf"));
}

QString dbfTargetRefusal(const QString& outputPath, const QString& templatePath)
{
    if (sameFile(outputPath, templatePath))
        return QStringLiteral("Файл %1 — пустой шаблон выгрузки, в него выгружать нельзя. Выберите другой файл.")
            .arg(QDir::toNativeSeparators(outputPath));
    if (sameFile(outputPath, linksDatabasePath()))
        return QStringLiteral("Файл %1 — база соответствий выгрузки, в него выгружать нельзя. Выберите другой файл.")
            .arg(QDir::toNativeSeparators(outputPath));
    return QString();
}

bool readLinks(const QString& path, Links& links, QString* error)
{
    links = Links();
    QString why;
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("Не найдена база соответствий %1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    try {
        auto db = Database::open(path, true);
        const bool ok =
            readTable(*db, QStringLiteral(R"(select "a1","a2" from "raz" order by "a1")"), QStringLiteral("raz"),
                      [&](const Query& q) { links.sections.append({q.text(0), q.text(1)}); }, &why)
            && readTable(*db, QStringLiteral(R"(select "a1","a2" from "kodif" order by rowid)"), QStringLiteral("kodif"),
                         [&](const Query& q) { links.territories.append({q.text(0), q.text(1)}); }, &why)
            && readTable(*db, QStringLiteral(R"(select "mskrow","ktrtable","ktrrow","inv" from "rows" order by "mskrow")"),
                         QStringLiteral("rows"),
                         [&](const Query& q) {
                             links.rows.append({q.text(0), q.text(1), q.toInt(2), q.value(3).toLongLong() != 0});
                         }, &why)
            && readTable(*db, QStringLiteral(R"(select "mskcol","ktrcol" from "cols" order by "mskcol")"),
                         QStringLiteral("cols"),
                         [&](const Query& q) { links.columns.append({q.text(0), q.toInt(1)}); }, &why);
        if (!ok) {
            links = Links();
            *error = QStringLiteral("База соответствий %1 не прочитана: %2").arg(path, why);
            return false;
        }
    } catch (const DbError& e) {
        links = Links();
        *error = QStringLiteral("База соответствий %1 не прочитана.\n%2").arg(QDir::toNativeSeparators(path), e.userText());
        return false;
    }
    return true;
}

DbfExportResult exportReport(Database& dictionary, Database& data, const Links& links,
                             const DbfExportRequest& request, const std::function<void(int)>& progress)
{
    DbfExportResult result;
    result.error = dbfTargetRefusal(request.outputPath, request.templatePath);
    if (!result.error.isEmpty())
        return result;

    // The template first: without it nothing is worth computing.
    if (!QFileInfo(request.templatePath).isFile()) {
        result.error = QStringLiteral("Не найден шаблон %1").arg(request.templatePath);
        return result;
    }
    DbfPtr templ = openDbf(request.templatePath, "rb");
    if (!templ) {
        result.error = QStringLiteral("Шаблон %1 не открывается как таблица dBase").arg(request.templatePath);
        return result;
    }
    std::array<Field, 5> textFields;
    std::array<Field, ValueCount> valueFields;
    if (!templateFields(templ.get(), textFields, valueFields, &result.error)) {
        result.error = QStringLiteral("Шаблон %1: %2").arg(request.templatePath, result.error);
        return result;
    }

    // Form name and table number in capitals; a later table of the same name wins.
    QHash<QString, TableShape> tables;
    for (const TableShape& t : readTableShapes(dictionary, ShapeOrder::ByIdent))
        tables.insert(upperCase(t.formName + t.tablen), t);
    QHash<int, QHash<qint64, double>> valuesOf;   // per table: (column << 32 | row) -> data
    DataRows rows(&data);
    auto cell = [&](int table, int column, int row) {
        auto it = valuesOf.find(table);
        if (it == valuesOf.end()) {
            QHash<qint64, double> cells;
            rows.forEachTableRow(CellOwner{table, request.reportId, QStringLiteral("repdata"), request.year},
                                 [&](int c, int r, double value) { cells.insert((qint64(c) << 32) | quint32(r), value); });
            it = valuesOf.insert(table, cells);
        }
        return it->value((qint64(column) << 32) | quint32(row), 0.0);
    };

    // Every record is made and checked before a byte is written.
    QList<Record> records;
    const QString yearText = QString::number(request.year);
    int position = 0;
    for (int sectionIndex : request.sections) {
        ++position;
        if (progress)
            progress(position);
        if (sectionIndex < 0 || sectionIndex >= links.sections.size())
            continue;
        const QString prefix = links.sections[sectionIndex].a1.left(4);
        for (const LinkRow& row : links.rows) {
            if (!row.mskrow.startsWith(prefix))
                continue;
            if (row.mskrow.size() < 12) {
                result.skipped << QStringLiteral("Код строки %1: короче 12 знаков").arg(row.mskrow);
                continue;
            }
            const auto table = tables.constFind(upperCase(row.ktrtable));
            if (table == tables.constEnd()) {
                result.skipped << QStringLiteral("Код строки %1: нет таблицы %2").arg(row.mskrow, row.ktrtable);
                continue;
            }
            Record record;
            record.mskrow = row.mskrow;
            const QString texts[5] = {yearText.mid(2, 2), request.territory.mid(2, 4),
                                      row.mskrow.left(5) + QStringLiteral("00"),
                                      QStringLiteral("00") + row.mskrow.mid(5, 4), row.mskrow.mid(9, 3)};
            for (int i = 0; i < 5; ++i) {
                QString why;
                if (!encode1251(texts[i], &record.texts[i], &why)) {
                    result.error = QStringLiteral("Код строки %1, поле %2: %3").arg(row.mskrow, textFields[i].name, why);
                    return result;
                }
                if (record.texts[i].size() > textFields[i].width) {
                    result.error = QStringLiteral("Код строки %1: \"%2\" не помещается в поле %3 (%4 знаков)")
                                       .arg(row.mskrow, texts[i], textFields[i].name).arg(textFields[i].width);
                    return result;
                }
            }
            const QString columnPrefix = row.mskrow.left(9);
            for (const LinkColumn& column : links.columns) {
                if (!column.mskcol.startsWith(columnPrefix))
                    continue;
                const std::optional<int> n = column.mskcol.size() >= 11 ? parseInt(column.mskcol.mid(9, 2))
                                                                        : std::nullopt;
                if (!n || *n < 1 || *n > ValueCount) {
                    result.skipped << QStringLiteral("Код графы %1: знаки 10-11 не номер графы 1..28").arg(column.mskcol);
                    continue;
                }
                // A turned row takes its column from the row link and its row from the column's.
                const CellNumbering numbering = table->numbering();
                const int c = numbering.storedColumnOfReference(row.inv ? row.ktrrow : column.ktrcol);
                const int r = numbering.storedRowOfReference(row.inv ? column.ktrcol : row.ktrrow);
                record.values[*n - 1] = cell(table->ident, c, r);
            }
            records.append(record);
        }
    }
    result.skipped.removeDuplicates();

    // Numbers as the program writes them, never through the C library's locale.
    QList<std::array<QByteArray, 5 + ValueCount>> cells;
    for (const Record& record : records) {
        std::array<QByteArray, 5 + ValueCount> fields;
        for (int i = 0; i < 5; ++i)
            fields[i] = *fieldText(record.texts[i], textFields[i].width, false);
        for (int i = 0; i < ValueCount; ++i) {
            const QByteArray number = formatFixed2(record.values[i]).toLatin1();
            const std::optional<QByteArray> text = fieldText(number, valueFields[i].width, true);
            if (!text) {
                result.error = QStringLiteral("Код строки %1, графа %2: число %3 не помещается в поле %4 (%5 знаков)")
                                   .arg(record.mskrow).arg(i + 1).arg(QString::fromLatin1(number), valueFields[i].name)
                                   .arg(valueFields[i].width);
                return result;
            }
            fields[5 + i] = *text;
        }
        cells.append(fields);
    }

    const QString work = request.outputPath + QStringLiteral(".part.dbf");
    removeQuietly(work);
    auto fail = [&](const QString& why) {
        removeQuietly(work);
        result.error = why;
        return result;
    };
    {
        DbfPtr out(DBFCloneEmpty(templ.get(), QFile::encodeName(work).constData()));
        if (!out)
            return fail(QStringLiteral("Не удалось создать файл %1").arg(work));
        const QDate today = QDate::currentDate();
        DBFSetLastModifiedDate(out.get(), today.year() - 1900, today.month(), today.day());
        for (int r = 0; r < cells.size(); ++r) {
            for (int i = 0; i < 5 + ValueCount; ++i) {
                const Field& field = i < 5 ? textFields[i] : valueFields[i - 5];
                if (!DBFWriteAttributeDirectly(out.get(), r, field.index, cells[r][i].data()))
                    return fail(QStringLiteral("Не удалось записать файл %1").arg(work));
            }
        }
    }
    // Closing reports nothing, so the file is checked as it lies on the disk.
    {
        DbfPtr written = openDbf(work, "rb");
        if (!written || DBFGetRecordCount(written.get()) != cells.size()
            || QFileInfo(work).size() < qint64(written->nHeaderLength) + qint64(written->nRecordLength) * cells.size())
            return fail(QStringLiteral("Файл %1 записан не полностью").arg(work));
    }
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(work).toStdString()),
                            std::filesystem::path(QFile::encodeName(request.outputPath).toStdString()), ec);
    if (ec)
        return fail(QStringLiteral("Не удалось заменить файл %1: %2")
                        .arg(request.outputPath, Files::systemErrorText(QString::fromLocal8Bit(ec.message()))));
    removeQuietly(work);
    result.records = int(cells.size());
    result.ok = true;
    return result;
}
