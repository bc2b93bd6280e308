// The forms tree's "Вывод в Excel": which commands it offers when, what they ask and what they
// show. The workbooks themselves are made by entry/FormExcel.
#include "entry/FrmList.h"

#include "core/Common.h"
#include "core/TreeMarks.h"
#include "entry/FormExcel.h"
#include "entry/ShortNames.h"
#include "entry/Unit5.h"
#include "entry/Unit6.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "platform/office/Desktop.h"
#include "platform/office/XlsxWriter.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

namespace {

bool inTerrain() { return WorkMode == QLatin1String("Terrain"); }

// Institutions are read from their entered data, the territory's incoming reports from theirs.
QString incomingDataTable() { return inTerrain() ? QStringLiteral("repdata") : QStringLiteral("data"); }

ExcelExportSource exportSource(const QString& dataTable)
{
    return {&dbmain(), &dbdat(), ReportYear, dataTable};
}

// The title line names the sheet being built and is empty again however the command ends.
struct ExcelProgress {
    QLabel* label;
    void show(const QString& text) const
    {
        label->setText(text);
        label->repaint();
    }
    ~ExcelProgress() { label->clear(); }
};

// Files of the export already in the folder: at most twenty named, the rest counted.
QString existingFilesQuestion(const QStringList& names)
{
    QStringList shown = names.mid(0, 20);
    if (names.size() > shown.size())
        shown.append(QStringLiteral("… и еще %1").arg(names.size() - shown.size()));
    return QStringLiteral("В папке уже есть файлы:\n%1\nЗаменить их?").arg(shown.join(QLatin1Char('\n')));
}

} // namespace

