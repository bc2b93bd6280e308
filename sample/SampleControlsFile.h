#pragma once
// The sample's controls exchange file: every control of the sample's dictionary, as the
// editor's "Выгрузить" writes it, and three lines that do not fit the sample's forms (a table it
// lacks, a column out of range, an unknown relation), so loading it shows the rejected file.

#include <QString>

namespace Sample {

inline const QString ControlsFileName = QStringLiteral("controls.ktr");

// Writes ControlsFileName into the configuration folder from the dictionary at
// `dictionaryPath`; false with the reason otherwise.
bool writeControlsFile(const QString& configurationFolder, const QString& dictionaryPath, QString* error);

}
