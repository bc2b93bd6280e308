#include "reports/UMerge.h"

#include "core/Common.h"
#include "core/Configurations.h"
#include "core/ReportLevels.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "reports/LevelMerge.h"
#include "widgets/DialogButtons.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

void DrawProgressBar(QLabel* image, int total, int remaining, const QString& caption)
{
    const QSize size = image->size().isEmpty() ? QSize(300, image->height()) : image->size();
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    const double done = total > 0 ? 1.0 - double(remaining) / double(total) : 1.0;
    const int width = int(std::lround(done * size.width()));
    painter.fillRect(QRect(0, 0, width, size.height()), QColor(0x80, 0x80, 0xFF));
    painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, caption);
    painter.end();
    image->setPixmap(pixmap);
    image->repaint();
}

TSFRF::TSFRF(const QList<QPair<QString, int>>& levels, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SFRF"));
    setWindowTitle(QStringLiteral("Несуммируемые позиции"));
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Укажите отчет, данные которого должны быть показаны  в несуммируемых позициях форм"), this);
    Label1->setWordWrap(true);
    layout->addWidget(Label1);
    RadioGroup1 = new QButtonGroup(this);
    for (const auto& level : levels) {
        auto* button = new QRadioButton(level.first, this);
        RadioGroup1->addButton(button, level.second);
        layout->addWidget(button);
    }
    const DialogButtons buttons = addOkCancelRow(this, layout);
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

int TSFRF::chosenId() const
{
    return RadioGroup1->checkedButton() ? RadioGroup1->checkedId() : -1;
}

TFMerge::TFMerge(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FMerge"));
    setWindowTitle(QStringLiteral("Суммирование"));
    auto* layout = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Что суммировать"), this));
    CheckListBox1 = new QListWidget(this);
    left->addWidget(CheckListBox1);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Куда суммировать"), this));
    ListBox1 = new QListWidget(this);
    right->addWidget(ListBox1);
    lists->addLayout(left);
    lists->addLayout(right);
    layout->addLayout(lists);
    CheckBox1 = new QCheckBox(QStringLiteral("Выборочное суммирование"), this);
    layout->addWidget(CheckBox1);
    Label3 = new QLabel(QStringLiteral("Укажите учреждения для суммирования"), this);
    layout->addWidget(Label3);
    TreeView1 = new QTreeWidget(this);
    TreeView1->setHeaderHidden(true);
    layout->addWidget(TreeView1);
    BitBtn1 = new QPushButton(QStringLiteral("Суммировать"), this);
    layout->addWidget(BitBtn1);
    Image1 = new QLabel(this);
    Image1->setFixedHeight(17);
    Image2 = new QLabel(this);
    Image2->setFixedHeight(6);
    layout->addWidget(Image1);
    layout->addWidget(Image2);
    Image1->hide();
    Image2->hide();
    Label3->hide();
    TreeView1->hide();

    connect(CheckListBox1, &QListWidget::itemChanged, this, [this] { CheckListBox1ClickCheck(); });
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    makeTreeMarkable(TreeView1);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    TreeView1->installEventFilter(this);
    FormCreate();
}

void TFMerge::FormCreate()
{
    const QList<ReportLevel> levels =
        runShowingFailure(QStringLiteral("Не удалось прочитать уровни отчета."), [] { return ReportLevels::list(dbmain()); })
            .value_or(QList<ReportLevel>());
    const QSignalBlocker blocker(CheckListBox1);
    for (const ReportLevel& level : levels) {
        auto* item = new QListWidgetItem(level.name, CheckListBox1);
        item->setData(Qt::UserRole, level.id);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    CheckListBox1ClickCheck();
    // Every root of the structure with its whole subtree.
    for (int i = 0; i < StructCount && i < StructIdents.size(); ++i) {
        if (StructDepends.value(i) != 0)
            continue;
        auto* root = new QTreeWidgetItem(TreeView1, QStringList{StructNames.value(i)});
        root->setData(0, NodeIdRole, StructIdents[i]);
        AddTreeBranch(root, StructIdents[i]);
    }
}

QList<int> TFMerge::tickedSources() const
{
    QList<int> ids;
    for (int i = 0; i < CheckListBox1->count(); ++i)
        if (CheckListBox1->item(i)->checkState() == Qt::Checked)
            ids << CheckListBox1->item(i)->data(Qt::UserRole).toInt();
    return ids;
}

void TFMerge::CheckListBox1ClickCheck()
{
    ListBox1->clear();
    auto* annual = new QListWidgetItem(AnnualLevelName, ListBox1);
    annual->setData(Qt::UserRole, 0);
    for (int i = 0; i < CheckListBox1->count(); ++i) {
        const QListWidgetItem* source = CheckListBox1->item(i);
        if (source->checkState() == Qt::Checked)
            continue;
        auto* item = new QListWidgetItem(source->text(), ListBox1);
        item->setData(Qt::UserRole, source->data(Qt::UserRole));
    }
}

void TFMerge::CheckBox1Click()
{
    Label3->setVisible(CheckBox1->isChecked());
    TreeView1->setVisible(CheckBox1->isChecked());
}

void TFMerge::TreeView1DblClick() { ToggleNodeWithParents(TreeView1->currentItem()); }

bool TFMerge::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TreeView1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (QTreeWidgetItem* node = TreeView1->currentItem())
                node->setExpanded(!node->isExpanded());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QList<int> TFMerge::selectedUnits() const { return MarkedLeafIds(TreeView1); }

bool TFMerge::selectFinRep()
{
    QList<QPair<QString, int>> levels;
    for (int i = 0; i < CheckListBox1->count(); ++i)
        if (CheckListBox1->item(i)->checkState() == Qt::Checked)
            levels.append({CheckListBox1->item(i)->text(), CheckListBox1->item(i)->data(Qt::UserRole).toInt()});
    TSFRF dialog(levels, this);
    if (prompts().exec(dialog) != QDialog::Accepted || dialog.chosenId() < 0)
        return false;
    FinRepId = dialog.chosenId();
    return true;
}

MergeChoice TFMerge::gatherChoice() const
{
    MergeChoice choice;
    choice.cfgDir = CfgDir;
    choice.year = ReportYear;
    choice.sources = tickedSources();
    if (const QListWidgetItem* destination = ListBox1->currentItem()) {
        choice.destination = destination->data(Qt::UserRole).toInt();
        choice.destinationName = destination->text();
    }
    choice.chosenInstitutions = CheckBox1->isChecked();
    choice.marked = selectedUnits();
    return choice;
}

bool TFMerge::runWithProgress(const MergeRequest& request, MergeResult* result, QString* error)
{
    Image1->show();
    Image2->show();
    BitBtn1->setEnabled(false);
    MergeObserver observer;
    observer.institution = [this](int done, int total, const QString& name) {
        DrawProgressBar(Image1, total, total - done, name);
    };
    observer.table = [this](int done, int total) { DrawProgressBar(Image2, total, total - done, QString()); };
    const bool ok = mergeLevels(request, observer, result, error);
    Image1->hide();
    Image2->hide();
    BitBtn1->setEnabled(true);
    return ok;
}

void TFMerge::BitBtn1Click()
{
    const MergeChoice choice = gatherChoice();
    if (const QString refusal = mergeChoiceRefusal(choice); !refusal.isEmpty()) {
        prompts().message(refusal);
        return;
    }
    if (!selectFinRep()) {
        prompts().message(NoFinRepRefusal);
        return;
    }
    MergeRequest request;
    QString error;
    bool ready = false;
    if (!runShowingFailure(QString(), [&] { ready = prepareMerge(dbmain(), choice, FinRepId, prompts(), &request, &error); }))
        return;
    MergeResult result;
    if (ready && runWithProgress(request, &result, &error)) {
        prompts().message(mergeReport(request, result));
        accept();
    } else if (!error.isEmpty()) {
        prompts().error(error);
    }
}
