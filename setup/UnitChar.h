#pragma once
// The unit dialog: name, institution type and rural flag of one unit of the administrative
// structure. The structure window fills it, runs it and writes what it returns; the dialog itself
// reads and writes nothing.

#include "setup/AdmStructure.h"

#include <QDialog>
#include <QList>
#include <QString>

class QCheckBox;
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

    QString unitName() const;
    // The chosen type's id; NoMedicalType when none is chosen.
    int medicalType() const;
    bool rural() const;

    QLabel* Label1 = nullptr;        // "Наименование подразделения"
    QLineEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;        // "Тип"
    QComboBox* ComboBox1 = nullptr;  // type names, the type id as item data
    QCheckBox* CheckBox1 = nullptr;  // "Сельская местность"
    QPushButton* BitBtn1 = nullptr;  // OK
    QPushButton* BitBtn2 = nullptr;  // "Отказ"

    // OK with a blank name says so and keeps the dialog open.
    void accept() override;
};

// The dialog while it is open.
inline TUntChar* UntChar = nullptr;
