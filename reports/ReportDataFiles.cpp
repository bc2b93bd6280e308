#include "reports/ReportDataFiles.h"

#include "core/ExchangeOwners.h"
#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>

namespace ReportDataFiles {

namespace {
const QString kRepData = QStringLiteral("repdata");
}

QString folder(const QString& configurationFolder)
{
    return Files::join(configurationFolder, QStringLiteral("data"));
}

QString unloadFileName(const QString& report, const QString& level, int year)
{
    return exchangeFileName(report, level, year, QStringLiteral(".rpd"));
}

QString loadFileName(const QString& report) { return Files::safeFileName(report); }

std::optional<DataFileKind> kindOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("rpd"), Qt::CaseInsensitive) == 0)
        return DataFileKind::ByFormName;
    if (suffix.compare(QLatin1String("rps"), Qt::CaseInsensitive) == 0)
        return DataFileKind::ByFormId;
    return std::nullopt;
}

bool load(Database& data, int report, int year, const QString& path, DataLoadReport* counts,
          QString* error)
{
    const std::optional<DataFileKind> kind = kindOf(path);
    if (!kind) {
        *error = QStringLiteral("Файл %1 не является файлом данных сводного отчета (*.rpd, *.rps). Ничего не изменено.")
                     .arg(QFileInfo(path).fileName());
        return false;
    }
    return loadDataFile(data, loadTarget(report, year), path, *kind, counts, error);
}

DataLoadTarget loadTarget(int report, int year)
{
    DataLoadTarget target;
    target.dataTable = kRepData;
    target.owner = report;
    target.year = year;
    return target;
}

bool unload(Database& data, int report, int year, const QString& path, DataExportReport* counts,
            QString* error)
{
    return writeDataFile(data, kRepData, report, year, path, counts, error);
}

QString loadedMessage(const QString& report, const QString& path, const DataLoadReport& counts)
{
    return QStringLiteral("Данные по ") + report + QStringLiteral(" загружены из файла ") + QDir::toNativeSeparators(path)
           + QLatin1Char('\n') + counts.summary();
}

QString unloadedMessage(const QString& report, const QString& path, const DataExportReport& counts)
{
    QString text = QStringLiteral("Данные по ") + report + QStringLiteral(" выгружены в файл ")
                   + QDir::toNativeSeparators(path) + QStringLiteral("\nВыгружено значений: %1").arg(counts.written);
    if (counts.unknownTable > 0)
        text += QStringLiteral("\nНе выгружено значений таблиц, которых нет в перечне: %1").arg(counts.unknownTable);
    return text;
}

} // namespace ReportDataFiles
