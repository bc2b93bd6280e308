#pragma once
// The summary reports list: the hub for one summary report's composition, its forms (viewed and
// recalculated), its population and its values. The main window opens it in the work mode it
// set (WorkMode, NetMode: core/Common.h); the mode decides the menus shown.
//
//     TRepList window(this);      // reads the reports of dbmain()
//     prompts().exec(window);

#include <QDialog>
#include <QList>
#include <QString>

class DropTree;
class QAction;
class QMenu;
class QMenuBar;
class QTreeWidgetItem;

class TRepList : public QDialog {
    Q_OBJECT
public:
    explicit TRepList(QWidget* parent = nullptr);

    // The selected report: its id (0 when none) and name.
    int currentId() const;
    QString currentName() const;

    void Button2Click();   // "Входящие учреждения"
    void Button7Click();   // "Просмотр", "Разрезы"
    void Button6Click();   // "Показатели"
    void Button8Click();   // "Входящие отчеты"
    void N13Click();       // "Население"
    void N1Click();        // "Подгрузить"
    void N3Click();        // "Выгрузить"
    void N4Click();        // "Добавить"
    void N5Click();        // "Корректировать"
    void N8Click();        // "Удалить"
    void N14Click();       // "Сохранить сортировку"
    void toggleNet();      // F7

    DropTree* ListView1 = nullptr;   // column 0 the name (id under NodeIdRole), column 1 "Ф47"
    QMenuBar* MainMenu1 = nullptr;
    QAction* Button2 = nullptr;      // "Входящие учреждения"
    QAction* Button7 = nullptr;      // "Просмотр"
    QAction* N1 = nullptr;           // "Подгрузить"
    QAction* N3 = nullptr;           // "Выгрузить"
    QAction* Button8 = nullptr;      // "Входящие отчеты"
    QAction* Button6 = nullptr;      // "Показатели"
    QAction* Button7b = nullptr;     // "Разрезы"
    QAction* N13 = nullptr;          // "Население"
    QMenu* N2 = nullptr;             // "Отчет"
    QAction* N4 = nullptr;           // "Добавить"
    QAction* N5 = nullptr;           // "Корректировать"
    QAction* N8 = nullptr;           // "Удалить"
    QAction* N14 = nullptr;          // "Сохранить сортировку"
    QAction* N12 = nullptr;          // "Выход"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill();
    QTreeWidgetItem* addItem(int id, const QString& name, bool net);
    bool moveItem(const QPoint& target);
    bool editable() const;
    void updateCommands();
};

// The window while it is open.
inline TRepList* RepList = nullptr;
