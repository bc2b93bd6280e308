#pragma once
// The report dialog: a summary report's name and its Ф47 flag. The main window also asks a
// report level's name with it (caption changed, check box hidden).
//
//     TSumRepF dialog(this);
//     dialog.Edit1->setText(name);
//     if (prompts().exec(dialog) == QDialog::Accepted) use(dialog.name(), dialog.net());

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TSumRepF : public QDialog {
    Q_OBJECT
public:
    // In NetMode the check box is disabled (the opener ticks it when adding).
    explicit TSumRepF(QWidget* parent = nullptr);

    QString name() const;   // trimmed
    bool net() const;

    QLabel* Label1 = nullptr;        // "Наименование"
    QLineEdit* Edit1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;  // "Включить в отчет Ф47"
    QPushButton* BitBtn1 = nullptr;  // OK
    QPushButton* BitBtn2 = nullptr;  // "Отказ"

private:
    void BitBtn1Click();
};
