#include "setup/ContrForm.h"

#include "core/Common.h"
#include "core/Configurations.h"
#include "core/Lookups.h"
#include "entry/ShowTable.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "platform/office/Desktop.h"
#include "platform/office/WordDocument.h"
#include "setup/FormDictionary.h"
#include "setup/uCLd.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QStringList kRelations = {QStringLiteral("="), QStringLiteral("<>"), QStringLiteral(">"),
                                QStringLiteral(">="), QStringLiteral("<"), QStringLiteral("<=")};
const QStringList kKinds = {QStringLiteral("Внутритабличные"), QStringLiteral("Межтабличные"),
                            QStringLiteral("Межформенные")};
const QStringList kFilters = {QStringLiteral("Все"), QStringLiteral("Форма"), QStringLiteral("Таблица")};
const QString kFilterText = QStringLiteral("Файлы контролей (*.ktr)");
const QString kNewControl = QStringLiteral("Новый контроль");

int relationIndex(const QString& reltion)
{
    const QString r = reltion.trimmed().left(2);
    const int i = kRelations.indexOf(r);
    return i < 0 ? 0 : i;
}

QButtonGroup* radioGroup(QWidget* owner, const QString& title, const QStringList& items,
                         const QString& name, QBoxLayout* into, bool horizontal = false)
{
    auto* box = new QGroupBox(title, owner);
    box->setObjectName(name);
    QBoxLayout* layout = horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(box))
                                    : static_cast<QBoxLayout*>(new QVBoxLayout(box));
    auto* group = new QButtonGroup(owner);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], box);
        b->setObjectName(name + QString::number(i));
        group->addButton(b, i);
        layout->addWidget(b);
    }
    into->addWidget(box);
    return group;
}

} // namespace