void TFormList::buildExcelMenu()
{
    ExcelMenu = MainMenu1->addMenu(QStringLiteral("Вывод в Excel"));
    ExcelMenu->setObjectName(QStringLiteral("ExcelMenu"));
    auto item = [this](const char* name, const QString& caption) {
        QAction* a = ExcelMenu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    N18 = item("N18", QStringLiteral("Вся форма по тек. ЛПУ/своду"));
    N19 = item("N19", QStringLiteral("Вся форма по входящим ЛПУ/сводам"));
    N20 = item("N20", QStringLiteral("Таблица по входящим ЛПУ/сводам"));
    connect(N18, &QAction::triggered, this, &TFormList::N18Click);
    connect(N19, &QAction::triggered, this, &TFormList::N19Click);
    connect(N20, &QAction::triggered, this, &TFormList::N20Click);
    // Sums over several institutions are nobody's form; entered data has no incoming items.
    ExcelMenu->menuAction()->setVisible(WorkMode != QLatin1String("Types"));
    const bool incoming = DataTablePrefix != QLatin1String("Data");
    N19->setVisible(incoming);
    N20->setVisible(incoming);
    updateExcelCommands();
}

void TFormList::updateExcelCommands()
{
    if (!ExcelMenu)
        return;
    const QTreeWidgetItem* node = TreeView1 ? TreeView1->currentItem() : nullptr;
    N18->setEnabled(node && CurrentInstitutionId > 0);
    N19->setEnabled(node != nullptr);
    N20->setEnabled(node && node->parent());
}

void TFormList::N18Click()
{
    const FormsTreeForm* form = selectedForm();
    if (!N18->isEnabled() || !ExcelMenu->menuAction()->isVisible() || !form)
        return;
    if (form->tables.isEmpty()) {
        prompts().message(ExcelNothingToExportMessage);
        return;
    }
    const auto exported = runShowingFailure(QString(), [&] {
        ExcelProgress progress{Label1};
        ExcelWorkbook book;
        QString error;
        if (!addFormSheets(book, exportSource(DataTablePrefix), *form, CurrentInstitutionId, windowTitle(),
                           [&progress](const QString& text) { progress.show(text); }, &error)
            || !showWorkbook(book, form->name + QLatin1Char(' ') + windowTitle(), &error)) {
            prompts().error(error);
            return false;
        }
        return true;
    });
    if (exported.value_or(false))
        prompts().message(ExcelExportDoneMessage);
}

void TFormList::N19Click()
{
    const FormsTreeForm* form = selectedForm();
    if (!N19->isEnabled() || !N19->isVisible() || !ExcelMenu->menuAction()->isVisible() || !form)
        return;
    const QString chosen = prompts().saveFileName(QStringLiteral("Укажите папку для сохранения файлов"),
                                                  QStringLiteral("Книги Excel (*.xlsx)"), form->text);
    if (chosen.isEmpty())
        return;
    const QString folder = QFileInfo(chosen).absolutePath();
    const auto exported = runShowingFailure(QString(), [&] {
        QList<ExcelExportItem> items;
        QString error;
        if (!readExportItems(dbmain(), InstitutionIdList, inTerrain(), &items, &error)) {
            prompts().error(error);
            return false;
        }
        if (items.isEmpty() || form->tables.isEmpty()) {
            prompts().message(ExcelNothingToExportMessage);
            return false;
        }
        const QStringList names = formWorkbookFileNames(form->name, items);
        QStringList present;
        for (const QString& name : names)
            if (QFileInfo::exists(QDir(folder).filePath(name)))
                present.append(name);
        if (!present.isEmpty() && !prompts().question(existingFilesQuestion(present)))
            return false;
        ExcelProgress progress{Label1};
        const ExcelExportSource source = exportSource(incomingDataTable());
        for (int i = 0; i < items.size(); ++i) {
            ExcelWorkbook book;
            XlsxWriter writer;
            const QString path = QDir(folder).filePath(names[i]);
            if (!addFormSheets(book, source, *form, items[i].id,
                               items[i].name + QStringLiteral(" - ") + form->name,
                               [&progress](const QString& text) { progress.show(text); }, &error)) {
                prompts().error(error + QStringLiteral("\nЗаписано книг: %1 из %2.").arg(i).arg(items.size()));
                return false;
            }
            if (!writer.write(path, book)) {
                prompts().error(writer.errorString()
                                + QStringLiteral("\nЗаписано книг: %1 из %2.").arg(i).arg(items.size()));
                return false;
            }
        }
        return true;
    });
    if (exported.value_or(false))
        prompts().message(ExcelExportDoneMessage);
}

void TFormList::N20Click()
{
    const QTreeWidgetItem* node = TreeView1->currentItem();
    const FormsTreeForm* form = selectedForm();
    if (!N20->isEnabled() || !N20->isVisible() || !ExcelMenu->menuAction()->isVisible() || !form
        || !node || !node->parent())
        return;
    const int t = node->parent()->indexOfChild(const_cast<QTreeWidgetItem*>(node));
    if (t < 0 || t >= form->tables.size())
        return;
    const FormsTreeTable table = form->tables[t];

    if (!QFileInfo::exists(shortNamesPath())) {
        if (!prompts().question(QStringLiteral("Отсутствует файл ShortNames.txt. Создать?")))
            return;
        TForm5 window(this);
        if (prompts().exec(window) != QDialog::Accepted) {
            prompts().message(QStringLiteral("Файл ShortNames.txt не создан. Вывод в Excel отменен."));
            return;
        }
    }
    QList<ShortName> shortNames;
    QString error;
    if (!readShortNames(shortNamesPath(), &shortNames, &error)) {
        prompts().error(error);
        return;
    }
    const auto exported = runShowingFailure(QString(), [&] {
        QList<ExcelExportItem> items;
        if (!readExportItems(dbmain(), InstitutionIdList, inTerrain(), &items, &error)) {
            prompts().error(error);
            return false;
        }
        if (items.isEmpty()) {
            prompts().message(ExcelNothingToExportMessage);
            return false;
        }
        // Every sheet name is settled, asking where needed, before the first sheet is built.
        QStringList sheetNames;
        for (const ExcelExportItem& item : std::as_const(items))
            sheetNames.append(item.name.size() <= 30 ? item.name : GetShortName(shortNames, item.name));
        ExcelProgress progress{Label1};
        ExcelWorkbook book;
        const ExcelExportSource source = exportSource(incomingDataTable());
        for (int i = 0; i < items.size(); ++i) {
            progress.show(items[i].name);
            if (!addTableSheet(book, source, *form, table, items[i].id,
                               items[i].name + QStringLiteral(" - ") + form->name, sheetNames[i], &error)) {
                prompts().error(error);
                return false;
            }
        }
        if (!showWorkbook(book, form->name + table.number, &error)) {
            prompts().error(error);
            return false;
        }
        return true;
    });
    if (exported.value_or(false))
        prompts().message(ExcelExportDoneMessage);
}
