#include "platform/DialogPrompts.h"

#include "platform/Files.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QInputDialog>
#include <QMessageBox>
#include <QTreeView>
#include <algorithm>

namespace {
QWidget* owner() { return QApplication::activeWindow(); }

// The columns of the file list in the program's own words: Qt takes the size units and the
// file kinds from the system's locale, which on an English desktop reads "KiB" and "Folder".
class RussianFileColumns final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
            switch (section) {
            case 0: return QStringLiteral("Имя");
            case 1: return QStringLiteral("Размер");
            case 2: return QStringLiteral("Тип");
            case 3: return QStringLiteral("Изменен");
            default: break;
            }
        }
        return QIdentityProxyModel::headerData(section, orientation, role);
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() < 1 || index.column() > 3)
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        switch (index.column()) {
        case 1: return info.isDir() ? QString() : Files::sizeText(info.size());
        case 2: return Files::kindText(info.isDir(), info.suffix());
        default: return info.lastModified().toString(QStringLiteral("dd.MM.yyyy hh:mm"));
        }
    }
};


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

// Qt's own dialog rather than the desktop's, so that every word in it is the program's or
// Qt's Russian translation whatever language the desktop speaks.
QStringList runFileDialog(const QString& caption, const QString& filter, const QString& start,
                          QFileDialog::FileMode mode, QFileDialog::AcceptMode accept,
                          QFileDialog::Options options = {})
{
    QFileDialog dialog(owner(), caption, start, filter);
    dialog.setOptions(options | QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new RussianFileColumns(&dialog));
    dialog.setFileMode(mode);
    if (mode == QFileDialog::Directory)
        dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(accept);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
    dialog.setLabelText(QFileDialog::FileName, mode == QFileDialog::Directory ? QStringLiteral("Папка:")
                                                                               : QStringLiteral("Имя файла:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Тип файлов:"));
    dialog.setLabelText(QFileDialog::Accept, mode == QFileDialog::Directory ? QStringLiteral("Выбрать")
                                             : accept == QFileDialog::AcceptSave ? QStringLiteral("Сохранить")
                                                                                 : QStringLiteral("Открыть"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Отмена"));
    // Room for the longest size, kind and date the columns show, which Qt's widths would cut.
    if (auto* list = dialog.findChild<QTreeView*>()) {
        const QFontMetrics metrics(list->font());
        const int margin = 4 * metrics.averageCharWidth();
        list->header()->resizeSection(0, 28 * metrics.averageCharWidth());
        list->header()->resizeSection(1, metrics.horizontalAdvance(QStringLiteral("1023.9 КБ")) + margin);
        list->header()->resizeSection(2, metrics.horizontalAdvance(QStringLiteral("Файл .xlsx")) + margin);
        list->header()->resizeSection(3, metrics.horizontalAdvance(QStringLiteral("00.00.0000 00:00")) + margin);
        dialog.resize(std::max(dialog.width(), 60 * metrics.averageCharWidth()), dialog.height());
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
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
    return runFileDialog(caption, QString(), start, QFileDialog::Directory, QFileDialog::AcceptOpen).value(0);
}

QString DialogPrompts::openFileName(const QString& caption, const QString& filter, const QString& start)
{
    return runFileDialog(caption, filter, start, QFileDialog::ExistingFile, QFileDialog::AcceptOpen).value(0);
}

QStringList DialogPrompts::openFileNames(const QString& caption, const QString& filter,
                                         const QString& start)
{
    return runFileDialog(caption, filter, start, QFileDialog::ExistingFiles, QFileDialog::AcceptOpen);
}

QString DialogPrompts::chooseSaveFileName(const QString& caption, const QString& filter, const QString& start)
{
    // The dialog would ask about the name as typed; the question belongs to the name with its
    // extension, which saveFileName asks.
    return runFileDialog(caption, filter, start, QFileDialog::AnyFile, QFileDialog::AcceptSave,
                         QFileDialog::DontConfirmOverwrite)
        .value(0);
}

int DialogPrompts::exec(QDialog& dialog)
{
    return dialog.exec();
}