TContrls::TContrls(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Формирование контролей"));
    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(right, 2);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox2 = new QComboBox(this);
    // A form's full title runs past any screen: the lists take the width the window gives them
    // and show the whole title when opened, so the window never grows past the screen.
    for (QComboBox* box : {ComboBox1, ComboBox2}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(30);
    }
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    left->addWidget(new QLabel(QStringLiteral("Форма"), this));
    left->addWidget(ComboBox1);
    left->addWidget(new QLabel(QStringLiteral("Таблица"), this));
    left->addWidget(ComboBox2);
    RadioGroup1 = radioGroup(this, QStringLiteral("Вид контроля"), kKinds, QStringLiteral("RadioGroup1"), left);
    RadioGroup3 = radioGroup(this, QStringLiteral("Фильтр"), kFilters, QStringLiteral("RadioGroup3"), left, true);
    RadioGroup1->button(0)->setChecked(true);
    RadioGroup3->button(0)->setChecked(true);
    CheckBox1 = new QCheckBox(QStringLiteral("Зафиксировать"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    left->addWidget(CheckBox1);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    left->addWidget(ListBox1, 1);

    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    auto memo = [this](const char* name) {
        auto* m = new QPlainTextEdit(this);
        m->setObjectName(QString::fromLatin1(name));
        m->setTabChangesFocus(true);
        return m;
    };
    Memo1 = memo("Memo1");
    Memo2 = memo("Memo2");
    Memo3 = memo("Memo3");
    Memo3->setMaximumHeight(60);
    right->addWidget(new QLabel(QStringLiteral("Левая часть"), this));
    right->addWidget(Memo1);
    auto* relationRow = new QHBoxLayout;
    RadioGroup2 = radioGroup(this, QStringLiteral("Условие"), kRelations, QStringLiteral("RadioGroup2"), relationRow, true);
    right->addLayout(relationRow);
    right->addWidget(new QLabel(QStringLiteral("Правая часть"), this));
    right->addWidget(Memo2);
    right->addWidget(new QLabel(QStringLiteral("Цикл"), this));
    right->addWidget(Memo3);
    right->addWidget(new QLabel(QStringLiteral("Комментарий"), this));
    Edit4 = new QLineEdit(this);
    Edit4->setObjectName(QStringLiteral("Edit4"));
    right->addWidget(Edit4);

    auto* buttons = new QGridLayout;
    Button5 = button(QStringLiteral("Добавить"), "Button5");
    Button1 = button(QStringLiteral("Сохранить"), "Button1");
    Button6 = button(QStringLiteral("Удалить"), "Button6");
    Button2 = button(QStringLiteral("Сформировать"), "Button2");
    Button3 = button(QStringLiteral("Копировать"), "Button3");
    Button4 = button(QStringLiteral("Вставить"), "Button4");
    BitBtn1 = button(QStringLiteral("Выгрузить"), "BitBtn1");
    BitBtn2 = button(QStringLiteral("Загрузить"), "BitBtn2");
    Button7 = button(QStringLiteral("Печать"), "Button7");
    Button8 = button(QStringLiteral("Очистить список"), "Button8");
    Button9 = button(QStringLiteral("Выгрузить список"), "Button9");
    Button10 = button(QStringLiteral("Выгрузить ВСЕ контроли по форме"), "Button10");
    Button11 = button(QStringLiteral("Удалить ВСЕ контроли по форме"), "Button11");
    BitBtn3 = button(QStringLiteral("Выход"), "BitBtn3");
    const QList<QPushButton*> all = {Button5, Button1, Button6, Button2, Button3, Button4, BitBtn1,
                                     BitBtn2, Button7, Button8, Button9, Button10, Button11, BitBtn3};
    for (int i = 0; i < all.size(); ++i)
        buttons->addWidget(all[i], i / 3, i % 3);
    right->addLayout(buttons);
    Button2->setEnabled(false);

    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Click(); });
    connect(ComboBox2, &QComboBox::activated, this, [this] { ComboBox2Click(); });
    connect(RadioGroup1, &QButtonGroup::idClicked, this, [this] { RadioGroup3Click(); });
    connect(RadioGroup3, &QButtonGroup::idClicked, this, [this] { RadioGroup3Click(); });
    // The boxes show the current control whatever made it current (a click, the arrow keys, a
    // reload, a delete), so "Сохранить" always writes into the control on screen.
    connect(ListBox1, &QListWidget::currentItemChanged, this, [this] { ListBox1Click(); });
    connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
    connect(Button1, &QPushButton::clicked, this, &TContrls::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TContrls::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TContrls::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TContrls::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TContrls::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TContrls::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &TContrls::Button7Click);
    connect(Button8, &QPushButton::clicked, this, &TContrls::Button8Click);
    connect(Button9, &QPushButton::clicked, this, &TContrls::Button9Click);
    connect(Button10, &QPushButton::clicked, this, &TContrls::Button10Click);
    connect(Button11, &QPushButton::clicked, this, &TContrls::Button11Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TContrls::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TContrls::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &QDialog::reject);
    connect(qApp, &QApplication::focusChanged, this, &TContrls::focusChanged);

    resize(1000, 640);
    Contrls = this;
    FormCreate();
}

TContrls::~TContrls()
{
    disconnect(qApp, &QApplication::focusChanged, this, &TContrls::focusChanged);
    if (Contrls == this)
        Contrls = nullptr;
}

void TContrls::FormCreate()
{
    runShowingFailure(QStringLiteral("Не удалось прочитать перечень форм."), [&] {
        for (const CatalogueForm& f : readCatalogue(dbmain()))
            ComboBox1->addItem(f.formname.trimmed() + QStringLiteral(" - ") + f.decipher, f.id);
    });
    if (ComboBox1->count() > 0) {
        ComboBox1->setCurrentIndex(0);
        ComboBox1Click();
    }
}

ControlKind TContrls::kind() const { return ControlKind(qMax(0, RadioGroup1->checkedId())); }

ControlScope TContrls::scope() const
{
    ControlScope s;
    s.kind = kind();
    s.formId = s.kind == ControlKind::BetweenForms ? 0 : EditorFormId;
    s.formName = EditorFormName;
    s.tableNumber = EditorTableNo;
    return s;
}

