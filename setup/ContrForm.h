#pragma once
// The controls editor: the controls of a form and table are listed by kind and filter, typed,
// checked (setup/ControlValidator.h), saved, copied, deleted, exported, loaded (TCld) and
// printed. "Сформировать" opens the grid to pick cells and puts the reference at the caret.
//
// Opening it (the main window): TContrls window(this); prompts().exec(window);
// It reads dbmain() and the structure caches.

#include "setup/ControlsStore.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;

// What "Копировать" took; "Вставить" puts it back (before any copy: empty boxes, no relation).
struct CopiedControlTexts {
    QString lft, rght, cycl, commnt;
    int relation = -1;
};
inline CopiedControlTexts CopiedControl;

class TContrls : public QDialog {
    Q_OBJECT
public:
    explicit TContrls(QWidget* parent = nullptr);
    ~TContrls() override;

    void ComboBox1Click();
    void ComboBox2Click();
    void RadioGroup3Click();
    void GetControlsList();
    void ListBox1Click();
    void Button1Click();    // "Сохранить"
    void Button2Click();    // "Сформировать"
    void Button3Click();    // "Копировать"
    void Button4Click();    // "Вставить"
    void Button5Click();    // "Добавить"
    void Button6Click();    // "Удалить"
    void Button7Click();    // "Печать"
    void Button8Click();    // "Очистить список"
    void Button9Click();    // "Выгрузить список"
    void Button10Click();   // "Выгрузить ВСЕ контроли по форме"
    void Button11Click();   // "Удалить ВСЕ контроли по форме"
    void BitBtn1Click();    // "Выгрузить"
    void BitBtn2Click();    // "Загрузить"

    ControlKind kind() const;
    ControlScope scope() const;   // the kind on screen with the current form and table

    QButtonGroup* RadioGroup1 = nullptr;   // kind
    QButtonGroup* RadioGroup3 = nullptr;   // filter
    QButtonGroup* RadioGroup2 = nullptr;   // relation
    QCheckBox* CheckBox1 = nullptr;        // "Зафиксировать"
    QComboBox* ComboBox1 = nullptr;        // forms, id as item data
    QComboBox* ComboBox2 = nullptr;        // tables, number as item data
    QListWidget* ListBox1 = nullptr;       // comments, Код as item data
    QPlainTextEdit* Memo1 = nullptr;       // left
    QPlainTextEdit* Memo2 = nullptr;       // right
    QPlainTextEdit* Memo3 = nullptr;       // cycle
    QLineEdit* Edit4 = nullptr;            // comment
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr,
                *Button5 = nullptr, *Button6 = nullptr, *Button7 = nullptr, *Button8 = nullptr,
                *Button9 = nullptr, *Button10 = nullptr, *Button11 = nullptr, *BitBtn1 = nullptr,
                *BitBtn2 = nullptr, *BitBtn3 = nullptr;

    QString EditorFormName;
    int EditorFormId = 0;
    QString EditorTableNo;

private:
    void FormCreate();
    void reloadList(bool force);
    void showControl(const std::optional<StoredControl>& control);
    void clearShown();   // empty boxes, no relation, no control shown
    void clearRelation();
    void focusChanged(QWidget* old, QWidget* now);
    // Reads the controls to write, then asks where; a failed read asks nothing.
    void exportControls(const std::function<QList<StoredControl>()>& read, const QString& caption);
    void saveSelected();
    // Puts the caret in the part of the control the check refused.
    void focusRefused(ControlCheck::Field field);
    // The cells picked in the editor's table through the grid; empty when none were.
    QString pickCells();
    QListWidgetItem* selected() const;

    QPlainTextEdit* m_active = nullptr;   // the expression box that had the focus last
    QListWidgetItem* m_shown = nullptr;    // the item whose control the boxes show
};

inline TContrls* Contrls = nullptr;
