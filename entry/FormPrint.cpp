#include "entry/FormPrint.h"

#include "core/CheckSums.h"
#include "core/Common.h"
#include "core/Lookups.h"
#include "core/TableCells.h"
#include "core/ReportLevels.h"
#include "entry/PlacementFile.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/office/WordDocument.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <map>

namespace {

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

QList<TableShape> tablesOfForm(int formId)
{
    return readFormTableShapes(dbmain(), formId, ShapeOrder::ByNumber);
}

QString sumText(qint32 sum) { return QString::number(static_cast<quint32>(sum)); }

// The unsigned decimal a protocol cell holds; nothing when it is not one.
std::optional<quint32> readSum(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 10)
        return std::nullopt;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    bool ok = false;
    const qulonglong v = t.toULongLong(&ok);
    if (!ok || v > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<quint32>(v);
}

const QString ReportPassword = QStringLiteral("Qarnivestol");

void appendProtocol(WordDocument& doc, const ReportPrintJob& job, bool forReport)
{
    doc.appendParagraph(QStringLiteral("Протокол печати ") + job.formName);
    if (forReport)
        doc.appendParagraph(QStringLiteral("Внимание! Данный протокол является неотъемлемой частью "
                                           "печатной формы при ее сдаче вышестоящей организации!"));
    doc.appendParagraph(QStringLiteral("Учреждение - ") + job.ownerName);
    doc.appendTable(protocolRows(job));
}

}

QString formsFolderOf(const QString& cfgDir, int year)
{
    return cfgDir + QString::number(year) + QStringLiteral("/forms");
}

QString blankPathOf(const QString& formsFolder, const QString& formName)
{
    return Files::join(formsFolder, Files::safeFileName(formName) + QStringLiteral(".docx"));
}

QString placementPathOf(const QString& formsFolder, const QString& formName)
{
    return Files::join(formsFolder, Files::safeFileName(formName) + QStringLiteral(".txt"));
}

bool FillFormDoc(const QString& formsFolder, int formId, const QString& formName, int ownerId,
                 WordDocument* document, QString* error)
{
    QString blankPath = blankPathOf(formsFolder, formName);
    if (!Files::exists(blankPath)) {
        const QString oldBlank = Files::join(formsFolder, Files::safeFileName(formName) + QStringLiteral(".doc"));
        if (!Files::exists(oldBlank)) {
            *error = QStringLiteral("Нет бланка формы %1: %2").arg(formName, native(blankPath));
            return false;
        }
        blankPath = oldBlank;   // the layer refuses it with the advice to convert it
    }
    const QString placementPath = placementPathOf(formsFolder, formName);
    if (!Files::exists(placementPath)) {
        *error = QStringLiteral("Нет файла размещения формы %1: %2").arg(formName, native(placementPath));
        return false;
    }
    WordDocument doc;
    if (!doc.createFromTemplate(blankPath)) {
        *error = doc.errorString();
        return false;
    }
    QList<PlacementLine> lines;
    if (!readPlacementFile(placementPath, formId, &doc, &lines, error))
        return false;

    const QString storedFormName = FormNameById(formId);
    std::map<QString, CellArray> loaded;   // table number -> cells
    // Read as values: the grid or a control pass may hold a table in CellValues meanwhile.
    for (const PlacementLine& line : std::as_const(lines)) {
        if (loaded.count(line.tableNumber))
            continue;
        CellArray cells;
        QString loadError;
        if (!readTableCells(ownerId, storedFormName, line.tableNumber, &cells, &loadError)) {
            *error = loadError;
            return false;
        }
        loaded[line.tableNumber] = std::move(cells);
    }
    for (const PlacementLine& line : std::as_const(lines)) {
        const CellArray& cells = loaded[line.tableNumber];
        const CellNumbering numbering = CellNumbering::of(cells);
        const int firstStoredRow = numbering.storedRowOfReference(line.firstRow);
        const int firstStoredColumn = numbering.storedColumnOfReference(line.firstColumn);
        for (int r = firstStoredRow; r <= numbering.storedRowOfReference(line.lastRow); ++r)
            for (int c = firstStoredColumn; c <= numbering.storedColumnOfReference(line.lastColumn); ++c) {
                const double value = cells.value(c, r);
                if (value == 0)
                    continue;   // no stored value: the blank's cell stays as it is
                if (!doc.appendToCell(line.wordTable, r - firstStoredRow + line.wordRow,
                                      c - firstStoredColumn + line.wordColumn, formatNumber(value))) {
                    *error = doc.errorString();
                    return false;
                }
            }
    }
    *document = std::move(doc);
    return true;
}

