#include "entry/TabTitle.h"

#include "widgets/DialogButtons.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextCursor>
#include <QVBoxLayout>

#include <cmath>

namespace {

QGroupBox* radioGroup(QWidget* parent, const char* name, const QString& caption,
                      const QStringList& items)
{
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(group);
    auto* buttons = new QButtonGroup(group);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], group);
        b->setObjectName(QStringLiteral("%1_%2").arg(QString::fromLatin1(name)).arg(i));
        buttons->addButton(b, i);
        layout->addWidget(b);
    }
    return group;
}

// The size the spin box shows for a stored one: a cell stored without a size is drawn at 8.
int shownSize(double stored)
{
    return stored > 0 ? std::max(1, int(std::lround(stored))) : 8;
}

} // namespace

TTitles::TTitles(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Titles"));
    setWindowTitle(QStringLiteral("Корректировка заголовков таблицы"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("Текст"), this);
    layout->addWidget(text);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setTabChangesFocus(true);
    Memo1->setMinimumSize(380, 110);
    text->setBuddy(Memo1);
    layout->addWidget(Memo1, 1);

    auto* fontRow = new QGridLayout;
    layout->addLayout(fontRow);
    auto* fontLabel = new QLabel(QStringLiteral("Шрифт"), this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setMinimumWidth(220);
    fontLabel->setBuddy(ComboBox1);
    auto* sizeLabel = new QLabel(QStringLiteral("Размер"), this);
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(1, 200);
    sizeLabel->setBuddy(SpinEdit1);
    fontRow->addWidget(fontLabel, 0, 0);
    fontRow->addWidget(ComboBox1, 1, 0);
    fontRow->addWidget(sizeLabel, 0, 1);
    fontRow->addWidget(SpinEdit1, 1, 1);

    auto* styleRow = new QHBoxLayout;
    layout->addLayout(styleRow);
    CheckBox1 = new QCheckBox(QStringLiteral("Жирный"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(QStringLiteral("Наклонный"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    styleRow->addWidget(CheckBox1);
    styleRow->addWidget(CheckBox2);
    styleRow->addStretch();

    auto* groups = new QHBoxLayout;
    layout->addLayout(groups);
    RadioGroup1 = radioGroup(this, "RadioGroup1", QStringLiteral("Выравнивание по горизонтали"),
                             {QStringLiteral("Влево"), QStringLiteral("По центру"), QStringLiteral("Вправо")});
    RadioGroup2 = radioGroup(this, "RadioGroup2", QStringLiteral("Выравнивание по вертикали"),
                             {QStringLiteral("Вверх"), QStringLiteral("По центру"), QStringLiteral("Вниз")});
    groups->addWidget(RadioGroup1);
    groups->addWidget(RadioGroup2);

    auto* turnRow = new QHBoxLayout;
    layout->addLayout(turnRow);
    CheckBox3 = new QCheckBox(QStringLiteral("Вертикальный"), this);
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    auto* indentLabel = new QLabel(QStringLiteral("Сдвиг"), this);
    SpinEdit2 = new QSpinBox(this);
    SpinEdit2->setObjectName(QStringLiteral("SpinEdit2"));
    SpinEdit2->setRange(0, 9);
    indentLabel->setBuddy(SpinEdit2);
    turnRow->addWidget(CheckBox3);
    turnRow->addStretch();
    turnRow->addWidget(indentLabel);
    turnRow->addWidget(SpinEdit2);

    const DialogButtons row = addOkCancelRow(this, layout);
    BitBtn1 = row.ok;
    BitBtn2 = row.cancel;
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    // The order the user steps through with Tab.
    setTabOrder(Memo1, ComboBox1);
    setTabOrder(ComboBox1, CheckBox1);
    setTabOrder(CheckBox1, CheckBox2);
    setTabOrder(CheckBox2, RadioGroup1->findChild<QRadioButton*>());
    setTabOrder(RadioGroup1->findChild<QRadioButton*>(), RadioGroup2->findChild<QRadioButton*>());
    setTabOrder(RadioGroup2->findChild<QRadioButton*>(), SpinEdit1);
    setTabOrder(SpinEdit1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, CheckBox3);
    setTabOrder(CheckBox3, SpinEdit2);

    Titles = this;
}

TTitles::~TTitles()
{
    if (Titles == this)
        Titles = nullptr;
}

int TTitles::itemIndex(QGroupBox* group)
{
    const QList<QRadioButton*> buttons = group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked())
            return i;
    return -1;
}

void TTitles::setItemIndex(QGroupBox* group, int index)
{
    const QList<QRadioButton*> buttons = group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    if (index >= 0 && index < buttons.size())
        buttons[index]->setChecked(true);
}

void TTitles::fill(const HeaderEdit& e)
{
    Memo1->setPlainText(e.text);
    ComboBox1->clear();
    QStringList fonts = QFontDatabase::families();
    // A font this system lacks is still the cell's font: it stays, and is written back as it
    // is, unless the user picks another.
    if (!e.fontName.isEmpty() && !fonts.contains(e.fontName, Qt::CaseInsensitive)) {
        fonts.append(e.fontName);
        fonts.sort(Qt::CaseInsensitive);
    }
    ComboBox1->addItems(fonts);
    const int at = ComboBox1->findText(e.fontName, Qt::MatchFixedString);
    ComboBox1->setCurrentIndex(at);
    m_storedSize = e.fontSize;
    SpinEdit1->setValue(shownSize(e.fontSize));
    CheckBox1->setChecked(e.bold);
    CheckBox2->setChecked(e.italic);
    using V = TChars::Vertical;
    using H = TChars::Horizontal;
    setItemIndex(RadioGroup2, e.chars.vertical == V::Top ? 0 : e.chars.vertical == V::Center ? 1 : 2);
    setItemIndex(RadioGroup1, e.chars.horizontal == H::Left ? 0 : e.chars.horizontal == H::Center ? 1 : 2);
    CheckBox3->setChecked(e.chars.turned);
    SpinEdit2->setValue(std::clamp(e.chars.indent, 0, 9));
}

HeaderEdit TTitles::edit() const
{
    HeaderEdit e;
    e.text = Memo1->toPlainText();
    e.fontName = ComboBox1->currentText();
    e.fontSize = SpinEdit1->value() == shownSize(m_storedSize) ? m_storedSize : SpinEdit1->value();
    e.bold = CheckBox1->isChecked();
    e.italic = CheckBox2->isChecked();
    const int v = itemIndex(RadioGroup2);
    const int h = itemIndex(RadioGroup1);
    e.chars.vertical = v == 1 ? TChars::Vertical::Center : v == 2 ? TChars::Vertical::Bottom : TChars::Vertical::Top;
    e.chars.horizontal = h == 1 ? TChars::Horizontal::Center
                                : h == 2 ? TChars::Horizontal::Right : TChars::Horizontal::Left;
    e.chars.turned = CheckBox3->isChecked();
    e.chars.indent = SpinEdit2->value();
    return e;
}

void TTitles::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TTitles::FormActivate()
{
    Memo1->setFocus(Qt::OtherFocusReason);
    Memo1->moveCursor(QTextCursor::End);
}