void TContrls::ComboBox1Click()
{
    EditorFormId = ComboBox1->currentData().toInt();
    EditorFormName = ComboBox1->currentText().section(QStringLiteral(" - "), 0, 0).trimmed();
    ComboBox2->clear();
    runShowingFailure(QStringLiteral("Не удалось прочитать перечень таблиц формы."), [&] {
        for (const FormTable& t : readFormTables(dbmain(), EditorFormId, TableOrder::ByNumber))
            ComboBox2->addItem(t.tablen + QStringLiteral(" - ") + t.name, t.tablen);
    });
    if (ComboBox2->count() > 0)
        ComboBox2->setCurrentIndex(0);
    ComboBox2Click();
}

void TContrls::ComboBox2Click()
{
    EditorTableNo = ComboBox2->currentData().toString();
    GetControlsList();
}

void TContrls::RadioGroup3Click() { GetControlsList(); }

QListWidgetItem* TContrls::selected() const
{
    QListWidgetItem* item = ListBox1->currentItem();
    return item && item->isSelected() ? item : nullptr;
}

void TContrls::GetControlsList() { reloadList(false); }

void TContrls::reloadList(bool force)
{
    // A control being entered is not thrown away by a change of form, table, kind or filter.
    const QListWidgetItem* item = selected();
    if (!force && item && item->data(Qt::UserRole).toInt() == 0)
        return;
    if (!force && CheckBox1->isChecked())
        return;
    m_shown = nullptr;
    ListBox1->clear();
    runShowingFailure(QStringLiteral("Не удалось прочитать перечень контролей."), [&] {
        for (const StoredControl& c : listControls(dbmain(), scope(), ControlFilter(qMax(0, RadioGroup3->checkedId())))) {
            auto* it = new QListWidgetItem(c.commnt, ListBox1);
            it->setData(Qt::UserRole, c.code);
        }
    });
    if (ListBox1->count() == 0) {
        clearShown();
        return;
    }
    ListBox1->setCurrentRow(0);
    ListBox1Click();
}

void TContrls::clearShown()
{
    m_shown = nullptr;
    Memo1->clear();
    Memo2->clear();
    Memo3->clear();
    Edit4->clear();
    clearRelation();
}

void TContrls::clearRelation()
{
    RadioGroup2->setExclusive(false);
    for (QAbstractButton* b : RadioGroup2->buttons())
        b->setChecked(false);
    RadioGroup2->setExclusive(true);
}

void TContrls::showControl(const std::optional<StoredControl>& c)
{
    Memo1->setPlainText(c ? c->lft : QString());
    Memo2->setPlainText(c ? c->rght : QString());
    Memo3->setPlainText(c ? c->cycl : QString());
    Edit4->setText(c ? c->commnt : QString());
    RadioGroup2->button(c ? relationIndex(c->reltion) : 0)->setChecked(true);
}

void TContrls::ListBox1Click()
{
    QListWidgetItem* item = selected();
    if (!item)
        return;
    const int code = item->data(Qt::UserRole).toInt();
    // Until the control is on screen whole, no other control's texts may be saved as its own.
    m_shown = nullptr;
    if (runShowingFailure(QStringLiteral("Не удалось прочитать контроль."),
                          [&] { showControl(code == 0 ? std::nullopt : readControl(dbmain(), code)); }))
        m_shown = item;
}

void TContrls::Button5Click()
{
    auto* it = new QListWidgetItem(kNewControl, ListBox1);
    it->setData(Qt::UserRole, 0);
}

void TContrls::Button1Click()
{
    runShowingFailure(QStringLiteral("Контроль не сохранен."), [&] { saveSelected(); });
}

