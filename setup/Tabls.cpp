#include "setup/Tabls.h"

#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "setup/FormDictionary.h"
#include "widgets/MenuKeys.h"
#include "widgets/DialogButtons.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int IdentRole = Qt::UserRole;
constexpr int ScanRole = Qt::UserRole + 1;

QString yesNo(bool v) { return v ? QStringLiteral("Да") : QStringLiteral("Нет"); }

void showTable(QTreeWidgetItem* item, const FormTable& t)
{
    item->setText(0, t.tablen);
    item->setText(1, t.name);
    item->setText(2, yesNo(t.floattype));
    item->setTextAlignment(2, Qt::AlignCenter);
    item->setData(0, IdentRole, t.ident);
    item->setData(0, ScanRole, t.scan);
}

bool inside(const QWidget* widget, const QWidget* group)
{
    return widget && (widget == group || group->isAncestorOf(widget));
}
}  // namespace

TFTabs::TFTabs(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FTabs"));
    buildWindow();
    FTabs = this;
}

TFTabs::~TFTabs()
{
    // QDialog's destructor hides the window, which moves the focus: the slot would then run on a
    // window whose own part is already gone.
    disconnect(qApp, &QApplication::focusChanged, this, &TFTabs::focusChanged);
    if (FTabs == this)
        FTabs = nullptr;
}

