#include "setup/UnitChar.h"

#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "widgets/DialogButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
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

    GroupBox1 = new QGroupBox(QStringLiteral("Обслуживаемое население"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* figures = new QGridLayout(GroupBox1);
    // Digits only; no length cap on the field itself, so a sum put in by "Подсчитать" is never cut.
    auto* digits = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{0,%1}").arg(UnitFigureDigits)), this);
    const char* const captions[4] = {"Всего", "Взрослые", "Подростки", "Дети"};
    QLineEdit** edits[4] = {&MaskEdit1, &MaskEdit2, &MaskEdit3, &MaskEdit4};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromUtf8(captions[i]), GroupBox1);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 3));
        auto* edit = new QLineEdit(GroupBox1);
        edit->setObjectName(QStringLiteral("MaskEdit%1").arg(i + 1));
        edit->setValidator(digits);
        label->setBuddy(edit);
        figures->addWidget(label, 0, i);
        figures->addWidget(edit, 1, i);
        *edits[i] = edit;
    }
    BitBtn3 = new QPushButton(QStringLiteral("Подсчитать"), GroupBox1);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setAutoDefault(false);
    BitBtn3->hide();
    BitBtn4 = new QPushButton(QStringLiteral("Восстановить"), GroupBox1);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn4->setAutoDefault(false);
    BitBtn4->hide();
    auto* figureButtons = new QHBoxLayout;
    figureButtons->addStretch();
    figureButtons->addWidget(BitBtn3);
    figureButtons->addWidget(BitBtn4);
    figures->addLayout(figureButtons, 2, 0, 1, 4);
    GroupBox1->setEnabled(false);
    layout->addWidget(GroupBox1);
    connect(BitBtn3, &QPushButton::clicked, this, &TUntChar::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TUntChar::BitBtn4Click);

    const DialogButtons buttons = addOkCancelRow(this, layout);
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
    connect(BitBtn1, &QPushButton::clicked, this, &TUntChar::BitBtn1Click);

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

void TUntChar::setPopulation(Database& dictionary, int year, int unitId, const QList<int>& childIds)
{
    m_dictionary = &dictionary;
    m_year = year;
    m_unitId = unitId;
    m_childIds = childIds;
    GroupBox1->setEnabled(true);
    BitBtn3->setVisible(!childIds.isEmpty());
    BitBtn4->hide();
    showPopulation(readPopulation(dictionary, PopulationOf::Unit, year, unitId).value_or(PopulationTexts{}));
}

bool TUntChar::populationEnabled() const { return m_dictionary != nullptr; }

PopulationTexts TUntChar::population() const
{
    return {MaskEdit1->text(), MaskEdit2->text(), MaskEdit3->text(), MaskEdit4->text()};
}

void TUntChar::showPopulation(const PopulationTexts& texts)
{
    MaskEdit1->setText(texts[0]);
    MaskEdit2->setText(texts[1]);
    MaskEdit3->setText(texts[2]);
    MaskEdit4->setText(texts[3]);
}

void TUntChar::BitBtn3Click()
{
    if (!m_dictionary || m_childIds.isEmpty())
        return;
    if (runShowingFailure(QStringLiteral("Население не подсчитано."),
                          [&] { showPopulation(sumPopulation(*m_dictionary, m_year, m_childIds)); }))
        BitBtn4->show();
}

void TUntChar::BitBtn4Click()
{
    if (!m_dictionary)
        return;
    runShowingFailure(QStringLiteral("Население не прочитано."), [&] {
        showPopulation(readPopulation(*m_dictionary, PopulationOf::Unit, m_year, m_unitId).value_or(PopulationTexts{}));
    });
}

void TUntChar::BitBtn1Click()
{
    QString error;
    if (populationEnabled() && !parsePopulation(population(), &error)) {
        prompts().error(error);
        return;
    }
    accept();
}

void TUntChar::accept()
{
    if (isBlankName(Edit1->text())) {
        prompts().error(NoUnitNameText);
        Edit1->setFocus();
        return;
    }
    QDialog::accept();
}
