#pragma once
// The served population of a report year: for every unit of the administrative structure in
// "populations1" (keyed by administration.id), for every summary report in "populations" (keyed
// by reports.id). Four whole figures: all, adults, teenagers, children.
//
// The dialogs show a figure as the text of its field ("" for none); these functions read, sum and
// write such texts, so the windows only put them into their fields and take them back.

#include <QList>
#include <QString>
#include <array>
#include <optional>

class Database;

enum class PopulationOf {
    Unit,     // populations1, key administration.id
    Report,   // populations, key reports.id
};

// "Всего", "Взрослые", "Подростки", "Дети" in the order of the table's columns
// common, olds, teens, childs.
using PopulationTexts = std::array<QString, 4>;
using PopulationFigures = std::array<qint64, 4>;

// The longest figure a field takes as typed: a unit's own figures, and a report's, which sums a
// territory.
inline constexpr int UnitFigureDigits = 8;
inline constexpr int ReportFigureDigits = 9;

// The stored figures of `key` in `year` as texts; nothing when the year has no row for it. A null
// column gives an empty text.
std::optional<PopulationTexts> readPopulation(Database& dictionary, PopulationOf of, int year, int key);

// The sums of the units' populations1 figures of `year`. Four empty texts when none of the units
// has a row, also for an empty list (no statement runs then).
PopulationTexts sumPopulation(Database& dictionary, int year, const QList<int>& unitIds);

// The institutions a summary report sums: its "include" read exactly as written. False with a
// Russian `error` when there is no such report or the list is not a list of ids.
bool reportInstitutions(Database& dictionary, int reportId, QList<int>& ids, QString* error);

// The figures of shown texts: whole numbers of at most 15 digits, blanks around them allowed,
// an empty field counts as 0. Nothing, with a Russian `error` naming the field, for anything else.
std::optional<PopulationFigures> parsePopulation(const PopulationTexts& shown, QString* error);

enum class PopulationSave { Unchanged, Inserted, Updated, Invalid };

// Writes the shown figures of `key` in `year` when they differ from the stored ones or, when the
// year has no row for it yet, when any field is not empty; a set left as stored writes nothing.
// Invalid (nothing written, `error` set) when a text is not a figure. The check and the write run
// in one transaction.
PopulationSave savePopulation(Database& dictionary, PopulationOf of, int year, int key,
                              const PopulationTexts& shown, QString* error);
