#pragma once
// The checklist of forms for a group load of institution data: made once at start-up and reused.
// The opener fills CheckListBox1 and reads the checks after the dialog closed with OK; the
// controls keep their state between showings.

#include <QDialog>

class QCheckBox;
class QListWidget;
class QPushButton;

class TSFLF : public QDialog {
    Q_OBJECT
public:
    explicit TSFLF(QWidget* parent = nullptr);
    ~TSFLF() override;

    QListWidget* CheckListBox1 = nullptr;   // one checkable item per form
    QCheckBox* CheckBox1 = nullptr;         // "Выбрать все"
    QPushButton* BitBtn1 = nullptr;         // OK
    QPushButton* BitBtn2 = nullptr;         // "Отказ"

private:
    // Only the user's click sets every item; setting the box from code leaves the items alone.
    void CheckBox1Click(bool checked);
    void BitBtn1Click();

    TSFLF* m_previous = nullptr;
};

inline TSFLF* SFLF = nullptr;
