#include "reports/SumRep.h"

#include "widgets/DialogButtons.h"

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
    const DialogButtons row = addOkCancelRow(this, layout);
    BitBtn1 = row.ok;
    BitBtn2 = row.cancel;
    connect(BitBtn1, &QPushButton::clicked, this, &TSumRepF::BitBtn1Click);
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
