#pragma once
// The controls engine: the loaded controls (cross-checks between cells), their run against the
// data of the current institution, and the error list the forms tree and the grid show.
//
// A caller fills the five lists (ClearControls, then AddControlFromRecord per int_control row),
// calls RunControls once with its default reference and reads the new lines of ControlErrors.
// RunControls reads each table a control names once per run; it never writes CellValues or any
// other table the caller holds.

#include "core/CellRefs.h"
#include "core/StructureCache.h"
#include "core/TableCells.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class Query;

// The loaded controls, as stored (no case change), one entry per control in five parallel
// lists; the object of a CtlLeft entry is the control's Код.
inline IdStringList CtlLeft;
inline QStringList CtlRight;
inline QStringList CtlRelation;
inline QStringList CtlComment;
inline QStringList CtlCycle;   // "гр" or "стр" and a list (bare or in "[" "]"); empty for none

// A cell a failed control read, in the numbers of references: Графа (layout column) and Строка
// (data row), with the table it belongs to.
struct ControlCell {
    QString formName;      // in capitals
    QString tableNumber;   // with its brackets
    int column = 0;
    int row = 0;
    bool operator==(const ControlCell&) const = default;
};

// One line of the error list, with what the grid needs to mark the cells without reading the
// control again.
struct ControlError {
    // "<left><relation><right>\t<cycle text>\t<comment>"; a heading line a caller adds is
    // plain text with code 0.
    QString text;
    int code = 0;                  // the control's Код
    bool malformed = false;        // the control could not be read: text starts "Ошибка в контроле: "
    QString reason;                // malformed: what is wrong, in Russian
    QString formName;              // the table the check ran for (default reference, then the
    QString tableNumber;           // caller's table); empty parts when it names none
    QList<ControlCell> leftCells;  // cells inside their tables that each side read
    QList<ControlCell> rightCells;
};

// The error lines; the engine only appends, the callers clear it and add their heading lines.
inline QList<ControlError> ControlErrors;
// The texts and codes of ControlErrors, as the result-list window takes them.
QStringList ControlErrorLines();
QList<int> ControlErrorCodes();

// Called with the form and table number before a run reads a table from the database (the
// forms tree shows them in its status line); empty when nobody listens.
inline std::function<void(const QString& formName, const QString& tableNumber)> ControlTableLoading;

// Empties the five control lists.
void ClearControls();
// Appends the current record of a query over int_control (fields Код, lft, reltion, rght, cycl,
// commnt; a NULL reads as empty text).
void AddControlFromRecord(const Query& query);
void AddControl(int code, const QString& lft, const QString& reltion, const QString& rght,
                const QString& cycl = QString(), const QString& commnt = QString());

// The tables of one run: each read once, as LoadTableCells reads it, for the institution given
// (in work mode "Types" the sums over InstitutionIdList) but into the run's own arrays:
// CellValues and its companions are never touched. The reads of one run share their prepared
// statements and one read transaction of "dbdat", opened at the first read.
class RunTables : public TableSource {
public:
    // How an institution's tables are read: each on its own (a run that names a few), or all of
    // its rows in one statement at the first table (a full run, which names nearly all).
    enum class Reading { PerTable, WholeInstitution };
    explicit RunTables(int institutionId = CurrentInstitutionId, Reading reading = Reading::PerTable);
    ~RunTables() override;
    // A form is found by its name with blanks removed on both sides: a reference is read
    // without blanks, so "Ф12" finds the form "Ф 12".
    const CellArray* table(const QString& formName, const QString& tableNumber) override;
    QString takeLoadError(const QString& formName, const QString& tableNumber) override;
    // The loader's messages for tables that could not be read, one per table.
    const QStringList& loadErrors() const { return m_errors; }
    // The same run for another institution: the tables read so far are forgotten, the
    // statements and the read transaction stay.
    void setInstitution(int institutionId);

private:
    const CellArray* find(const QString& formName, const QString& tableNumber);
    struct Reader;
    CellsRequest m_request;
    Reading m_reading;
    std::map<QString, std::unique_ptr<CellArray>> m_tables;   // nullptr: no such table
    struct Found {
        bool ok = false;
        TableShape table;
        QString error;
        QString form;          // as the catalogue names it
        bool cached = false;   // the caches know the table (a load error is then told)
    };
    std::map<QString, Found> m_found;   // the caches' answer, kept for every institution
    QStringList m_errors;
    std::map<QString, QString> m_untold;   // load errors not yet taken, by table key
    std::unique_ptr<Reader> m_reader;
    // The table asked for last, as asked: the terms of a control mostly name one table.
    QString m_lastForm, m_lastNumber;
    const CellArray* m_last = nullptr;
    bool m_hasLast = false;
};

// Controls read once and run as often as needed (for instance for every institution of a
// territory). Every control is read when it is added; one that cannot be read gives its error
// line in every run.
class ControlSet {
public:
    ControlSet();
    ~ControlSet();
    ControlSet(ControlSet&&) noexcept;
    ControlSet& operator=(ControlSet&&) noexcept;

    // defaultRef completes every term after the cycle: the form name for a form's controls
    // between its tables, form + "Т[" number "]" for a table's controls, empty between forms and
    // in the grid.
    explicit ControlSet(const QString& defaultRef);
    void add(int code, const QString& lft, const QString& reltion, const QString& rght,
             const QString& cycl, const QString& commnt);
    // The controls of the five lists, in order.
    void addLoaded();
    int size() const;

    // Runs every control, each cycle expanded in the order of its list, and appends one line
    // per failed check (one per control that cannot be read) to `errors`. A check whose numbers
    // leave Decimal's range gives an "Ошибка в контроле: " line instead of a wrong number.
    // Arithmetic::Binary is for the benchmark alone (its lines show the sides' values only).
    void run(TableSource& tables, const TableContext* context, QList<ControlError>& errors,
             Arithmetic arithmetic = Arithmetic::Exact) const;

    struct Control;
    struct WholePlans;
private:
    // A table the terms name, as completed from the default reference: the form in capitals and
    // the number with its brackets, each empty when left to the caller's context table.
    struct TableSlot {
        QString form;
        QString tableNumber;
    };
    int slotOf(const QString& form, const QString& tableNumber);
    void addWholePlan(const Control& c);

    QString m_defaultRef;
    CellRef m_default;
    bool m_defaultOk = true;
    QString m_defaultError;
    std::vector<std::unique_ptr<Control>> m_controls;
    std::vector<TableSlot> m_slots;
    QHash<QString, int> m_slotIndex;
    std::unique_ptr<WholePlans> m_whole;
};

// Runs all loaded controls, appends the failures to ControlErrors and empties the five lists.
// The tables are read for CurrentInstitutionId.
void RunControls(const QString& defaultRef);
// The same over the caller's table: a term without form and table, or naming that table, reads
// the context's values, which stay as they are.
void RunControls(const QString& defaultRef, const TableContext& context);
void RunControls(const QString& defaultRef, TableSource& tables, const TableContext* context = nullptr);
