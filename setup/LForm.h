#pragma once
// The report forms catalogue: a form's name, title and network flag are corrected here, forms are
// put in order and deleted with everything the dictionary and the current level hold for them,
// their tables are opened, and a form's structure is exported to or imported from a *.frs file
// (the only road by which forms and tables come into the dictionary).
//
// Opening it (the main window's setup command): TFormL window(main); prompts().exec(window);
// the main window then reads the forms and tables caches again.

#include <QDialog>

class QAction;
class QMenuBar;
class QTreeWidget;
class QTreeWidgetItem;
struct CatalogueForm;

// Set when a catalogue is made, cleared once its list has been filled.
inline bool CatalogueNeedsFill = false;

class TFormL : public QDialog {
    Q_OBJECT
public:
    explicit TFormL(QWidget* parent = nullptr);
    ~TFormL() override;

    void N2Click();   // "Корректировать"
    void N3Click();   // "Удалить"
    void N5Click();   // "Таблицы", a double click on a form
    void N6Click();   // "Сохранить сортировку"
    void N7Click();   // "Экспорт"
    void N8Click();   // "Импорт"
    void N4Click();   // "Выход"
    // Moves the selected form before the one at `viewportPos`; nothing is written yet.
    void ListView1DragDrop(const QPoint& viewportPos);

    QMenuBar* MainMenu1 = nullptr;
    QAction* N7 = nullptr;
    QAction* N8 = nullptr;
    QAction* N1 = nullptr;   // "Добавить": forms come only from the structure import
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QAction* N5 = nullptr;
    QAction* N6 = nullptr;   // shown while an order is not saved
    QAction* N4 = nullptr;
    // "Форма", "Содержание", "Сеть"; the form id as item data.
    QTreeWidget* ListView1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildWindow();
    void FormActivate();
    void selectFirst();
    QTreeWidgetItem* itemOf(int formId) const;

    TFormL* m_previous = nullptr;
};

// The catalogue made at start-up, or the one opened from the main window while it is open.
inline TFormL* FormL = nullptr;
