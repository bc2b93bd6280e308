#include "platform/DialogPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {
QWidget* owner() { return QApplication::activeWindow(); }

// The box's own buttons carry Russian words even where Qt's translation is not installed.
QMessageBox::StandardButton askBox(QMessageBox::Icon icon, const QString& text,
                                   QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton byDefault)
{
    QMessageBox box(icon, promptTitle(), text, buttons, owner());
    const std::pair<QMessageBox::StandardButton, const char*> words[] = {
        {QMessageBox::Ok, "ОК"}, {QMessageBox::Cancel, "Отмена"},
        {QMessageBox::Yes, "Да"}, {QMessageBox::No, "Нет"},
    };
    for (const auto& [button, word] : words)
        if (QAbstractButton* b = box.button(button))
            b->setText(QString::fromUtf8(word));
    if (byDefault != QMessageBox::NoButton)
        box.setDefaultButton(byDefault);
    return QMessageBox::StandardButton(box.exec());
}
}

void DialogPrompts::message(const QString& text)
{
    askBox(QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

void DialogPrompts::error(const QString& text)
{
    askBox(QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

void DialogPrompts::warning(const QString& text)
{
    askBox(QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool DialogPrompts::question(const QString& text)
{
    return askBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

bool DialogPrompts::okCancel(const QString& text)
{
    return askBox(QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel,
                  QMessageBox::Cancel)
        == QMessageBox::Ok;
}

Prompts::Answer DialogPrompts::yesNoCancel(const QString& text)
{
    switch (askBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                   QMessageBox::Yes)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

std::optional<QString> DialogPrompts::input(const QString& caption, const QString& label,
                                            const QString& initial)
{
    QInputDialog dialog(owner());
    dialog.setWindowTitle(caption);
    dialog.setLabelText(label);
    dialog.setTextValue(initial);
    dialog.setOkButtonText(QStringLiteral("ОК"));
    dialog.setCancelButtonText(QStringLiteral("Отмена"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString DialogPrompts::chooseFolder(const QString& caption, const QString& start)
{
    return QFileDialog::getExistingDirectory(owner(), caption, start);
}

QString DialogPrompts::openFileName(const QString& caption, const QString& filter, const QString& start)
{
    return QFileDialog::getOpenFileName(owner(), caption, start, filter);
}

QStringList DialogPrompts::openFileNames(const QString& caption, const QString& filter,
                                         const QString& start)
{
    return QFileDialog::getOpenFileNames(owner(), caption, start, filter);
}

QString DialogPrompts::chooseSaveFileName(const QString& caption, const QString& filter, const QString& start)
{
    // The dialog would ask about the name as typed; the question belongs to the name with its
    // extension, which saveFileName asks.
    return QFileDialog::getSaveFileName(owner(), caption, start, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

int DialogPrompts::exec(QDialog& dialog)
{
    return dialog.exec();
}
