#include "entry/CellEntry.h"

#include "platform/Numbers.h"

#include <cmath>

namespace {

// Longer operands lose digits in a double; nobody reports such figures.
constexpr int MaxOperandDigits = 15;

bool isSign(QChar c) { return c == QLatin1Char('+') || c == QLatin1Char('-'); }
bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The position of the pending operation; a minus in front belongs to the first operand.
qsizetype operationAt(const QString& s)
{
    for (qsizetype i = 1; i < s.size(); ++i)
        if (isSign(s[i]))
            return i;
    return -1;
}

QString currentOperand(const QString& s)
{
    const qsizetype p = operationAt(s);
    return p < 0 ? s : s.mid(p + 1);
}

int digitCount(const QString& s)
{
    int n = 0;
    for (QChar c : s)
        n += isAsciiDigit(c) ? 1 : 0;
    return n;
}

// "-", "." and "" are what is left of a number while it is being typed; they stand for 0.
double operandValue(QString s)
{
    if (digitCount(s) == 0)
        return 0;
    if (s.endsWith(QLatin1Char('.')))
        s += QLatin1Char('0');
    return parseNumber(s).value_or(0);
}

// A whole result stays whole; anything else keeps its decimals, never in exponent form (an
// "E+" would read as a pending sum).
QString numberText(double v)
{
    if (v == std::trunc(v))
        return formatFixed(v, 0);
    const QString s = formatNumber(v);
    return s.contains(QLatin1Char('E')) ? formatFixed(v, 2) : s;
}

} // namespace

QString EvaluateEntry(const QString& text, bool allowsFraction)
{
    const qsizetype p = operationAt(text);
    if (p < 0)
        return text;
    const double a = operandValue(text.left(p));
    const double b = operandValue(text.mid(p + 1));
    const double r = text[p] == QLatin1Char('+') ? a + b : a - b;
    return allowsFraction ? formatFixed(r, 2) : numberText(r);
}

void CellEntry::start(const QString& text)
{
    m_text = text;
    m_oldText = text;
}

CellEntry::Result CellEntry::type(QChar ch)
{
    const QString refused = refusalOf(ch);
    m_refusal = refused;
    if (!refused.isEmpty())
        return Result::Refused;
    if (isAsciiDigit(ch))
        m_text += ch;
    else if (ch == QLatin1Char('.') || ch == QLatin1Char(','))
        m_text += QLatin1Char('.');
    else if (isSign(ch))
        m_text = EvaluateEntry(m_text, m_allowsFraction) + ch;
    else if (ch == Backspace)
        m_text.chop(1);
    else
        m_text.clear();   // the clearing character
    return Result::Changed;
}

// Each refusal is said, since a key dropped in silence changes the number meant: "1,5" typed
// into a table of whole numbers would otherwise read as 15.
QString CellEntry::refusalOf(QChar ch) const
{
    if (isAsciiDigit(ch))
        return digitCount(currentOperand(m_text)) >= MaxOperandDigits
                   ? QStringLiteral("В числе не больше %1 цифр").arg(MaxOperandDigits)
                   : QString();
    if (ch == QLatin1Char('.') || ch == QLatin1Char(',')) {
        if (!m_allowsFraction)
            return QStringLiteral("Таблица в целых числах: дробная часть не вводится");
        return currentOperand(m_text).contains(QLatin1Char('.')) ? QStringLiteral("В числе уже есть десятичная точка")
                                                                 : QString();
    }
    if (isSign(ch)) {
        // A sign needs a number before it: not first, not twice in a row.
        if (digitCount(m_text) == 0)
            return QStringLiteral("Отрицательные числа не вводятся: знак ставится только после числа");
        return digitCount(currentOperand(m_text)) == 0 ? QStringLiteral("После знака нужно число, а не второй знак")
                                                       : QString();
    }
    if (ch == Backspace)
        return m_text.isEmpty() ? QStringLiteral("Ячейка пуста: стирать нечего") : QString();
    // The clearing character: code 255 of the Russian code page, and its Latin-1 twin.
    if (ch == QChar(0x044F) || ch == QChar(0x00FF))
        return QString();
    return m_allowsFraction ? QStringLiteral("В ячейку вводятся только цифры, точка и знаки \"+\" и \"-\"")
                            : QStringLiteral("В ячейку вводятся только цифры и знаки \"+\" и \"-\"");
}

bool CellEntry::clear()
{
    if (m_text.isEmpty())
        return false;
    m_text.clear();
    return true;
}

bool CellEntry::undo()
{
    if (!changed())
        return false;
    m_text = m_oldText;
    return true;
}

double CellEntry::value() const
{
    QString s = m_text;
    if (!s.isEmpty() && isSign(s.back()))
        s.chop(1);
    const QString evaluated = EvaluateEntry(s, m_allowsFraction);
    const double v = operationAt(evaluated) < 0 ? operandValue(evaluated) : 0;
    return v == 0 ? 0.0 : v;   // no -0 in the table
}
