#include "entry/charNT.h"

#include "core/TreeMarks.h"
#include "entry/NetworkGrid.h"
#include "platform/Database.h"
#include "platform/Numbers.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "widgets/DialogButtons.h"
#include "widgets/abcCheckBox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QRegularExpressionValidator>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

void addTypeNodes(QTreeWidgetItem* parent, QTreeWidget* tree, const QList<ConditionTypeNode>& nodes)
{
    for (const ConditionTypeNode& n : nodes) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, n.type);
        item->setData(0, NodeIdRole, n.id);
        addTypeNodes(item, tree, n.children);
    }
}

template <typename F>
void forEachNode(QTreeWidget* tree, F f)
{
    QList<QTreeWidgetItem*> stack;
    for (int i = tree->topLevelItemCount() - 1; i >= 0; --i)
        stack.append(tree->topLevelItem(i));
    while (!stack.isEmpty()) {
        QTreeWidgetItem* node = stack.takeLast();
        f(node);
        for (int i = node->childCount() - 1; i >= 0; --i)
            stack.append(node->child(i));
    }
}

} // namespace

TNTChar::TNTChar(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("NTChar"));
    setWindowTitle(QStringLiteral("Условие формирования"));
    resize(702, 510);

    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setAutoFillBackground(true);
    QPalette aqua = Label1->palette();
    aqua.setColor(QPalette::Window, QColor(0, 255, 255));
    aqua.setColor(QPalette::WindowText, Qt::black);
    Label1->setPalette(aqua);
    layout->addWidget(Label1);

    abcCheckBox1 = new TabcCheckBox(QStringLiteral("Выбрать всех"), this);
    abcCheckBox1->setObjectName(QStringLiteral("abcCheckBox1"));
    layout->addWidget(abcCheckBox1);

    auto* middle = new QHBoxLayout;
    layout->addLayout(middle, 1);
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A double click chooses a type; it must not fold its group away as well.
    TreeView1->setExpandsOnDoubleClick(false);
    middle->addWidget(TreeView1, 3);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* group = new QVBoxLayout(GroupBox1);
    RadioGroup1 = new QGroupBox(GroupBox1);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    auto* radios = new QVBoxLayout(RadioGroup1);
    CounterButton = new QRadioButton(QStringLiteral("Счетчик"), RadioGroup1);
    CounterButton->setObjectName(QStringLiteral("CounterButton"));
    SumButton = new QRadioButton(QStringLiteral("Сумма"), RadioGroup1);
    SumButton->setObjectName(QStringLiteral("SumButton"));
    CounterButton->setChecked(true);
    radios->addWidget(CounterButton);
    radios->addWidget(SumButton);
    group->addWidget(RadioGroup1);
    Label5 = new QLabel(QStringLiteral("Формула"), GroupBox1);
    group->addWidget(Label5);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    group->addWidget(Edit1);
    CheckBox2 = new QCheckBox(QStringLiteral("Среднее"), GroupBox1);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    group->addWidget(CheckBox2);
    CheckBox1 = new QCheckBox(QStringLiteral("Сельская местность"), GroupBox1);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    group->addWidget(CheckBox1);
    Label4 = new QLabel(QStringLiteral("Коэффициент"), GroupBox1);
    group->addWidget(Label4);
    Edit3 = new QLineEdit(QStringLiteral("1"), GroupBox1);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit3->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), Edit3));
    group->addWidget(Edit3);
    group->addStretch();
    middle->addWidget(GroupBox1, 2);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setMaximumHeight(110);
    layout->addWidget(Memo1);

    const DialogButtons buttons = makeOkCancelRow(this, false, QStringLiteral("Ok"));
    layout->addLayout(buttons.row);
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
    BitBtn3 = new QPushButton(QStringLiteral("Удалить"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setAutoDefault(false);
    buttons.row->insertWidget(2, BitBtn3);

    connect(BitBtn1, &QPushButton::clicked, this, &TNTChar::BitBtn1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TNTChar::BitBtn3Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    // A double click or the space key toggles a type, as in every picking tree; whatever
    // changes a mark then makes the chosen list follow the marks.
    makeTreeMarkable(TreeView1);
    connect(TreeView1, &QTreeWidget::itemChanged, this, [this] {
        if (!m_syncing)
            typesFromMarks();
    });
    connect(abcCheckBox1, &QCheckBox::clicked, this, &TNTChar::abcCheckBox1Click);
    connect(CounterButton, &QRadioButton::toggled, this, &TNTChar::RadioGroup1Click);
    NTChar = this;
    showControls();
}

TNTChar::~TNTChar()
{
    if (NTChar == this)
        NTChar = nullptr;
}

void TNTChar::setReduced(bool reduced)
{
    m_reduced = reduced;
    showControls();
}

void TNTChar::setCellDialog(std::function<NetCondition()> composer)
{
    m_composer = std::move(composer);
}

void TNTChar::setRecord(const NetCondition& record, bool exists)
{
    m_record = record;
    m_types = record.types;
    Edit1->setText(record.formula);
    Memo1->setPlainText(record.condition);
    (record.sum ? SumButton : CounterButton)->setChecked(true);
    Edit3->setText(QString::number(record.koeff.value_or(1)));
    CheckBox1->setChecked(record.rural);
    CheckBox2->setChecked(record.average);
    BitBtn3->setVisible(exists);
    showControls();
    if (m_activated)
        Sets();
}

NetCondition TNTChar::record() const
{
    NetCondition r = m_record;
    r.types = m_types;
    r.formula = Edit1->text();
    r.condition = Memo1->toPlainText();
    r.sum = SumButton->isChecked();
    const int koeff = Edit3->text().toInt();
    // An empty or zero coefficient would divide by nothing: it stands for 1.
    r.koeff = koeff > 0 ? koeff : 1;
    r.rural = CheckBox1->isChecked();
    r.average = r.sum && CheckBox2->isChecked();
    return r;
}

void TNTChar::showControls()
{
    RadioGroup1->setVisible(!m_reduced);
    CheckBox2->setVisible(!m_reduced && SumButton->isChecked());
    Label4->setVisible(!m_reduced);
    Edit3->setVisible(!m_reduced);
}

void TNTChar::RadioGroup1Click()
{
    showControls();
}

void TNTChar::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        FormActivate();
    }
}

