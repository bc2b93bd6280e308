#include "core/ExchangeOwners.h"

#include "core/Common.h"
#include "core/TableCells.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/Prompts.h"

#include <QFileInfo>
#include <QSet>

namespace {

bool ofInstitutions(const QString& dataTable) { return sameName(dataTable, QStringLiteral("data")); }

// The file's name without folder and without an exchange file's extension, in capitals.
QString comparableFileName(const QString& path)
{
    const QFileInfo info(path);
    QString name = info.fileName();
    if (dataFileKind(name))
        name.chop(info.suffix().size() + 1);
    return upperCase(name);
}

}  // namespace

QString exchangeFileName(const QString& owner, const QString& level, int year, const QString& extension, int id)
{
    QString tail = QStringLiteral(" - ") + Files::safeFileName(level) + QStringLiteral(" - ") + QString::number(year);
    if (id != 0)
        tail += QStringLiteral(" - ") + QString::number(id);
    // The sanitiser trims what it cuts, so the head ends in no blank or dot.
    QString head = Files::safeFileName(Files::safeFileName(owner).left(std::max<int>(1, MaxExchangeBaseName - int(tail.size()))));
    if (head.isEmpty())
        head = QStringLiteral("_");
    return head + tail + extension;
}

ExchangeOwnerIndex::ExchangeOwnerIndex(Database& dictionary, const QString& dataTable, const QString& level, int year)
{
    Query q(dictionary, ofInstitutions(dataTable)
                            ? QStringLiteral(R"(select a."id",a."unit",exists(select 1 from "administration" c
                                  where c."dependence"=a."id") from "administration" a order by a."id")")
                            : QStringLiteral(R"(select "id","report",0 from "reports" order by "id")"));
    while (q.next()) {
        const NamedOwner owner{q.toInt(0), q.text(1), q.toInt(2) != 0};
        QSet<QString> names{upperCase(exchangeFileName(owner.name, level, year, QString())),
                            upperCase(exchangeFileName(owner.name, level, year, QString(), owner.id)),
                            upperCase(Files::safeFileName(owner.name))};
        for (const QString& name : names)
            m_byName[name].append(owner);
    }
}

QList<NamedOwner> ExchangeOwnerIndex::ownersOf(const QString& path) const
{
    return m_byName.value(comparableFileName(path));
}

QList<NamedOwner> ownersOfFileName(Database& dictionary, const QString& dataTable, const QString& path,
                                   const QString& level, int year)
{
    return ExchangeOwnerIndex(dictionary, dataTable, level, year).ownersOf(path);
}

QString ownerName(Database& dictionary, const QString& dataTable, int owner)
{
    return dictionary
        .scalar(ofInstitutions(dataTable) ? QStringLiteral(R"(select "unit" from "administration" where "id"=?)")
                                          : QStringLiteral(R"(select "report" from "reports" where "id"=?)"),
                {owner})
        .toString();
}

int storedValuesReplaced(Database& data, const DataLoadTarget& target)
{
    const QString table = dataTableIdent(target.dataTable);
    if (table.isEmpty())
        return 0;
    return DataRows::countOwnerRows(data, table, target.year, target.owner,
                                    target.replacedTables ? &*target.replacedTables : nullptr);
}

bool confirmReplacingOwnerData(Prompts& prompts, Database& dictionary, Database& data,
                               const DataLoadTarget& target, const QString& path, const QString& level)
{
    if (storedValuesReplaced(data, target) == 0)
        return true;
    const QString owner = ownerName(dictionary, target.dataTable, target.owner);
    QString text = QStringLiteral("Заменить данные %1 за %2 данными файла %3?")
                       .arg(owner)
                       .arg(target.year)
                       .arg(QFileInfo(path).fileName());
    const QList<NamedOwner> named = ownersOfFileName(dictionary, target.dataTable, path, level, target.year);
    QStringList others;
    bool own = false;
    for (const NamedOwner& n : named) {
        own = own || n.id == target.owner;
        others.append(n.name);
    }
    if (!own && !others.isEmpty())
        text += (ofInstitutions(target.dataTable) ? QStringLiteral("\nПо имени это файл другого подразделения: ")
                                                  : QStringLiteral("\nПо имени это файл другого сводного отчета: "))
                + others.join(QStringLiteral(", ")) + QLatin1Char('.');
    return prompts.question(text);
}