void TFTabs::buildWindow()
{
    resize(760, 480);
    auto* layout = new QVBoxLayout(this);
    MainMenu1 = new QMenuBar(this);
    giveMenuKeys(MainMenu1);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    layout->setMenuBar(MainMenu1);
    N1 = MainMenu1->addAction(QStringLiteral("Добавить"));
    N1->setVisible(false);
    N2 = MainMenu1->addAction(QStringLiteral("Корректировать"));
    N3 = MainMenu1->addAction(QStringLiteral("Удалить"));
    N4 = MainMenu1->addAction(QStringLiteral("Выход"));
    N1->setObjectName(QStringLiteral("N1"));
    N2->setObjectName(QStringLiteral("N2"));
    N3->setObjectName(QStringLiteral("N3"));
    N4->setObjectName(QStringLiteral("N4"));

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setHeaderLabels({QStringLiteral("Номер"), QStringLiteral("Содержание"), QStringLiteral("Нецелые")});
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    layout->addWidget(ListView1, 1);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(GroupBox1);
    auto* label1 = new QLabel(QStringLiteral("Номер"), GroupBox1);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    label1->setBuddy(Edit1);
    auto* label2 = new QLabel(QStringLiteral("Содержание"), GroupBox1);
    Edit2 = new QLineEdit(GroupBox1);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    label2->setBuddy(Edit2);
    CheckBox1 = new QCheckBox(QStringLiteral("Нецелые значения"), GroupBox1);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    RadioGroup1 = new QGroupBox(QStringLiteral("Формирование по..."), GroupBox1);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    auto* radios = new QHBoxLayout(RadioGroup1);
    RadioRows = new QRadioButton(QStringLiteral("Строкам"), RadioGroup1);
    RadioRows->setObjectName(QStringLiteral("RadioRows"));
    RadioColumns = new QRadioButton(QStringLiteral("Графам"), RadioGroup1);
    RadioColumns->setObjectName(QStringLiteral("RadioColumns"));
    radios->addWidget(RadioRows);
    radios->addWidget(RadioColumns);
    const DialogButtons buttons = makeOkCancelRow(GroupBox1);
    BitBtn1 = buttons.ok;
    BitBtn1->hide();
    BitBtn2 = buttons.cancel;
    grid->addWidget(label1, 0, 0);
    grid->addWidget(Edit1, 1, 0);
    grid->addWidget(label2, 0, 1);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(CheckBox1, 2, 0);
    grid->addWidget(RadioGroup1, 2, 1);
    grid->addLayout(buttons.row, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    GroupBox1->hide();
    layout->addWidget(GroupBox1);

    connect(N2, &QAction::triggered, this, &TFTabs::N2Click);
    connect(N3, &QAction::triggered, this, &TFTabs::N3Click);
    connect(N4, &QAction::triggered, this, &TFTabs::N4Click);
    connect(ListView1, &QTreeWidget::itemActivated, this, [this] { N2Click(); });
    connect(Edit1, &QLineEdit::textEdited, this, &TFTabs::Edit1Change);
    connect(Edit2, &QLineEdit::textEdited, this, &TFTabs::Edit1Change);
    connect(CheckBox1, &QCheckBox::toggled, this, &TFTabs::Edit1Change);
    connect(RadioRows, &QRadioButton::toggled, this, &TFTabs::Edit1Change);
    connect(BitBtn1, &QPushButton::clicked, this, &TFTabs::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFTabs::BitBtn2Click);
    connect(qApp, &QApplication::focusChanged, this, &TFTabs::focusChanged);
}

void TFTabs::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TFTabs::FormActivate()
{
    if (m_filled)
        return;
    m_filled = true;
    runShowingFailure(QStringLiteral("Не удалось прочитать перечень таблиц формы."), [&] {
        for (const FormTable& t : readFormTables(dbmain(), TablesFormId))
            showTable(new QTreeWidgetItem(ListView1), t);
    });
    if (ListView1->topLevelItemCount() > 0)
        ListView1->setCurrentItem(ListView1->topLevelItem(0));
    ListView1->setFocus();
}

bool TFTabs::editing() const { return !GroupBox1->isHidden(); }

void TFTabs::N2Click()
{
    QTreeWidgetItem* item = ListView1->currentItem();
    if (!item)
        return;
    m_edited = item;
    m_filling = true;
    Edit1->setText(item->text(0));
    Edit2->setText(item->text(1));
    CheckBox1->setChecked(item->text(2) == QStringLiteral("Да"));
    (item->data(0, ScanRole).toInt() == 1 ? RadioColumns : RadioRows)->setChecked(true);
    m_filling = false;
    BitBtn1->hide();
    GroupBox1->show();
    Edit1->setFocus();
}

void TFTabs::Edit1Change()
{
    if (!m_filling && editing())
        BitBtn1->show();
}

bool TFTabs::saveEdit()
{
    if (!m_edited)
        return false;
    FormTable t;
    t.ident = m_edited->data(0, IdentRole).toInt();
    t.tablen = Edit1->text();
    t.name = Edit2->text();
    t.floattype = CheckBox1->isChecked();
    // With the choice hidden the stored direction is kept, not read from the hidden buttons.
    t.scan = RadioGroup1->isHidden() ? m_edited->data(0, ScanRole).toInt() : (RadioColumns->isChecked() ? 1 : 0);
    const QString oldNumber = m_edited->text(0);
    const QString failed = QStringLiteral("Изменения не сохранены.");
    const auto saved = runShowingFailure(failed, [&] { return saveTable(dbmain(), TablesFormId, t); });
    if (!saved)
        return false;
    if (!saved->saved) {
        prompts().error(failed + QLatin1Char('\n') + saved->error);
        return false;
    }
    showTable(m_edited, t);
    if (oldNumber != t.tablen)
        prompts().message(QStringLiteral("Номер таблицы %1 изменен на %2; контролей таблицы перенесено: %3")
                              .arg(oldNumber, t.tablen)
                              .arg(saved->movedControls));
    return true;
}

void TFTabs::BitBtn1Click()
{
    if (saveEdit())
        closeEdit();
}

void TFTabs::BitBtn2Click() { closeEdit(); }

void TFTabs::closeEdit()
{
    m_leaving = true;
    BitBtn1->hide();
    GroupBox1->hide();
    m_edited = nullptr;
    ListView1->setFocus();
    m_leaving = false;
}

void TFTabs::focusChanged(QWidget* old, QWidget* now)
{
    // A question box taking the focus is not the user leaving the group.
    if (m_leaving || !editing() || !inside(old, GroupBox1) || inside(now, GroupBox1) || !now || now->window() != this)
        return;
    GroupBox1Exit();
}

void TFTabs::GroupBox1Exit()
{
    m_leaving = true;
    bool close = true;
    if (!BitBtn1->isHidden() && prompts().question(QStringLiteral("Сохранить изменения?")))
        close = saveEdit();
    m_leaving = false;
    if (close)
        closeEdit();
    else
        Edit1->setFocus();
}

void TFTabs::N3Click()
{
    QTreeWidgetItem* item = ListView1->currentItem();
    if (!item || editing())
        return;
    if (!prompts().question(QStringLiteral("Удалить таблицу %1?").arg(item->text(0))))
        return;
    if (!runShowingFailure(QStringLiteral("Таблица не удалена."),
                           [&] { deleteTable(dbmain(), dbdat().path(), item->data(0, IdentRole).toInt()); }))
        return;
    delete item;
}

void TFTabs::N4Click() { reject(); }

void TFTabs::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && editing()) {
        closeEdit();
        return;
    }
    QDialog::keyPressEvent(event);
}
