#include "sample/SampleDataFiles.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/TextFiles.h"

#include <QHash>
#include <QStringList>

namespace Sample {

namespace {

struct FileDef {
    const char* unit;   // the institution the file is named after
    bool older;         // *.ktr: the form field holds the form's id
};

// Filled by none of the sample's institutions, so their files bring new data; the older file
// stands for a third institution of the sample that re-sends its year.
constexpr FileDef kFiles[] = {
    {"Светлогорская городская поликлиника № 1", false},
    {"Ключевской фельдшерско-акушерский пункт", false},
    {"Сосновский фельдшерско-акушерский пункт", true},
};

int unitId(Database& dictionary, const QString& unit)
{
    return dictionary.scalar(QStringLiteral(R"(select "id" from "administration" where "unit"=?)"), {unit}).toInt();
}

// Another institution of the same type that has entered data for the year; 0 when none has.
int sourceOf(Database& dictionary, Database& data, int unit, int year)
{
    const int type = dictionary.scalar(QStringLiteral(R"(select "medicaltype" from "administration" where "id"=?)"),
                                       {unit}).toInt();
    Query q(dictionary, QStringLiteral(R"(select "id" from "administration" where "medicaltype"=? and "id"<>? order by "id")"),
            {type, unit});
    while (q.next()) {
        const int id = q.toInt(0);
        if (data.scalar(QStringLiteral(R"(select count(*) from "data" where "hospital"=? and "year"=?)"), {id, year}).toInt() > 0)
            return id;
    }
    return 0;
}

}  // namespace

bool writeDataFiles(Database& dictionary, Database& data, const QString& configurationFolder,
                    int year, QString* error)
{
    const QString folder = Files::join(configurationFolder, QString::number(year), QStringLiteral("data"));
    if (!Files::makeFolder(folder, error))
        return false;
    struct TableName { QString form, formId, tablen; };
    QHash<int, TableName> tables;
    Query t(dictionary, QStringLiteral(R"(select t."ident", f."formname", f."id", t."tablen" from "tables" t join "forms" f on f."id"=t."form")"));
    while (t.next())
        tables.insert(t.toInt(0), TableName{t.text(1).toUpper(), t.text(2), t.text(3)});

    for (const FileDef& def : kFiles) {
        const QString unit = QString::fromUtf8(def.unit);
        const int id = unitId(dictionary, unit);
        const int source = def.older ? id : sourceOf(dictionary, data, id, year);
        if (id == 0 || source == 0) {
            *error = QStringLiteral("В образце нет данных для файла учреждения %1").arg(unit);
            return false;
        }
        QStringList lines;
        Query q(data, QStringLiteral(R"(select "data","table","column","row" from "data" where "hospital"=? and "year"=? order by "table","column","row")"),
                {source, year});
        while (q.next()) {
            const TableName name = tables.value(q.toInt(1));
            lines.append(QStringLiteral("\"%1\",\"%2\",\"%3\",\"%4\",\"%5\",\"%6\"")
                             .arg(formatNumber(q.toDouble(0)), QString::number(year),
                                  def.older ? name.formId : name.form, name.tablen,
                                  QString::number(q.toInt(2)), QString::number(q.toInt(3))));
        }
        const QString file = unit + QStringLiteral(" - Годовой - ") + QString::number(year)
                             + (def.older ? QStringLiteral(".ktr") : QStringLiteral(".ktd"));
        if (!writeLines1251(Files::join(folder, Files::safeFileName(file)), lines, error))
            return false;
    }
    return true;
}

}
