#pragma once
// The table grid: one table of one form for the current institution or summary report, with its
// merged multi-line headers, in which numbers are typed and saved cell by cell.
//
// Opening it (the forms tree, the controls editor) is openTableGrid(): it sets the opening
// globals (SelectedTableNodeId = forms.id, CurrentFormNumber = tables.tablen with its brackets,
// CurrentFormName, CurrentTableId), makes the window with its caption and the form and table
// texts, lets the opener set the menu items it decides, and runs it modally through the prompts.
// The table itself is read when the window is first shown, so everything set between the
// constructor and the modal run counts.
//
// The controls editor builds a reference in it: with CurrentInstitutionId 0 (and neither the
// mode "Types" nor NetMode) the grid shows the empty table, a double click picks cells, and
// after the modal run Label1->text() holds the expression ("стр2гр[3..5]"). It shows GroupMenu
// and hides N1, N2, N3 and N5.
//
// "След. таблица" and "Пред. таблица" move through the table nodes of FormList's tree and need
// it open; without it they do nothing.

#include "entry/FormsTreeModel.h"
#include "entry/ShowTableGrid.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QProgressBar;
class QMenu;
class QMenuBar;
class GridModel;
struct GridRecalcResult;

// The opening values of the grid, set by the opener before the window is shown; the grid's own
// table navigation changes them. CurrentTableId is overwritten with tables.ident when read.
inline int SelectedTableNodeId = 0;
inline QString CurrentFormNumber;
inline QString CurrentFormName;
inline int CurrentTableId = 0;

class TVTable : public QDialog {
    Q_OBJECT
public:
    explicit TVTable(QWidget* parent = nullptr);
    ~TVTable() override;

    // The grid's state without the window: geometry, headers, values, marks, the typed entry.
    GridModel& model() { return *m_model; }

    // Makes `opening` the grid's table: the opening globals and the form and table texts. The
    // table is read by the next TableShow() (or the first show).
    void setOpening(const GridOpening& opening);
    // (Re)builds the window for the table named by the opening globals. False (after the
    // message) when there is no such table; the window then closes itself.
    bool TableShow();
    // Commits the cell being typed into; false when its value could not be saved (the user has
    // been told and the cell stays marked unsaved).
    bool PutData();
    // Esc and "Выход": the pending entry is committed first; when a value could not be saved
    // the user is told and asked whether to close all the same.
    void closeAfterPutData();
    // The status line "Строка …, Графа …" for the focused cell.
    void showStatus();
    // The status line with why the key just typed was refused; the next key or move clears it.
    void showRefusal(const QString& why);
    // Tells the user that a cell was not saved.
    void saveFailed(const QString& message);

    // "Контроль" (F3): the open table's own controls over the values shown.
    void N3Click();
    // "Ошибки" / "Список": the error lines in the result-list window.
    void N7Click();
    // "Ошибки" / "Корректировка": correction mode on or off (the item's check says which).
    void N6Click();
    // "Пред. таблица" / "След. таблица", in correction mode "Пред. ошибка" / "След. ошибка".
    void N1Click();
    void N2Click();
    // Cell picking for the controls editor: a double click picks or unpicks the focused cell;
    // "По столбцам" / "По строкам" choose the grouping. Label1 shows the expression.
    void StringGrid1DblClick();
    void N9Click();
    void N10Click();
    // "В Excel": the table as the grid shows it, added as a sheet to a workbook open on the
    // desktop chosen in Form4 (N39), to a new workbook (N40) or added as a sheet to a chosen
    // .xlsx or .xlsm (N41). "Подгрузить из Excel": the values of the sheet of the table's name
    // replace the stored ones.
    void N39Click();
    void N40Click();
    void N41Click();
    void Excel2Click();
    // "Подгрузить из файла передачи": the lines of an exchange file for this table and year
    // replace its stored values (entry/ShowTableLoad.cpp).
    void N46Click();

    // "Очистить": the owner's rows of the table for the year, after the question.
    void N5Click();
    // "Пересчитать таблицу": the table summed from the composition, or formed in network mode.
    void N14Click();
    // "Нецелые" / "Да", "Нет": the table's stored fraction flag.
    void N37Click();
    void N38Click();
    // "Контрольная сумма" / "по графе", "по строке": the check sum of the values shown in the
    // focused column or row.
    void N44Click();
    void N45Click();
    // F4: the check sum of the table's stored values; F8: "Контрольная сумма" shown or hidden;
    // F9: fractions on or off for this window only.
    void F4Click();
    void F8Click();
    void F9Click();
    // A double click on a header cell (an index into model().headers()): the header cell
    // editor, and on OK the cell written to the dictionary and drawn again.
    void Image1DblClick(int header);
    // The conditions of a network table ("Настройка", F5, F6, F7) and the breakdown of figures
    // by institutions ("Разрезать"); ShowTableNetwork.cpp. N15 edits the selecting dimension's
    // record in the reduced dialog, N16 the computing one's, N32 the focused cell's.
    void N15Click();
    void N16Click();
    void N32Click();
    void N11Click(QAction* sender);

    bool correctionMode() const;
    // The error line correction mode shows, counted from 0.
    int errorIndex() const { return m_errorIndex; }

