#include "core/Lookups.h"

#include "platform/Numbers.h"

#include <QLatin1Char>

namespace {

int formIndexById(int formId)
{
    return IndexOfObjectId(formId, FormsList);
}

bool isCachedForm(int formId)
{
    return formId != -1 && formIndexById(formId) >= 0;
}

// An empty table number stands for the form's first table: a reference that names a form
// without a table means that table.
bool tableNumberMatches(const TableShape& t, const QString& number)
{
    return number.isEmpty() || QString::compare(t.tablen, number, Qt::CaseInsensitive) == 0;
}

TableShape geometryAt(int index)
{
    return index < 0 ? TableShape() : TableInfo[index];
}

}

QString FormNameById(int formId)
{
    const int i = formIndexById(formId);
    return i >= 0 && i < FormNames.size() ? FormNames[i] : QString();
}

int FormIdByName(const QString& formName)
{
    if (formName.isEmpty())
        return -1;
    const int i = int(FormNames.indexOf(upperCase(formName)));
    return i >= 0 ? FormsList.objects[i] : -1;
}

int FormIdByNameForControls(const QString& formName)
{
    return FormIdByName(formName);
}

int FindTableIndex(const QString& formName, const QString& tableNumber)
{
    // Tables whose form is not cached carry an empty form name; no name may find them.
    if (formName.isEmpty())
        return -1;
    const QString form = upperCase(formName);
    for (int i = 0; i < TableInfo.size(); ++i) {
        const TableShape& t = TableInfo[i];
        if (t.formName == form && tableNumberMatches(t, tableNumber))
            return i;
    }
    return -1;
}

int FindTableIndexByFormId(int formId, const QString& tableNumber)
{
    if (!isCachedForm(formId))
        return -1;
    for (int i = 0; i < TableInfo.size(); ++i) {
        const TableShape& t = TableInfo[i];
        if (t.form == formId && tableNumberMatches(t, tableNumber))
            return i;
    }
    return -1;
}

int FindTableIdent(const QString& formName, const QString& tableNumber)
{
    const int i = FindTableIndex(formName, tableNumber);
    return i >= 0 ? TableInfo[i].ident : -1;
}

int FindTableIdentByFormId(int formId, const QString& tableNumber)
{
    const int i = FindTableIndexByFormId(formId, tableNumber);
    return i >= 0 ? TableInfo[i].ident : -1;
}

int FindTableIdentByFormId(const QString& formId, const QString& tableNumber)
{
    const std::optional<int> id = parseInt(formId);
    return id ? FindTableIdentByFormId(*id, tableNumber) : -1;
}

int FindTableIndexByIdent(int tableIdent)
{
    for (int i = 0; i < TableInfo.size(); ++i) {
        if (TableInfo[i].ident == tableIdent)
            return i;
    }
    return -1;
}

TableShape GetTableGeometry(const QString& formName, const QString& tableNumber)
{
    return geometryAt(FindTableIndex(formName, tableNumber));
}

TableShape GetTableGeometryById(int formId, const QString& tableNumber)
{
    return geometryAt(FindTableIndexByFormId(formId, tableNumber));
}

int IndexOfObjectId(int id, const IdStringList& list)
{
    return IndexOfObjectId(id, list.objects);
}

int IndexOfObjectId(int id, const QList<int>& objects)
{
    return int(objects.indexOf(id));
}

QString ReplaceChar(QChar newChar, QChar oldChar, const QString& text)
{
    QString result = text;
    result.replace(oldChar, newChar);
    return result;
}

QString ShiftNumberList(const QString& list, int offset, bool* ok)
{
    if (ok)
        *ok = true;
    if (list.isEmpty())
        return QString();
    QStringList items = list.split(QLatin1Char(','));
    for (QString& item : items) {
        const std::optional<int> n = parseInt(item);
        if (n)
            item = QString::number(*n + offset);
        else if (ok)
            *ok = false;
    }
    return items.join(QLatin1Char(','));
}

QString ExpandRangeList(const QString& list, bool* ok)
{
    if (ok)
        *ok = true;
    const QStringList items = list.split(QLatin1Char(','));
    QString result;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString& item = items[i];
        const qsizetype dots = item.indexOf(QStringLiteral(".."));
        if (dots >= 0) {
            const std::optional<int> from = parseInt(item.left(dots));
            const std::optional<int> to = parseInt(item.mid(dots + 2));
            if (from && to) {
                const qint64 length = qint64(*to) - qint64(*from) + 1;
                if (length > MaxRangeLength) {
                    if (ok)
                        *ok = false;
                    continue;
                }
                for (qint64 n = *from; n <= *to; ++n)
                    result += QString::number(n) + QLatin1Char(',');
                continue;
            }
        }
        result += item;
        if (i + 1 < items.size())
            result += QLatin1Char(',');
    }
    if (result.endsWith(QLatin1Char(',')))
        result.chop(1);
    return result;
}

int PosFrom(const QString& pattern, const QString& text, int start)
{
    const qsizetype found = text.indexOf(pattern, qMax(start, 1) - 1);
    return found >= 0 ? int(found) + 1 : int(text.size()) + 1;
}

int LastPosBefore(const QString& text, int position, const QString& pattern)
{
    int i = position - int(pattern.size());
    if (i < 1)
        return i;
    i = qMin(i, int(text.size() - pattern.size()) + 1);
    while (i > 0 && QStringView(text).mid(i - 1, pattern.size()) != pattern)
        --i;
    return qMax(i, 0);
}

bool IsNumber(const QString& text)
{
    for (const QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')))
            return false;
    }
    return true;
}

void FillResultList(ResultList& list, const QStringList& lines, const QString& heading,
                    const QList<int>& objects)
{
    list.clearList();
    const QChar tab(QLatin1Char('\t'));
    list.columns = heading.split(tab);
    const qsizetype subColumns = list.columns.size() - 1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        ResultListItem item;
        if (i < objects.size())
            item.object = objects[i];
        const qsizetype firstTab = line.indexOf(tab);
        QString rest;
        if (firstTab < 0) {
            rest = line;
        } else {
            item.caption = line.left(firstTab);
            rest = line.mid(firstTab + 1);
        }
        // A line without a tab still shows its text, even under a heading of one column.
        const qsizetype count = firstTab < 0 ? qMax<qsizetype>(subColumns, 1) : subColumns;
        for (qsizetype c = 0; c < count; ++c) {
            const qsizetype next = rest.indexOf(tab);
            if (c + 1 == count || next < 0) {
                item.subItems.append(rest);
                rest.clear();
            } else {
                item.subItems.append(rest.left(next));
                rest = rest.mid(next + 1);
            }
        }
        list.items.append(item);
    }
}
