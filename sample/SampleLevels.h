#pragma once
// The sample's report levels of 2025: "1 квартал" (data1.mdb) and "2 квартал" (data2.mdb), each
// holding the institutions' numbers of the annual report (the second quarter halved), and the
// program folder's list of non-summable positions: the fractional Ф30 (1100) whole, one column
// of Ф12 (1000) and some rows of Ф30 (2100).

#include <QString>

namespace Sample {

bool makeLevels(const QString& configurationFolder, const QString& programFolder, QString* error);

}
