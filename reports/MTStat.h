#pragma once
// Institutions by type: the user marks institution types (a group stands for all under it) and
// opens the forms tree over every institution of the marked types; its tables then show the data
// summed over them.
//
//     TMTList window(this);      // reads medicaltypes of dbmain()
//     prompts().exec(window);

#include <QDialog>
#include <QList>

class QAction;
class QMenuBar;
class QTreeWidget;
class QTreeWidgetItem;

class TMTList : public QDialog {
    Q_OBJECT
public:
    explicit TMTList(QWidget* parent = nullptr);

    // InstitutionIdList from the marked leaf types; false, with the message and the list left
    // as it was, when no type is marked.
    bool GetUnitList();

    void N1Click();   // "Показатели"
    void N2Click();   // "Разрезы"
    void toggle(QTreeWidgetItem* node);

    QTreeWidget* TreeView1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QAction* N1 = nullptr;   // "Показатели"
    QAction* N2 = nullptr;   // "Разрезы"
    QAction* N3 = nullptr;   // "Выход"
};
