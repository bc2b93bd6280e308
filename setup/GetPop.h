#pragma once
// The population dialog of a summary report: its served population of the report year, proposed
// by "Подсчитать по учреждениям" as the sum over the report's institutions. OK writes the figures
// to "populations" (when they differ from the stored ones) and closes; a failed write says so and
// keeps the dialog open with what was typed.
//
//     TPopform dialog(reportId, reportName, this);   // reads dbmain() and ReportYear
//     prompts().exec(dialog);

#include "setup/Populations.h"

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class TPopform : public QDialog {
    Q_OBJECT
public:
    // The caption is the report's name; the fields show its stored figures (empty without a row).
    TPopform(int reportId, const QString& reportName, QWidget* parent = nullptr);
    ~TPopform() override;

    PopulationTexts population() const;

    void Button1Click();   // "Подсчитать по учреждениям"
    void Button2Click();   // "Восстановить"
    void BitBtn1Click();   // OK

    QLineEdit* MaskEdit1 = nullptr;   // "Всего"
    QLineEdit* MaskEdit2 = nullptr;   // "Взрослые"
    QLineEdit* MaskEdit3 = nullptr;   // "Подростки"
    QLineEdit* MaskEdit4 = nullptr;   // "Дети"
    QPushButton* Button1 = nullptr;   // "Подсчитать по учреждениям"
    QPushButton* Button2 = nullptr;   // "Восстановить"
    QPushButton* BitBtn1 = nullptr;   // OK

private:
    void showPopulation(const PopulationTexts& texts);

    int m_reportId;
    int m_year;
};

// The dialog while it is open.
inline TPopform* Popform = nullptr;
