#pragma once
// One line of an institution's yearly data file: six fields in double quotes joined by single
// commas, "value","year","form","table","column","row", no header and no escaping. In a yearly
// file (*.ktd) the form field is the form's name; in an older file (*.ktr) it is the form's id in
// the dictionary that wrote it.

#include <QString>

struct YearDataLine {
    QString value;
    QString year;
    QString form;
    QString table;
    QString column;
    QString row;
    bool operator==(const YearDataLine&) const = default;
};

// Splits a line into its fields; false for a line that is not six quoted fields (a line cut
// short, a field without its quotes), which a reader skips.
bool parseYearDataLine(const QString& line, YearDataLine* fields);

// Whether a file name is of the older kind, whose form field holds a form id: its last three
// characters are exactly "ktr" (any other name is read as a yearly file).
bool isOlderDataFile(const QString& fileName);
