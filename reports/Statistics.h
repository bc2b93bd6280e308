#pragma once
// What the statistics view computes and prints: an indicator set's titles and formulas read
// from the dictionary, their values over the report data and population of the unit the main
// window chose (WorkMode, CurrentInstitutionId, InstitutionIdList, DataTablePrefix, ReportYear),
// the breakdown of a cell or row by the unit's members, and the Word and Excel documents.

#include "core/ResultList.h"
#include "reports/Indicators.h"

#include <QList>
#include <QString>
#include <functional>
#include <QStringList>

class Database;
class WordDocument;
class ExcelWorkbook;

// One set as the grid holds it: cell (c, r) with titles in column 0 and row 0 (the corner title
// at (0, 0)), formulas elsewhere.
struct IndicatorGrid {
    // No set needs more; a damaged dictionary cannot make a grid of millions of cells.
    static constexpr int maxSize = 1000;

    int columnCount = 1;
    int rowCount = 1;
    QList<QStringList> cells;   // [row][column]
    QList<int> widths;          // per column; 0: not given
    QList<int> heights;         // per row
    QStringList namedValues;    // "name=expression", by row

    void resize(int columns, int rows);
    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
};

// False, with a Russian message, when the set's titles reach past maxSize.
bool loadIndicatorGrid(Database& dictionary, int term, IndicatorGrid* grid, QString* error);

// Population of one unit from the dictionary for ReportYear: in "Terrain" (and in "Single" or
// "Svod" outside a breakdown) from "populations" of the unit; in a breakdown (other than
// "Terrain") from "populations1" of the member; in "Types" the sum of "populations1" over the
// listed institutions without a listed ancestor (a unit's figure covers its subdivisions).
class DictionaryPopulation : public PopulationSource {
public:
    DictionaryPopulation(Database& dictionary, int unit, bool breakdown);
    Decimal population(int group) override;

private:
    void load();
    Database& m_db;
    int m_unit;
    bool m_breakdown;
    bool m_loaded = false;
    Decimal m_groups[4];
};

// The shown grid: titles with ":" for the stored character 3, values with two places (or the
// text a formula gives, or the mark of a cell that cannot be computed), computed for the unit
// the main window chose. `reasons`, when given, gets the same shape: why each marked cell could
// not be computed, empty elsewhere.
QList<QStringList> computeIndicatorGrid(Database& dictionary, const IndicatorGrid& grid,
                                        QList<QStringList>* reasons = nullptr);

// The breakdown of row `row` over `columns` by the members of the current unit: one line per
// member (its name, then each value with the formula's suffix after ";"), then "Всего" and the
// shown values. The list's title is `setName` - row title (- column title for oneCell).
// `working`, when given, hears each member's name before that member is computed. False with a
// message when the members cannot be told.
bool breakDownIndicators(Database& dictionary, const IndicatorGrid& grid, const QList<QStringList>& shown,
                         int row, const QList<int>& columns, bool oneCell, const QString& setName, ResultList* list,
                         QString* error, const std::function<void(const QString&)>& working = {});

// The caption, the set's name, then the grid as one table.
void indicatorsToWord(const QString& caption, const QString& setName, const QList<QStringList>& shown,
                      WordDocument& document);
// The caption in A1, the set's name in A2, cell (c, r) at row r + 4, column c + 2; numbers as numbers.
void indicatorsToExcel(const QString& caption, const QString& setName, const QList<QStringList>& shown,
                       ExcelWorkbook& book);
