#include "entry/GridModel.h"

#include "core/Common.h"
#include "core/Lookups.h"
#include "core/TableCells.h"
#include "entry/CellStore.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

#include <algorithm>

GridContext GridContext::fromGlobals()
{
    GridContext c;
    c.workMode = WorkMode;
    c.netMode = NetMode;
    c.institutionId = CurrentInstitutionId;
    c.year = ReportYear;
    c.dataTablePrefix = DataTablePrefix;
    return c;
}

GridModel::GridModel() = default;
GridModel::~GridModel() = default;

namespace {
bool typesMode(const GridContext& c) { return sameName(c.workMode, QStringLiteral("Types")); }
}

GridModel::OpenStatus GridModel::open(Database& dictionary, Database& data, int formId,
                                      const QString& formName, const QString& tableNumber)
{
    m_open = false;
    m_loadError.clear();
    m_readOnly = true;
    m_dataBusy = false;
    QString refused;
    std::optional<TableLayout> layout = readTableLayout(dictionary, formId, tableNumber, &refused);
    if (!layout && !refused.isEmpty()) {
        m_loadError = refused;
        return OpenStatus::Refused;
    }
    if (!layout)
        return OpenStatus::NotDefined;
    m_layout = std::move(*layout);
    m_geometry = GridGeometry(m_layout);
    m_headers = placeHeaders(m_layout, m_geometry);
    m_context = GridContext::fromGlobals();
    m_data = &data;
    m_rows = std::make_unique<DataRows>(&data);
    setFractions(m_layout.floattype != 0);
    const qsizetype cells = qsizetype(columnCount()) * rowCount();
    m_marks = QList<ErrorMark>(cells, ErrorMark::None);
    m_picked = QList<bool>(cells, false);
    m_unsaved = QList<bool>(cells, false);

    // Whatever another table left in the array must not show here or be written back.
    CellValues = CellArray();
    if (!showsNumbers()) {
        // The expression builder of the controls: nobody's data, so nothing to read (its road
        // names no data table either) and nothing to write; the empty table is all it shows.
        CellValues = m_layout.emptyCells(CellOwner());
        CellRowOffset = m_layout.fixrows - 1;
        m_readOnly = true;
        m_open = true;
        m_col = 0;
        m_row = 0;
        enterFocused();
        return OpenStatus::Opened;
    }
    bool loaded = false;
    QString error;
    try {
        loaded = LoadTableCells(m_context.institutionId, formName, tableNumber, &error);
    } catch (const DbError& e) {
        error = e.userText();
    }
    if (loaded) {
        const bool sameTable = CellValues.owner().table == m_layout.ident && m_layout.shapes(CellValues);
        if (!sameTable) {
            loaded = false;
            error = QStringLiteral("Описание таблицы в словаре изменилось после загрузки списка таблиц.");
        }
    }
    if (!loaded) {
        if (error.isEmpty())
            error = QStringLiteral("Не удалось загрузить значения таблицы.");
        m_loadError = error + QStringLiteral("\nТаблица открыта только для просмотра.");
    }
    m_readOnly = !loaded || typesMode(m_context) || m_context.institutionId == 0;
    m_open = true;
    m_col = 0;
    m_row = 0;
    enterFocused();
    return OpenStatus::Opened;
}

bool GridModel::showsNumbers() const
{
    return m_context.netMode || m_context.institutionId != 0 || typesMode(m_context);
}

void GridModel::setFractions(bool on)
{
    m_showTwoDecimals = on;
    m_entry.setAllowsFraction(on);
}

double GridModel::value(int c, int r) const
{
    return inside(c, r) ? CellValues.value(storedColumn(c), storedRow(r)) : 0;
}

QString GridModel::entryTextOf(int c, int r) const
{
    const double v = value(c, r);
    return v == 0 ? QString() : formatFixed(v, m_showTwoDecimals ? 2 : 0);
}

QString GridModel::displayText(int c, int r) const
{
    const double v = value(c, r);
    if (v == 0 && errorMark(c, r) == ErrorMark::None)
        return QString();
    return formatFixed(v, m_showTwoDecimals ? 2 : 0);
}

QString GridModel::shownText(int c, int r) const
{
    if (!showsNumbers())
        return QString();
    if (c == m_col && r == m_row)
        return m_entry.text();
    return displayText(c, r);
}

QString GridModel::statusText() const
{
    const CellNumbering n = numbering();
    return QStringLiteral("Строка %1, Графа %2").arg(n.referenceRowOfGrid(m_row)).arg(n.referenceColumnOfGrid(m_col));
}

void GridModel::enterFocused()
{
    m_entry.start(entryTextOf(m_col, m_row));
}

QString GridModel::moveTo(int c, int r)
{
    if (!m_open || columnCount() == 0 || rowCount() == 0)
        return QString();
    c = std::clamp(c, 0, columnCount() - 1);
    r = std::clamp(r, 0, rowCount() - 1);
    if (c == m_col && r == m_row)
        return QString();
    m_quietFailure = false;
    const QString error = putData();
    m_col = c;
    m_row = r;
    enterFocused();
    return m_quietFailure ? QString() : error;
}

namespace {
// The first save into a busy file waits a moment for a lock another program holds briefly;
// typing from cell to cell must never stall for the engine's full wait.
constexpr int kCellSaveWaitMs = 500;
}

