#include "core/SBY.h"

#include "core/YearDatabases.h"
#include "platform/Numbers.h"
#include "platform/Prompts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TSBY::TSBY(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SBY"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ComboBox1);
    layout->addLayout(buttons);
    setMinimumWidth(260);
}

void FillYearList(QComboBox* comboBox, const QString& cfgDir)
{
    comboBox->addItems(YearDatabases::yearList(cfgDir));
}

std::optional<int> parseYear(const QString& text)
{
    const std::optional<int> year = parseInt(text);
    if (!year || *year < 1 || *year > 9999)
        return std::nullopt;
    return year;
}

bool SelectBaseYear(const QString& caption, const QString& cfgDir, int& year)
{
    TSBY dialog;
    dialog.setWindowTitle(caption);
    FillYearList(dialog.ComboBox1, cfgDir);
    for (;;) {
        if (prompts().exec(dialog) != QDialog::Accepted)
            return false;
        const QString text = dialog.ComboBox1->currentText();
        if (const std::optional<int> chosen = parseYear(text)) {
            year = *chosen;
            return true;
        }
        prompts().error(QStringLiteral("\"%1\" не является отчетным годом. Укажите год цифрами.").arg(text));
    }
}
