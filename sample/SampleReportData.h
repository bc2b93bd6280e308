#pragma once
// The sample's summary reports with values: the 2025 repdata of the three district reports (the
// sums of their institutions' entered numbers, as "Пересчитать отчет" stores them) and of
// "Область - всего" (the sum of the three), and one report data file in the configuration's
// data folder: the Svetlogorsk district as its own office sent it, with the polyclinic that has
// entered nothing here counted in, so that "Подгрузить" visibly changes the district's numbers.

#include <QString>

namespace Sample {

// The file's name in <configuration>/data.
inline const QString ReportDataFileName = QStringLiteral("Городской округ Светлогорск - Годовой - 2025.rpd");

// Fills repdata of the configuration's DataYear and writes the file. False with the reason.
bool makeReportData(const QString& configurationFolder, QString* error);

}
