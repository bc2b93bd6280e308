// The grid's "Подгрузить из файла передачи": the open table's values replaced by the lines of an
// exchange file that belong to this table and the report year.

#include "entry/ShowTableLoad.h"

#include "entry/ShowTable.h"

#include "core/Common.h"
#include "core/Configurations.h"
#include "core/DataFiles.h"
#include "core/ExchangeOwners.h"
#include "core/ReportLevels.h"
#include "entry/GridModel.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

void TVTable::addExchangeLoadCommand()
{
    N46 = new QAction(QStringLiteral("Подгрузить из файла передачи"), this);
    N46->setObjectName(QStringLiteral("N46"));
    N35->addAction(N46);
    connect(N46, &QAction::triggered, this, &TVTable::N46Click);
}

std::optional<DataLoadReport> askAndLoadExchangeFile(const DataLoadTarget& target, bool input, const QString& object,
                                                    const QString& startName, const QString& what, QString* path)
{
    *path = prompts().openFileName(
        QStringLiteral("Подгрузить ") + object + QStringLiteral(" из..."),
        input ? QStringLiteral("Информация по ЛПУ (*.ktr *.ktd)") : QStringLiteral("Сводные отчеты (*.rps *.rpd)"),
        CfgDir + QString::number(target.year) + QStringLiteral("/data/") + startName);
    if (path->isEmpty())
        return std::nullopt;
    const std::optional<DataFileKind> kind = dataFileKind(*path);
    if (!kind) {
        prompts().error(QStringLiteral("Файл ") + QFileInfo(*path).fileName()
                        + QStringLiteral(" не является файлом передачи данных (*.ktd, *.ktr, *.rpd, *.rps). ")
                        + what + QStringLiteral(" не изменена."));
        return std::nullopt;
    }
    DataLoadReport report;
    QString error;
    bool declined = false;
    const auto loaded = runShowingFailure(what + QStringLiteral(" не подгружена, прежние значения сохранены."), [&] {
        if (!confirmReplacingOwnerData(prompts(), dbmain(), dbdat(), target, *path, CurrentLevel.name)) {
            declined = true;
            return false;
        }
        WaitCursor wait;
        return loadDataFile(dbdat(), target, *path, *kind, &report, &error);
    });
    if (!loaded || declined)
        return std::nullopt;
    if (*loaded)
        return report;
    prompts().error(error);
    return std::nullopt;
}

void TVTable::N46Click()
{
    if (!m_model->isOpen() || m_model->readOnly() || !PutData())
        return;
    const GridContext& context = m_model->context();
    DataLoadTarget target;
    target.dataTable = context.dataTablePrefix;
    target.owner = context.institutionId;
    target.year = context.year;
    target.formId = SelectedTableNodeId;
    target.tableIdent = m_model->tableIdent();
    target.replacedTables = QList<int>{m_model->tableIdent()};
    QString path;
    const std::optional<DataLoadReport> report =
        askAndLoadExchangeFile(target, context.workMode == QStringLiteral("Input"),
                               CurrentFormName + QStringLiteral("Т") + CurrentFormNumber, windowTitle(),
                               QStringLiteral("Таблица"), &path);
    if (!report)
        return;
    TableShow();
    prompts().message(QStringLiteral("Таблица ") + CurrentFormName + QStringLiteral("Т") + CurrentFormNumber
                      + QStringLiteral(" загружена из ") + QDir::toNativeSeparators(path) + QLatin1Char('\n')
                      + report->summary());
}
