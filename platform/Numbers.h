#pragma once
// Numbers are read and written with "." whatever the locale. Never printf/strtod here: Qt sets
// the C locale from the environment at start-up, and a Russian one would turn "." into ",".

#include <QString>
#include <optional>

// The value rounded to `decimals` places, exact halves away from zero. Halves are judged on the
// shortest decimal text of the double, so 0.125 and 1.005 both round up as a person expects.
double roundTo(double value, int decimals);
// Fixed notation with `decimals` places at any size, "." separator: formatFixed(-0.125, 2) is "-0.13".
QString formatFixed(double value, int decimals);
inline QString formatFixed2(double value) { return formatFixed(value, 2); }
// The program's general number text: up to 15 significant digits, no trailing zeros, "." separator.
QString formatNumber(double value);
// A number written with "." (blanks around it allowed); nothing for anything else.
std::optional<double> parseNumber(const QString& text);
// A whole number (blanks around it allowed); nothing for anything else.
std::optional<int> parseInt(const QString& text);

// Upper case by Unicode rules (Cyrillic included).
QString upperCase(const QString& text);
// Names compared the way the users see them: without regard to letter case.
bool sameName(const QString& a, const QString& b);
