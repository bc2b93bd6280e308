// The grid's "Подгрузить из файла передачи": the open table's values replaced by the lines of an
// exchange file that belong to this table and the report year.

#include "entry/ShowTable.h"

#include "core/Common.h"
#include "core/Configurations.h"
#include "core/DataFiles.h"
#include "entry/GridModel.h"
#include "platform/Database.h"
#include "platform/Prompts.h"

#include <QAction>
#include <QApplication>
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

void TVTable::N46Click()
{
    if (!m_model->isOpen() || m_model->readOnly() || !PutData())
        return;
    const GridContext& context = m_model->context();
    const bool input = context.workMode == QStringLiteral("Input");
    const QString path = prompts().openFileName(
        QStringLiteral("Подгрузить ") + CurrentFormName + QStringLiteral("Т") + CurrentFormNumber
            + QStringLiteral(" из..."),
        input ? QStringLiteral("Информация по ЛПУ (*.ktr *.ktd)") : QStringLiteral("Сводные отчеты (*.rps *.rpd)"),
        CfgDir + QString::number(context.year) + QStringLiteral("/data/") + windowTitle());
    if (path.isEmpty())
        return;
    const std::optional<DataFileKind> kind = dataFileKind(path);
    if (!kind) {
        prompts().error(QStringLiteral("Файл ") + QFileInfo(path).fileName()
                        + QStringLiteral(" не является файлом передачи данных (*.ktd, *.ktr, *.rpd, *.rps). "
                                         "Таблица не изменена."));
        return;
    }
    DataLoadTarget target;
    target.dataTable = context.dataTablePrefix;
    target.owner = context.institutionId;
    target.year = context.year;
    target.formId = SelectedTableNodeId;
    target.tableIdent = m_model->tableIdent();
    target.replacedTables = QList<int>{m_model->tableIdent()};
    DataLoadReport report;
    QString error;
    bool loaded = false;
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        loaded = loadDataFile(dbdat(), target, path, *kind, &report, &error);
        QApplication::restoreOverrideCursor();
    } catch (const DbError& e) {
        QApplication::restoreOverrideCursor();
        prompts().error(QStringLiteral("Таблица не подгружена, прежние значения сохранены.\n") + e.userText());
        return;
    }
    if (!loaded) {
        prompts().error(error);
        return;
    }
    TableShow();
    prompts().message(QStringLiteral("Таблица ") + CurrentFormName + QStringLiteral("Т") + CurrentFormNumber
                      + QStringLiteral(" загружена из ") + QDir::toNativeSeparators(path) + QLatin1Char('\n')
                      + report.summary());
}
