#pragma once
// The table grid: one table of one form for the current institution or summary report, with its
// merged multi-line headers, in which numbers are typed and saved cell by cell.
//
// Opening it (the forms tree, the controls editor):
//     SelectedTableNodeId = formId;          // forms.id
//     CurrentFormNumber = "(1000)";          // tables.tablen, brackets kept
//     CurrentFormName = "Ф12";
//     CurrentTableId = tableIdent;
//     TVTable window(parent);
//     window.setWindowTitle(...); window.Label3->setText(formText); window.Label2->setText(tableText);
//     window.N11->menuAction()->setVisible(...);   // any menu items the opener decides
//     prompts().exec(window);
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

#include "entry/GridLayout.h"

#include <QAbstractScrollArea>
#include <QDialog>
#include <QFont>
#include <QList>
#include <QString>
#include <memory>

class QAction;
class QPaintDevice;
class QPainter;
class QLabel;
class QMenu;
class QMenuBar;
class GridModel;
class TableGridView;

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
    // "В Excel": the table as the grid shows it, to a new workbook (N40) or added as a sheet to
    // a chosen .xlsx or .xlsm (N41). "Подгрузить из Excel": the values of the sheet of the
    // table's name replace the stored ones.
    void N40Click();
    void N41Click();
    void Excel2Click();

    bool correctionMode() const;
    // The error line correction mode shows, counted from 0.
    int errorIndex() const { return m_errorIndex; }

    // Top line (control errors, the picked expression), form text, table text, status line.
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
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
    QMenu* Excel1 = nullptr;          // "В Excel": "В новую книгу" (N40), "В существующий файл" (N41)
    QAction* N40 = nullptr;
    QAction* N41 = nullptr;
    QMenu* FractionMenu = nullptr;    // "Нецелые": "Да" (N37), "Нет" (N38)
    QAction* N37 = nullptr;
    QAction* N38 = nullptr;
    QMenu* N18 = nullptr;             // "Настройка": N15, N16 (captions by the table's scan)
    QAction* N15 = nullptr;
    QAction* N16 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void FormCreate();
    void FormActivate();
    void N4Click();
    void buildMenu();
    // Clearing, breaking down, recalculating, loading, the fraction flag and the header setup
    // keep their places and visibility rules in the menu, but stay disabled until the program
    // has them: a command that does nothing would pass for one that did its work.
    void holdBackUnbuiltCommands();
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

// How a number is written into a cell `width` pixels wide: as it is when it fits, else in a
// smaller type, else cut at its end with "…" (elided) in the smallest type.
struct CellTextFit {
    QString text;
    QFont font;
    bool elided = false;
};
CellTextFit fitCellText(const QString& text, const QFont& font, int width, QPaintDevice* device);

// The painted grid: the corner, the column headers, the row headers and the data cells, the
// headers scrolling with the data. It draws what the window's model holds and hands keys and
// clicks back to it. Only the cells in view are painted, so a large table scrolls smoothly.
class TableGridView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TableGridView(TVTable* window);
    ~TableGridView() override;

    // The model holds another table (or has just been opened): headers measured again.
    void tableChanged();
    // Scrolls so that the focused cell is in view.
    void ensureFocusedVisible();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // A tooltip with the whole value over a cell whose figure had to be cut.
    bool viewportEvent(QEvent* event) override;

private:
    GridModel& model() const;
    // The data cell under a point of the viewport; false on the headers and beside the table.
    bool cellAt(const QPoint& pos, int* c, int* r) const;
    void updateScrollBars();
    void moveFocus(int c, int r);
    void afterKey(const QString& error, bool moved);
    void paintHeaders(QPainter& p, HeaderPanel panel, const QRect& area, int dx, int dy);
    void paintCells(QPainter& p, const QRect& area, int dx, int dy);

    TVTable* m_window;
    QList<QFont> m_headerFonts;
    QList<HeaderText> m_headerTexts;
};
