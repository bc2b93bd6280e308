#include "setup/ControlValidator.h"

#include "core/CellRefs.h"
#include "core/Controls.h"
#include "core/Lookups.h"

#include <QStringList>

namespace {

using Field = ControlCheck::Field;

ControlCheck fail(Field field, const QString& reason = QString())
{
    ControlCheck c;
    c.ok = false;
    c.field = field;
    c.reason = reason;
    return c;
}

bool isNumberText(const QString& prepared)
{
    for (QChar ch : prepared)
        if (!ch.isDigit() && ch != u'.')
            return false;
    return true;
}

// No table is ever read: the engine is asked only whether it can read the control.
class NoTables : public TableSource {
public:
    const CellArray* table(const QString&, const QString&) override { return nullptr; }
};

enum class Cycle { None, Columns, Rows };

struct Bounds {
    int firstColumn = 0, lastColumn = 0, lastRow = 0;
};

// The working area of a table as references read it.
bool tableBounds(int formId, const QString& tableNumber, Bounds* b)
{
    const TableShape g = GetTableGeometryById(formId, tableNumber);
    if (!g.found())
        return false;
    b->firstColumn = g.numbering().referenceColumnOfGrid(0);
    b->lastColumn = g.colcount;
    b->lastRow = g.lastReferenceRow();
    return true;
}

// The first number of the list outside low..high, as the user wrote it; 0 items: none.
bool checkList(const NumberList& list, int low, int high, const QString& label, QString* reason)
{
    for (const NumberSpan& s : list) {
        int bad = 0;
        bool out = false;
        if (s.first < low || s.first > high) {
            bad = s.first;
            out = true;
        } else if (s.last > high) {
            bad = s.last;
            out = true;
        }
        if (out) {
            *reason = QStringLiteral("%1 № %2 вне рабочей области таблицы").arg(label).arg(bad);
            return false;
        }
    }
    return true;
}

// Brackets first, with their own messages, then the engine's reading and the rules it does not
// share: no sign without a left operand, an operator between every two operands.
ControlCheck checkSide(const ControlScope& scope, const QString& text, Field field, Cycle cycle,
                       const NumberList& cycleItems)
{
    const QString p = prepareControlText(text);
    if (p.isEmpty())
        return fail(field, QStringLiteral("Не задано выражение"));
    int depth = 0;
    for (QChar ch : p) {
        if (ch == u'(')
            ++depth;
        else if (ch == u')')
            --depth;
    }
    if (depth != 0)
        return fail(field, QStringLiteral("Нарушен баланс скобок"));
    depth = 0;
    for (QChar ch : p) {
        if (ch == u'(')
            ++depth;
        else if (ch == u')' && --depth < 0)
            return fail(field, QStringLiteral("Неправильная последовательность скобок"));
    }
    Expression e;
    QString reason;
    if (!e.parse(p, &reason))
        return fail(field, reason);

    using T = Expression::Token;
    const auto& tokens = e.tokens();
    auto isOperator = [](T::Kind k) {
        return k == T::Plus || k == T::Minus || k == T::Star || k == T::Slash;
    };
    auto isOperand = [](T::Kind k) { return k == T::Number || k == T::Term; };
    for (size_t i = 0; i < tokens.size(); ++i) {
        const T::Kind k = tokens[i].kind;
        const T::Kind prev = i > 0 ? tokens[i - 1].kind : T::Open;
        if (isOperator(k) && (prev == T::Open || isOperator(prev)))
            return fail(field);   // a sign without its left operand
        if ((isOperand(k) || k == T::Open) && (isOperand(prev) || prev == T::Close) && i > 0)
            return fail(field, QStringLiteral("Пропущен знак действия после %1").arg(tokens[i - 1].text));
    }

    const QString scopeForm = prepareControlText(scope.formName);
    for (const T& t : tokens) {
        if (t.kind == T::Number) {
            if (!isNumberText(t.text))
                return fail(field);
            continue;
        }
        if (t.kind != T::Term)
            continue;
        const CellRef& ref = e.terms()[size_t(t.index)];
        const QString operand = t.text;
        int formId = scope.formId;
        if (scope.kind == ControlKind::BetweenForms) {
            if (!ref.hasForm())
                return fail(field, QStringLiteral("Не задана форма\n%1").arg(operand));
            formId = FormIdByNameForControls(ref.form);
            if (formId < 0)
                return fail(field, QStringLiteral("Несуществующая форма - %1").arg(operand));
        } else if (ref.hasForm() && ref.form != scopeForm) {
            return fail(field, QStringLiteral("Ссылка на другую форму - %1").arg(operand));
        }
        QString tableNumber;
        if (ref.hasTable())
            tableNumber = ref.tableNumber();
        else if (scope.kind == ControlKind::WithinTable)
            tableNumber = scope.tableNumber;
        else
            return fail(field, QStringLiteral("Не задана таблица\n%1").arg(operand));
        Bounds b;
        if (!tableBounds(formId, tableNumber, &b))
            return fail(field, QStringLiteral("Несуществующая таблица - %1").arg(operand));
        const NumberList& rows = ref.hasRows() ? ref.rows : cycleItems;
        const NumberList& columns = ref.hasColumns() ? ref.columns : cycleItems;
        if (!ref.hasRows() && cycle != Cycle::Rows)
            return fail(field, QStringLiteral("Не заданы строки - %1").arg(operand));
        if (!ref.hasColumns() && cycle != Cycle::Columns)
            return fail(field, QStringLiteral("Не заданы графы - %1").arg(operand));
        if (!checkList(rows, 1, b.lastRow, QStringLiteral("Строка"), &reason)
            || !checkList(columns, b.firstColumn, b.lastColumn, QStringLiteral("Графа"), &reason))
            return fail(field, reason);
    }
    return ControlCheck();
}

} // namespace

