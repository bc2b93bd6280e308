#include "setup/AdmExchange.h"

#include "core/Common.h"
#include "core/DataFiles.h"
#include "core/ExchangeOwners.h"
#include "core/Lookups.h"
#include "core/ReportLevels.h"
#include "core/Configurations.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "core/Unit1.h"
#include "entry/Unit2.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "setup/AmdStruct.h"
#include "setup/DataExchange.h"
#include "widgets/WaitCursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTreeWidget>
#include <memory>

namespace {

const QString kDataFilter = QStringLiteral("Данные по учреждению (*.ktr *.ktd)");
const QString kSaveFilter = QStringLiteral("Данные по учреждениям (*.ktd)");

bool isLeaf(const QTreeWidgetItem* node) { return node && node->childCount() == 0; }

// The window's progress box for the life of a command, empty and hidden again however it ends.
// A group command counts its files or institutions on the first bar.
class ExchangeProgress {
public:
    explicit ExchangeProgress(TAdmForm& window, int count = -1)
        : m_window(window), m_bars(count >= 0)
    {
        m_window.GroupBox1->show();
        if (!m_bars)
            return;
        m_window.ProgressBar1->setRange(0, count);
        m_window.ProgressBar1->setValue(0);
        m_window.ProgressBar2->setRange(0, 1);
        m_window.ProgressBar2->setValue(0);
    }
    ~ExchangeProgress()
    {
        m_window.Label4->clear();
        if (m_bars) {
            m_window.ProgressBar1->setValue(0);
            m_window.ProgressBar2->setValue(0);
        }
        m_window.GroupBox1->hide();
    }
    // Moves the first bar to `done` and names the unit now at work.
    void step(int done, const QString& name) const
    {
        m_window.ProgressBar1->setValue(done);
        m_window.Label4->setText(name);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

private:
    TAdmForm& m_window;
    bool m_bars;
};

QStringList chosenFormNames()
{
    QStringList names;
    for (const QString& form : ChosenForms.split(QLatin1Char(','), Qt::SkipEmptyParts))
        names.append(upperCase(form));
    return names;
}

QString unknownTablesLine(int unknownTable)
{
    return unknownTable > 0
        ? QStringLiteral("\nНе выгружено значений таблиц, которых нет в перечне: %1").arg(unknownTable)
        : QString();
}

int leafCount(const UnitTreeNode& node)
{
    if (node.children.isEmpty())
        return 1;
    int count = 0;
    for (const UnitTreeNode& child : node.children)
        count += leafCount(child);
    return count;
}

// A command that ran (nothing when the database failed, which the window has shown): false
// with its error shown.
bool succeeded(std::optional<bool> ran, const QString& error)
{
    if (ran && !*ran)
        prompts().error(error);
    return ran.value_or(false);
}

QString yearDataFolder() { return CfgDir + QString::number(ReportYear) + QStringLiteral("/data"); }

} // namespace

UnitTreeNode unitSubtree(const QTreeWidgetItem* node)
{
    UnitTreeNode unit{nodeId(node), node->text(0), {}};
    for (int i = 0; i < node->childCount(); ++i)
        unit.children.append(unitSubtree(node->child(i)));
    return unit;
}

AdmExchange::AdmExchange(TAdmForm& window)
    : QObject(&window), m_window(window)
{
}

void AdmExchange::exportOne()
{
    QTreeWidgetItem* node = m_window.TreeView1->currentItem();
    if (!m_window.ExportOne->isEnabled() || !isLeaf(node))
        return;
    const QString name = node->text(0);
    const QString folder = yearDataFolder();
    QString error;
    if (!Files::makeFolder(folder, &error)) {
        prompts().error(error);
        return;
    }
    const QString path = prompts().saveFileName(QStringLiteral("Сохранить"), kSaveFilter,
                                                Files::join(folder, exportedFileName(node)));
    if (path.isEmpty())
        return;
    DataExportReport report;
    const auto written = runShowingFailure(QStringLiteral("Данные по ") + name + QStringLiteral(" не выгружены."), [&] {
        WaitCursor wait;
        return writeDataFile(dbdat(), QStringLiteral("data"), nodeId(node), ReportYear, path, &report, &error);
    });
    if (succeeded(written, error))
        prompts().message(QStringLiteral("Данные по ") + name + QStringLiteral(" за ") + QString::number(ReportYear)
                          + QStringLiteral(" год выгружены в файл") + QDir::toNativeSeparators(path)
                          + unknownTablesLine(report.unknownTable));
}

void AdmExchange::importOne()
{
    QTreeWidgetItem* node = m_window.TreeView1->currentItem();
    if (!m_window.ImportOne->isEnabled() || !isLeaf(node))
        return;
    const QString name = node->text(0);
    const QString path = prompts().openFileName(QStringLiteral("Открыть"), kDataFilter, yearDataFolder() + QLatin1Char('/') + name);
    if (path.isEmpty())
        return;
    DataLoadTarget target = loadTarget(nodeId(node));
    DataLoadReport report;
    QString error;
    bool declined = false;
    const auto loaded = runShowingFailure(
        QStringLiteral("Данные по ") + name + QStringLiteral(" не загружены, прежние значения сохранены."), [&] {
        declined = !confirmReplacingOwnerData(prompts(), dbmain(), dbdat(), target, path, CurrentLevel.name);
        if (declined)
            return false;
        WaitCursor wait;
        const ExchangeProgress progress(m_window);
        m_window.Label4->setText(name);
        target.progress = [this](qint64 read, qint64 size) { showLineProgress(read, size); };
        return loadDataFile(dbdat(), target, path, yearDataFileKind(path), &report, &error);
    });
    if (!declined && succeeded(loaded, error))
        prompts().message(QStringLiteral("Данные по ") + name + QStringLiteral(" загружены из файла ")
                          + QDir::toNativeSeparators(path) + QLatin1Char('\n') + report.summary());
}

DataLoadTarget AdmExchange::loadTarget(int owner) const
{
    DataLoadTarget target;
    target.owner = owner;
    target.year = ReportYear;
    for (const QString& form : chosenFormNames())
        target.chosenForms.insert(form);
    // "Выбранные формы" keeps the other forms' numbers; "ЛПУ" replaces the institution's year.
    if (chosenFormsOnly() && !target.chosenForms.isEmpty())
        target.replacedTables = tablesOfForms(target.chosenForms);
    return target;
}

bool AdmExchange::chosenFormsOnly() const
{
    return m_window.ComboBox1->isEnabled() && m_window.ComboBox1->currentIndex() == 1;
}

void AdmExchange::showLineProgress(qint64 read, qint64 size)
{
    // The bar counts per mille: a file of gigabytes does not fit an int.
    m_window.ProgressBar2->setRange(0, 1000);
    m_window.ProgressBar2->setValue(size > 0 ? int(read * 1000 / size) : 1000);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void AdmExchange::exportGroup()
{
    QTreeWidgetItem* node = m_window.TreeView1->currentItem();
    if (!m_window.ExportGroup->isEnabled() || !node || isLeaf(node))
        return;
    const UnitTreeNode group = unitSubtree(node);
    QString error;
    // The year's data folder is offered; the group's folder tree goes wherever the user says.
    const QString offered = yearDataFolder();
    if (!Files::makeFolder(offered, &error)) {
        prompts().error(error);
        return;
    }
    const QString folder = prompts().chooseFolder(QStringLiteral("Папка для выгрузки группы"), offered);
    if (folder.isEmpty())
        return;
    GroupExportReport report;
    const auto written = runShowingFailure(QStringLiteral("Выгрузка не выполнена."), [&] {
        WaitCursor wait;
        const ExchangeProgress progress(m_window, leafCount(group));
        int done = 0;
        return exportDataGroup(dbdat(), ReportYear, CurrentLevel.name, group, folder, &report, &error,
                               [&](const QString& name) {
                                   m_window.ProgressBar2->setValue(0);
                                   progress.step(done++, name);
                               });
    });
    if (succeeded(written, error))
        prompts().message(QStringLiteral("Выгрузка закончена\nФайлы записаны в папку ")
                          + QDir::toNativeSeparators(report.path) + unknownTablesLine(report.unknownTable));
}

void AdmExchange::importGroup()
{
    if (!m_window.ImportGroup->isEnabled())
        return;
    const QStringList paths = prompts().openFileNames(QStringLiteral("Открыть"), kDataFilter,
                                                      yearDataFolder() + QLatin1Char('/'));
    if (paths.isEmpty())
        return;
    GroupImportChoice choice;
    for (const QString& form : chosenFormNames())
        choice.chosenForms.insert(form);
    choice.clearChosenOnly = chosenFormsOnly();
    choice.lineProgress = [this](qint64 read, qint64 size) { showLineProgress(read, size); };
    QString current;
    // Each file loads in a transaction of its own: those before a failure stay loaded.
    const auto failed = [&] {
        return current.isEmpty() ? QStringLiteral("Подгрузка информации не выполнена.")
                                 : QStringLiteral("Подгрузка информации прервана на файле ") + current
                                       + QStringLiteral(", его данные не изменены.");
    };
    const auto imported = runShowingFailure(failed, [&]() -> std::optional<GroupImportReport> {
        const GroupImportPlan plan = planDataGroup(dbmain(), dbdat(), ReportYear, CurrentLevel.name, paths, choice);
        if (!confirmDataGroup(prompts(), plan, ReportYear))
            return std::nullopt;
        WaitCursor wait;
        const ExchangeProgress progress(m_window, int(paths.size()));
        return importDataGroup(dbmain(), dbdat(), ReportYear, plan, choice, [&](const QString& name, int index) {
            current = QFileInfo(paths[index]).fileName();
            progress.step(index, name);
        });
    });
    if (imported && *imported)
        showGroupImported(**imported);
}

void AdmExchange::showGroupImported(const GroupImportReport& report)
{
    prompts().message(QStringLiteral("Подгрузка информации закончена\nЗагружено файлов: %1, значений: %2")
                          .arg(report.loadedFiles)
                          .arg(report.loadedValues));
    if (report.skipped.isEmpty())
        return;
    ResultList list;
    FillResultList(list, report.skipped, QStringLiteral("Пропущенные ЛПУ\tПричина"));
    ShowResultList(list);
}

void AdmExchange::chooseForms()
{
    // The dialog made at start-up; a window opened on its own makes one for the call.
    std::unique_ptr<TSFLF> own;
    TSFLF* dialog = SFLF;
    if (!dialog) {
        own = std::make_unique<TSFLF>(&m_window);
        dialog = own.get();
    }
    const QStringList chosen = ChosenForms.split(QLatin1Char(','), Qt::SkipEmptyParts);
    dialog->CheckListBox1->clear();
    for (int i = 0; i < FormsList.size(); ++i) {
        auto* item = new QListWidgetItem(FormsList.strings[i], dialog->CheckListBox1);
        const QString name = i < FormNames.size() ? FormNames[i] : FormsList.strings[i];
        item->setData(Qt::UserRole, name);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(chosen.contains(upperCase(name)) ? Qt::Checked : Qt::Unchecked);
    }
    dialog->CheckBox1->setChecked(false);
    if (prompts().exec(*dialog) != QDialog::Accepted)
        return;
    QStringList names;
    for (int i = 0; i < dialog->CheckListBox1->count(); ++i) {
        const QListWidgetItem* item = dialog->CheckListBox1->item(i);
        if (item->checkState() == Qt::Checked)
            names.append(item->data(Qt::UserRole).toString());
    }
    ChosenForms = chosenFormsText(names, dialog->CheckBox1->isChecked());
    showChosenForms();
}

void AdmExchange::showChosenForms()
{
    m_window.Label2->setText(ChosenForms.isEmpty() ? QStringLiteral("Все") : ChosenForms);
    m_window.ComboBox1->setEnabled(!ChosenForms.isEmpty());
}

QString AdmExchange::exportedFileName(const QTreeWidgetItem* leaf) const
{
    UnitTreeNode siblings;
    const QTreeWidgetItem* parent = leaf->parent();
    const int count = parent ? parent->childCount() : m_window.TreeView1->topLevelItemCount();
    int index = 0;
    for (int i = 0; i < count; ++i) {
        const QTreeWidgetItem* item = parent ? parent->child(i) : m_window.TreeView1->topLevelItem(i);
        if (item == leaf)
            index = i;
        siblings.children.append(unitSubtree(item));
    }
    return childEntryNames(siblings, CurrentLevel.name, ReportYear).value(index);
}
