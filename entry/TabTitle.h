#pragma once
// The header cell editor: the text, font, alignment, direction and indent of one header cell
// of the open table. The grid fills it from the cell, runs it and, on OK, writes what it holds.

#include "entry/HeaderEdit.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QButtonGroup;
class QSpinBox;
class QGroupBox;

class TTitles : public QDialog {
    Q_OBJECT
public:
    explicit TTitles(QWidget* parent = nullptr);
    ~TTitles() override;

    // Fills the controls from the cell. A font the system lacks is added to the list and kept
    // as it is unless another one is picked.
    void fill(const HeaderEdit& edit);
    // What the controls hold; a size left as it was keeps its stored value exactly.
    HeaderEdit edit() const;

    QPlainTextEdit* Memo1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;   // "Жирный"
    QCheckBox* CheckBox2 = nullptr;   // "Наклонный"
    QGroupBox* RadioGroup1 = nullptr; // horizontal: "Влево", "По центру", "Вправо"
    QGroupBox* RadioGroup2 = nullptr; // vertical: "Вверх", "По центру", "Вниз"
    QSpinBox* SpinEdit1 = nullptr;    // font size
    QPushButton* BitBtn1 = nullptr;   // OK
    QPushButton* BitBtn2 = nullptr;   // "Отказ"
    QCheckBox* CheckBox3 = nullptr;   // "Вертикальный"
    QSpinBox* SpinEdit2 = nullptr;    // "Сдвиг"

    // The index of the checked button of a group (0, 1, 2), or -1 when none is checked.
    static int itemIndex(QGroupBox* group);
    static void setItemIndex(QGroupBox* group, int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormActivate();

    double m_storedSize = 0;
};

inline TTitles* Titles = nullptr;