void TContrls::saveSelected()
{
    // The texts on screen belong to the control last shown; another one is never written with them.
    QListWidgetItem* item = selected();
    if (!item || item != m_shown)
        return;
    const int relation = RadioGroup2->checkedId();
    const ControlEdit edit{item->data(Qt::UserRole).toInt(), scope(), Memo1->toPlainText(),
                           relation < 0 ? QString() : kRelations[relation], Memo2->toPlainText(),
                           Memo3->toPlainText(), Edit4->text()};
    const ControlSave save = saveControl(dbmain(), edit);
    if (!save.saved) {
        prompts().error(save.message);
        if (save.field != ControlCheck::None)
            focusRefused(save.field);
        return;
    }
    item->setData(Qt::UserRole, save.code);
    item->setText(edit.commnt);
}

void TContrls::focusRefused(ControlCheck::Field field)
{
    QWidget* focus = field == ControlCheck::Relation ? RadioGroup2->button(0)
        : field == ControlCheck::Right             ? static_cast<QWidget*>(Memo2)
        : field == ControlCheck::Cycle             ? static_cast<QWidget*>(Memo3)
                                                   : static_cast<QWidget*>(Memo1);
    focus->setFocus();
}

void TContrls::Button6Click()
{
    QListWidgetItem* item = selected();
    if (!item)
        return;
    if (!prompts().question(QStringLiteral("Удалить контроль \"%1\"?").arg(item->text())))
        return;
    const int code = item->data(Qt::UserRole).toInt();
    const auto deleted = runShowingFailure(QStringLiteral("Контроль не удален."),
                                           [&] { return code == 0 ? 1 : deleteControls(dbmain(), {code}); });
    if (!deleted)
        return;
    if (*deleted == 0)
        prompts().error(QStringLiteral("Контроль не найден в базе: он уже удален."));
    const int row = ListBox1->row(item);
    m_shown = nullptr;
    delete item;
    // The next control (the last one when the deleted was last) is selected and shown.
    if (ListBox1->count() > 0) {
        ListBox1->setCurrentRow(qMin(row, ListBox1->count() - 1));
        ListBox1Click();
    } else {
        clearShown();
    }
}

void TContrls::Button3Click()
{
    CopiedControl = {Memo1->toPlainText(), Memo2->toPlainText(), Memo3->toPlainText(), Edit4->text(),
                     RadioGroup2->checkedId()};
}

void TContrls::Button4Click()
{
    Memo1->setPlainText(CopiedControl.lft);
    Memo2->setPlainText(CopiedControl.rght);
    Memo3->setPlainText(CopiedControl.cycl);
    Edit4->setText(CopiedControl.commnt);
    if (CopiedControl.relation >= 0) {
        RadioGroup2->button(CopiedControl.relation)->setChecked(true);
    } else {
        clearRelation();
    }
}

void TContrls::focusChanged(QWidget*, QWidget* now)
{
    if (now == Memo1 || now == Memo2 || now == Memo3) {
        m_active = static_cast<QPlainTextEdit*>(now);
        Button2->setEnabled(true);
        return;
    }
    for (QWidget* w : {static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(ComboBox2),
                       static_cast<QWidget*>(ListBox1), static_cast<QWidget*>(Edit4)})
        if (now == w)
            Button2->setEnabled(false);
    for (QAbstractButton* b : RadioGroup1->buttons() + RadioGroup2->buttons())
        if (now == b)
            Button2->setEnabled(false);
}

void TContrls::Button2Click()
{
    if (!m_active || EditorTableNo.isEmpty())
        return;
    const QString picked = pickCells();
    if (picked.isEmpty())
        return;
    m_active->textCursor().insertText(pickedCellsReference(scope(), picked));
    m_active->setFocus();
}

