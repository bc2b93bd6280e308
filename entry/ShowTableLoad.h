#pragma once
// Loading an owner's values from an exchange file, as the forms tree and the grid both offer it.

#include "core/DataFiles.h"

#include <QString>

#include <optional>

// Asks for an exchange file of the road's kind (institutions' files in "Input", report files
// otherwise), starting in the year's data folder at `startName`, and loads it into `target` of
// the current level's data file, after confirmReplacingOwnerData (a "Нет" gives no report and
// changes nothing). `object` names what is loaded in the dialog's caption, `what`
// ("Форма", "Таблица") what stays unchanged in the messages. A refused file or a failure is told
// and gives no report; `path` receives the chosen file.
std::optional<DataLoadReport> askAndLoadExchangeFile(const DataLoadTarget& target, bool input, const QString& object,
                                                    const QString& startName, const QString& what, QString* path);
