#pragma once
// The sample's data exchange files in <year>/data/: the yearly data of two institutions that have
// entered nothing (so an import visibly fills their forms), each a copy of what another
// institution of its type entered, and one older-kind file (form ids) of a third. Written line
// by line here, not by the program's exporter, so they check the reader against the layout.

#include <QString>

class Database;

namespace Sample {

// Writes the files into <configurationFolder>/<year>/data; false with the reason otherwise.
bool writeDataFiles(Database& dictionary, Database& data, const QString& configurationFolder,
                    int year, QString* error);

}
