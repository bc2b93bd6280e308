#pragma once
// Answers the program's prompts from an ordered script. An unexpected prompt, a prompt of another
// kind than the next step, or a step never asked for fails the running test.

#include "platform/Prompts.h"

// Window tests get QDialog with the script (they name QDialog::Accepted); logic tests have no
// widget headers to include.
#if __has_include(<QDialog>)
#include <QDialog>
#else
class QDialog;
#endif
#include <QList>
#include <functional>

// The window half of a modal step: shows the dialog, lets the step's handler work it, hides it
// and returns its result. Only window tests install one (tests/support/ScriptedModal.h), so a
// modal run reached by a logic test fails that test.
class ScriptedModalRunner {
public:
    virtual ~ScriptedModalRunner() = default;
    virtual QString className(QDialog& dialog) = 0;
    virtual int run(QDialog& dialog, const std::function<int(QDialog&)>& handler) = 0;
};
void setScriptedModalRunner(ScriptedModalRunner* runner);

class ScriptedPrompts final : public Prompts {
public:
    using ModalHandler = std::function<int(QDialog&)>;

    ScriptedPrompts();            // installs itself
    ~ScriptedPrompts() override;  // restores the previous prompts; reports unused steps

    // Each expect* adds one step. `contains` (when not empty) must be part of the prompt's text.
    ScriptedPrompts& expectMessage(const QString& contains = QString());
    ScriptedPrompts& expectError(const QString& contains = QString());
    ScriptedPrompts& expectWarning(const QString& contains = QString());
    ScriptedPrompts& expectQuestion(bool yes, const QString& contains = QString());
    ScriptedPrompts& expectOkCancel(bool ok, const QString& contains = QString());
    ScriptedPrompts& expectYesNoCancel(Answer answer, const QString& contains = QString());
    // nullopt answers as Cancel.
    ScriptedPrompts& expectInput(std::optional<QString> answer, const QString& contains = QString());
    ScriptedPrompts& expectFolder(const QString& answer);
    ScriptedPrompts& expectOpenFile(const QString& answer);
    ScriptedPrompts& expectSaveFile(const QString& answer);
    // A choice of several files (an empty list answers as Cancel).
    ScriptedPrompts& expectOpenFiles(const QStringList& answer);
    // The dialog is shown (not run modally); the handler works it and returns its result code.
    // `className` (when not empty) must be the dialog's class, e.g. "TGBP".
    ScriptedPrompts& expectModal(const QString& className, ModalHandler handler);

    // Texts of every prompt asked so far, in order ("question: …").
    const QStringList& log() const { return m_log; }
    // The start paths the file and folder dialogs were opened with, in order.
    const QStringList& fileStarts() const { return m_fileStarts; }
    int remaining() const { return int(m_steps.size()); }

    void message(const QString& text) override;
    void error(const QString& text) override;
    void warning(const QString& text) override;
    bool question(const QString& text) override;
    bool okCancel(const QString& text) override;
    Answer yesNoCancel(const QString& text) override;
    std::optional<QString> input(const QString& caption, const QString& label,
                                 const QString& initial) override;
    QString chooseFolder(const QString& caption, const QString& start) override;
    QString openFileName(const QString& caption, const QString& filter, const QString& start) override;
    QStringList openFileNames(const QString& caption, const QString& filter, const QString& start) override;
    int exec(QDialog& dialog) override;

protected:
    // The name the script gives stands for what the user typed: saveFileName adds its extension
    // and asks (a scripted question) before an existing file is replaced.
    QString chooseSaveFileName(const QString& caption, const QString& filter, const QString& start) override;

private:
    struct Step {
        Kind kind;
        QString contains;
        bool yes = false;
        std::optional<QString> text;
        ModalHandler handler;
        Answer answer = Answer::Cancel;
        std::optional<QStringList> files;   // set for a choice of several files
    };
    // The next step when it is of `kind` and matches `text`; otherwise the test fails and nullptr.
    const Step* take(Kind kind, const QString& text);

    QList<Step> m_steps;
    Step m_current;
    QStringList m_log;
    QStringList m_fileStarts;
    Prompts* m_previous = nullptr;
};
