#pragma once
// Printing a form on its blank: the working print, the one print handed in for the report with
// its protocol of check sums, and the protocol alone. The blank forms/<form>.docx of the year is
// filled with the owner's stored values as its placement file forms/<form>.txt says; the
// document then goes to the desktop (Word or LibreOffice shows it).

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class WordDocument;

// The year's forms folder: CfgDir + year + "/forms".
QString formsFolderOf(const QString& cfgDir, int year);
// <folder>/<form>.docx and <folder>/<form>.txt, the form name made safe for a file name.
QString blankPathOf(const QString& formsFolder, const QString& formName);
QString placementPathOf(const QString& formsFolder, const QString& formName);

// A new document from the form's blank, its mapped cells holding the owner's stored values of
// the year and the current report level (the data table DataTablePrefix) after the blank's own
// text; cells without a value are left as they are. The blank and the whole placement file are
// checked first: on a missing file, a bad line or a Word cell the blank lacks, false with the
// message and *document untouched. CellValues is as it was afterwards.
bool FillFormDoc(const QString& formsFolder, int formId, const QString& formName, int ownerId,
                 WordDocument* document, QString* error);

// Everything a print for the report needs to know of what is printed and for whom.
struct ReportPrintJob {
    QString cfgDir;        // ends with "/"
    int year = 0;
    int formId = 0;
    QString formName;
    int ownerId = 0;       // CurrentInstitutionId
    QString ownerName;     // as the forms tree shows it
    QString levelName;     // the current report level
    bool ownerNameShared = false;   // another institution or report has the same name
    bool ownerIsInstitution = true; // else a summary report
};

// Whether another institution (administration) or summary report (reports) of the dictionary
// bears the owner's name.
bool ownerNameShared(const QString& ownerName, int ownerId, bool ownerIsInstitution);

QString reportFolderOf(const ReportPrintJob& job);
// The owner's print for the report: the one made (see printedReportPath), else where the next
// one is saved: Report/<form> <owner> <year>[ <level>].docx, with " <id>" after the owner when
// another unit bears the name or a print of another owner has that name already.
QString reportDocumentPath(const ReportPrintJob& job);
// The print made for this owner, level and year, under either name whatever names other units
// carry now: a print records its owner, and one under the name without the id that records
// none (made by an older version, or a .doc) counts as this owner's while no other unit bears the
// name. Of two, the first made. Empty when there is none.
QString printedReportPath(const ReportPrintJob& job);

struct PrintedReportCheck {
    enum class State { Unchanged, Changed, Unverifiable };
    State state = State::Unchanged;
    QStringList changedTables;   // numbers of the tables whose sums differ, in tablen order
    QString message;             // what to tell the user; empty when unchanged
};
// Compares the protocol of the stored print with the owner's current sums.
PrintedReportCheck checkPrintedReport(const QString& path, const ReportPrintJob& job);

inline const QString ReportChangedMessage =
    QStringLiteral("Внимание! После печати формы в нее были внесены изменения!");
inline const QString PrintDoneMessage = QStringLiteral("Печать формы завершена.");

// The header of every page: form, owner, year and the stamp (date, and the time unless it is
// exactly midnight).
QString reportHeaderTitle(const ReportPrintJob& job, const QDateTime& now);

// The print for the report: the filled blank, a last portrait section on a new page with the
// protocol, the headers of every section, protection for reading only; saved as
// reportDocumentPath(job) (the folder made when missing) with its owner recorded in it. False
// and the message when nothing was saved: a print of the owner exists already, or the file is
// there, is never written over.
bool makeReportDocument(const ReportPrintJob& job, const QDateTime& now, QString* error);

// The protocol alone, in a new unprotected document: its title, the owner and the sums.
void makeProtocolDocument(const ReportPrintJob& job, WordDocument* document);

// The rows of the protocol table: "Форма в целом" and each table of the form in tablen order,
// with its sum as an unsigned decimal.
QList<QStringList> protocolRows(const ReportPrintJob& job);
