#include "entry/FrmListExcel.h"

#include "core/Common.h"
#include "core/TreeMarks.h"
#include "entry/FrmList.h"
#include "entry/Unit5.h"
#include "entry/Unit6.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "platform/office/Desktop.h"

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

// The title line of the export's progress sheet by sheet.
ExcelSheetProgress progressOn(const ExcelProgress& progress)
{
    return [&progress](const QString& text) { progress.show(text); };
}

void showExported(std::optional<bool> exported)
{
    if (exported.value_or(false))
        prompts().message(ExcelExportDoneMessage);
}

} // namespace

FormListExcel::FormListExcel(TFormList& window)
    : QObject(&window), m_window(window)
{
    QMenu*& ExcelMenu = window.ExcelMenu;
    ExcelMenu = window.MainMenu1->addMenu(QStringLiteral("Вывод в Excel"));
    ExcelMenu->setObjectName(QStringLiteral("ExcelMenu"));
    auto item = [ExcelMenu](const char* name, const QString& caption) {
        QAction* a = ExcelMenu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QAction*& N18 = window.N18;
    QAction*& N19 = window.N19;
    QAction*& N20 = window.N20;
    N18 = item("N18", QStringLiteral("Вся форма по тек. ЛПУ/своду"));
    N19 = item("N19", QStringLiteral("Вся форма по входящим ЛПУ/сводам"));
    N20 = item("N20", QStringLiteral("Таблица по входящим ЛПУ/сводам"));
    connect(N18, &QAction::triggered, this, &FormListExcel::N18Click);
    connect(N19, &QAction::triggered, this, &FormListExcel::N19Click);
    connect(N20, &QAction::triggered, this, &FormListExcel::N20Click);
    // Sums over several institutions are nobody's form; entered data has no incoming items.
    ExcelMenu->menuAction()->setVisible(WorkMode != QLatin1String("Types"));
    const bool incoming = DataTablePrefix != QLatin1String("Data");
    N19->setVisible(incoming);
    N20->setVisible(incoming);
    updateCommands();
}

void FormListExcel::updateCommands()
{
    const QTreeWidgetItem* node = m_window.TreeView1 ? m_window.TreeView1->currentItem() : nullptr;
    m_window.N18->setEnabled(node && CurrentInstitutionId > 0);
    m_window.N19->setEnabled(node != nullptr);
    m_window.N20->setEnabled(node && node->parent());
}

void FormListExcel::N18Click()
{
    const FormsTreeForm* form = m_window.selectedForm();
    if (!m_window.N18->isEnabled() || !m_window.ExcelMenu->menuAction()->isVisible() || !form)
        return;
    if (form->tables.isEmpty()) {
        prompts().message(ExcelNothingToExportMessage);
        return;
    }
    showExported(runShowingFailure(QString(), [&] {
        ExcelProgress progress{m_window.Label1};
        ExcelWorkbook book;
        const QString title = m_window.windowTitle();
        return showingError(addFormSheets(book, exportSource(DataTablePrefix), *form, CurrentInstitutionId, title,
                                          progressOn(progress), &m_error)
                            && showWorkbook(book, form->name + QLatin1Char(' ') + title, &m_error));
    }));
}

void FormListExcel::N19Click()
{
    const FormsTreeForm* form = m_window.selectedForm();
    if (!m_window.N19->isEnabled() || !m_window.N19->isVisible() || !m_window.ExcelMenu->menuAction()->isVisible()
        || !form)
        return;
    const QString chosen = prompts().saveFileName(QStringLiteral("Укажите папку для сохранения файлов"),
                                                  QStringLiteral("Книги Excel (*.xlsx)"), form->text);
    if (chosen.isEmpty())
        return;
    const QString folder = QFileInfo(chosen).absolutePath();
    showExported(runShowingFailure(QString(), [&] {
        const auto items = readIncomingItems(!form->tables.isEmpty());
        if (!items)
            return false;
        const QStringList present = existingFormWorkbooks(folder, form->name, *items);
        if (!present.isEmpty() && !prompts().question(existingFilesQuestion(present)))
            return false;
        ExcelProgress progress{m_window.Label1};
        return showingError(writeFormWorkbooks(exportSource(incomingDataTable()), *form, *items, folder,
                                               progressOn(progress), &m_error));
    }));
}

void FormListExcel::N20Click()
{
    const QTreeWidgetItem* node = m_window.TreeView1->currentItem();
    const FormsTreeForm* form = m_window.selectedForm();
    if (!m_window.N20->isEnabled() || !m_window.N20->isVisible() || !m_window.ExcelMenu->menuAction()->isVisible() || !form
        || !node || !node->parent())
        return;
    const int t = node->parent()->indexOfChild(const_cast<QTreeWidgetItem*>(node));
    if (t < 0 || t >= form->tables.size())
        return;
    const FormsTreeTable table = form->tables[t];
    const auto shortNames = readShortNamesAskingForFile();
    if (!shortNames)
        return;
    showExported(runShowingFailure(QString(), [&] {
        const auto items = readIncomingItems(true);
        if (!items)
            return false;
        // Every sheet name is settled, asking where needed, before the first sheet is built.
        QStringList sheetNames;
        for (const ExcelExportItem& item : *items)
            sheetNames.append(item.name.size() <= 30 ? item.name : GetShortName(*shortNames, item.name));
        ExcelProgress progress{m_window.Label1};
        ExcelWorkbook book;
        return showingError(addItemTableSheets(book, exportSource(incomingDataTable()), *form, table, *items, sheetNames,
                                               progressOn(progress), &m_error)
                            && showWorkbook(book, form->name + table.number, &m_error));
    }));
}

std::optional<QList<ShortName>> FormListExcel::readShortNamesAskingForFile()
{
    if (!QFileInfo::exists(shortNamesPath())) {
        if (!prompts().question(QStringLiteral("Отсутствует файл ShortNames.txt. Создать?")))
            return std::nullopt;
        TForm5 window(&m_window);
        if (prompts().exec(window) != QDialog::Accepted) {
            prompts().message(QStringLiteral("Файл ShortNames.txt не создан. Вывод в Excel отменен."));
            return std::nullopt;
        }
    }
    QList<ShortName> shortNames;
    QString error;
    if (!readShortNames(shortNamesPath(), &shortNames, &error)) {
        prompts().error(error);
        return std::nullopt;
    }
    return shortNames;
}

std::optional<QList<ExcelExportItem>> FormListExcel::readIncomingItems(bool formHasTables)
{
    QList<ExcelExportItem> items;
    QString error;
    if (!readExportItems(dbmain(), InstitutionIdList, inTerrain(), &items, &error)) {
        prompts().error(error);
        return std::nullopt;
    }
    if (items.isEmpty() || !formHasTables) {
        prompts().message(ExcelNothingToExportMessage);
        return std::nullopt;
    }
    return items;
}

bool FormListExcel::showingError(bool ok)
{
    if (!ok)
        prompts().error(m_error);
    m_error.clear();
    return ok;
}
