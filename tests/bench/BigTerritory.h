#pragma once
// The territory the benchmarks measure, at the size a region reaches: 300 institutions, 20 forms
// of 4 tables each (12 data columns by 20 data rows), about 4.65 million rows in "data", 150
// checks per table, and one table of 60 columns by 300 rows with merged headers, generated from a
// fixed seed into a real year folder (ktrmain.mdb, data0.mdb).

#include "platform/Database.h"
#include "YearFixture.h"

#include <sqlite3.h>

#include <QStringList>
#include <algorithm>
#include <random>
#include <vector>

namespace territory {

constexpr unsigned kSeed = 20250101;
constexpr int kYear = 2025;
constexpr int kInstitutions = 300;
constexpr int kForms = 20;
constexpr int kTablesPerForm = 4;
constexpr int kFixcols = 2;
constexpr int kFixrows = 2;
constexpr int kDataColumns = 12;   // Графа 3..14
constexpr int kDataRows = 20;      // Строка 1..20
constexpr int kFirst = kFixcols + 1;
constexpr int kLast = kFixcols + kDataColumns;
constexpr int kGridColumns = 60;
constexpr int kGridRows = 300;

struct Territory {
    std::vector<int> institutions;
    std::vector<int> tables;   // idents, form by form
    int gridForm = 0;
    int gridTable = 0;
    qint64 rows = 0;
};

inline int storedColumn(int graph) { return graph + 1; }
inline int storedRow(int dataRow) { return dataRow + kFixrows + 1; }

inline void addTableControls(YearFixture& year, int form, const QString& number)
{
    QStringList details;
    for (int c = kFirst + 1; c <= kLast; ++c)
        details << QStringLiteral("гр%1").arg(c);
    const QString allRows = QStringLiteral("стр1..%1").arg(kDataRows);
    year.addControl(form, number, QStringLiteral("гр3"), QStringLiteral("="), details.join(u'+'), allRows,
                    QStringLiteral("Итог по строке"));
    year.addControl(form, number, QStringLiteral("стр1"), QStringLiteral("="), QStringLiteral("стр2..%1").arg(kDataRows),
                    QStringLiteral("гр[%1..%2]").arg(kFirst).arg(kLast), QStringLiteral("Итог по графе"));
    for (int c = kFirst + 1; c <= kFirst + 5; ++c)
        year.addControl(form, number, QStringLiteral("гр3"), QStringLiteral(">="), QStringLiteral("гр%1").arg(c), allRows);
    for (int i = 0; i < 18; ++i) {
        const int r = 2 + i, c = kFirst + 1 + i % (kDataColumns - 1);
        year.addControl(form, number, QStringLiteral("(стр%1гр%2+стр%3гр%2)*2").arg(r).arg(c).arg(r + 1),
                        QStringLiteral(">="), QStringLiteral("стр%1гр%2").arg(r).arg(c));
    }
}

// The cells of one table for one institution: details 1..90 at random (some left empty),
// column 3 the row totals, row 1 the column totals. Some institutions get one wrong total.
inline void writeTable(sqlite3_stmt* insert, std::mt19937& rnd, int hospital, int ident, bool wrong, qint64& rows)
{
    std::uniform_int_distribution<int> value(1, 90);
    std::bernoulli_distribution filled(0.78);
    double cells[kLast + 1][kDataRows + 1] = {};
    for (int r = 2; r <= kDataRows; ++r)
        for (int c = kFirst + 1; c <= kLast; ++c)
            cells[c][r] = filled(rnd) ? value(rnd) : 0;
    for (int c = kFirst + 1; c <= kLast; ++c)
        for (int r = 2; r <= kDataRows; ++r)
            cells[c][1] += cells[c][r];
    for (int r = 1; r <= kDataRows; ++r)
        for (int c = kFirst + 1; c <= kLast; ++c)
            cells[kFirst][r] += cells[c][r];
    if (wrong)
        cells[kFirst][5] += 1;
    // In key order (column, then row), as the file keeps the rows.
    for (int c = kFirst; c <= kLast; ++c)
        for (int r = 1; r <= kDataRows; ++r) {
            if (cells[c][r] == 0)
                continue;
            sqlite3_bind_int(insert, 1, hospital);
            sqlite3_bind_double(insert, 2, cells[c][r]);
            sqlite3_bind_int(insert, 3, kYear);
            sqlite3_bind_int(insert, 4, ident);
            sqlite3_bind_int(insert, 5, storedColumn(c));
            sqlite3_bind_int(insert, 6, storedRow(r));
            if (sqlite3_step(insert) != SQLITE_DONE)
                throw DbError(QStringLiteral("insert failed"));
            sqlite3_reset(insert);
            ++rows;
        }
}

inline Territory generate(YearFixture& year)
{
    Territory t;
    {
        Transaction tx(year.dictionary());
        for (int f = 1; f <= kForms; ++f) {
            const int form = year.addForm(QStringLiteral("Ф%1").arg(f), QStringLiteral("Форма %1").arg(f));
            for (int n = 1; n <= kTablesPerForm; ++n) {
                const QString number = QStringLiteral("(%1)").arg(n);
                const int ident = year.addTable(form, number, QStringLiteral("Таблица %1").arg(n),
                                                kLast, kFixrows + kDataRows, kFixcols, kFixrows);
                year.addPlainTitles(ident);
                addTableControls(year, form, number);
                t.tables.push_back(ident);
            }
            year.addControl(form, QString(), QStringLiteral("Т[1]СТР1ГР3"), QStringLiteral(">="), QStringLiteral("Т[2]СТР2ГР3"));
            year.addControl(form, QString(), QStringLiteral("Т[3]СТР1ГР3+Т[4]СТР1ГР3"), QStringLiteral(">"), QStringLiteral("0"));
        }
        for (int f = 1; f <= 5; ++f)
            year.addControl(0, QString(), QStringLiteral("Ф%1Т[1]СТР1ГР3").arg(f), QStringLiteral(">="),
                            QStringLiteral("Ф%1Т[1]СТР2ГР3").arg(f + 1));
        // The wide table: 60 data columns under merged headers of 5, 300 data rows.
        t.gridForm = year.addForm(QStringLiteral("Ф99"), QStringLiteral("Широкая"));
        const int gfix = 2, grows = 3;
        t.gridTable = year.addTable(t.gridForm, QStringLiteral("(1)"), QStringLiteral("Штаты"),
                                    gfix + kGridColumns, grows + kGridRows, gfix, grows, true);
        year.addTitle(t.gridTable, 1, 1, QStringLiteral("Наименование"), gfix, grows);
        for (int c = gfix + 1; c <= gfix + kGridColumns; c += 5)
            year.addTitle(t.gridTable, c, 1, QStringLiteral("Группа %1").arg((c - gfix + 4) / 5), c + 4, 1);
        for (int c = gfix + 1; c <= gfix + kGridColumns; ++c) {
            year.addTitle(t.gridTable, c, 2, QStringLiteral("Показатель %1").arg(c));
            year.addTitle(t.gridTable, c, 3, QString::number(c));
        }
        for (int r = grows + 1; r <= grows + kGridRows; ++r) {
            year.addTitle(t.gridTable, 1, r, QStringLiteral("Строка %1").arg(r - grows));
            year.addTitle(t.gridTable, 2, r, QString::number(r - grows));
        }
        for (int i = 0; i < kInstitutions; ++i)
            t.institutions.push_back(year.addInstitution(QStringLiteral("Учреждение %1").arg(i + 1)));
        tx.commit();
    }
    Transaction tx(year.data());
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(year.data().handle(),
                       R"(insert into "data" ("hospital","data","year","table","column","row") values (?,?,?,?,?,?))",
                       -1, &insert, nullptr);
    std::mt19937 rnd(kSeed);
    std::vector<int> order(t.institutions);
    std::sort(order.begin(), order.end());
    for (int i = 0; i < kInstitutions; ++i) {
        const int hospital = order[i];
        const int wrongTable = i % 17 == 0 ? i % int(t.tables.size()) : -1;
        std::vector<int> tables(t.tables);
        std::sort(tables.begin(), tables.end());
        for (size_t k = 0; k < tables.size(); ++k)
            writeTable(insert, rnd, hospital, tables[k], int(k) == wrongTable, t.rows);
        if (hospital == t.institutions.front()) {
            // The wide table is filled for the first institution only.
            std::uniform_int_distribution<int> v(1, 999);
            for (int c = 1; c <= kGridColumns; ++c)
                for (int r = 1; r <= kGridRows; ++r) {
                    sqlite3_bind_int(insert, 1, hospital);
                    sqlite3_bind_double(insert, 2, v(rnd) / 4.0);
                    sqlite3_bind_int(insert, 3, kYear);
                    sqlite3_bind_int(insert, 4, t.gridTable);
                    sqlite3_bind_int(insert, 5, 2 + c + 1);
                    sqlite3_bind_int(insert, 6, r + 3 + 1);
                    sqlite3_step(insert);
                    sqlite3_reset(insert);
                    ++t.rows;
                }
        }
    }
    sqlite3_finalize(insert);
    tx.commit();
    return t;
}

} // namespace territory