QString GridModel::saveCellAt(int c, int r)
{
    const CellKey key{m_context.year, m_context.institutionId, m_layout.ident, storedColumn(c),
                      storedRow(r)};
    try {
        BusyWait wait(*m_data, m_dataBusy ? 0 : kCellSaveWaitMs);
        m_rows->saveCell(m_context.dataTablePrefix, key, value(c, r));
    } catch (const DbError& e) {
        m_unsaved[index(c, r)] = true;
        const bool busy = e.kind() == DbError::Kind::Busy;
        m_quietFailure = busy && m_dataBusy;
        m_dataBusy = busy;
        return QStringLiteral("Значение ячейки (Строка %1, Графа %2) не сохранено.\n%3\n"
                              "Ячейка отмечена цветом: её значение будет записано снова, когда "
                              "курсор покинет её.")
            .arg(numbering().referenceRowOfGrid(r))
            .arg(numbering().referenceColumnOfGrid(c))
            .arg(e.userText());
    }
    m_dataBusy = false;
    m_unsaved[index(c, r)] = false;
    return QString();
}

QString GridModel::putData()
{
    if (!m_open || m_readOnly || !inside(m_col, m_row))
        return QString();
    const bool changed = m_entry.changed();
    if (!changed && !m_unsaved[index(m_col, m_row)])
        return QString();
    if (changed) {
        if (!CellValues.set(storedColumn(m_col), storedRow(m_row), m_entry.value()))
            return QStringLiteral("Ячейка вне таблицы: значение не сохранено.");
        m_entry.commit();
    }
    return saveCellAt(m_col, m_row);
}

GridModel::KeyResult GridModel::keyPress(int key, QChar text)
{
    KeyResult result;
    if (!m_open)
        return result;
    if (key == Qt::Key_Space) {
        int c = m_col + 1;
        int r = m_row;
        if (c >= columnCount()) {
            c = 0;
            if (r < rowCount() - 1)
                ++r;
        }
        result.error = moveTo(c, r);
        result.outcome = KeyOutcome::Moved;
        return result;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        result.error = moveTo(0, std::min(m_row + 1, rowCount() - 1));
        result.outcome = KeyOutcome::Moved;
        return result;
    }
    if (key == Qt::Key_Escape) {
        result.outcome = KeyOutcome::Close;
        return result;
    }
    if (m_readOnly) {
        result.refusal = QStringLiteral("Таблица открыта только для просмотра: значения не вводятся");
        return result;
    }
    const QChar typed = key == Qt::Key_Backspace ? CellEntry::Backspace : text;
    if (m_entry.type(typed) == CellEntry::Result::Changed)
        result.outcome = KeyOutcome::Changed;
    else
        result.refusal = m_entry.refusal();
    return result;
}

bool GridModel::undo()
{
    return !m_readOnly && m_entry.undo();
}

bool GridModel::clearEntry()
{
    return !m_readOnly && m_entry.clear();
}

bool GridModel::isUnsaved(int c, int r) const
{
    return inside(c, r) && m_unsaved[index(c, r)];
}

bool GridModel::hasUnsavedCells() const
{
    return m_unsaved.contains(true);
}

QString GridModel::saveUnsaved()
{
    QString first;
    for (int c = 0; c < columnCount(); ++c)
        for (int r = 0; r < rowCount(); ++r)
            if (m_unsaved[index(c, r)]) {
                const QString error = saveCellAt(c, r);
                if (first.isEmpty())
                    first = error;
                if (m_dataBusy)
                    return first;
            }
    return first;
}

void GridModel::valuesReplaced()
{
    m_unsaved.fill(false);
    m_dataBusy = false;
    enterFocused();
}

void GridModel::reloadHeaders(Database& dictionary)
{
    if (!m_open)
        return;
    // Read through the table's number as the grid opened it: the ident alone could meet a
    // table renumbered meanwhile, and then its titles would be placed on these sizes.
    std::optional<TableLayout> fresh;
    if (const std::optional<TableShape> shape = readTableShape(dictionary, m_layout.ident))
        fresh = readTableLayout(dictionary, shape->form, shape->tablen);
    if (!fresh || fresh->ident != m_layout.ident || fresh->colcount != m_layout.colcount
        || fresh->rowcount != m_layout.rowcount || fresh->fixcols != m_layout.fixcols
        || fresh->fixrows != m_layout.fixrows)
        return;
    m_layout.titles = std::move(fresh->titles);
    m_headers = placeHeaders(m_layout, m_geometry);
}

GridModel::ErrorMark GridModel::errorMark(int c, int r) const
{
    return inside(c, r) ? m_marks[index(c, r)] : ErrorMark::None;
}

void GridModel::setErrorMark(int c, int r, ErrorMark mark)
{
    if (inside(c, r))
        m_marks[index(c, r)] = mark;
}

void GridModel::clearErrorMarks()
{
    m_marks.fill(ErrorMark::None);
}

bool GridModel::isPicked(int c, int r) const
{
    return inside(c, r) && m_picked[index(c, r)];
}

void GridModel::setPicked(int c, int r, bool picked)
{
    if (inside(c, r))
        m_picked[index(c, r)] = picked;
}

void GridModel::clearPicked()
{
    m_picked.fill(false);
}

QList<int> GridModel::headersOfLayoutRow(int layoutRow) const
{
    QList<int> out;
    for (qsizetype i = 0; i < m_headers.size(); ++i)
        if (m_headers[i].panel == HeaderPanel::RowHeaders && m_headers[i].coversLayoutRow(layoutRow))
            out.append(int(i));
    return out;
}

QList<int> GridModel::headersOfLayoutColumn(int layoutColumn) const
{
    QList<int> out;
    for (qsizetype i = 0; i < m_headers.size(); ++i)
        if (m_headers[i].panel == HeaderPanel::ColumnHeaders
            && m_headers[i].coversLayoutColumn(layoutColumn))
            out.append(int(i));
    return out;
}
