#pragma once
// TMIForms: the formula grid of one indicator set. Row 0 holds the column titles, column 0 the
// row titles, the other cells the formulas; beside it the set's named identifiers. The chosen
// cell's or identifier's text is edited in the field below and stored with "Ok"; every change
// goes to the dictionary at once, and the window shows a change only once it is stored.
//
//     TMIForms window(CurrentTerm, setName, this);
//     prompts().exec(window);

#include <QDialog>
#include <QList>

struct IndicatorCellChange;
struct IndicatorGrid;
class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

class TMIForms : public QDialog {
    Q_OBJECT
public:
    TMIForms(int term, const QString& setName, QWidget* parent = nullptr);
    ~TMIForms() override;

    // A menu item by its handler's name ("N10" for "Добавить" ▸ "Строку" ▸ "Перед текущей").
    QAction* action(const QString& name) const;

    void FormActivate();
    void StringGrid1SelectCell(int row, int column);
    void StringGrid1Enter();
    void ListBox1Enter();
    void ListBox1Click();
    void BitBtn1Click();   // "Ok"
    void BitBtn3Click();   // "Заменить"
    void N10Click();       // row before the current one
    void N2Click();        // row at the end
    void N16Click();       // column before the current one
    void N3Click();        // column at the end
    void N4Click();        // identifier
    void N6Click();        // delete the row
    void N7Click();        // delete the column
    void N8Click();        // delete the identifier
    void N14Click();       // sizes "Включить" / "Выключить"
    void N15Click();       // sizes "Сохранить"
    void N9Click();        // sizes "Установить стандартные"

    QLabel* Label1 = nullptr;           // the set's name
    QTableWidget* StringGrid1 = nullptr;
    QListWidget* ListBox1 = nullptr;    // identifiers; each item's data is its row
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* BitBtn1 = nullptr;     // "Ok"
    QLineEdit* Edit2 = nullptr;         // text to find
    QLineEdit* Edit4 = nullptr;         // replacement
    QRadioButton* RadioTable = nullptr;   // "т"
    QRadioButton* RadioColumn = nullptr;  // "г"
    QRadioButton* RadioRow = nullptr;     // "с"
    QPushButton* BitBtn3 = nullptr;     // "Заменить"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

protected:
    void done(int result) override;

private:
    enum class Mode { Grid, List };
    // What the field edits: a grid cell or an identifier.
    struct Target {
        Mode mode = Mode::Grid;
        int row = -1;
        int column = -1;
        QListWidgetItem* item = nullptr;
    };

    QString cellText(int row, int column) const;
    void setCellText(int row, int column, const QString& shown);
    void fillRow(int row);
    void fillColumn(int column);
    void storeIfEdited();
    bool storeUnreadable(const QString& error, const QString& what);
    // "Ok" on an identifier of the list and on a cell of the grid.
    void storeIdentifier(const QString& typed);
    void storeCell(const QString& typed);
    // The field shows what was stored, without counting as an edit.
    void showStored(const QString& text);
    void showGrid(const IndicatorGrid& grid);
    // The cells a replacement changed, and the field when it shows one of them.
    void showChanges(const QList<IndicatorCellChange>& changes);
    void showInMemo(const Target& target, const QString& text);
    void updateActions();
    void showSizes(bool on);
    void numberHeaders();

    int m_term;
    Target m_target;
    bool m_edited = false;     // the field holds typing not stored yet
    bool m_settingMemo = false;
    bool m_loaded = false;
    QList<QAction*> m_actions;
};

inline TMIForms* MIForms = nullptr;
