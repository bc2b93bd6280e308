#include "reports/MTStat.h"

#include "core/Common.h"
#include "core/TreeMarks.h"
#include "entry/FrmList.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "reports/MITree.h"
#include "reports/SummaryReports.h"
#include "setup/MedicalTypes.h"
#include "widgets/MenuKeys.h"

#include <QMenuBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

void addTypes(QTreeWidget* tree, QTreeWidgetItem* parent, const QList<MedicalTypeNode>& nodes)
{
    for (const MedicalTypeNode& type : nodes) {
        auto* node = parent ? new QTreeWidgetItem(parent, {type.type}) : new QTreeWidgetItem(tree, {type.type});
        node->setData(0, NodeIdRole, type.id);
        addTypes(tree, node, type.children);
    }
}

} // namespace

TMTList::TMTList(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MTList"));
    setWindowTitle(QStringLiteral("Типы учреждений"));
    resize(420, 480);
    auto* layout = new QVBoxLayout(this);
    MainMenu1 = new QMenuBar(this);
    giveMenuKeys(MainMenu1);
    layout->setMenuBar(MainMenu1);
    N1 = MainMenu1->addAction(QStringLiteral("Показатели"));
    N1->setObjectName(QStringLiteral("N1"));
    N2 = MainMenu1->addAction(QStringLiteral("Разрезы"));
    N2->setObjectName(QStringLiteral("N2"));
    N3 = MainMenu1->addAction(QStringLiteral("Выход"));
    N3->setObjectName(QStringLiteral("N3"));
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    layout->addWidget(TreeView1);
    connect(N1, &QAction::triggered, this, &TMTList::N1Click);
    connect(N2, &QAction::triggered, this, &TMTList::N2Click);
    connect(N3, &QAction::triggered, this, &QDialog::reject);
    makeTreeMarkable(TreeView1);
    runShowingFailure(QStringLiteral("Не удалось прочитать типы учреждений."),
                      [&] { addTypes(TreeView1, nullptr, readMedicalTypeTree(dbmain())); });
    TreeView1->expandAll();
    if (TreeView1->topLevelItemCount() > 0)
        TreeView1->setCurrentItem(TreeView1->topLevelItem(0));
}

void TMTList::toggle(QTreeWidgetItem* node) { ToggleNodeWithParents(node); }

bool TMTList::GetUnitList()
{
    const QList<int> types = MarkedLeafIds(TreeView1);
    if (types.isEmpty()) {
        prompts().message(QStringLiteral("Необходимо выбрать тип или группу типов учреждений!"));
        return false;
    }
    return runShowingFailure(QStringLiteral("Не удалось прочитать перечень учреждений."), [&] {
        InstitutionIdList = SummaryReports::joinIds(SummaryReports::institutionsOfTypes(dbmain(), types));
    });
}

void TMTList::N2Click()
{
    // Without a marked type the window would sum whatever list an earlier window left.
    if (!GetUnitList())
        return;
    const QTreeWidgetItem* node = TreeView1->currentItem();
    CurrentInstitutionId = 0;
    DataTablePrefix = QStringLiteral("data");
    TFormList window(this);
    window.setWindowTitle(node ? node->text(0) : windowTitle());
    window.Start(-1);
    prompts().exec(window);
}

void TMTList::N1Click()
{
    if (!GetUnitList())
        return;
    const QTreeWidgetItem* node = TreeView1->currentItem();
    CurrentInstitutionId = 0;
    DataTablePrefix = QStringLiteral("data");
    TMISetup window(TMISetup::Use::Indicators, this);
    window.setWindowTitle(node ? node->text(0) : windowTitle());
    prompts().exec(window);
}
