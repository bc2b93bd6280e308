#pragma once
// Handing a finished document to the desktop: the application the desktop opens such files with
// (Word, Excel, LibreOffice) shows it to the user. Tests install a recorder of their own, so
// nothing opens. Documents the user is to look at before deciding where to keep them are saved
// first in the program's temporary folder.

#include <QString>
#include <QStringList>

class WordDocument;
class ExcelWorkbook;

class Desktop {
public:
    virtual ~Desktop() = default;
    // Opens the file in the desktop's application for it; false and *error when it cannot.
    virtual bool openDocument(const QString& path, QString* error) = 0;
};

// The desktop in force: the system's in the program, a recorder in tests.
Desktop& desktop();
// Installs d (not owned) and returns the previous one; nullptr puts the system's back.
Desktop* setDesktop(Desktop* d);

// QDesktopServices::openUrl. Without a QGuiApplication nothing can be opened and it says so.
class SystemDesktop final : public Desktop {
public:
    bool openDocument(const QString& path, QString* error) override;
};

// The folder for documents handed to the user unsaved: "Kestrin" in the system's temporary
// folder. Files stay there after the program ends, since the user may still have them open.
QString temporaryDocumentsFolder();
// Tests point it elsewhere; an empty text gives the default back.
void setTemporaryDocumentsFolder(const QString& folder);
// A path in that folder (created when missing) that no file has yet: `baseName` with the
// characters no file name may hold turned into "_", a dot and `suffix`; " (2)", " (3)", ... come
// before the dot when the name is taken. Empty and *error when the folder cannot be made.
QString temporaryDocumentPath(const QString& baseName, const QString& suffix, QString* error);

// Saves the document (.docx) or workbook (.xlsx) in the temporary folder and opens it: how a
// document that Word or Excel would have shown unsaved reaches the user. False and *error (naming
// the file) when it could not be saved or opened.
bool showDocument(WordDocument& document, const QString& baseName, QString* error);
bool showWorkbook(const ExcelWorkbook& book, const QString& baseName, QString* error);

// Hands a workbook file that was written or loaded to the desktop. Once it opened, it heads
// openWorkbooks() (a book handed again moves to the front); false and *error as openDocument.
bool showWorkbookFile(const QString& path, QString* error);
// The workbooks handed to the desktop in this run that still exist, newest first, as absolute
// paths: as far as the program can tell, the books the user has open in the spreadsheet program.
QStringList openWorkbooks();
// Forgets them all.
void forgetOpenWorkbooks();