ControlKind storedControlKind(int formid, const QString& tble)
{
    if (formid == 0)
        return ControlKind::BetweenForms;
    if (!tble.trimmed().isEmpty())
        return ControlKind::WithinTable;
    return ControlKind::BetweenTables;
}

QString pickedCellsReference(const ControlScope& scope, const QString& picked)
{
    QString reference = picked;
    if (scope.kind != ControlKind::WithinTable)
        reference = QStringLiteral("т") + scope.tableNumber + reference;
    if (scope.kind == ControlKind::BetweenForms)
        reference = scope.formName + reference;
    return reference;
}

QString defaultReference(const ControlScope& scope)
{
    switch (scope.kind) {
    case ControlKind::WithinTable: {
        QString number = scope.tableNumber;
        if (number.startsWith(u'(') && number.endsWith(u')') && number.size() >= 2)
            number = number.mid(1, number.size() - 2);
        return scope.formName + QStringLiteral("Т[") + number + QLatin1Char(']');
    }
    case ControlKind::BetweenTables:
        return scope.formName;
    case ControlKind::BetweenForms:
        break;
    }
    return QString();
}

QString generalMessage(ControlCheck::Field field)
{
    switch (field) {
    case Field::Relation: return QStringLiteral("Не задано условие!");
    case Field::Cycle: return QStringLiteral("Ошибка в описании цикла!");
    case Field::Left:
    case Field::Right: return QStringLiteral("Ошибка в выражении");
    case Field::None: break;
    }
    return QString();
}

QString ControlCheck::text() const
{
    return reason.isEmpty() ? generalMessage(field) : reason;
}

ControlCheck checkControl(const ControlScope& scope, const QString& lft, const QString& reltion,
                          const QString& rght, const QString& cycl)
{
    static const QStringList kRelations = {QStringLiteral("="), QStringLiteral("<>"), QStringLiteral(">"),
                                           QStringLiteral(">="), QStringLiteral("<"), QStringLiteral("<=")};
    const QString relation = prepareControlText(reltion);
    if (relation.isEmpty())
        return fail(Field::Relation, QStringLiteral("Не задано условие!"));
    if (!kRelations.contains(relation))
        return fail(Field::Relation, QStringLiteral("Неизвестное отношение \"%1\"").arg(reltion));

    if (scope.kind == ControlKind::WithinTable) {
        Bounds b;
        if (!tableBounds(scope.formId, scope.tableNumber, &b))
            return fail(Field::Left, QStringLiteral("Несуществующая таблица - %1").arg(scope.tableNumber));
    }
    if (scope.kind != ControlKind::BetweenForms && scope.formId <= 0)
        return fail(Field::Left, QStringLiteral("Не задана форма"));

    const QString left = prepareControlText(lft);
    const QString right = prepareControlText(rght);
    const QString cycleText = prepareControlText(cycl);
    Cycle cycle = Cycle::None;
    NumberList items;
    if (!cycleText.isEmpty()) {
        QStringView list;
        if (cycleText.startsWith(QStringLiteral("ГР"))) {
            cycle = Cycle::Columns;
            list = QStringView(cycleText).sliced(2);
            if (left.contains(QStringLiteral("ГР")) || right.contains(QStringLiteral("ГР")))
                return fail(Field::Left, QStringLiteral("При цикле по графам нельзя указывать графы в условии"));
        } else if (cycleText.startsWith(QStringLiteral("СТР"))) {
            cycle = Cycle::Rows;
            list = QStringView(cycleText).sliced(3);
            if (left.contains(QStringLiteral("СТР")) || right.contains(QStringLiteral("СТР")))
                return fail(Field::Left, QStringLiteral("При цикле по строкам нельзя указывать строки в условии"));
        } else {
            return fail(Field::Cycle, QStringLiteral("Ошибка в выражении цикла!"));
        }
        if (list.startsWith(u'[') && !list.endsWith(u']'))
            return fail(Field::Cycle, QStringLiteral("Ошибка в выражении цикла!"));
        QString reason;
        if (!readNumberList(list, &items, &reason))
            return fail(Field::Cycle, reason);
        if (scope.kind == ControlKind::WithinTable) {
            Bounds b;
            if (!tableBounds(scope.formId, scope.tableNumber, &b))
                return fail(Field::Cycle, QStringLiteral("Несуществующая таблица - %1").arg(scope.tableNumber));
            const bool columns = cycle == Cycle::Columns;
            if (!checkList(items, columns ? b.firstColumn : 1, columns ? b.lastColumn : b.lastRow,
                           columns ? QStringLiteral("Графа") : QStringLiteral("Строка"), &reason))
                return fail(Field::Cycle, reason);
        }
    } else if (scope.kind == ControlKind::WithinTable) {
        // Without a cycle a reference within the table must name its row and its column.
        for (const QString& side : {left, right})
            if (!isNumberText(side)
                && !(side.contains(QStringLiteral("ГР")) && side.contains(QStringLiteral("СТР"))))
                return fail(Field::Cycle, QStringLiteral("Ошибка в описании цикла!"));
    }

    ControlCheck c = checkSide(scope, lft, Field::Left, cycle, items);
    if (!c.ok)
        return c;
    c = checkSide(scope, rght, Field::Right, cycle, items);
    if (!c.ok)
        return c;

    // The last word is the engine's: a control it cannot read would give its error line in
    // every run.
    ControlSet set(defaultReference(scope));
    set.add(0, lft, reltion, rght, cycl, QString());
    NoTables none;
    QList<ControlError> errors;
    set.run(none, nullptr, errors);
    for (const ControlError& e : errors)
        if (e.malformed)
            return fail(Field::Left, e.reason);
    return ControlCheck();
}
