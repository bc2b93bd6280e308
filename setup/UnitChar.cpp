#include "setup/UnitChar.h"

#include "platform/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TUntChar::TUntChar(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("UntChar"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    layout->addLayout(fields);

    Label1 = new QLabel(QStringLiteral("Наименование подразделения"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(420);
    Label1->setBuddy(Edit1);
    fields->addWidget(Label1, 0, 0, 1, 2);
    fields->addWidget(Edit1, 1, 0, 1, 2);

    Label2 = new QLabel(QStringLiteral("Тип"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    Label2->setBuddy(ComboBox1);
    fields->addWidget(Label2, 2, 0, 1, 2);
    fields->addWidget(ComboBox1, 3, 0, 1, 2);

    CheckBox1 = new QCheckBox(QStringLiteral("Сельская местность"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    fields->addWidget(CheckBox1, 4, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Отказ"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    UntChar = this;
}

TUntChar::~TUntChar()
{
    if (UntChar == this)
        UntChar = nullptr;
}

void TUntChar::setMedicalTypes(const QList<MedicalTypeChoice>& types)
{
    ComboBox1->clear();
    for (const MedicalTypeChoice& type : types)
        ComboBox1->addItem(type.type, type.id);
    ComboBox1->setCurrentIndex(-1);
}

void TUntChar::setUnit(const QString& name, int medicalType, bool rural)
{
    Edit1->setText(name);
    ComboBox1->setCurrentIndex(ComboBox1->findData(medicalType));
    CheckBox1->setChecked(rural);
}

QString TUntChar::unitName() const { return Edit1->text(); }

int TUntChar::medicalType() const
{
    return ComboBox1->currentIndex() >= 0 ? ComboBox1->currentData().toInt() : NoMedicalType;
}

bool TUntChar::rural() const { return CheckBox1->isChecked(); }

void TUntChar::accept()
{
    if (isBlankName(Edit1->text())) {
        prompts().error(NoUnitNameText);
        Edit1->setFocus();
        return;
    }
    QDialog::accept();
}
