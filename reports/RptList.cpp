#include "reports/RptList.h"

#include "core/Common.h"
#include "core/Configurations.h"
#include "core/ExchangeOwners.h"
#include "core/ReportLevels.h"
#include "core/TreeMarks.h"
#include "entry/FrmList.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "reports/ContRep.h"
#include "reports/MITree.h"
#include "reports/RepIncl.h"
#include "reports/ReportDataFiles.h"
#include "reports/SumRep.h"
#include "reports/SummaryReports.h"
#include "setup/DropTree.h"
#include "setup/GetPop.h"

#include "widgets/MenuKeys.h"
#include "widgets/WaitCursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

namespace {

const QString kNetMark = QStringLiteral("Ф47");

bool isNet(const QTreeWidgetItem* item) { return item && item->text(1) == kNetMark; }

// The hourglass for the life of a long command.
} // namespace

TRepList::TRepList(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RepList"));
    setWindowTitle(QStringLiteral("Формирование и просмотр"));
    resize(520, 480);
    auto* layout = new QVBoxLayout(this);
    MainMenu1 = new QMenuBar(this);
    giveMenuKeys(MainMenu1);
    layout->setMenuBar(MainMenu1);
    auto action = [this](const QString& text, const char* name) {
        QAction* a = MainMenu1->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    Button2 = action(QStringLiteral("Входящие учреждения"), "Button2");
    Button7 = action(QStringLiteral("Просмотр"), "Button7");
    N1 = action(QStringLiteral("Подгрузить"), "N1");
    N3 = action(QStringLiteral("Выгрузить"), "N3");
    Button8 = action(QStringLiteral("Входящие отчеты"), "Button8");
    Button6 = action(QStringLiteral("Показатели"), "Button6");
    Button7b = action(QStringLiteral("Разрезы"), "Button7b");
    N13 = action(QStringLiteral("Население"), "N13");
    N2 = MainMenu1->addMenu(QStringLiteral("Отчет"));
    N2->setObjectName(QStringLiteral("N2"));
    N4 = N2->addAction(QStringLiteral("Добавить"));
    N4->setObjectName(QStringLiteral("N4"));
    N5 = N2->addAction(QStringLiteral("Корректировать"));
    N5->setObjectName(QStringLiteral("N5"));
    N8 = N2->addAction(QStringLiteral("Удалить"));
    N8->setObjectName(QStringLiteral("N8"));
    N14 = action(QStringLiteral("Сохранить сортировку"), "N14");
    N12 = action(QStringLiteral("Выход"), "N12");

    // Which commands the work mode offers: the territory and institution views only look.
    const bool looking = WorkMode == QLatin1String("Terrain") || WorkMode == QLatin1String("Single");
    Button2->setVisible(!looking);
    Button7->setVisible(!looking);
    N1->setVisible(!looking);
    N3->setVisible(!looking);
    N2->menuAction()->setVisible(!looking);
    N8->setVisible(!looking);
    Button8->setVisible(WorkMode == QLatin1String("Terrain"));
    Button6->setVisible(looking);
    Button7b->setVisible(looking);
    N13->setVisible(looking);
    N14->setVisible(false);

    ListView1 = new DropTree(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setColumnCount(2);
    ListView1->setHeaderHidden(true);
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ListView1->header()->resizeSection(1, 45);
    ListView1->installEventFilter(this);
    if (!looking) {
        ListView1->setDragEnabled(true);
        ListView1->setAcceptDrops(true);
        ListView1->setDragDropMode(QAbstractItemView::DragDrop);
        ListView1->acceptsAt = [this](const QPoint& at) { return ListView1->itemAt(at) != nullptr; };
        ListView1->dropped = [this](const QPoint& at) { return moveItem(at); };
    }
    layout->addWidget(ListView1);

    connect(Button2, &QAction::triggered, this, &TRepList::Button2Click);
    connect(Button7, &QAction::triggered, this, &TRepList::Button7Click);
    connect(Button7b, &QAction::triggered, this, &TRepList::Button7Click);
    connect(Button6, &QAction::triggered, this, &TRepList::Button6Click);
    connect(Button8, &QAction::triggered, this, &TRepList::Button8Click);
    connect(N13, &QAction::triggered, this, &TRepList::N13Click);
    connect(N1, &QAction::triggered, this, &TRepList::N1Click);
    connect(N3, &QAction::triggered, this, &TRepList::N3Click);
    connect(N4, &QAction::triggered, this, &TRepList::N4Click);
    connect(N5, &QAction::triggered, this, &TRepList::N5Click);
    connect(N8, &QAction::triggered, this, &TRepList::N8Click);
    connect(N14, &QAction::triggered, this, &TRepList::N14Click);
    connect(N12, &QAction::triggered, this, &QDialog::reject);
    connect(ListView1, &QTreeWidget::currentItemChanged, this, [this] { updateCommands(); });

    RepList = this;
    connect(this, &QObject::destroyed, [] { RepList = nullptr; });
    fill();
}

void TRepList::fill()
{
    ListView1->clear();
    runShowingFailure(QStringLiteral("Не удалось прочитать перечень сводных отчетов."), [&] {
        for (const SummaryReport& report : SummaryReports::list(dbmain(), NetMode))
            addItem(report.id, report.report, report.net);
    });
    if (ListView1->topLevelItemCount() > 0)
        ListView1->setCurrentItem(ListView1->topLevelItem(0));
    updateCommands();
}

QTreeWidgetItem* TRepList::addItem(int id, const QString& name, bool net)
{
    auto* item = new QTreeWidgetItem(ListView1, {name, net ? kNetMark : QString()});
    item->setData(0, NodeIdRole, id);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
    return item;
}

int TRepList::currentId() const
{
    const QTreeWidgetItem* item = ListView1->currentItem();
    return item ? nodeId(item) : 0;
}

QString TRepList::currentName() const
{
    const QTreeWidgetItem* item = ListView1->currentItem();
    return item ? item->text(0) : QString();
}

bool TRepList::editable() const { return N2->menuAction()->isVisible(); }

void TRepList::updateCommands()
{
    const bool chosen = currentId() != 0;
    for (QAction* a : {Button2, Button7, N1, N3, Button8, Button6, Button7b, N13, N5, N8})
        a->setEnabled(chosen);
}

void TRepList::Button2Click()
{
    const int id = currentId();
    if (!id || !Button2->isVisible())
        return;
    TRepInc dialog(this);
    dialog.setWindowTitle(currentName());
    if (!runShowingFailure(QStringLiteral("Не удалось прочитать состав отчета."),
                           [&] { dialog.ShowTrees(SummaryReports::institutions(dbmain(), id)); }))
        return;
    if (prompts().exec(dialog) != QDialog::Accepted)
        return;
    runShowingFailure(QStringLiteral("Состав отчета не сохранен."),
                      [&] { SummaryReports::setInstitutions(dbmain(), id, dialog.includeList()); });
}

void TRepList::Button8Click()
{
    const int id = currentId();
    if (!id || !Button8->isVisible())
        return;
    QList<SummaryReport> reports;
    QList<int> included;
    if (!runShowingFailure(QStringLiteral("Не удалось прочитать состав разрезов."), [&] {
            reports = SummaryReports::list(dbmain(), false);
            included = SummaryReports::incomingReports(dbmain(), id);
        }))
        return;
    TRepCont dialog(id, currentName(), reports, included, this);
    if (prompts().exec(dialog) != QDialog::Accepted)
        return;
    runShowingFailure(QStringLiteral("Состав разрезов не сохранен."),
                      [&] { SummaryReports::setIncomingReports(dbmain(), id, dialog.ticked()); });
}

void TRepList::Button7Click()
{
    const int id = currentId();
    if (!id)
        return;
    // The territory view sums the incoming summaries, every other one the institutions.
    const auto ids = runShowingFailure(QStringLiteral("Не удалось прочитать состав отчета."), [&] {
        return WorkMode == QLatin1String("Terrain") ? SummaryReports::incomingReports(dbmain(), id)
                                                    : SummaryReports::institutions(dbmain(), id);
    });
    if (!ids)
        return;
    InstitutionIdList = SummaryReports::joinIds(*ids);
    CurrentInstitutionId = id;
    DataTablePrefix = QStringLiteral("Repdata");
    TFormList window(this);
    window.setWindowTitle(currentName());
    window.setRecalcFormShown(true);
    window.setClearShown(false);
    window.setRecalcReportShown(!NetMode);
    window.Start(-1);
    prompts().exec(window);
}

void TRepList::Button6Click()
{
    const int id = currentId();
    if (!id || !Button6->isVisible())
        return;
    // Every mode but the institution and summary ones sums the incoming summaries.
    const bool own = WorkMode == QLatin1String("Single") || WorkMode == QLatin1String("Svod");
    const auto ids = runShowingFailure(QStringLiteral("Не удалось прочитать состав отчета."), [&] {
        return own ? SummaryReports::institutions(dbmain(), id) : SummaryReports::incomingReports(dbmain(), id);
    });
    if (!ids)
        return;
    InstitutionIdList = SummaryReports::joinIds(*ids);
    CurrentInstitutionId = id;
    DataTablePrefix = QStringLiteral("REpData");
    TMISetup window(TMISetup::Use::Indicators, this);
    window.setWindowTitle(currentName() + QStringLiteral(" - \"дерево\" показателей"));
    prompts().exec(window);
}

void TRepList::N13Click()
{
    const int id = currentId();
    if (!id || !N13->isVisible())
        return;
    TPopform dialog(id, currentName(), this);
    prompts().exec(dialog);
}

void TRepList::N1Click()
{
    const int id = currentId();
    if (!id || !N1->isVisible() || !N1->isEnabled())
        return;
    const QString name = currentName();
    const QString path = prompts().openFileName(QStringLiteral("Открыть"),
                                                QStringLiteral("Сводные отчеты (*.rps *.rpd)"),
                                                Files::join(ReportDataFiles::folder(CfgDir),
                                                            ReportDataFiles::loadFileName(name)));
    if (path.isEmpty())
        return;
    DataLoadReport counts;
    QString error;
    bool declined = false;
    const auto loaded = runShowingFailure(QStringLiteral("Данные по ") + name + QStringLiteral(" не загружены."), [&] {
        declined = !confirmReplacingOwnerData(prompts(), dbmain(), dbdat(), ReportDataFiles::loadTarget(id, ReportYear),
                                              path, CurrentLevel.name);
        if (declined)
            return false;
        WaitCursor wait;
        return ReportDataFiles::load(dbdat(), id, ReportYear, path, &counts, &error);
    });
    if (!loaded || declined)
        return;
    if (*loaded)
        prompts().message(ReportDataFiles::loadedMessage(name, path, counts));
    else
        prompts().error(QStringLiteral("Данные по ") + name + QStringLiteral(" не загружены.\n") + error);
}

void TRepList::N3Click()
{
    const int id = currentId();
    if (!id || !N3->isVisible() || !N3->isEnabled())
        return;
    const QString name = currentName();
    const QString folder = ReportDataFiles::folder(CfgDir);
    QString error;
    if (!Files::makeFolder(folder, &error)) {
        prompts().error(error);
        return;
    }
    const QString path = prompts().saveFileName(
        QStringLiteral("Сохранить"), QStringLiteral("Сводные отчеты (*.rpd)"),
        Files::join(folder, ReportDataFiles::unloadFileName(name, CurrentLevel.name, ReportYear)));
    if (path.isEmpty())
        return;
    DataExportReport counts;
    const auto written = runShowingFailure(QStringLiteral("Данные по ") + name + QStringLiteral(" не выгружены."), [&] {
        WaitCursor wait;
        return ReportDataFiles::unload(dbdat(), id, ReportYear, path, &counts, &error);
    });
    if (!written)
        return;
    if (!*written) {
        prompts().error(QStringLiteral("Данные по ") + name + QStringLiteral(" не выгружены.\n") + error);
        return;
    }
    prompts().message(ReportDataFiles::unloadedMessage(name, path, counts));
}

void TRepList::N4Click()
{
    if (!editable())
        return;
    TSumRepF dialog(this);
    if (NetMode)
        dialog.CheckBox1->setChecked(true);
    if (prompts().exec(dialog) != QDialog::Accepted)
        return;
    runShowingFailure(QStringLiteral("Отчет не добавлен."), [&] {
        const int id = SummaryReports::add(dbmain(), dialog.name(), dialog.net());
        ListView1->setCurrentItem(addItem(id, dialog.name(), dialog.net()));
    });
}

void TRepList::N5Click()
{
    QTreeWidgetItem* item = ListView1->currentItem();
    if (!item || !editable())
        return;
    TSumRepF dialog(this);
    dialog.Edit1->setText(item->text(0));
    dialog.CheckBox1->setChecked(isNet(item));
    if (prompts().exec(dialog) != QDialog::Accepted)
        return;
    if (!runShowingFailure(QStringLiteral("Изменения отчета не сохранены."),
                           [&] { SummaryReports::edit(dbmain(), nodeId(item), dialog.name(), dialog.net()); }))
        return;
    item->setText(0, dialog.name());
    item->setText(1, dialog.net() ? kNetMark : QString());
}

void TRepList::N8Click()
{
    QTreeWidgetItem* item = ListView1->currentItem();
    if (!item || !editable() || !N8->isVisible())
        return;
    if (!prompts().question(QStringLiteral("Вы действительно желаете удалить ") + item->text(0)
                            + QStringLiteral(" со всей информацией?")))
        return;
    if (!runShowingFailure(QStringLiteral("Отчет не удален."),
                           [&] { SummaryReports::remove(dbmain(), dbdat().path(), nodeId(item)); }))
        return;
    delete item;
    updateCommands();
}

void TRepList::toggleNet()
{
    // The flag is the report's own, not its data: F7 works in every mode the list is opened in,
    // the looking modes included.
    QTreeWidgetItem* item = ListView1->currentItem();
    if (!item)
        return;
    runShowingFailure(QStringLiteral("Признак Ф47 не изменен."), [&] {
        const bool net = SummaryReports::toggleNet(dbmain(), nodeId(item));
        item->setText(1, net ? kNetMark : QString());
    });
}

bool TRepList::moveItem(const QPoint& target)
{
    QTreeWidgetItem* dragged = ListView1->currentItem();
    QTreeWidgetItem* onto = ListView1->itemAt(target);
    if (!dragged || !onto || dragged == onto)
        return false;
    const int from = ListView1->indexOfTopLevelItem(dragged);
    ListView1->takeTopLevelItem(from);
    ListView1->insertTopLevelItem(ListView1->indexOfTopLevelItem(onto), dragged);
    ListView1->setCurrentItem(dragged);
    N14->setVisible(true);
    return true;
}

void TRepList::N14Click()
{
    if (!N14->isVisible())
        return;
    QList<int> shown;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        shown.append(nodeId(ListView1->topLevelItem(i)));
    const bool saved = runShowingFailure(QStringLiteral("Порядок отчетов не сохранен."), [&] {
        QList<int> order = shown;
        if (NetMode) {
            // The list shows the Ф47 reports only: the others keep their places around them.
            QList<int> whole;
            for (const SummaryReport& report : SummaryReports::list(dbmain(), false))
                whole.append(report.id);
            order = SummaryReports::mergeOrder(whole, shown);
        }
        SummaryReports::saveOrder(dbmain(), order);
    });
    if (!saved)
        return;
    N14->setVisible(false);
}

bool TRepList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F7) {
            toggleNet();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
