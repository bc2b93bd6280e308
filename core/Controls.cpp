#include "core/Controls.h"

#include "core/Lookups.h"
#include "core/TableCells.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <tuple>

namespace {

enum class Relation { Equal, NotEqual, Greater, GreaterEqual, Less, LessEqual };
enum class CycleKind { None, Columns, Rows };

// More positions than any table has by far; the same bound as for a typed range list.
constexpr int kMaxCycleItems = 100000;

bool readRelation(const QString& prepared, Relation* relation)
{
    static const struct {
        const char* text;
        Relation relation;
    } kRelations[] = {
        {"=", Relation::Equal},   {"<>", Relation::NotEqual}, {">", Relation::Greater},
        {">=", Relation::GreaterEqual}, {"<", Relation::Less}, {"<=", Relation::LessEqual},
    };
    for (const auto& r : kRelations) {
        if (prepared == QLatin1String(r.text)) {
            *relation = r.relation;
            return true;
        }
    }
    return false;
}

template <typename Number>
bool holds(Relation relation, Number left, Number right)
{
    switch (relation) {
    case Relation::Equal: return left == right;
    case Relation::NotEqual: return left != right;
    case Relation::Greater: return left > right;
    case Relation::GreaterEqual: return left >= right;
    case Relation::Less: return left < right;
    case Relation::LessEqual: return left <= right;
    }
    return true;
}

// A stored text as it stands in the first two fields of an error line. The result list splits
// lines at tabs, so a tab or line break kept in a stored relation, side or cycle would shift
// the fields; it shows as a blank.
QString lineField(QString text)
{
    text.replace(u'\t', u' ');
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

// The table a slot of the set names, found at the first term that needs it in a run.
struct ResolvedTable {
    bool resolved = false;
    const CellArray* values = nullptr;   // nullptr: no such table
    QString formName;
    QString tableNumber;
    // The cells as a one-cell term reads them (data is nullptr for a table without cells):
    // reference column c, row r is data[(c + 1 - firstColumn) * height + r] when
    // firstColumn <= c <= lastColumn and 1 <= r <= lastRow, as CellInRange and cellAt say.
    const double* data = nullptr;
    int firstColumn = 0, lastColumn = -1, lastRow = 0;
    qsizetype height = 0;
};

// A term as the whole-number check reads it: its block of cells, the cycle item giving its
// column or its row.
struct WholeTerm {
    int slot = 0;
    NumberSpan columns, rows;   // unused in the dimension the item gives
    bool columnFromItem = false, rowFromItem = false;
};

} // namespace

struct ControlSet::Control {
    int code = 0;
    QString lft, reltion, rght, cycl, commnt;   // as stored

