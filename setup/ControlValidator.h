#pragma once
// Whether a control is well formed against the forms and tables of the open year (the structure
// caches). It reads the control with the controls engine, completing every reference as a run
// does, so whatever it accepts runs without an "Ошибка в контроле" line; on top it keeps the
// editor's stricter rules (no unary minus, the cycle and side rules, references inside the
// working area of their tables). No widgets, no database.

#include <QString>

// The kind of a control, as the editor's radio group lists them.
enum class ControlKind { WithinTable = 0, BetweenTables = 1, BetweenForms = 2 };

// The kind a stored control has: formid 0 between forms, a table number within a table,
// otherwise between the form's tables.
ControlKind storedControlKind(int formid, const QString& tble);

// Where a control belongs: the form (id and name) for kinds 0 and 1, the table number with its
// brackets for kind 0.
struct ControlScope {
    ControlKind kind = ControlKind::WithinTable;
    int formId = 0;
    QString formName;
    QString tableNumber;
};

// The reference that completes the control's terms in a run: form and table for kind 0, the
// form for kind 1, nothing for kind 2.
QString defaultReference(const ControlScope& scope);
// Cells picked in the grid of the scope's table, as a control of the scope's kind writes them:
// the table number before them unless the control is within its table, the form's name before
// that for a control between forms.
QString pickedCellsReference(const ControlScope& scope, const QString& picked);

struct ControlCheck {
    enum Field { None, Relation, Left, Right, Cycle };
    bool ok = true;
    Field field = None;
    // The specific reason; empty when the failure has none of its own (the general message,
    // generalMessage(), is then all there is to say). "Не задана форма" and "Не задана таблица"
    // give the operand on a line of their own.
    QString reason;
    // The reason, or the general message for the side or the cycle that failed.
    QString text() const;
};

// "Ошибка в выражении" for a side, "Ошибка в описании цикла!" for the cycle.
QString generalMessage(ControlCheck::Field field);

// Checks relation, cycle, left and right side in this order and stops at the first failure.
// The relation must be one of "=", "<>", ">", ">=", "<", "<=".
ControlCheck checkControl(const ControlScope& scope, const QString& lft, const QString& reltion,
                          const QString& rght, const QString& cycl);
