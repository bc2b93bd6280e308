#pragma once
// The forms tree: the forms that one institution, territory, summary report or the Ф47 road is
// to fill, with the tables of each under it. From here a table opens in the grid.
//
// Opening it (the administrative structure, the summary reports, the institutions by type):
//     CurrentInstitutionId = id;              // and InstitutionIdList, DataTablePrefix, NetMode
//     TFormList window(parent);               // sees the globals set before it
//     window.setWindowTitle(ownerName);
//     window.setRecalcFormShown(true);        // the road's "Пересчитать форму", ...
//     window.Start(medicalTypeOr-1);          // shown even when it returns false
//     prompts().exec(window);

#include "entry/FormsTreeModel.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <optional>

class FormListExcel;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;
struct ControlRunOutcome;
struct ReportPrintJob;
struct FormsRecalcResult;

// The form of the node selected last (the node itself for a form node, its parent for a table
// node): forms.id and the name as stored. They keep the last selection after the window closes.
inline int TreeFormId = 0;
inline QString TreeFormName;

// Nodes of TreeView1 keep the node's id under NodeIdRole (core/TreeMarks.h: forms.id for a form
// node, tables.ident for a table node) and, under this role, the form's name for a form node or
// the table number for a table node, so neither has to be cut out of the text.
inline constexpr int NodeNameRole = 0x0101;   // Qt::UserRole + 1

class TFormList : public QDialog {
    Q_OBJECT
public:
    explicit TFormList(QWidget* parent = nullptr);
    ~TFormList() override;

    // Fills the tree with the forms of the institution type `medicalsId` (-1: none, the road's
    // forms); false when the type has no form assigned (the tree stays empty).
    bool Start(int medicalsId);
    const FormsTree& tree() const { return m_tree; }
    // The grid's opening values for a table node of TreeView1 (the grid's table navigation moves
    // with them too); nothing for a form node or a node of another tree.
    std::optional<GridOpening> gridOpeningForNode(const QTreeWidgetItem* node) const;

    // The opener's choice of the road's commands ("Пересчитать отчет" stays hidden in the Ф47
    // mode); "Пересчитать форму" also decides the grid's "Разрезать" in the mode "Input".
    void setRecalcReportShown(bool shown);
    void setRecalcFormShown(bool shown);
    void setClearShown(bool shown);
    bool recalcReportShown() const { return m_recalcReportShown; }
    bool recalcFormShown() const { return m_recalcFormShown; }
    bool clearShown() const { return m_clearShown; }

    // A command that writes the data of the owner shown: it is disabled while the window shows
    // sums over several institutions or no owner is chosen.
    void addOwnerDataCommand(QAction* action);
    // The form of the selected node; nullptr when none is selected.
    const FormsTreeForm* selectedForm() const;

    QLabel* Label1 = nullptr;         // title line; empty except while a long run shows progress
    QProgressBar* Gauge1 = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QAction* N1 = nullptr;            // "Таблица"
    QMenu* ControlMenu = nullptr;     // "Контроль"
    QAction* N3 = nullptr;            // "Межтабличный"
    QAction* N4 = nullptr;            // "Межформенный"
    QAction* N5 = nullptr;            // "Сплошной"
    QMenu* PrintMenu = nullptr;       // "Печать формы"
    QAction* N2 = nullptr;            // "Черновая"
    QAction* N22 = nullptr;           // "Для отчета"
    QAction* N24 = nullptr;           // "Протокол"
    QMenu* ExcelMenu = nullptr;       // "Вывод в Excel": hidden in the mode "Types"
    QAction* N18 = nullptr;           // "Вся форма по тек. ЛПУ/своду"
    QAction* N19 = nullptr;           // "Вся форма по входящим ЛПУ/сводам"
    QAction* N20 = nullptr;           // "Таблица по входящим ЛПУ/сводам": a table node only
    QAction* N7 = nullptr;            // "Ошибки": hidden until a control run finds errors
    QAction* N10 = nullptr;           // "Пересчитать отчет": shown by the openers that sum
    QAction* N9 = nullptr;            // "Пересчитать форму"
    QAction* N11 = nullptr;           // "Подгрузить форму"
    QMenu* N12 = nullptr;             // "Очистить"
    QAction* N13 = nullptr;           // "ЛПУ"
    QAction* N14 = nullptr;           // "Форму"
    QAction* N15 = nullptr;           // "Таблицу"
    QAction* N8 = nullptr;            // "Выход"

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void buildMenu();
    // Enter in the tree, and F2 / F3 in the Ф47 mode; true when the key was used.
    bool FormKeyDown(QKeyEvent* event);
    // F2 saves the formation conditions of the selected form to a file, F3 loads them back.
    void saveConditionsFile();
    void loadConditionsFile();
    void TreeView1Change(QTreeWidgetItem* node);
    void TreeView1DblClick();
    // "Таблица": the selected table in the grid.
    void N1Click();
    // The control runs and the error view.
    void N3Click();
    void N4Click();
    void N5Click();
    void N7Click();
    // The print on the form's blank, the print for the report and its protocol alone.
    void N2Click();
    void N22Click();
    void N24Click();
    void updatePrintCommands();
    // "Для отчета": the stored copy of a form printed once, or the print made and stored now.
    void showPrintedReport(const QString& printed, const ReportPrintJob& job);
    void printForReport(const ReportPrintJob& job);
    void showRunOutcome(const ControlRunOutcome& outcome);
    void N8Click();
    // "Пересчитать форму" and "Пересчитать отчет".
    void N9Click();
    void N10Click();
    void addRecalcCommands();
    void showRecalcResult(const FormsRecalcResult& result);
    void openGrid(const QTreeWidgetItem* node);
    void updateOwnerDataCommands();
    // Loading a form from an exchange file and clearing the owner's data.
    void addLoadFormCommand();
    void addClearMenu();
    void updateDataCommands();
    void N11Click();
    void N13Click();
    void N14Click();
    void N15Click();

    FormsTree m_tree;
    FormListExcel* m_excel = nullptr;   // the Excel export's menu and commands (FrmListExcel)
    QList<QAction*> m_ownerDataCommands;
    bool m_recalcReportShown = false;
    bool m_recalcFormShown = false;
    bool m_clearShown = true;
};

inline TFormList* FormList = nullptr;