    bool ok = false;
    QString reason;
    Expression left, right;
    Relation relation = Relation::Equal;
    CycleKind kind = CycleKind::None;
    NumberList items;
    // Each term completed from the default reference; a row or column list it still lacks comes
    // from the cycle item.
    std::vector<CellRef> leftRefs, rightRefs;
    // The set's table slot each term reads: its form and table as completed, resolved once per
    // run however many terms and controls name them.
    std::vector<int> leftSlots, rightSlots;
};

// The checks of whole numbers, settled in 64 bits before anything else is done. A control whose
// every term reads one block of cells (one span of columns and one of rows, its own or the cycle
// item's) and whose literals are all whole has a plan; the plans of a set lie in one array each,
// in the controls' order, so a run walks them without visiting every control's own parts.
struct ControlSet::WholePlans {
    struct Plan {
        bool usable = false;
        Relation relation = Relation::Equal;
        CycleKind kind = CycleKind::None;
        int code = 0;
        quint32 termsBegin = 0, termsEnd = 0;   // into terms: the left side's, then the right's
        quint32 opsBegin = 0, leftOpsEnd = 0, opsEnd = 0;   // into ops: left, then right
        quint32 itemsBegin = 0, itemsEnd = 0;               // into items
    };
    std::vector<Plan> plans;   // one per control
    std::vector<WholeTerm> terms;
    std::vector<WholeOp> ops;
    std::vector<NumberSpan> items;
};

QStringList ControlErrorLines()
{
    QStringList lines;
    lines.reserve(ControlErrors.size());
    for (const ControlError& e : ControlErrors)
        lines.append(e.text);
    return lines;
}

QList<int> ControlErrorCodes()
{
    QList<int> codes;
    codes.reserve(ControlErrors.size());
    for (const ControlError& e : ControlErrors)
        codes.append(e.code);
    return codes;
}

void ClearControls()
{
    CtlLeft.clear();
    CtlRight.clear();
    CtlRelation.clear();
    CtlComment.clear();
    CtlCycle.clear();
}

void AddControl(int code, const QString& lft, const QString& reltion, const QString& rght,
                const QString& cycl, const QString& commnt)
{
    CtlLeft.append(lft, code);
    CtlRight.append(rght);
    CtlRelation.append(reltion);
    CtlComment.append(commnt);
    CtlCycle.append(cycl);
}

void AddControlFromRecord(const Query& query)
{
    AddControl(query.toInt(QStringLiteral("Код")), query.text(QStringLiteral("lft")),
               query.text(QStringLiteral("reltion")), query.text(QStringLiteral("rght")),
               query.text(QStringLiteral("cycl")), query.text(QStringLiteral("commnt")));
}

// --- tables of a run ---------------------------------------------------------------------------

struct RunTables::Reader {
    explicit Reader(Database* data) : rows(data)
    {
        if (data)
            transaction.emplace(*data);
    }
    std::optional<ReadTransaction> transaction;
    DataRows rows;
    OwnerRows owner;   // Reading::WholeInstitution: the institution's rows
};

RunTables::RunTables(int institutionId, Reading reading)
    : m_request(CellsRequest::fromGlobals(institutionId)), m_reading(reading)
{
}
RunTables::~RunTables() = default;

void RunTables::setInstitution(int institutionId)
{
    m_request.institutionId = institutionId;
    m_tables.clear();
    m_errors.clear();
    m_untold.clear();
    m_hasLast = false;
    m_last = nullptr;
    if (m_reader)
        m_reader->owner.clear();
}

namespace {

QString tableKey(const QString& formName, const QString& tableNumber)
{
    return prepareControlText(formName) + QChar(0x1f) + tableNumber;
}

// The form as the catalogue names it, found with blanks removed on both sides and without
// regard to case; the name itself when no cached form matches (the loader then says so).
QString catalogueFormName(const QString& formName)
{
    const QString wanted = prepareControlText(formName);
    for (const QString& name : FormNames)
        if (prepareControlText(name) == wanted)
            return name;
    return formName;
}

} // namespace

const CellArray* RunTables::table(const QString& formName, const QString& tableNumber)
{
    if (m_hasLast && formName == m_lastForm && tableNumber == m_lastNumber)
        return m_last;
    m_last = find(formName, tableNumber);
    m_lastForm = formName;
    m_lastNumber = tableNumber;
    m_hasLast = true;
    return m_last;
}

const CellArray* RunTables::find(const QString& formName, const QString& tableNumber)
{
    const QString key = tableKey(formName, tableNumber);
    auto it = m_tables.find(key);
    if (it != m_tables.end())
        return it->second.get();

    auto found = m_found.find(key);
    if (found == m_found.end()) {
        Found f;
        f.form = catalogueFormName(formName);
        f.ok = findCellsTable(f.form, tableNumber, &f.table, &f.error);
        f.cached = FindTableIdent(f.form, tableNumber) >= 0;
        found = m_found.emplace(key, std::move(f)).first;
    }
    const Found& f = found->second;
    if (ControlTableLoading)
        ControlTableLoading(f.form, tableNumber);
    // Nobody's tables read no row, so they need no data database.
    const bool reads = m_request.summed || m_request.institutionId != 0;
    if (!m_reader || (reads && !m_reader->transaction))
        m_reader = std::make_unique<Reader>(reads ? &dbdat() : nullptr);
    QString error = f.error;
    auto loaded = std::make_unique<CellArray>();
    OwnerRows* whole = m_reading == Reading::WholeInstitution ? &m_reader->owner : nullptr;
    if (!f.ok || !readTableCells(m_reader->rows, m_request, f.table, loaded.get(), &error, whole)) {
        loaded.reset();
        m_errors.append(error);
        // A table the caches lack is shown by the term left as written; any other reason the
        // user must read, or the line looks like a missing table.
        if (f.cached)
            m_untold[key] = error;
    }
    return m_tables.emplace(key, std::move(loaded)).first->second.get();
}

QString RunTables::takeLoadError(const QString& formName, const QString& tableNumber)
{
    const auto it = m_untold.find(tableKey(formName, tableNumber));
    if (it == m_untold.end())
        return QString();
    const QString error = it->second;
    m_untold.erase(it);
    return error;
}

// --- control set -------------------------------------------------------------------------------

ControlSet::ControlSet() = default;
ControlSet::~ControlSet() = default;
ControlSet::ControlSet(ControlSet&&) noexcept = default;
ControlSet& ControlSet::operator=(ControlSet&&) noexcept = default;

ControlSet::ControlSet(const QString& defaultRef) : m_defaultRef(defaultRef)
{
    m_defaultOk = readCellRef(prepareControlText(defaultRef), &m_default, &m_defaultError);
}

int ControlSet::size() const { return int(m_controls.size()); }

void ControlSet::addLoaded()
{
    for (qsizetype i = 0; i < CtlLeft.size(); ++i)
        add(CtlLeft.objects.value(i), CtlLeft.strings.value(i), CtlRelation.value(i),
            CtlRight.value(i), CtlCycle.value(i), CtlComment.value(i));
}

int ControlSet::slotOf(const QString& form, const QString& tableNumber)
{
    const QString key = form + QChar(0x1f) + tableNumber;
    const auto it = m_slotIndex.constFind(key);
    if (it != m_slotIndex.constEnd())
        return *it;
    const int slot = int(m_slots.size());
    m_slots.push_back({form, tableNumber});
    m_slotIndex.insert(key, slot);
    return slot;
}

void ControlSet::addWholePlan(const Control& c)
{
    if (!m_whole)
        m_whole = std::make_unique<WholePlans>();
    WholePlans& w = *m_whole;
    WholePlans::Plan plan;
    plan.relation = c.relation;
    plan.kind = c.kind;
    plan.code = c.code;
    const size_t termsBefore = w.terms.size(), opsBefore = w.ops.size(), itemsBefore = w.items.size();
    const auto oneSpan = [](const NumberList& list, NumberSpan* span) {
        if (list.size() != 1 || list[0].first > list[0].last)
            return false;
        *span = list[0];
        return true;
    };
    bool usable = c.ok;
    for (auto [refs, tableSlots] : {std::pair{&c.leftRefs, &c.leftSlots}, std::pair{&c.rightRefs, &c.rightSlots}}) {
        for (size_t k = 0; usable && k < refs->size(); ++k) {
            const CellRef& ref = (*refs)[k];
            WholeTerm t;
            t.slot = (*tableSlots)[k];
            t.columnFromItem = !ref.hasColumns();
            t.rowFromItem = !ref.hasRows();
            usable = (t.columnFromItem || oneSpan(ref.columns, &t.columns))
                && (t.rowFromItem || oneSpan(ref.rows, &t.rows));
            w.terms.push_back(t);
        }
    }
    plan.opsBegin = quint32(opsBefore);
    usable = usable && c.left.appendWholeProgram(&w.ops);
    plan.leftOpsEnd = quint32(w.ops.size());
    usable = usable && c.right.appendWholeProgram(&w.ops, int(c.leftRefs.size()));
    if (usable)
        w.items.insert(w.items.end(), c.items.begin(), c.items.end());
    if (!usable) {
        w.terms.resize(termsBefore);
        w.ops.resize(opsBefore);
        w.items.resize(itemsBefore);
        w.plans.push_back(plan);
        return;
    }
    plan.usable = true;
    plan.termsBegin = quint32(termsBefore);
    plan.termsEnd = quint32(w.terms.size());
    plan.opsEnd = quint32(w.ops.size());
    plan.itemsBegin = quint32(itemsBefore);
    plan.itemsEnd = quint32(w.items.size());
    w.plans.push_back(plan);
}

void ControlSet::add(int code, const QString& lft, const QString& reltion, const QString& rght,
                     const QString& cycl, const QString& commnt)
{
    auto c = std::make_unique<Control>();
    c->code = code;
    c->lft = lft;
    c->reltion = reltion;
    c->rght = rght;
    c->cycl = cycl;
    c->commnt = commnt;

    auto read = [&]() -> bool {
        if (!m_defaultOk) {
            c->reason = m_defaultError;
            return false;
        }
        const QString cycle = prepareControlText(cycl);
        if (!cycle.isEmpty()) {
            QStringView list;
            if (cycle.startsWith(QStringLiteral("ГР"))) {
                c->kind = CycleKind::Columns;
                list = QStringView(cycle).sliced(2);
            } else if (cycle.startsWith(QStringLiteral("СТР"))) {
                c->kind = CycleKind::Rows;
                list = QStringView(cycle).sliced(3);
            } else {
                c->reason = QStringLiteral("Цикл начинается не с \"гр\" и не с \"стр\"");
                return false;
            }
            if (!readNumberList(list, &c->items, &c->reason))
                return false;
            // Each item is one check: a slip of the keyboard such as "стр1..99999999" would
            // otherwise hold the run for minutes over cells no table has.
            qint64 count = 0;
            for (const NumberSpan& span : c->items)
                count += qint64(span.last) - span.first + 1;
            if (count > kMaxCycleItems) {
                c->reason = QStringLiteral("В цикле больше %1 позиций").arg(kMaxCycleItems);
                return false;
            }
        }
        if (!readRelation(prepareControlText(reltion), &c->relation)) {
            c->reason = QStringLiteral("Неизвестное отношение \"%1\"").arg(reltion);
            return false;
        }
        if (!c->left.parse(prepareControlText(lft), &c->reason)
            || !c->right.parse(prepareControlText(rght), &c->reason))
            return false;
        for (auto [side, refs, tableSlots] : {std::tuple{&c->left, &c->leftRefs, &c->leftSlots},
                                              std::tuple{&c->right, &c->rightRefs, &c->rightSlots}}) {
            for (qsizetype k = 0; k < qsizetype(side->terms().size()); ++k) {
                CellRef ref = side->terms()[k];
                if (!ref.hasForm())
                    ref.form = m_default.form;
                if (!ref.hasTable())
                    ref.table = m_default.table;
                if (!ref.hasRows() && c->kind != CycleKind::Rows)
                    ref.rows = m_default.rows;
                if (!ref.hasColumns() && c->kind != CycleKind::Columns)
                    ref.columns = m_default.columns;
                // A reference must name cells: without rows or columns it would sum nothing and
                // let the check pass on nothing.
                if (!ref.hasRows() && c->kind != CycleKind::Rows) {
                    c->reason = QStringLiteral("Ссылка без строк");
                    return false;
                }
                if (!ref.hasColumns() && c->kind != CycleKind::Columns) {
                    c->reason = QStringLiteral("Ссылка без граф");
                    return false;
                }
                tableSlots->push_back(slotOf(ref.form, ref.tableNumber()));
                refs->push_back(std::move(ref));
            }
        }
        return true;
    };
    c->ok = read();
    addWholePlan(*c);
    m_controls.push_back(std::move(c));
}

namespace {

// Working buffers of a run, kept between checks so the loop allocates nothing.
struct SideState {
    std::vector<const ResolvedTable*> resolved;
    std::vector<TermValue> results;
    std::vector<Decimal> values;
    std::vector<double> binaryValues;
    bool numeric = false;
    bool outOfRange = false;   // a cell, sum or result past Decimal's range: no number at all
    Decimal value;
    double binaryValue = 0;
};

void evaluateSide(const Expression& e, const std::vector<CellRef>& refs, SideState& s,
                  const NumberList* itemRows, const NumberList* itemColumns, Arithmetic arithmetic)
{
    const size_t n = refs.size();
    s.results.resize(n);
    s.numeric = true;
    s.outOfRange = false;
    if (arithmetic == Arithmetic::Binary)
        s.binaryValues.resize(n);
    else
        s.values.resize(n);
    for (size_t k = 0; k < n; ++k) {
        const ResolvedTable& t = *s.resolved[k];
        if (!t.values) {
            s.results[k] = TermValue();
            s.numeric = false;
            continue;
        }
        const NumberList& rows = refs[k].hasRows() ? refs[k].rows : *itemRows;
        const NumberList& columns = refs[k].hasColumns() ? refs[k].columns : *itemColumns;
        // One whole number in one cell, the most common term, read where it lies; anything
        // else (a fraction, a cell outside, several cells) as sumCells reads it.
        if (arithmetic == Arithmetic::Exact && t.data && rows.size() == 1 && columns.size() == 1) {
            const NumberSpan rs = rows[0], cs = columns[0];
            const int c = cs.first, r = rs.first;
            if (rs.last == r && cs.last == c && c >= t.firstColumn && c <= t.lastColumn && r >= 1
                && r <= t.lastRow) {
                if (qint64 w; smallWhole(t.data[(c + 1 - t.firstColumn) * t.height + r], &w)) {
                    TermValue& out = s.results[k];
                    out.kind = TermValue::Number;
                    out.value = Decimal::fromInt(w);
                    s.values[k] = out.value;
                    continue;
                }
            }
        }
        s.results[k] = sumCells(*t.values, columns, rows, arithmetic);
        if (s.results[k].kind != TermValue::Number) {
            s.numeric = false;
            s.outOfRange = s.outOfRange || s.results[k].kind == TermValue::OutOfRange;
        } else if (arithmetic == Arithmetic::Binary) {
            s.binaryValues[k] = s.results[k].binaryValue;
        } else {
            s.values[k] = s.results[k].value;
        }
    }
    if (!s.numeric)
        return;
    if (arithmetic == Arithmetic::Binary) {
        s.binaryValue = e.evaluateBinary(s.binaryValues.data());
    } else if (!e.evaluate(s.values.data(), &s.value)) {
        s.numeric = false;
        s.outOfRange = true;
    }
}

// A term's block of cells in one run: the block's i-th column and j-th row at the cycle item n
// is data[offset + n * itemStep + i * columnStep + j].
struct WholeBlock {
    const double* data = nullptr;
    qsizetype offset = 0, itemStep = 0, columnStep = 0;
    int width = 0, height = 0;
};

// The blocks of a control's terms in this run, each term's table found by `tableOf(slot)`;
// the items [*low, *high] are narrowed to those for which every block lies inside its table.
// False when a term's table has no cells or a block lies outside its table whatever the item.
template <typename TableOf>
bool wholeBlocks(const WholeTerm* terms, size_t count, TableOf&& tableOf, std::vector<WholeBlock>& out,
                 int* low, int* high)
{
    out.clear();
    for (size_t k = 0; k < count; ++k) {
        const WholeTerm& w = terms[k];
        const ResolvedTable& t = tableOf(w.slot);
        if (!t.data)
            return false;
        WholeBlock b;
        b.data = t.data;
        b.columnStep = t.height;
        int column = 0, row = 0;
        if (w.columnFromItem) {
            *low = std::max(*low, t.firstColumn);
            *high = std::min(*high, t.lastColumn);
            b.itemStep = t.height;
            b.width = 1;
        } else {
            if (w.columns.first < t.firstColumn || w.columns.last > t.lastColumn)
                return false;
            column = w.columns.first;
            b.width = w.columns.last - w.columns.first + 1;
        }
        if (w.rowFromItem) {
            *low = std::max(*low, 1);
            *high = std::min(*high, t.lastRow);
            b.itemStep = 1;
            b.height = 1;
        } else {
            if (w.rows.first < 1 || w.rows.last > t.lastRow)
                return false;
            row = w.rows.first;
            b.height = w.rows.last - w.rows.first + 1;
        }
        b.offset = qsizetype(column + 1 - t.firstColumn) * t.height + row;
        out.push_back(b);
    }
    return true;
}

// Each term's sum at the item when every cell it reads holds a whole number below 10^15: the
// exact sums are then these very numbers, with nothing to round. False otherwise (a fraction,
// an empty or huge value, a sum past 64 bits).
bool wholeSums(const std::vector<WholeBlock>& blocks, int item, qint64* out)
{
    for (size_t k = 0; k < blocks.size(); ++k) {
        const WholeBlock& b = blocks[k];
        const double* first = b.data + b.offset + qsizetype(item) * b.itemStep;
        if (b.width == 1 && b.height == 1) {   // most terms: one cell
            if (!smallWhole(*first, &out[k]))
                return false;
            continue;
        }
        qint64 sum = 0;
        for (int i = 0; i < b.width; ++i) {
            const double* column = first + i * b.columnStep;
            for (int j = 0; j < b.height; ++j) {
                qint64 w;
                if (!smallWhole(column[j], &w) || __builtin_add_overflow(sum, w, &sum))
                    return false;
            }
        }
        out[k] = sum;
    }
    return true;
}

// The side as the error line shows it: its value, or its text with every term that could be
// read replaced by its value or its ВПТ text.
QString sideText(const Expression& e, const SideState& s)
{
    if (s.numeric)
        return e.evaluateText(s.values.data());
    QString out;
    for (const Expression::Token& t : e.tokens()) {
        if (t.kind != Expression::Token::Term) {
            out += t.text;
            continue;
        }
        const TermValue& v = s.results[t.index];
        const ResolvedTable& r = *s.resolved[t.index];
        switch (v.kind) {
        case TermValue::Number: out += formatControlNumber(v.value); break;
        case TermValue::OutOfTable: out += OutOfTableText(r.formName, r.tableNumber, v.column, v.row); break;
        case TermValue::Unresolved:
        case TermValue::OutOfRange: out += t.text; break;
        }
    }
    return out;
}

QList<ControlCell> cellsRead(const std::vector<CellRef>& refs, const SideState& s,
                             const NumberList* itemRows, const NumberList* itemColumns)
{
    QList<ControlCell> cells;
    for (size_t k = 0; k < refs.size(); ++k) {
        const ResolvedTable& t = *s.resolved[k];
        if (!t.values)
            continue;
        const NumberList& rows = refs[k].hasRows() ? refs[k].rows : *itemRows;
        const NumberList& columns = refs[k].hasColumns() ? refs[k].columns : *itemColumns;
        // Span by span, as sumCells reads them: a list may be far wider than its table.
        for (const NumberSpan& cs : columns)
            for (int c = cs.first; c <= cs.last; ++c)
                for (const NumberSpan& rs : rows)
                    for (int r = rs.first; r <= rs.last; ++r) {
                        if (!CellInRange(*t.values, c, r))
                            goto nextTerm;
                        cells.append({t.formName, t.tableNumber, c, r});
                    }
    nextTerm:;
    }
    return cells;
}

} // namespace

void ControlSet::run(TableSource& tables, const TableContext* context, QList<ControlError>& errors,
                     Arithmetic arithmetic) const
{
    const QString contextForm = context ? prepareControlText(context->formName) : QString();
    const QString contextTable = context ? context->tableNumber : QString();
    const QString lineForm = m_default.hasForm() ? m_default.form : contextForm;
    const QString lineTable = m_default.hasTable() ? m_default.tableNumber() : contextTable;

    SideState left, right;
    std::vector<ResolvedTable> resolved(m_slots.size());
    // Finds a slot's table at the first term that names it.
    const auto resolveSlot = [&](int index, int code) -> const ResolvedTable& {
        ResolvedTable& t = resolved[index];
        if (t.resolved)
            return t;
        t.resolved = true;
        const TableSlot& slot = m_slots[index];
        t.formName = slot.form.isEmpty() ? contextForm : slot.form;
        t.tableNumber = slot.tableNumber.isEmpty() ? contextTable : slot.tableNumber;
        // Terms are read in capitals, the caller's number is as the catalogue keeps it.
        const auto cellsOf = [&t](const CellArray* values) {
            t.values = values;
            if (!values || values->isEmpty())
                return;
            t.data = values->data();
            t.firstColumn = values->lowColumn();
            t.lastColumn = values->highColumn() - 1;
            t.lastRow = values->highRow() - values->lowRow();
            t.height = qsizetype(values->highRow()) - values->lowRow() + 1;
        };
        if (context && sameName(t.formName, contextForm) && sameName(t.tableNumber, contextTable))
            cellsOf(&context->values);
        else if (!t.formName.isEmpty() || !t.tableNumber.isEmpty()) {
            cellsOf(tables.table(t.formName, t.tableNumber));
            if (!t.values) {
                // Told once per table and run, at the first control that names it.
                const QString why = tables.takeLoadError(t.formName, t.tableNumber);
                if (!why.isEmpty()) {
                    ControlError e;
                    e.text = lineField(why);
                    e.code = code;
                    e.formName = t.formName;
                    e.tableNumber = t.tableNumber;
                    errors.append(std::move(e));
                }
            }
        } else
            t.values = nullptr;   // names no table, and the caller holds none
        return t;
    };
    const auto resolve = [&](const std::vector<int>& termSlots, SideState& s, int code) {
        s.resolved.resize(termSlots.size());
        for (size_t k = 0; k < termSlots.size(); ++k)
            s.resolved[k] = &resolveSlot(termSlots[k], code);
    };

    const WholePlans* whole = arithmetic == Arithmetic::Exact ? m_whole.get() : nullptr;
    std::vector<WholeBlock> blocks;
    std::vector<qint64> values;
    NumberList item{NumberSpan()};
    for (size_t i = 0; i < m_controls.size(); ++i) {
        // Whole numbers, nearly every check, are settled in 64 bits from the plan when the check
        // holds; the control's own parts are visited only for a check that does not.
        const WholePlans::Plan* plan = whole ? &whole->plans[i] : nullptr;
        int low = std::numeric_limits<int>::min(), high = std::numeric_limits<int>::max();
        const bool settles = plan && plan->usable
            && wholeBlocks(whole->terms.data() + plan->termsBegin, plan->termsEnd - plan->termsBegin,
                           [&](int slot) -> const ResolvedTable& { return resolveSlot(slot, plan->code); },
                           blocks, &low, &high);
        if (settles)
            values.resize(blocks.size());
        const auto holdsWhole = [&](int n) {
            if (!settles || n < low || n > high || !wholeSums(blocks, n, values.data()))
                return false;
            const WholeOp* ops = whole->ops.data();
            qint64 l, r;
            return evaluateWholeProgram(ops + plan->opsBegin, plan->leftOpsEnd - plan->opsBegin, values.data(), &l)
                && evaluateWholeProgram(ops + plan->leftOpsEnd, plan->opsEnd - plan->leftOpsEnd, values.data(), &r)
                && holds(plan->relation, l, r);
        };
        if (settles) {
            bool all = true;
            if (plan->kind == CycleKind::None)
                all = holdsWhole(0);
            for (quint32 k = plan->itemsBegin; all && k < plan->itemsEnd; ++k)
                for (int n = whole->items[k].first; all && n <= whole->items[k].last; ++n)
                    all = holdsWhole(n);
            if (all)
                continue;
        }

        const Control& c = *m_controls[i];
        if (!c.ok) {
            ControlError e;
            e.text = QStringLiteral("Ошибка в контроле: ") + lineField(c.lft + c.reltion + c.rght)
                + QLatin1Char('\t') + lineField(c.cycl + m_defaultRef) + QLatin1Char('\t') + c.commnt;
            e.code = c.code;
            e.malformed = true;
            e.reason = c.reason;
            e.formName = lineForm;
            e.tableNumber = lineTable;
            errors.append(std::move(e));
            continue;
        }
        resolve(c.leftSlots, left, c.code);
        resolve(c.rightSlots, right, c.code);

        auto check = [&](const NumberList* itemRows, const NumberList* itemColumns, int item) {
            evaluateSide(c.left, c.leftRefs, left, itemRows, itemColumns, arithmetic);
            evaluateSide(c.right, c.rightRefs, right, itemRows, itemColumns, arithmetic);
            if (left.numeric && right.numeric
                && (arithmetic == Arithmetic::Binary ? holds(c.relation, left.binaryValue, right.binaryValue)
                                                     : holds(c.relation, left.value, right.value)))
                return;
            ControlError e;
            QString cycleText;
            if (c.kind == CycleKind::Columns)
                cycleText = QStringLiteral("ГР") + QString::number(item);
            else if (c.kind == CycleKind::Rows)
                cycleText = QStringLiteral("СТР") + QString::number(item);
            cycleText += lineField(m_defaultRef);
            e.code = c.code;
            e.formName = lineForm;
            e.tableNumber = lineTable;
            if (left.outOfRange || right.outOfRange) {
                // No number is shown that the program could not compute exactly.
                e.text = QStringLiteral("Ошибка в контроле: ") + lineField(c.lft + c.reltion + c.rght)
                    + QLatin1Char('\t') + cycleText + QLatin1Char('\t') + c.commnt;
                e.malformed = true;
                e.reason = outOfRangeReason();
                errors.append(std::move(e));
                return;
            }
            if (arithmetic == Arithmetic::Binary)
                e.text = formatControlNumber(left.binaryValue) + lineField(c.reltion)
                    + formatControlNumber(right.binaryValue);
            else
                e.text = sideText(c.left, left) + lineField(c.reltion) + sideText(c.right, right);
            e.text += QLatin1Char('\t') + cycleText + QLatin1Char('\t') + c.commnt;
            e.leftCells = cellsRead(c.leftRefs, left, itemRows, itemColumns);
            e.rightCells = cellsRead(c.rightRefs, right, itemRows, itemColumns);
            errors.append(std::move(e));
        };

        // Every check again from the first, those that held in whole numbers passing at once.
        if (c.kind == CycleKind::None) {
            if (!holdsWhole(0))
                check(nullptr, nullptr, 0);
            continue;
        }
        for (const NumberSpan& span : c.items) {
            for (int n = span.first; n <= span.last; ++n) {
                if (holdsWhole(n))
                    continue;
                item[0] = {n, n};
                if (c.kind == CycleKind::Rows)
                    check(&item, nullptr, n);
                else
                    check(nullptr, &item, n);
            }
        }
    }
}

// --- runs --------------------------------------------------------------------------------------

void RunControls(const QString& defaultRef, TableSource& tables, const TableContext* context)
{
    // The lists are consumed by the run, also when a database error ends it.
    struct Clear {
        ~Clear() { ClearControls(); }
    } clear;
    ControlSet set(defaultRef);
    set.addLoaded();
    QList<ControlError> found;
    set.run(tables, context, found);
    ControlErrors.append(found);
}

void RunControls(const QString& defaultRef)
{
    RunTables tables;
    RunControls(defaultRef, tables, nullptr);
}

void RunControls(const QString& defaultRef, const TableContext& context)
{
    RunTables tables;
    RunControls(defaultRef, tables, &context);
}