bool ownerNameShared(const QString& ownerName, int ownerId, bool ownerIsInstitution)
{
    int same = 0;
    auto count = [&](const QString& sql, bool own) {
        Query q(dbmain(), sql);
        while (q.next())
            if (sameName(q.text(1), ownerName) && !(own && q.toInt(0) == ownerId))
                ++same;
    };
    count(QStringLiteral(R"(select "id", "unit" from "administration")"), ownerIsInstitution);
    count(QStringLiteral(R"(select "id", "report" from "reports")"), !ownerIsInstitution);
    return same > 0;
}

QString reportFolderOf(const ReportPrintJob& job)
{
    return job.cfgDir + QString::number(job.year) + QStringLiteral("/Report");
}

namespace {

QString reportBaseName(const ReportPrintJob& job, bool withId)
{
    QString name = job.formName + QLatin1Char(' ') + job.ownerName;
    if (withId)
        name += QLatin1Char(' ') + QString::number(job.ownerId);
    name += QLatin1Char(' ') + QString::number(job.year);
    if (!job.levelName.isEmpty() && job.levelName != AnnualLevelName)
        name += QLatin1Char(' ') + job.levelName;
    return Files::safeFileName(name);
}

QString reportFile(const ReportPrintJob& job, bool withId, const QString& extension)
{
    return Files::join(reportFolderOf(job), reportBaseName(job, withId) + extension);
}

// Which owner a print was made for is kept in the print itself: namesakes come and go, and the
// name the print was saved under says it only while they do not.
const QString OwnerVariable = QStringLiteral("KestrinReportOwner");

QString ownerTag(const ReportPrintJob& job)
{
    return (job.ownerIsInstitution ? QStringLiteral("administration ") : QStringLiteral("reports "))
           + QString::number(job.ownerId);
}

enum class PrintOwner { Mine, Other, Unrecorded };

PrintOwner ownerOfPrint(const QString& path, const ReportPrintJob& job)
{
    if (path.endsWith(QStringLiteral(".doc"), Qt::CaseInsensitive))
        return PrintOwner::Unrecorded;
    WordDocument doc;
    if (!doc.open(path))
        return PrintOwner::Unrecorded;
    const QString tag = doc.variable(OwnerVariable);
    if (tag.isEmpty())
        return PrintOwner::Unrecorded;
    return tag == ownerTag(job) ? PrintOwner::Mine : PrintOwner::Other;
}

// Where a first print of the owner goes: the plain name unless a namesake or another's print
// claims it.
QString newReportDocumentPath(const ReportPrintJob& job)
{
    const QString plain = reportFile(job, false, QStringLiteral(".docx"));
    if (!job.ownerNameShared && !Files::exists(plain) && !Files::exists(reportFile(job, false, QStringLiteral(".doc"))))
        return plain;
    return reportFile(job, true, QStringLiteral(".docx"));
}

}

QString printedReportPath(const ReportPrintJob& job)
{
    QStringList found;
    for (const bool withId : {false, true})
        for (const QString& extension : {QStringLiteral(".docx"), QStringLiteral(".doc")}) {
            const QString path = reportFile(job, withId, extension);
            if (found.contains(path) || !Files::exists(path))
                continue;
            const PrintOwner owner = ownerOfPrint(path, job);
            if (owner == PrintOwner::Mine || (owner == PrintOwner::Unrecorded && (withId || !job.ownerNameShared)))
                found.append(path);
        }
    if (found.isEmpty())
        return QString();
    // Two of one owner were made before prints recorded their owner: the first is the one handed in.
    return *std::min_element(found.begin(), found.end(), [](const QString& a, const QString& b) {
        return QFileInfo(a).lastModified() < QFileInfo(b).lastModified();
    });
}

QString reportDocumentPath(const ReportPrintJob& job)
{
    const QString printed = printedReportPath(job);
    return printed.isEmpty() ? newReportDocumentPath(job) : printed;
}

