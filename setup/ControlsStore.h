#pragma once
// The controls of the dictionary (int_control) as the controls editor lists, saves, deletes and
// exports them, and the load of an exchange file into it. No widgets.
//
// Every write here is one transaction; DbError passes through and leaves int_control as it was.

#include "setup/ControlValidator.h"
#include "setup/ControlsFile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class Database;
class Prompts;

struct StoredControl {
    int code = 0;
    int formid = 0;
    QString tble, lft, reltion, rght, cycl, commnt;   // a NULL reads as empty text
};

// The editor's filter of inter-table and inter-form controls.
enum class ControlFilter { All = 0, Form = 1, Table = 2 };

// The controls the editor lists for the kind and filter, in the order it shows them. Kind 0:
// the table's controls (the filter does not apply). Kind 1: the form's controls between tables;
// "Таблица" keeps those whose sides name the table, written Т(n) or Т[n]. Kind 2: the controls
// between forms ordered by lft; "Форма" keeps those naming the form, "Таблица" those naming its
// table. Names compare without blanks and letter case, so Ф12 never finds Ф120.
QList<StoredControl> listControls(Database& dictionary, const ControlScope& scope, ControlFilter filter);
// Every control, in Код order.
QList<StoredControl> allControls(Database& dictionary);
// The form's controls and the controls between forms that name it, ordered by tble, lft, rght.
QList<StoredControl> formControls(Database& dictionary, int formId, const QString& formName);
std::optional<StoredControl> readControl(Database& dictionary, int code);

// Inserts a new control and returns its Код.
int insertControl(Database& dictionary, const StoredControl& control);
// Writes sides, cycle, comment and relation of the control `control.code` (kind, form and table
// stay). false when no row has the code.
bool updateControl(Database& dictionary, const StoredControl& control);
// The number of rows deleted (a code that names no row counts nothing).
int deleteControls(Database& dictionary, const QList<int>& codes);

// A control as the editor shows it: its texts and the editor's form, table and kind, under which a
// new control is stored and checked.
struct ControlEdit {
    int code = 0;                  // 0: a control not stored yet
    ControlScope scope;
    QString lft, reltion, rght, cycl, commnt;
};
struct ControlSave {
    bool saved = false;
    int code = 0;                  // the Код written
    QString message;               // why nothing was written, as the editor shows it
    ControlCheck::Field field = ControlCheck::None;   // the part of the control refused
};
inline const QString ControlDeletedMessage =
    QStringLiteral("Контроль не найден в базе: он удален. Изменения не сохранены.");
// Checks and writes the edited control. A stored one is checked under the kind, form and table
// it is stored with, whatever the editor shows, and keeps them. Nothing is written when the check
// refuses it or its row is gone. DbError passes through.
ControlSave saveControl(Database& dictionary, const ControlEdit& edit);

// The lines of an export, with each form id turned into the cached form's name (empty for 0).
QList<ControlRecord> exportRecords(const QList<StoredControl>& controls);

enum class LoadMode { Append = 0, Replace = 1 };

// What a file would load: every line checked against the cached forms and tables.
struct ControlsLoadPlan {
    QList<StoredControl> accepted;   // each control once (as storeControls compares them)
    QStringList rejected;   // two lines per refused control: the reason, the line as read
    int skipped = 0;        // lines not starting with a double quote
    int repeated = 0;       // lines that give again a control accepted from an earlier line
};
ControlsLoadPlan planControlsLoad(const ControlsFileReader& reader);

// Writes the plan in one transaction: in Replace mode after deleting every control, in Append
// mode leaving out each control the dictionary already holds. Two controls are the same when
// form, table, sides, relation and cycle read alike without blanks and letter case (the comment
// does not count), as the validator reads them. Returns the number inserted.
int storeControls(Database& dictionary, const ControlsLoadPlan& plan, LoadMode mode);

inline const QString RejectedControlsFileName = QStringLiteral("Несогласованные контроли.ktr");

// Reads and checks the file at `path`, the long part of a load, asking nothing: nullopt and
// *error when the file cannot be read or is past the reader's bounds.
std::optional<ControlsLoadPlan> planControlsFile(const QString& path, QString* error);
// The rest of the load as the loader window runs it, with every question and message through
// `prompts`. Nothing is deleted when Replace finds no valid control or the user declines. The
// rejected controls go to RejectedControlsFileName beside the file before the message that names
// it. Returns the number of controls stored.
int storePlannedControls(Database& dictionary, Prompts& prompts, const QString& path,
                         const ControlsLoadPlan& plan, LoadMode mode);
// Both in turn; a file that cannot be read is named in an error and changes nothing.
int loadControlsFile(Database& dictionary, Prompts& prompts, const QString& path, LoadMode mode);

class WordDocument;
// The printed list: three heading lines (form, table, kind and filter) and a table of one row
// per control: left side, relation, right side, cycle, comment.
void fillControlsDocument(WordDocument& document, const QString& formText, const QString& tableText,
                          const QString& kindAndFilter, const QList<StoredControl>& controls);
