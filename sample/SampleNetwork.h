#pragma once
// The formation conditions of the sample's network form Ф47: its table (0100) counts the
// institutions by type (rows select, scan 0), its table (0200) sums the bed fund of Ф30 (3100)
// by type (columns select, scan 1).

class Database;

namespace Sample {

// Adds the conditions to the year's dictionary, which holds the sample's forms and tables
// (inside the caller's transaction when there is one).
void addNetworkConditions(Database& dictionary);

}
