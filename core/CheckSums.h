#pragma once
// Fingerprints of the numbers one institution entered for the report year, so that a printed
// copy can be told from changed data: h starts at 5381 and takes in each value as
// h = (h ^ (h << 5)) ^ bits(float(value)) in 32 bits, rows before columns.

#include <QtGlobal>

// Over one table of the data table named by DataTablePrefix (alias "dbdat", year ReportYear).
// 0 when the table holds nothing for the institution.
qint32 TableDataChecksum(int institutionId, int tableIdent);
// Over every table of the form (alias "dbmain"), in ident order, one running value: 5381 when
// none of them holds anything.
qint32 FormDataChecksum(int institutionId, int formId);
// Both throw DbError when DataTablePrefix names no data table (no sum can be told then).

// One fold step, for tests and for callers that sum values they already hold.
quint32 checksumStep(quint32 h, double value);
