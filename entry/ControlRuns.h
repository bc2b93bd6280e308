#pragma once
// The control runs of the forms tree without the window: which controls a run loads, in which
// order, under which heading lines and with which default references, and the list the error
// view shows. The runs fill ControlErrors (core/Controls.h) for the data of
// CurrentInstitutionId (in the mode "Types" the sums over InstitutionIdList: the engine decides).
//
// A group of controls (a table's own, a form's between its tables, those between forms) gets a
// heading line above it in ControlErrors; the heading is taken out again when none of the
// group's controls failed, so the list holds headings only above groups that failed.

#include "core/ResultList.h"
#include "entry/FormsTreeModel.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class Database;
class TableSource;

// Heading of a table's own controls: the form name, "т" and the table number, "Ф30т(1000)".
// The grid names the open table the same way in its error list's caption.
QString tableControlsHeading(const QString& formName, const QString& tableNumber);
// Default reference of a table's own controls: "Ф30Т[1000]" for the number "(1000)".
QString tableControlsPlace(const QString& formName, const QString& tableNumber);
// Heading of a form's controls between its tables: "Ф30 - межтабличный контроль".
QString interTableControlsHeading(const QString& formName);
inline const QString InterFormControlsHeading = QStringLiteral("Межформенный контроль");

// Each empties the control lists, then loads the int_control rows of its kind in order:
// - a table's own: the form's rows whose tble is the number as the tree shows it, brackets
//   included ("(1000)"; "1000" is another table), in code order; the grid's F3 loads the same;
// - a form's between its tables: its rows with an empty or missing tble, in code order;
// - between forms (formid 0), ordered by lft, those the network filter lets through: in the Ф47
//   mode those that name `formName` on a side, otherwise IsInterFormControlAllowed.
// Returns the number of controls loaded. DbError passes through.
int loadTableControls(Database& dictionary, int formId, const QString& tableNumber);
int loadInterTableControls(Database& dictionary, int formId);
int loadInterFormControls(Database& dictionary, bool netMode, const QString& formName);

// The forms the references of one side name, each as references write it (prepared: capitals,
// no blanks), in order, duplicates kept. False when the side cannot be read as an expression;
// `forms` then holds nothing.
bool formsNamedIn(const QString& side, QStringList* forms);
// Whether a side names the form `formName`. A side that cannot be read is searched as text (the
// name in capitals anywhere in it), so a mistyped control is still kept apart by its forms.
bool sideNamesForm(const QString& side, const QString& formName);
// The filter of controls between forms outside the Ф47 mode: false when either side names one
// of NetForms (letter case ignored); true otherwise, also when NetForms is empty. A form is
// matched by name, never by a part of it: Ф4 does not stand for Ф47.
bool IsInterFormControlAllowed(const QString& lft, const QString& rght);

// What a run tells the user when it ends.
struct ControlRunOutcome {
    bool errorsFound = false;   // ControlErrors holds a line: "Ошибки" is to be shown
    QString message;            // "Обнаружены ошибки…" or "Ошибок контроля нет"
    bool operator==(const ControlRunOutcome&) const = default;
};

// Called before each group of the full run with the text the tree's title line shows.
using ControlRunProgress = std::function<void(const QString& text)>;

// Each run empties ControlErrors first. A control that cannot be read or evaluated fails with
// its own line, so such a run never says "Ошибок контроля нет". DbError passes through and
// leaves ControlErrors as far as the run got.
// "Межтабличный": the form's controls between its tables.
ControlRunOutcome runInterTableControls(Database& dictionary, const FormsTreeForm& form);
// "Межформенный": the controls between forms, filtered as loadInterFormControls says;
// `formName` is the selected form's (read only in the Ф47 mode).
ControlRunOutcome runInterFormControls(Database& dictionary, bool netMode, const QString& formName);
// "Сплошной": for every form of the tree in order its tables' own controls and its controls
// between tables (appendFormControls), then the controls between forms.
ControlRunOutcome runAllControls(Database& dictionary, const FormsTree& tree, bool netMode,
                                 const QString& formName, const ControlRunProgress& progress = {});
// One form as the full run checks it: each listed table's own controls under its heading, then
// the form's controls between tables under theirs. Appends to ControlErrors; the tables are read
// through `tables`.
void appendFormControls(Database& dictionary, const FormsTreeForm& form, TableSource& tables,
                        const ControlRunProgress& progress = {});

// The controls of a full run ("Сплошной"), read from the dictionary and parsed once, then run
// for as many institutions as needed: the groups, headings and order of runAllControls.
class FullControlRun {
public:
    // DbError of the dictionary passes through.
    FullControlRun(Database& dictionary, const FormsTree& tree, bool netMode, const QString& formName);
    // Only the groups of one form, as appendFormControls runs them.
    FullControlRun(Database& dictionary, const FormsTreeForm& form);
    ~FullControlRun();
    FullControlRun(FullControlRun&&) noexcept;

    // Appends the groups' headings and failures to ControlErrors for the tables `tables` hands
    // out (a heading stays only above a group that failed). DbError passes through.
    void run(TableSource& tables, const ControlRunProgress& progress = {}) const;
    int groupCount() const;
    int controlCount() const;

private:
    struct Group;
    void addForm(Database& dictionary, const FormsTreeForm& form);
    std::vector<std::unique_ptr<Group>> m_groups;
};

// The error view: ControlErrors with the columns "Цифры", "Тек.", "Контроль", each line's code
// as its object, under `windowCaption`. ControlErrors is not changed.
ResultList controlErrorsList(const QString& windowCaption);
