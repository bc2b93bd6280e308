#pragma once
// A tiny report year for tests: <folder>/<year>/ktrmain.mdb, data0.mdb and forms/, made from the
// schema, with helpers that add just what a test needs.
//
//     QTemporaryDir dir;
//     YearFixture year(dir.path(), 2025, YearFixture::InstallAliases);   // dbmain()/dbdat()
//     int f12 = year.addForm("Ф12", "Заболеваемость");
//     int t   = year.addTable(f12, "(1000)", "Взрослые", 6, 5, 2, 2);   // 6 x 5 layout, 2+2 headers
//     year.setEntered(inst, t, 3, 1, 8);                               // Графа 3, Строка 1 = 8
//
// Cell numbering. A table's layout columns 1..colcount and rows 1..rowcount include the header
// columns 1..fixcols and header rows 1..fixrows. The user (and a cell reference) names a data
// cell by "Графа" = its layout column and "Строка" = its data row counted from 1. The data tables
// store it one further on:
//     stored column = layout column + 1        (Графа 3 -> column 4)
//     stored row    = data row + fixrows + 1   (Строка 1 of a table with 2 header rows -> row 4)
// setCell() and storedCells() speak stored numbers; setEntered() takes the user's numbers.
// A value 0 is stored as no row.

#include "platform/Database.h"

#include <QList>
#include <QString>
#include <memory>
#include <ostream>

struct StoredCell {
    int column = 0;   // stored column (layout column + 1)
    int row = 0;      // stored row (data row + fixrows + 1)
    double value = 0;
    bool operator==(const StoredCell&) const = default;
};
inline void PrintTo(const StoredCell& c, std::ostream* os)
{
    *os << "{col " << c.column << ", row " << c.row << ", " << c.value << '}';
}

class YearFixture {
public:
    enum Aliasing { OwnConnections, InstallAliases };

    // Makes the year folder under `configFolder` (which must exist) and both databases.
    // With InstallAliases the databases become dbmain()/dbdat() until the fixture is destroyed.
    YearFixture(const QString& configFolder, int year = 2025, Aliasing aliasing = OwnConnections);
    ~YearFixture();
    YearFixture(const YearFixture&) = delete;
    YearFixture& operator=(const YearFixture&) = delete;

    int year() const { return m_year; }
    QString configFolder() const { return m_config; }   // no trailing slash
    QString yearFolder() const;
    QString dictionaryPath() const;   // .../ktrmain.mdb
    QString dataPath() const;         // .../data0.mdb
    QString formsFolder() const;      // .../forms

    Database& dictionary();
    Database& data();

    // Dictionary. Each returns the id the database gave; `ind` follows the order of the calls.
    int addForm(const QString& formname, const QString& decipher = QString(), bool net = false);
    // Also writes a `columns` row for every layout column (width 64) and a `rows` row for every
    // layout row (height 15). `tablen` keeps its brackets: "(1000)".
    int addTable(int form, const QString& tablen, const QString& name, int colcount, int rowcount,
                 int fixcols, int fixrows, bool floattype = false, int scan = 0);
    // One header cell at its layout place; a merged one covers column..endColumn, row..endRow.
    void addTitle(int table, int column, int row, const QString& txt, int endColumn = 0,
                  int endRow = 0, const QString& tchars = QStringLiteral("CC00"));
    // Every header cell of a table as a single cell: the corner "Наименование", the column
    // headers "Графа <n>", the row headers "Строка <n>".
    void addPlainTitles(int table);
    // Stored `int_control` row; returns its Код. `tble` is the table number with its brackets
    // for a control within a table, empty otherwise; formid 0 for a control between forms.
    int addControl(int formid, const QString& tble, const QString& lft, const QString& reltion,
                   const QString& rght, const QString& cycl = QString(),
                   const QString& commnt = QString());

    int addMedicalType(const QString& type, int parent = 0);
    void assignForm(int medicalType, int form);
    int addInstitution(const QString& unit, int dependence = 0, int medicalType = -1,
                       bool rural = false);
    // `include` is written as the institution ids joined by "," without a trailing comma.
    int addReport(const QString& report, bool net = false, const QList<int>& include = {});
    void addStatistics(int baseReport, const QList<int>& incomingReports);
    // populations1 for an institution, or populations for a summary report.
    void addPopulation(int unit, double common, double olds, double teens, double childs,
                       bool ofReport = false);
    // A report level: its subreps row and its data<id>.mdb made from the schema.
    int addLevel(const QString& name);

    // Data, in stored numbers, for the fixture's year; `dataTable` is "data" or "repdata".
    // A value 0 deletes the cell, as the grid does.
    void setCell(int hospital, int table, int column, int row, double value,
                 const QString& dataTable = QStringLiteral("data"));
    // The same in the user's numbers: Графа and Строка of the table.
    void setEntered(int hospital, int table, int graph, int dataRow, double value,
                    const QString& dataTable = QStringLiteral("data"));
    // The stored cells of one table for the fixture's year, ordered by column, then row.
    QList<StoredCell> storedCells(int hospital, int table,
                                  const QString& dataTable = QStringLiteral("data"));

private:
    int fixrowsOf(int table);

    QString m_config;
    int m_year;
    bool m_aliased;
    std::unique_ptr<Database> m_dictionary;
    std::unique_ptr<Database> m_data;
};
