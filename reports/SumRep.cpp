#include "reports/SumRep.h"

#include "core/Common.h"
#include "platform/Prompts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TSumRepF::TSumRepF(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SumRepF"));
    setWindowTitle(QStringLiteral("Сводный отчет"));
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Наименование"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(360);
    Label1->setBuddy(Edit1);
    CheckBox1 = new QCheckBox(QStringLiteral("Включить в отчет Ф47"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setEnabled(!NetMode);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addWidget(CheckBox1);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Отказ"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    connect(BitBtn1, &QPushButton::clicked, this, &TSumRepF::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

QString TSumRepF::name() const { return Edit1->text().trimmed(); }

bool TSumRepF::net() const { return CheckBox1->isChecked(); }

void TSumRepF::BitBtn1Click()
{
    // A nameless report or level could not be told from another in any list.
    if (name().isEmpty()) {
        prompts().error(QStringLiteral("Необходимо ввести наименование"));
        return;
    }
    accept();
}
