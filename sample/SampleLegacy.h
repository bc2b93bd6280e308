#pragma once
// The sample as a configuration made before the type tree and the ordering columns, with the
// types file that Tormik merges into it: what a user brings to Tormik.

#include <QString>

namespace Sample {

inline const QString LegacyConfigurationName = QStringLiteral("Образец (до преобразования)");
// The types of the sample with their ids, parents and order, and one type more under
// "Амбулаторно-поликлинические учреждения".
inline constexpr int NewTypeId = 8;
inline const QString NewTypeName = QStringLiteral("Стоматологические поликлиники");

// Writes <programFolder>/MedicalTypes.txt and makes <sampleFolder>/"Образец (до преобразования)"
// anew: the year 2025 with the sample's content in the old dictionary layout, its numbers and
// forms/. Returns false and sets `error` when a file could not be made; the old configuration
// folder is then left as it was.
bool makeLegacySample(const QString& programFolder, const QString& sampleFolder, QString* error);

}
