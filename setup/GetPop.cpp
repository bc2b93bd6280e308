#include "setup/GetPop.h"

#include "core/Common.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

TPopform::TPopform(int reportId, const QString& reportName, QWidget* parent)
    : QDialog(parent), m_reportId(reportId), m_year(ReportYear)
{
    setObjectName(QStringLiteral("Popform"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(reportName);

    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    layout->addLayout(fields);
    // Digits only; no length cap on the field itself, so a sum put in by a button is never cut.
    auto* digits = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{0,%1}").arg(ReportFigureDigits)), this);
    const char* const captions[4] = {"Всего", "Взрослые", "Подростки", "Дети"};
    QLineEdit** edits[4] = {&MaskEdit1, &MaskEdit2, &MaskEdit3, &MaskEdit4};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromUtf8(captions[i]), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("MaskEdit%1").arg(i + 1));
        edit->setValidator(digits);
        label->setBuddy(edit);
        fields->addWidget(label, i, 0);
        fields->addWidget(edit, i, 1);
        *edits[i] = edit;
    }

    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    Button1 = new QPushButton(QStringLiteral("Подсчитать по учреждениям"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button2 = new QPushButton(QStringLiteral("Восстановить"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    connect(Button1, &QPushButton::clicked, this, &TPopform::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TPopform::Button2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TPopform::BitBtn1Click);

    Popform = this;
    Button2Click();
}

TPopform::~TPopform()
{
    if (Popform == this)
        Popform = nullptr;
}

PopulationTexts TPopform::population() const
{
    return {MaskEdit1->text(), MaskEdit2->text(), MaskEdit3->text(), MaskEdit4->text()};
}

void TPopform::showPopulation(const PopulationTexts& texts)
{
    MaskEdit1->setText(texts[0]);
    MaskEdit2->setText(texts[1]);
    MaskEdit3->setText(texts[2]);
    MaskEdit4->setText(texts[3]);
}

void TPopform::Button1Click()
{
    runShowingFailure(QStringLiteral("Население не подсчитано."), [&] {
        QList<int> ids;
        QString error;
        if (!reportInstitutions(dbmain(), m_reportId, ids, &error)) {
            prompts().error(error);
            return;
        }
        showPopulation(sumPopulation(dbmain(), m_year, ids));
    });
}

void TPopform::Button2Click()
{
    runShowingFailure(QStringLiteral("Население не прочитано."), [&] {
        showPopulation(readPopulation(dbmain(), PopulationOf::Report, m_year, m_reportId).value_or(PopulationTexts{}));
    });
}

void TPopform::BitBtn1Click()
{
    QString error;
    const auto saved = runShowingFailure(QStringLiteral("Население не сохранено."), [&] {
        return savePopulation(dbmain(), PopulationOf::Report, m_year, m_reportId, population(), &error);
    });
    if (!saved)
        return;
    if (*saved == PopulationSave::Invalid) {
        prompts().error(QStringLiteral("Население не сохранено: ") + error);
        return;
    }
    accept();
}
