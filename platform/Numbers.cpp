#include "platform/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

// The digits and decimal exponent of the shortest text that reads back as `value` (no sign).
void shortestDigits(double value, std::string* digits, int* exponent)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    const std::string s(buf, res.ptr);
    const auto e = s.find('e');
    std::string mantissa = s.substr(0, e);
    *exponent = std::stoi(s.substr(e + 1));
    mantissa.erase(std::remove(mantissa.begin(), mantissa.end(), '.'), mantissa.end());
    *digits = mantissa;
}

// Decimal text of |value| rounded to `decimals` places, halves away from zero.
std::string roundedText(double value, int decimals)
{
    std::string digits;
    int exponent = 0;
    shortestDigits(value, &digits, &exponent);
    // digits d0 d1 d2 ... means d0.d1d2... * 10^exponent; the integer part has exponent+1 digits.
    const int intDigits = exponent + 1;
    std::string whole;   // all digits of the fixed form, with `decimals` fraction digits
    const int keep = intDigits + decimals;   // digits kept from `digits` (may be <= 0)
    bool roundUp = false;
    if (keep < 0) {
        roundUp = false;
    } else if (keep == 0) {
        roundUp = digits[0] >= '5';
    } else if (keep < int(digits.size())) {
        roundUp = digits[keep] >= '5';
    }
    if (keep > 0) {
        std::string kept = digits.substr(0, std::min<size_t>(keep, digits.size()));
        kept.append(std::max<int>(0, keep - int(kept.size())), '0');
        whole = kept;
    }
    if (roundUp) {
        int i = int(whole.size()) - 1;
        while (i >= 0 && whole[i] == '9') {
            whole[i] = '0';
            --i;
        }
        if (i >= 0)
            ++whole[i];
        else
            whole.insert(whole.begin(), '1');
    }
    // Pad so there is at least one integer digit.
    if (int(whole.size()) < decimals + 1)
        whole.insert(whole.begin(), decimals + 1 - whole.size(), '0');
    std::string out = whole.substr(0, whole.size() - decimals);
    if (decimals > 0)
        out += '.' + whole.substr(whole.size() - decimals);
    return out;
}

bool allZero(const std::string& s)
{
    for (char c : s)
        if (c != '0' && c != '.')
            return false;
    return true;
}

} // namespace

QString formatFixed(double value, int decimals)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return decimals > 0 ? QStringLiteral("0.") + QString(decimals, QLatin1Char('0')) : QStringLiteral("0");
    const std::string text = roundedText(value, decimals);
    // No "-0.00": a value that rounds to zero has no sign.
    const bool negative = value < 0 && !allZero(text);
    return QString::fromLatin1((negative ? "-" : "") + text);
}

double roundTo(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    return formatFixed(value, decimals).toDouble();
}

QString formatNumber(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");
    // 15 significant digits, as the program always showed them; fixed notation while it fits.
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e15 || magnitude < 1e-5)
        return QString::number(value, 'g', 15).toUpper();
    const int intDigits = magnitude >= 1 ? int(std::floor(std::log10(magnitude))) + 1 : 0;
    const int decimals = std::max(0, 15 - intDigits);
    QString s = formatFixed(value, decimals);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    return s;
}

std::optional<double> parseNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (QChar c : t) {
        // Only plain decimal notation: no hex, no "inf", no "," as a separator.
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('+')
              || c == QLatin1Char('e') || c == QLatin1Char('E')))
            return std::nullopt;
    }
    bool ok = false;
    const double v = t.toDouble(&ok);   // QString::toDouble reads "." whatever the locale
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int> parseInt(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

QString upperCase(const QString& text) { return text.toUpper(); }

bool sameName(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}
