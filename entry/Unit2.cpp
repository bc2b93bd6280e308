#include "entry/Unit2.h"

#include "widgets/DialogButtons.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TSFLF::TSFLF(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SFLF"));
    setWindowTitle(QStringLiteral("Выбор форм для групповой загрузки"));
    resize(360, 420);
    auto* layout = new QVBoxLayout(this);
    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    layout->addWidget(CheckListBox1, 1);
    CheckBox1 = new QCheckBox(QStringLiteral("Выбрать все"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    layout->addWidget(CheckBox1);
    const DialogButtons buttons = addOkCancelRow(this, layout);
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;

    connect(CheckBox1, &QCheckBox::clicked, this, &TSFLF::CheckBox1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TSFLF::BitBtn1Click);

    m_previous = SFLF;
    SFLF = this;
}

TSFLF::~TSFLF()
{
    if (SFLF == this)
        SFLF = m_previous;
}

void TSFLF::CheckBox1Click(bool checked)
{
    for (int i = 0; i < CheckListBox1->count(); ++i)
        CheckListBox1->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TSFLF::BitBtn1Click() { accept(); }
