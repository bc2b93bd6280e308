#pragma once
// The prompts of the running program: message boxes, input and file dialogs. The application
// object installs them as the default prompts.

#include "platform/Prompts.h"

// The real dialogs (QMessageBox, QInputDialog, QFileDialog, QDialog::exec).
class DialogPrompts final : public Prompts {
public:
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
    QString chooseSaveFileName(const QString& caption, const QString& filter, const QString& start) override;
};
