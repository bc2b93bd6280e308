#pragma once
// The form dialog: name, title and network flag of one report form. The catalogue fills it, runs
// it and writes what it returns; the dialog itself reads and writes nothing.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFChar : public QDialog {
    Q_OBJECT
public:
    explicit TFChar(QWidget* parent = nullptr);
    ~TFChar() override;

    QLabel* Label1 = nullptr;        // "Форма"
    QLineEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;        // "Содержание"
    QLineEdit* Edit2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;  // "Сетевая"
    QPushButton* BitBtn1 = nullptr;  // OK
    QPushButton* BitBtn2 = nullptr;  // "Отказ"
};

// The dialog while it is open.
inline TFChar* FChar = nullptr;
