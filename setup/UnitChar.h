#pragma once
// The unit dialog: name, institution type and rural flag of one unit of the administrative
// structure, and for a correction the unit's served population of the report year. The structure
// window fills it, runs it and writes what it returns; the dialog itself writes nothing. Its
// population buttons read the dictionary: "Подсчитать" the sums of the direct children,
// "Восстановить" the unit's stored figures.

#include "setup/AdmStructure.h"
#include "setup/Populations.h"

#include <QDialog>
#include <QList>
#include <QString>

class Database;
class QCheckBox;
class QGroupBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TUntChar : public QDialog {
    Q_OBJECT
public:
    explicit TUntChar(QWidget* parent = nullptr);
    ~TUntChar() override;

    // The types offered, in this order; no type is chosen afterwards.
    void setMedicalTypes(const QList<MedicalTypeChoice>& types);
    // Shows a unit's values; a medicalType that no offered type has leaves none chosen.
    void setUnit(const QString& name, int medicalType, bool rural);

    // Turns the population group on for a correction and shows the unit's stored figures of
    // `year`; "Подсчитать" is shown when `childIds` (the direct children) is not empty. Without
    // this call (adding a unit) the group stays disabled: there is no unit to keep figures for.
    void setPopulation(Database& dictionary, int year, int unitId, const QList<int>& childIds);
    bool populationEnabled() const;
    // The four fields as shown; OK is only taken when they are figures.
    PopulationTexts population() const;

    void BitBtn3Click();   // "Подсчитать"
    void BitBtn4Click();   // "Восстановить"

    QString unitName() const;
    // The chosen type's id; NoMedicalType when none is chosen.
    int medicalType() const;
    bool rural() const;

    QLabel* Label1 = nullptr;        // "Наименование подразделения"
    QLineEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;        // "Тип"
    QComboBox* ComboBox1 = nullptr;  // type names, the type id as item data
    QCheckBox* CheckBox1 = nullptr;  // "Сельская местность"
    QGroupBox* GroupBox1 = nullptr;  // "Обслуживаемое население"
    QLineEdit* MaskEdit1 = nullptr;  // "Всего"
    QLineEdit* MaskEdit2 = nullptr;  // "Взрослые"
    QLineEdit* MaskEdit3 = nullptr;  // "Подростки"
    QLineEdit* MaskEdit4 = nullptr;  // "Дети"
    QPushButton* BitBtn3 = nullptr;  // "Подсчитать" (a group only)
    QPushButton* BitBtn4 = nullptr;  // "Восстановить" (after "Подсчитать")
    QPushButton* BitBtn1 = nullptr;  // OK
    QPushButton* BitBtn2 = nullptr;  // "Отказ"

    // OK with a blank name says so and keeps the dialog open.
    void accept() override;

private:
    void BitBtn1Click();
    void showPopulation(const PopulationTexts& texts);

    Database* m_dictionary = nullptr;
    int m_year = 0;
    int m_unitId = 0;
    QList<int> m_childIds;
};

// The dialog while it is open.
inline TUntChar* UntChar = nullptr;
