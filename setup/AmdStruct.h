#pragma once
// The administrative structure window: the tree of the territory's institutions and their
// subdivisions. In the mode "формирование" the user builds the tree (adds, inserts, corrects,
// deletes and moves units); in the mode "ввод информации" the user picks an institution and opens
// the forms tree of its type, and asks what share of each table holds numbers.
//
// Opening it (the main window's commands set the shared globals around the modal run):
//     formation:  WorkMode "", DataTablePrefix "";          afterwards GetStruct()
//     data entry: WorkMode "Input", NetMode false, DataTablePrefix "Data"
//     TAdmForm window(AdmMode::Formation or AdmMode::DataEntry, main); prompts().exec(window);
// The window reads ReportYear, dbmain() and dbdat(); the parent's caption gives the title of its
// reports.

#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class AdmExchange;
class QAction;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;
class QWidget;
struct UnitTreeNode;
struct UnitRecord;
class TUntChar;

enum class AdmMode {
    Formation,   // " - формирование": building the tree
    DataEntry,   // " - ввод информации": the forms of an institution, availability reports
};

// Comma list of the direct children's ids of the group being corrected ("" for an institution).
inline QString ChildUnitIds;

class TAdmForm : public QDialog {
    Q_OBJECT
public:
    // The mode decides the caption and the commands shown; "Формы" is shown when WorkMode is
    // "Input" as the window is made.
    explicit TAdmForm(AdmMode mode, QWidget* parent = nullptr);
    ~TAdmForm() override;

    AdmMode mode() const { return m_mode; }
    bool orderingMode() const { return m_ordering; }

    // The menu commands, also reachable from tests; the exchange commands run in AdmExchange.
    void N1Click();    // "Добавить": a unit beside the selected one (top level in an empty tree)
    void N2Click();    // "Вставить": a unit as the last child of the selected one
    void N3Click();    // "Удалить": the selected institution with its numbers of the year
    void N4Click();    // "Корректировать"
    void ExportOneClick();   // "Выгрузить" → "Одно учреждение": the selected institution's year
    void ImportOneClick();   // "Подгрузить" → "Одно учреждение": a data file into it
    void ExportGroupClick();   // "Выгрузить" → "Группу": every institution of the group, a folder tree
    void ImportGroupClick();   // "Подгрузить" → "Группу": files, each into the institution it names
    void ChooseFormsClick();   // "Подгрузить" → "Выбор форм": ChosenForms through the form checklist
    void N13Click();   // "Справка" → "По базе"
    void N14Click();   // "Справка" → "По входным файлам"
    void N15Click();   // "Структура": the ordering mode on or off (off writes the order)
    void N16Click();   // "Формы": the forms tree of the selected institution
    void N18Click();   // "Выход"
    void N17Click();   // "Короткие названия": the short names window

    // A drop at a point of the tree's viewport in the ordering mode: on an item the selected unit
    // becomes its last child, on its indent it goes before it as its sibling. A drop that would
    // put a unit under itself or its own descendant, or on no item, changes nothing. True when
    // the unit moved.
    bool TreeView1DragDrop(const QPoint& viewportPos);

    QMenuBar* MainMenu1 = nullptr;
    QAction* N1 = nullptr;     // "Добавить"
    QAction* N2 = nullptr;     // "Вставить"
    QAction* N3 = nullptr;     // "Удалить"
    QAction* N4 = nullptr;     // "Корректировать"
    QMenu* ExportMenu = nullptr;     // "Выгрузить"
    QAction* ExportGroup = nullptr;  // "Группу"
    QAction* ExportOne = nullptr;    // "Одно учреждение"
    QMenu* ImportMenu = nullptr;     // "Подгрузить"
    QAction* ImportGroup = nullptr;  // "Группу"
    QAction* ImportOne = nullptr;    // "Одно учреждение"
    QAction* ChooseForms = nullptr;  // "Выбор форм"
    QMenu* N12 = nullptr;      // "Справка"
    QAction* N13 = nullptr;    // "По базе"
    QAction* N14 = nullptr;    // "По входным файлам"
    QAction* N15 = nullptr;    // "Структура" (checkable; shown by F11)
    QAction* N16 = nullptr;    // "Формы"
    QAction* N17 = nullptr;    // "Короткие названия" (shown by F9)
    QAction* N18 = nullptr;    // "Выход"

    QWidget* Panel1 = nullptr;        // the chosen forms for loading (data entry only)
    QLabel* Label1 = nullptr;         // "Выбранные формы"
    QLabel* Label2 = nullptr;         // the chosen forms, "Все" for all
    QLabel* Label3 = nullptr;         // "Очищать"
    QComboBox* ComboBox1 = nullptr;   // "ЛПУ", "Выбранные формы"
    QTreeWidget* TreeView1 = nullptr; // units: caption = unit, id under NodeIdRole
    QGroupBox* GroupBox1 = nullptr;   // progress of a long command
    QLabel* Label4 = nullptr;         // the unit being worked on
    QProgressBar* ProgressBar1 = nullptr;   // files of a group, or the institutions of a report
    QProgressBar* ProgressBar2 = nullptr;   // the file being read or written

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    QAction* newAction(const char* name, const QString& caption);
    void buildMenu(QVBoxLayout* layout);
    void buildExchangeMenus();
    void buildPanel(QVBoxLayout* layout);
    void buildTreeView(QVBoxLayout* layout);
    void buildProgressBox(QVBoxLayout* layout);
    void FormCreate();
    void FormShow();
    // Enter and F11, from the window or the tree; true when the key was used.
    bool FormKeyDown(QKeyEvent* event);
    void TreeView1Change();
    void TreeView1DblClick(QTreeWidgetItem* node);
    void buildTree();
    void updateCommands();
    // Adds a unit under `parent` (nullptr: top level) through the unit dialog.
    void addUnitUnder(QTreeWidgetItem* parent, const QString& caption);
    // The unit dialog of "Корректировать", filled with the unit and its group's population.
    void fillCorrectionDialog(TUntChar& dialog, const UnitRecord& unit, const QTreeWidgetItem* node);
    // Leaves the ordering mode, writing the order; false (mode kept) when the write failed.
    bool leaveOrderingMode();
    QList<QPair<int, int>> shownOrder() const;
    // Moves the node in the view to where a drop put it: before `target` as its sibling, or as
    // its last child.
    void placeNode(QTreeWidgetItem* node, QTreeWidgetItem* target, bool beside);
    // "По входным файлам": the availability lines of the files, with the progress shown.
    QStringList availabilityOfFiles(const QStringList& paths, QStringList* failures);
    QString reportTitle() const;

    AdmMode m_mode;
    AdmExchange* m_exchange = nullptr;   // single and group exchange, the chosen forms
    bool m_ordering = false;
    bool m_built = false;
};

inline TAdmForm* AdmForm = nullptr;
