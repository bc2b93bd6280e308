#pragma once
// The summary reports of a year: the list, the report's composition (its institutions in
// reports.include, a territory summary's incoming reports in statistics) and the removal of a
// report with everything stored for it. Every write is one transaction; a failure throws DbError
// and leaves the stored rows as they were.

#include <QList>
#include <QString>
#include <optional>

class Database;

struct SummaryReport {
    int id = 0;
    QString report;
    bool net = false;      // belongs to the network form Ф47
    QString include;       // as stored
    int ind = 0;
    bool operator==(const SummaryReport&) const = default;
};

namespace SummaryReports {

// Ordered by ind (then id); with netOnly only the Ф47 reports.
QList<SummaryReport> list(Database& dictionary, bool netOnly);
std::optional<SummaryReport> read(Database& dictionary, int id);

// Returns the new report's id; it goes to the end of the list.
int add(Database& dictionary, const QString& name, bool net);
void edit(Database& dictionary, int id, const QString& name, bool net);
// Flips the Ф47 flag; returns the new one.
bool toggleNet(Database& dictionary, int id);
// ind = position in `ids` for every listed report (the others keep theirs).
void saveOrder(Database& dictionary, const QList<int>& ids);
// The network list's order written back into the whole list: the reports not in `netOrder` keep
// their places and relative order, the net ones take the places the net ones held, in the new
// order. Returns the whole list's ids in their new order.
QList<int> mergeOrder(const QList<int>& wholeList, const QList<int>& netOrder);

// In one transaction over the dictionary and the data file `dataPath`: the report's repdata rows
// of every year, its reports, statistics and populations rows, and its id in the other reports'
// statistics.include (a row left with no id goes).
void remove(Database& dictionary, const QString& dataPath, int id);

// "12,345" from {12, 345}: no comma at the end.
QString joinIds(const QList<int>& ids);
// The ids of a stored list; a trailing comma is accepted. Nothing for a text that is no list.
QList<int> splitIds(const QString& text);

QList<int> institutions(Database& dictionary, int id);
void setInstitutions(Database& dictionary, int id, const QList<int>& ids);
// The incoming reports of a territory summary (empty without a statistics row).
QList<int> incomingReports(Database& dictionary, int base);
// Replaces the statistics row; an empty list leaves the report without one.
void setIncomingReports(Database& dictionary, int base, const QList<int>& ids);

// The institutions of the given medical types in administration.ind order.
QList<int> institutionsOfTypes(Database& dictionary, const QList<int>& types);

} // namespace SummaryReports