PrintedReportCheck checkPrintedReport(const QString& path, const ReportPrintJob& job)
{
    PrintedReportCheck check;
    auto unverifiable = [&](const QString& why) {
        check.state = PrintedReportCheck::State::Unverifiable;
        check.message = QStringLiteral("Форма уже напечатана для отчета (%1), но проверить, менялись ли "
                                       "данные после печати, нельзя: %2")
                            .arg(native(path), why);
        return check;
    };
    if (path.endsWith(QStringLiteral(".doc"), Qt::CaseInsensitive))
        return unverifiable(QStringLiteral("документ в формате Word 97-2003."));
    WordDocument doc;
    if (!doc.open(path))
        return unverifiable(doc.errorString());
    if (doc.tableCount() < 1)
        return unverifiable(QStringLiteral("в документе нет таблицы протокола."));
    WordTable protocol = doc.table(doc.tableCount());
    std::map<QString, quint32> stored;
    std::optional<quint32> formSum;
    for (int row = 1; row <= protocol.rowCount(); ++row) {
        const std::optional<quint32> sum = readSum(protocol.cellText(row, 2));
        if (!sum)
            return unverifiable(QStringLiteral("в строке %1 таблицы протокола нет контрольной суммы.").arg(row));
        if (row == 1)
            formSum = sum;
        else
            stored[protocol.cellText(row, 1).trimmed()] = *sum;
    }
    if (!formSum)
        return unverifiable(QStringLiteral("в документе нет таблицы протокола."));
    const bool formChanged = static_cast<quint32>(FormDataChecksum(job.ownerId, job.formId)) != *formSum;
    for (const TableShape& t : tablesOfForm(job.formId)) {
        const auto it = stored.find(t.tablen);
        if (it == stored.end() || it->second != static_cast<quint32>(TableDataChecksum(job.ownerId, t.ident)))
            check.changedTables.append(t.tablen);
    }
    if (formChanged || !check.changedTables.isEmpty()) {
        check.state = PrintedReportCheck::State::Changed;
        check.message = ReportChangedMessage;
        if (!check.changedTables.isEmpty())
            check.message += QStringLiteral("\nИзменены таблицы: ") + check.changedTables.join(QStringLiteral(", "));
    }
    return check;
}

QString reportHeaderTitle(const ReportPrintJob& job, const QDateTime& now)
{
    QString stamp = now.date().toString(QStringLiteral("dd.MM.yyyy"));
    if (now.time() != QTime(0, 0))
        stamp += QLatin1Char(' ') + now.time().toString(QStringLiteral("HH:mm:ss"));
    return job.formName + QLatin1Char(' ') + job.ownerName + QLatin1Char(' ') + QString::number(job.year)
           + QLatin1Char(' ') + stamp;
}

QList<QStringList> protocolRows(const ReportPrintJob& job)
{
    QList<QStringList> rows{{QStringLiteral("Форма в целом"), sumText(FormDataChecksum(job.ownerId, job.formId))}};
    for (const TableShape& t : tablesOfForm(job.formId))
        rows.append({t.tablen, sumText(TableDataChecksum(job.ownerId, t.ident))});
    return rows;
}

bool makeReportDocument(const ReportPrintJob& job, const QDateTime& now, QString* error)
{
    WordDocument doc;
    if (!FillFormDoc(formsFolderOf(job.cfgDir, job.year), job.formId, job.formName, job.ownerId, &doc, error))
        return false;
    doc.addSectionOnNewPage();
    const QString title = reportHeaderTitle(job, now);
    WordHeaderFormat numbered;
    numbered.alignment = WordAlignment::Left;
    numbered.fontSize = 10;
    numbered.pageNumberAtRight = true;
    WordHeaderFormat plain;
    plain.alignment = WordAlignment::Left;
    plain.fontSize = 10;
    for (int s = 1; s <= doc.sectionCount(); ++s) {
        if (!doc.setHeader(s, WordHeaderKind::Primary, title, numbered)
            || !doc.setHeader(s, WordHeaderKind::FirstPage, title, numbered)
            || !doc.setHeader(s, WordHeaderKind::EvenPages, title, plain)
            || !doc.setHeaderDistance(s, 15)) {
            *error = doc.errorString();
            return false;
        }
    }
    if (!doc.setPortrait(doc.sectionCount())) {
        *error = doc.errorString();
        return false;
    }
    appendProtocol(doc, job, true);
    doc.setVariable(OwnerVariable, ownerTag(job));
    doc.protectReadOnly(ReportPassword);
    QString folderError;
    if (!Files::makeFolder(reportFolderOf(job), &folderError)) {
        *error = folderError;
        return false;
    }
    // The one print is never made twice, nor saved over another owner's.
    const QString printed = printedReportPath(job);
    if (!printed.isEmpty()) {
        *error = QStringLiteral("Форма уже напечатана для отчета: %1").arg(native(printed));
        return false;
    }
    const QString path = newReportDocumentPath(job);
    if (Files::exists(path)) {
        *error = QStringLiteral("Файл %1 уже есть").arg(native(path));
        return false;
    }
    if (!doc.save(path)) {
        *error = doc.errorString();
        return false;
    }
    return true;
}

void makeProtocolDocument(const ReportPrintJob& job, WordDocument* document)
{
    WordDocument doc;
    doc.createBlank();
    appendProtocol(doc, job, false);
    *document = std::move(doc);
}
