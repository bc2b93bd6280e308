#pragma once
// The sample's indicator sets: a set of rates per 1,000 of the population over Ф12 and Ф30 with
// a sub-set for children and teenagers.

class Database;

namespace Sample {

inline constexpr const char* IndicatorSetName = "Заболеваемость и посещения";
inline constexpr const char* IndicatorSubSetName = "Дети и подростки";

// Adds the sets to the year's dictionary (inside the caller's transaction when there is one).
void addIndicatorSets(Database& dictionary);

}
