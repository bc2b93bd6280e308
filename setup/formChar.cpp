#include "setup/formChar.h"

#include "widgets/DialogButtons.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFChar::TFChar(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FChar"));
    setWindowTitle(QStringLiteral("Отчетная форма..."));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    layout->addLayout(fields);
    Label1 = new QLabel(QStringLiteral("Форма"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label1->setBuddy(Edit1);
    Label2 = new QLabel(QStringLiteral("Содержание"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setMinimumWidth(420);
    Label2->setBuddy(Edit2);
    CheckBox1 = new QCheckBox(QStringLiteral("Сетевая"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(Edit1, 1, 0);
    fields->addWidget(CheckBox1, 1, 1);
    fields->addWidget(Label2, 2, 0, 1, 2);
    fields->addWidget(Edit2, 3, 0, 1, 2);

    const DialogButtons row = addOkCancelRow(this, layout);
    BitBtn1 = row.ok;
    BitBtn2 = row.cancel;
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    FChar = this;
}

TFChar::~TFChar()
{
    if (FChar == this)
        FChar = nullptr;
}
