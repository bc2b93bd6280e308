#pragma once
// Institution types and their forms: the tree of types and, for the type chosen in it, the check
// list of the non-network forms its institutions fill in. Types are renamed in place and
// reordered here; the conversion utility makes them.
//
// Opening it (the main window's setup command): TMTFs window(main); prompts().exec(window);

#include <QDialog>
#include <QList>

class QKeyEvent;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TMTFs : public QDialog {
    Q_OBJECT
public:
    explicit TMTFs(QWidget* parent = nullptr);
    ~TMTFs() override;

    // The type whose assignment the check list shows (0 before the first one is shown); the
    // list always follows the chosen type, however it was chosen.
    int shownTypeId() const { return m_shownType; }
    bool orderingMode() const { return m_ordering; }

    void BitBtn1Click();   // "Сохранить": the checked forms become the shown type's assignment
    void Button1Click();   // "Сохранить порядок": stores the shown order, leaves the ordering mode
    void BitBtn2Click();   // "Выход"
    // Ticks changed and not saved for the shown type.
    bool ticksChanged() const { return m_ticksChanged; }
    // F11: the ordering mode on or off.
    void toggleOrderingMode();
    // In the ordering mode a type may be dropped only on another type of the same parent; the
    // drop puts it before that one.
    bool TreeView1DragOver(const QPoint& viewportPos) const;
    // True when the type moved.
    bool TreeView1DragDrop(const QPoint& viewportPos);

    QLabel* Label1 = nullptr;            // "Типы медицинских учреждений"
    QTreeWidget* TreeView1 = nullptr;    // types: caption = type, id under NodeIdRole
    QLabel* Label2 = nullptr;            // "Отчетные формы"
    QListWidget* CheckListBox1 = nullptr;// non-network forms, forms.id under Qt::UserRole
    QPushButton* BitBtn1 = nullptr;      // "Сохранить"
    QPushButton* BitBtn2 = nullptr;      // "Выход"
    QPushButton* Button1 = nullptr;      // "Сохранить порядок"

protected:
    void showEvent(QShowEvent* event) override;
    // Leaving with changed ticks asks first, as choosing another type does.
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWindow();
    void FormActivate();
    void TreeView1Change(QTreeWidgetItem* node);
    void TreeView1Edited(QTreeWidgetItem* node);
    void CheckListBox1ClickCheck();
    void showFormsOf(QTreeWidgetItem* node);
    void updateListEnabled();
    QTreeWidgetItem* draggedTo(const QPoint& viewportPos) const;
    // The shown type's checked forms become its assignment; false (after the message) when they
    // could not be written.
    bool saveShownForms();
    // Before the shown type is left: "Сохранить изменения?" when its ticks changed. False when
    // the user stays (Cancel, or the save failed).
    bool askToKeepTicks();
    QTreeWidgetItem* findType(QTreeWidgetItem* from, int id) const;

    int m_shownType = 0;
    bool m_ordering = false;
    bool m_filling = false;   // checks and captions set by the window, not by the user
    bool m_built = false;
    bool m_ticksChanged = false;
};

inline TMTFs* MTFs = nullptr;
