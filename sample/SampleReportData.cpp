#include "sample/SampleReportData.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/TextFiles.h"
#include "sample/SampleConfiguration.h"

#include <QHash>
#include <QStringList>

namespace Sample {

namespace {

QString placeholders(qsizetype count)
{
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(QLatin1Char(','));
}

QVariantList idValues(const QList<int>& ids)
{
    QVariantList values;
    for (int id : ids)
        values << id;
    return values;
}

QList<int> idsOf(const QString& text)
{
    QList<int> ids;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        ids << part.trimmed().toInt();
    return ids;
}

// The rows a recalculation stores for `report`: per cell of the data area the sum over the
// members' rows of `source`, no row for a sum of 0. The sample's values are whole numbers and
// quarters, whose sums are exact in a double.
void storeSums(Database& data, const QString& source, int report, const QList<int>& members, int year)
{
    if (members.isEmpty())
        return;
    QVariantList values{report, year};
    values += idValues(members);
    data.exec(QStringLiteral(R"(insert into "repdata" ("hospital","data","year","table","column","row") )"
                             R"(select ?, sum("data"), "year", "table", "column", "row" from "%1" )"
                             R"(where "year"=? and "hospital" in (%2) )"
                             R"(group by "year","table","column","row" having sum("data")<>0)")
                  .arg(source, placeholders(members.size())),
              values);
}

struct TableName {
    QString form;
    QString tablen;
};

}  // namespace

bool makeReportData(const QString& configurationFolder, QString* error)
{
    const QString yearFolder = Files::join(configurationFolder, QString::number(DataYear));
    QStringList lines;
    try {
        auto dictionary = Database::open(Files::join(yearFolder, QStringLiteral("ktrmain.mdb")));
        auto data = Database::open(Files::join(yearFolder, QStringLiteral("data0.mdb")));
        QHash<int, TableName> tables;
        {
            Query t(*dictionary, QStringLiteral(R"(select t."ident", f."formname", t."tablen" from "tables" t join "forms" f on f."id"=t."form")"));
            while (t.next())
                tables.insert(t.toInt(0), TableName{t.text(1).toUpper(), t.text(2)});
        }
        Transaction tx(*data);
        for (int report : {Report::Zarechny, Report::Ozerny, Report::Svetlogorsk}) {
            const QString include = dictionary->scalar(QStringLiteral(R"(select "include" from "reports" where "id"=?)"),
                                                       {report}).toString();
            storeSums(*data, QStringLiteral("data"), report, idsOf(include), DataYear);
        }
        const QString incoming = dictionary->scalar(QStringLiteral(R"(select "include" from "statistics" where "base"=?)"),
                                                    {Report::Region}).toString();
        storeSums(*data, QStringLiteral("repdata"), Report::Region, idsOf(incoming), DataYear);

        // The district with the polyclinic's numbers: the hospital's own plus what the other
        // polyclinic of the sample entered, which the sample's data file gives the polyclinic too.
        Query q(*data, QStringLiteral(R"(select sum("data"), "table", "column", "row" from "data" )"
                                      R"(where "year"=? and "hospital" in (?,?) )"
                                      R"(group by "table","column","row" having sum("data")<>0 order by "table","column","row")"),
                {DataYear, Unit::SvetlogorskHospital, Unit::ZarechnayaPolyclinic});
        while (q.next()) {
            const TableName name = tables.value(q.toInt(1));
            lines.append(QStringLiteral("\"%1\",\"%2\",\"%3\",\"%4\",\"%5\",\"%6\"")
                             .arg(formatNumber(q.toDouble(0)), QString::number(DataYear), name.form, name.tablen,
                                  QString::number(q.toInt(2)), QString::number(q.toInt(3))));
        }
        tx.commit();
    } catch (const DbError& e) {
        if (error)
            *error = e.userText();
        return false;
    }
    const QString folder = Files::join(configurationFolder, QStringLiteral("data"));
    QString why;
    if (!Files::makeFolder(folder, &why) || !writeLines1251(Files::join(folder, ReportDataFileName), lines, &why)) {
        if (error)
            *error = why;
        return false;
    }
    return true;
}

}
