#pragma once
// Every question the program asks the user goes through here, so tests can answer in script.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

class Prompts {
public:
    enum class Kind { Message, Error, Warning, Question, OkCancel, YesNoCancel, Input, Folder, OpenFile, SaveFile, Modal };
    enum class Answer { Yes, No, Cancel };

    virtual ~Prompts() = default;

    // ShowMessage: an information box with OK.
    virtual void message(const QString& text) = 0;
    // An error box with OK.
    virtual void error(const QString& text) = 0;
    virtual void warning(const QString& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool question(const QString& text) = 0;
    // An OK/Cancel confirmation; true for OK.
    virtual bool okCancel(const QString& text) = 0;
    // A Yes/No/Cancel question ("Сохранить изменения?"); Cancel also when the box is closed.
    virtual Answer yesNoCancel(const QString& text) = 0;
    // InputQuery: the entered text, or nothing when cancelled.
    virtual std::optional<QString> input(const QString& caption, const QString& label,
                                         const QString& initial = QString()) = 0;
    // Folder and file choices: an empty text when cancelled.
    virtual QString chooseFolder(const QString& caption, const QString& start = QString()) = 0;
    virtual QString openFileName(const QString& caption, const QString& filter,
                                 const QString& start = QString()) = 0;
    // A save dialog. The chosen name gets the filter's first extension unless it ends with one
    // the filter lists (any letter case); when the file of that name exists already, the user is
    // asked before it is replaced. Empty when cancelled or not to be replaced.
    QString saveFileName(const QString& caption, const QString& filter, const QString& start = QString());
    // Several files at once; empty when cancelled. Prompts that cannot offer more than one file
    // answer with the one openFileName() gives.
    virtual QStringList openFileNames(const QString& caption, const QString& filter,
                                      const QString& start = QString())
    {
        const QString file = openFileName(caption, filter, start);
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
    // The modal run of a window; returns the dialog's result code (QDialog::Accepted, ...).
    virtual int exec(QDialog& dialog) = 0;

protected:
    // The save dialog itself: the name as the user gave it, without asking about an existing
    // file (saveFileName asks about the file it will really write); empty when cancelled.
    virtual QString chooseSaveFileName(const QString& caption, const QString& filter,
                                       const QString& start) = 0;
};

// `name` with the first extension of a file dialog filter ("Сводные отчеты (*.rpd)") added,
// unless it already ends with one the filter lists, in any letter case: "Район v1.2" becomes
// "Район v1.2.rpd", "Район.RPD" stays. A filter without extensions leaves the name as it is.
QString withDefaultExtension(const QString& name, const QString& filter);

// The question asked before a save replaces an existing file.
QString replaceFileQuestion(const QString& path);

// The prompts in force: the dialog-backed ones in the program, scripted ones in tests.
Prompts& prompts();

// The title every message box and question carries: the application title (year, configuration
// and report level once a year is open), the program's own title until then or when set empty.
QString promptTitle();
void setPromptTitle(const QString& title);
// The program's own title: "Кестрин" for the main program unless a program sets its own (empty
// puts it back). It is the application's name as well, which a window with no caption of its
// own (a drop-down list) goes by.
QString programTitle();
void setProgramTitle(const QString& title);
// Installs p (not owned) and returns the previous one; nullptr puts the default back.
Prompts* setPrompts(Prompts* p);
// The prompts in force when none is installed: the dialog-backed ones, which the application
// object installs (platform/Application.h). Without either, asking the user is a programmer's
// error (a logic test that forgot its script) and stops the program with the question's text.
Prompts* setDefaultPrompts(Prompts* p);
