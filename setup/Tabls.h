#pragma once
// The tables of one form: a table's number, name, fraction flag and formation direction are
// corrected here and tables are deleted; sizes and layouts come from the structure import.
//
// Opening it (the forms catalogue): TablesFormId = id; TFTabs window(this); prompts().exec(window);

#include <QDialog>

class QAction;
class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

// The form whose tables the window shows; set by its opener.
inline int TablesFormId = 0;

class TFTabs : public QDialog {
    Q_OBJECT
public:
    explicit TFTabs(QWidget* parent = nullptr);
    ~TFTabs() override;

    void N2Click();        // "Корректировать", a double click or Enter on a table
    void BitBtn1Click();   // "OK": saves the edit
    void BitBtn2Click();   // "Отказ"
    void N3Click();        // "Удалить"
    void N4Click();        // "Выход"
    // Whether the edit group is shown.
    bool editing() const;

    QMenuBar* MainMenu1 = nullptr;
    QAction* N1 = nullptr;   // "Добавить": tables come only from the structure import
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;
    // "Номер", "Содержание", "Нецелые"; the ident as item data, the stored direction beside it.
    QTreeWidget* ListView1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;          // "Номер"
    QLineEdit* Edit2 = nullptr;          // "Содержание"
    QCheckBox* CheckBox1 = nullptr;      // "Нецелые значения"
    QGroupBox* RadioGroup1 = nullptr;    // "Формирование по...": hidden for a non-network form
    QRadioButton* RadioRows = nullptr;   // "Строкам"
    QRadioButton* RadioColumns = nullptr;// "Графам"
    QPushButton* BitBtn1 = nullptr;      // "OK", shown at the first change
    QPushButton* BitBtn2 = nullptr;      // "Отказ"

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWindow();
    void FormActivate();
    void Edit1Change();
    void GroupBox1Exit();
    void closeEdit();
    bool saveEdit();
    void focusChanged(QWidget* old, QWidget* now);

    QTreeWidgetItem* m_edited = nullptr;
    bool m_filled = false;
    bool m_filling = false;
    bool m_leaving = false;
};

inline TFTabs* FTabs = nullptr;
