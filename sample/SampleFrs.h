#pragma once
// The sample's form structure file: the form Ф14, which the sample's dictionary lacks, as a user
// brings it from another configuration. Written by hand, not by the program's exporter, so it
// checks the reader against the layout of the file rather than against the writer.

#include <QByteArray>
#include <QString>

namespace Sample {

inline const QString FrsFormName = QStringLiteral("Ф14");
inline const QString FrsFileName = QStringLiteral("Ф14.frs");

// The file's bytes: Windows-1251, CR LF.
QByteArray formStructureBytes();
// Writes FrsFileName into the configuration folder; false with the reason otherwise.
bool writeFormStructureFile(const QString& configurationFolder, QString* error);

}