QString TContrls::pickCells()
{
    // The grid picks cells only when it shows nobody's data.
    const int institution = CurrentInstitutionId;
    const QString mode = WorkMode;
    const bool net = NetMode;
    CurrentInstitutionId = 0;
    WorkMode.clear();
    NetMode = false;
    SelectedTableNodeId = EditorFormId;
    CurrentFormNumber = EditorTableNo;
    CurrentFormName = EditorFormName.left(10);
    CurrentTableId = 0;
    QString picked;
    {
        TVTable window(this);
        window.setWindowTitle(QStringLiteral("Формирование выражения"));
        window.Label3->setText(ComboBox1->currentText());
        window.Label2->setText(ComboBox2->currentText());
        window.GroupMenu->menuAction()->setVisible(true);
        for (QAction* hidden : {window.N1, window.N2, window.N3, window.N5})
            hidden->setVisible(false);
        prompts().exec(window);
        picked = window.Label1->text();
    }
    CurrentInstitutionId = institution;
    WorkMode = mode;
    NetMode = net;
    return picked;
}

void TContrls::exportControls(const std::function<QList<StoredControl>()>& read, const QString& caption)
{
    const auto controls = runShowingFailure(QStringLiteral("Контроли не выгружены."), read);
    if (!controls)
        return;
    const QString path = prompts().saveFileName(caption, kFilterText, CfgDir + QStringLiteral("controls.ktr"));
    if (path.isEmpty())
        return;
    ControlsFileWriter writer;
    if (!writer.write(path, exportRecords(*controls))) {
        prompts().error(writer.errorString());
        return;
    }
    prompts().message(QStringLiteral("Контроли выгружены в файл %1").arg(path));
}

void TContrls::BitBtn1Click()
{
    exportControls([] { return allControls(dbmain()); }, QStringLiteral("Выгрузить"));
}

void TContrls::Button9Click()
{
    exportControls([this] { return listControls(dbmain(), scope(), ControlFilter(qMax(0, RadioGroup3->checkedId()))); },
                   QStringLiteral("Выгрузить список"));
}

void TContrls::Button10Click()
{
    exportControls([this] { return formControls(dbmain(), EditorFormId, EditorFormName); },
                   QStringLiteral("Укажите папку и имя файла для сохранения ВСЕХ контролей по %1").arg(EditorFormName));
}

void TContrls::Button11Click()
{
    if (prompts().okCancel(QStringLiteral("Вы действительно хотите удалить ВСЕ контроли по %1?").arg(EditorFormName))) {
        runShowingFailure(QStringLiteral("Контроли не удалены."), [this] {
            QList<int> codes;
            for (const StoredControl& c : formControls(dbmain(), EditorFormId, EditorFormName))
                codes.append(c.code);
            deleteControls(dbmain(), codes);
        });
    }
    reloadList(true);
}

void TContrls::Button8Click()
{
    if (ListBox1->count() == 0)
        return;
    if (!prompts().question(QStringLiteral("Удалить все %1 контролей списка?").arg(ListBox1->count())))
        return;
    QList<int> codes;
    for (int i = 0; i < ListBox1->count(); ++i)
        if (const int code = ListBox1->item(i)->data(Qt::UserRole).toInt())
            codes.append(code);
    if (!runShowingFailure(QStringLiteral("Контроли не удалены."), [&] { deleteControls(dbmain(), codes); }))
        return;
    m_shown = nullptr;
    ListBox1->clear();
}

void TContrls::Button7Click()
{
    QList<StoredControl> controls;
    if (!runShowingFailure(QStringLiteral("Не удалось прочитать контроли."), [&] {
            for (int i = 0; i < ListBox1->count(); ++i)
                if (auto c = readControl(dbmain(), ListBox1->item(i)->data(Qt::UserRole).toInt()))
                    controls.append(*c);
        }))
        return;
    WordDocument document;
    fillControlsDocument(document, ComboBox1->currentText(), ComboBox2->currentText(),
                         kKinds.value(RadioGroup1->checkedId()) + QStringLiteral(" - ")
                             + kFilters.value(RadioGroup3->checkedId()),
                         controls);
    QString error;
    if (!showDocument(document, QStringLiteral("Контроли"), &error))
        prompts().error(error);
}

void TContrls::BitBtn2Click()
{
    {
        TCld window(this);
        prompts().exec(window);
    }
    reloadList(true);
}