void TNTChar::FormActivate()
{
    FillTypesTree();
    Sets();
}

void TNTChar::FillTypesTree()
{
    const QScopedValueRollback guard(m_syncing, true);
    TreeView1->clear();
    runShowingFailure(QStringLiteral("Не удалось прочитать типы учреждений."),
                      [&] { addTypeNodes(nullptr, TreeView1, conditionTypeTree(dbmain())); });
    TreeView1->expandAll();
}

void TNTChar::Sets()
{
    const QScopedValueRollback guard(m_syncing, true);
    forEachNode(TreeView1, [](QTreeWidgetItem* n) { UnmarkNode(n); });
    if (m_types == QStringLiteral("*")) {
        forEachNode(TreeView1, [](QTreeWidgetItem* n) { MarkNode(n); });
        abcCheckBox1->setChecked(true);
        return;
    }
    abcCheckBox1->setChecked(false);
    QList<int> ids;
    if (!parseConditionTypes(m_types, &ids))
        return;
    forEachNode(TreeView1, [&ids](QTreeWidgetItem* n) {
        if (!ids.contains(nodeId(n)))
            return;
        for (QTreeWidgetItem* p = n; p; p = p->parent())
            MarkNode(p);
    });
}

void TNTChar::CheckListBox1DblClick()
{
    ToggleNodeWithParents(TreeView1->currentItem());
}

void TNTChar::typesFromMarks()
{
    // A toggled type turns "all types" into the explicit list of what stays marked.
    QStringList ids;
    for (int id : MarkedLeafIds(TreeView1))
        ids.append(QString::number(id));
    m_types = ids.join(QLatin1Char(','));
    abcCheckBox1->setChecked(false);
}

void TNTChar::abcCheckBox1Click()
{
    const QScopedValueRollback guard(m_syncing, true);
    if (abcCheckBox1->isChecked()) {
        m_types = QStringLiteral("*");
        forEachNode(TreeView1, [](QTreeWidgetItem* n) { MarkNode(n); });
    } else {
        m_types.clear();
        forEachNode(TreeView1, [](QTreeWidgetItem* n) { UnmarkNode(n); });
    }
    TreeView1->viewport()->update();
}

void TNTChar::BitBtn1Click()
{
    if (m_types.isEmpty()) {
        prompts().message(QStringLiteral("Необходимо выбрать хотя бы один тип учреждений!"));
        return;
    }
    const QString typesProblem = conditionTypesProblem(m_types);
    if (!typesProblem.isEmpty()) {
        prompts().error(typesProblem);
        return;
    }
    const QString condition = conditionProblem(Memo1->toPlainText());
    if (!condition.isEmpty()) {
        prompts().error(QStringLiteral("Условие не прочитано: ") + condition);
        Memo1->setFocus();
        return;
    }
    // A row's or a column's formula may hold "*", the place of the other's; a cell's is whole.
    const QString formula = formulaProblem(Edit1->text(), m_record.kind() != NetCondition::Kind::Cell);
    if (!formula.isEmpty()) {
        prompts().error(QStringLiteral("Формула не прочитана: ") + formula);
        Edit1->setFocus();
        return;
    }
    accept();
}

void TNTChar::BitBtn3Click()
{
    if (prompts().question(QStringLiteral("Удалить условие?")))
        done(DeleteResult);
}

void TNTChar::ComposeCellCondition()
{
    if (!m_composer)
        return;
    const auto composed = runShowingFailure(QStringLiteral("Условие ячейки не составлено."), m_composer);
    if (!composed)
        return;
    const NetCondition& c = *composed;
    m_types = c.types;
    Edit1->setText(c.formula);
    Memo1->setPlainText(c.condition);
    (c.sum ? SumButton : CounterButton)->setChecked(true);
    Edit3->setText(QString::number(c.koeff.value_or(1)));
    CheckBox1->setChecked(c.rural);
    CheckBox2->setChecked(c.average);
    showControls();
    Sets();
}

void TNTChar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F8) {
        ComposeCellCondition();
        return;
    }
    QDialog::keyPressEvent(event);
}
