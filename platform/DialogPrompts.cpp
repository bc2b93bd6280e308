#include "platform/DialogPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {
QWidget* owner() { return QApplication::activeWindow(); }
QString title() { return QStringLiteral("Kestrin"); }
}

void DialogPrompts::message(const QString& text)
{
    QMessageBox::information(owner(), title(), text);
}

void DialogPrompts::error(const QString& text)
{
    QMessageBox::critical(owner(), QStringLiteral("Ошибка"), text);
}

void DialogPrompts::warning(const QString& text)
{
    QMessageBox::warning(owner(), QStringLiteral("Предупреждение"), text);
}

bool DialogPrompts::question(const QString& text)
{
    return QMessageBox::question(owner(), QStringLiteral("Подтверждение"), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

bool DialogPrompts::okCancel(const QString& text)
{
    return QMessageBox::question(owner(), QStringLiteral("Подтверждение"), text,
                                 QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel)
        == QMessageBox::Ok;
}

std::optional<QString> DialogPrompts::input(const QString& caption, const QString& label,
                                            const QString& initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(owner(), caption, label, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
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

QString DialogPrompts::saveFileName(const QString& caption, const QString& filter, const QString& start)
{
    return QFileDialog::getSaveFileName(owner(), caption, start, filter);
}

int DialogPrompts::exec(QDialog& dialog)
{
    return dialog.exec();
}