    // Top line (control errors, the picked expression), form text, table text, status line.
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QProgressBar* Gauge1 = nullptr;   // under the top line: how far a sum is, shown while it runs
    TableGridView* StringGrid1 = nullptr;

    QMenuBar* MainMenu1 = nullptr;
    QAction* N1 = nullptr;    // "Пред. таблица"
    QAction* N2 = nullptr;    // "След. таблица"
    QAction* N3 = nullptr;    // "Контроль"
    QAction* N4 = nullptr;    // "Выход"
    QAction* N5 = nullptr;    // "Очистить"
    QMenu* ErrorsMenu = nullptr;      // "Ошибки": "Список" (N7), "Корректировка" (N6)
    QAction* N6 = nullptr;
    QAction* N7 = nullptr;
    QMenu* GroupMenu = nullptr;       // "Группировать": "По столбцам" (N9), "По строкам" (N10)
    QAction* N9 = nullptr;
    QAction* N10 = nullptr;
    QMenu* N11 = nullptr;             // "Разрезать": "Ячейку" (N33), "Строку" (N34), "Графу" (N42)
    QAction* N33 = nullptr;
    QAction* N34 = nullptr;
    QAction* N42 = nullptr;
    QAction* N14 = nullptr;           // "Пересчитать таблицу"
    QMenu* N35 = nullptr;             // "Подгрузить таблицу": "Подгрузить из Excel" (Excel2)
    QAction* Excel2 = nullptr;
    QAction* N46 = nullptr;           // "Подгрузить из файла передачи"
    QMenu* Excel1 = nullptr;          // "В Excel": "В открытую книгу" (N39), "В новую книгу" (N40),
                                      // "В существующий файл" (N41)
    QAction* N39 = nullptr;
    QAction* N40 = nullptr;
    QAction* N41 = nullptr;
    QMenu* FractionMenu = nullptr;    // "Нецелые": "Да" (N37), "Нет" (N38)
    QAction* N37 = nullptr;
    QAction* N38 = nullptr;
    QMenu* N43 = nullptr;             // "Контрольная сумма" (F8): "по графе" (N44), "по строке" (N45)
    QAction* N44 = nullptr;
    QAction* N45 = nullptr;
    // The window's keys that no menu item carries: F4, F8, F9, Alt+Right, Alt+Left.
    QAction* ChecksumKey = nullptr;
    QAction* ChecksumMenuKey = nullptr;
    QAction* FractionKey = nullptr;
    QAction* NextTableKey = nullptr;
    QAction* PreviousTableKey = nullptr;
    QMenu* N18 = nullptr;             // "Настройка": N15, N16 (captions by the table's scan)
    QAction* N15 = nullptr;
    QAction* N16 = nullptr;
    QAction* N32 = nullptr;           // "Ячейка"

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void FormCreate();
    void FormActivate();
    void N4Click();
    void buildMenu();
    // An item of `menu` (nullptr: of the bar) and a menu of the bar, each named for the tests.
    QAction* addMenuAction(QMenu* menu, const char* name, const QString& caption);
    QMenu* addBarMenu(const char* name, const QString& caption);
    // The bar's parts in their order: moving between tables and the errors, changing the
    // table's values, then output, settings and "Выход".
    void buildMovingAndErrorMenus();
    void buildChangingMenus();
    void buildOutputMenus();
    // The items and keys of ShowTableNetwork.cpp.
    void buildNetworkCommands();
    // The menu "Контрольная сумма" and the keys above, made with the menu; and what of them
    // follows the table just opened.
    void buildCommands();
    void commandsFollowTable();
    // The fraction flag, the scan's captions and the writing commands of the table just opened.
    void commandsFollowOpenedTable();
    // "Пересчитать таблицу" with the title line and the bar showing how far it is.
    GridRecalcResult recalculateWithProgress();
    // The table's sheet added to the workbook file `path`, which is then handed to the desktop
    // again: the one road of "В открытую книгу" and "В существующий файл".
    void addSheetToWorkbook(const QString& path);
    // After the table's values were replaced as a whole: the grid shows what is stored.
    void valuesReplaced();
    // "Подгрузить из файла передачи" of ShowTableLoad.cpp.
    void addExchangeLoadCommand();
    void ClearErrorMarks();
    void ShowCurrentError();
    void BuildPickedExpression();
    void setCorrectionCaptions(bool on);
    void switchCorrectionOff();
    // Opens the table `step` places away in the forms tree; nothing at either end, without a
    // forms tree, or while a value of this table could not be saved.
    void moveToTable(int step);

    std::unique_ptr<GridModel> m_model;
    bool m_firstShow = true;
    int m_errorIndex = 0;
};

inline TVTable* VTable = nullptr;

// The one way to open the grid on a table: the window for `opening` under `parent` with
// `caption`; `prepare` sets what the opener decides before the modal run (menu items), `done`
// reads what the window holds after it (the picked expression). Returns the modal result.
int openTableGrid(const GridOpening& opening, QWidget* parent, const QString& caption,
                  const std::function<void(TVTable&)>& prepare = {},
                  const std::function<void(TVTable&)>& done = {});
