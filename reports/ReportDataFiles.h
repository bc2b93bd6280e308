#pragma once
// A summary report's values of the year moved between configurations through report data files:
// the unload writes the *.rpd layout (form names) whatever the file is called, the load reads
// *.rpd and the older *.rps (form ids). Both go through the one data-file codec of core/DataFiles
// on the data table "repdata"; the caches (TableInfo) must hold the year's tables.

#include "core/DataFiles.h"

#include <QString>

class Database;

namespace ReportDataFiles {

// The folder the dialogs start in: the configuration's "data" folder.
QString folder(const QString& configurationFolder);
// The name the save dialog proposes: "<report> - <level> - <year>.rpd", made safe for every file
// system (a report called "Ф12/Ф30" still gets a file of its own), as exchangeFileName writes it.
QString unloadFileName(const QString& report, const QString& level, int year);
// The name the open dialog proposes: the report's name, made safe.
QString loadFileName(const QString& report);

// The kind of a report data file by its extension, without regard to case (".RPD" is *.rpd);
// nothing for any other file.
std::optional<DataFileKind> kindOf(const QString& path);

// Replaces the report's values of `year` by the file's in one transaction, after the whole file
// has been read and checked. False with a Russian message and nothing changed when the file is
// not a report data file, cannot be read, holds a bad or repeated line (named) or has no line to
// load. DbError passes through after the rollback.
bool load(Database& data, int report, int year, const QString& path, DataLoadReport* counts,
          QString* error);
// What a load of the report's year replaces: all its values of the year.
DataLoadTarget loadTarget(int report, int year);
// Writes the report's values of `year` to `path` through a temporary file; on failure the old
// file stays and *error says why.
bool unload(Database& data, int report, int year, const QString& path, DataExportReport* counts,
            QString* error);

// The messages shown after a load or an unload that succeeded.
QString loadedMessage(const QString& report, const QString& path, const DataLoadReport& counts);
QString unloadedMessage(const QString& report, const QString& path, const DataExportReport& counts);

} // namespace ReportDataFiles
