#pragma once
// The condition dialog of a network table's row, column or cell: which institution types take
// part (a tree, chosen types bold), rural institutions only, a condition on the institutions'
// own data, and what is taken from each (a counter or the sum of a formula, the average, the
// coefficient). The reduced dialog, for the dimension that only selects institutions, hides
// the counter/sum choice, the average and the coefficient.
//
// The opener (the grid) fills it from the stored record, runs it and stores what it returns:
// QDialog::Accepted with record(), DeleteResult for "Удалить", Rejected for "Отказ".

#include "core/NetConditions.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class TabcCheckBox;

class TNTChar : public QDialog {
    Q_OBJECT
public:
    // The result of "Удалить" (asked and confirmed).
    static constexpr int DeleteResult = 3;

    explicit TNTChar(QWidget* parent = nullptr);
    ~TNTChar() override;

    // Set before the dialog is shown.
    void setReduced(bool reduced);
    // A cell's dialog: F8 composes its condition from its row and column through `composer`.
    void setCellDialog(std::function<NetCondition()> composer);
    // The record shown; `exists` shows "Удалить".
    void setRecord(const NetCondition& record, bool exists);
    // The record as the dialog holds it (the address of setRecord()).
    NetCondition record() const;
    // The chosen types: "*", ids joined by "," in tree order, or empty (none chosen).
    const QString& conditionTypes() const { return m_types; }

    QLabel* Label1 = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    TabcCheckBox* abcCheckBox1 = nullptr;   // "Выбрать всех"
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QRadioButton* CounterButton = nullptr;  // "Счетчик"
    QRadioButton* SumButton = nullptr;      // "Сумма"
    QLabel* Label5 = nullptr;               // "Формула"
    QLineEdit* Edit1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;         // "Среднее"
    QCheckBox* CheckBox1 = nullptr;         // "Сельская местность"
    QLabel* Label4 = nullptr;               // "Коэффициент"
    QLineEdit* Edit3 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* BitBtn1 = nullptr;         // "Ok"
    QPushButton* BitBtn3 = nullptr;         // "Удалить"
    QPushButton* BitBtn2 = nullptr;         // "Отказ"

    // The handlers, as the controls call them.
    void BitBtn1Click();
    void BitBtn3Click();
    void CheckListBox1DblClick();
    void abcCheckBox1Click();
    void ComposeCellCondition();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormActivate();
    void FillTypesTree();
    void Sets();
    void RadioGroup1Click();
    void showControls();
    void typesFromMarks();

    NetCondition m_record;
    QString m_types;
    bool m_reduced = false;
    std::function<NetCondition()> m_composer;
    bool m_activated = false;
    bool m_syncing = false;   // the dialog itself is setting the marks
};

inline TNTChar* NTChar = nullptr;
