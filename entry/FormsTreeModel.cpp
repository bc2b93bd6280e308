#include "entry/FormsTreeModel.h"

#include "core/StructureCache.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

QList<FormsTreeTable> formTreeTables(int formId)
{
    QList<FormsTreeTable> tables;
    const qsizetype count = qMin(TablesList.size(), TableInfo.size());
    // Matched by the form's id rather than by its name: two forms that share a name would
    // otherwise show each other's tables, and a form renamed in another letter case keeps its own.
    for (qsizetype i = 0; i < count; ++i) {
        const TableShape& t = TableInfo.at(i);
        if (t.form != formId || !t.tablen.startsWith(QLatin1Char('(')))
            continue;
        // The entry is the form name + "*Т" + tablen + " - " + name; the name may itself hold a
        // "(", so the text is cut after the prefix rather than at the first bracket.
        const QString& entry = TablesList.at(i);
        const qsizetype prefix = t.formName.size() + 2;
        tables.append({t.ident, t.tablen, entry.mid(prefix)});
    }
    return tables;
}

FormsTree buildFormsTree(Database& dictionary, int medicalsId, bool netMode)
{
    FormsTree tree;
    if (medicalsId != -1) {
        const int assigned = dictionary
                                 .scalar(QStringLiteral(R"(select count(*) from "med_type_forms"
                                     where "medicalsid"=?)"),
                                         {medicalsId})
                                 .toInt();
        if (assigned == 0)
            return tree;
    }

    QString where;
    QVariantList params;
    if (netMode) {
        where = QStringLiteral(R"(where coalesce("net",0)<>0)");
    } else if (medicalsId == -1) {
        where = QStringLiteral(R"(where coalesce("net",0)=0)");
    } else {
        where = QStringLiteral(
            R"(where "id" in (select "formsid" from "med_type_forms" where "medicalsid"=?))");
        params << medicalsId;
    }
    Query q(dictionary,
            QStringLiteral(R"(select "id","formname","decipher" from "forms" )") + where
                + QStringLiteral(R"( order by "ind","id")"),
            params);
    while (q.next()) {
        FormsTreeForm form;
        form.id = q.toInt(0);
        form.name = q.text(1);
        form.text = form.name + QStringLiteral(" - ") + q.text(2);
        form.tables = formTreeTables(form.id);
        tree.forms.append(form);
    }
    tree.shown = true;
    return tree;
}

GridOpening gridOpeningFor(const FormsTreeForm& form, const FormsTreeTable& table)
{
    return {form.id, table.number, form.name, table.ident, form.text, table.text};
}

bool gridSplitVisible(const QString& workMode, bool recalcFormShown)
{
    return workMode != QLatin1String("Input") || recalcFormShown;
}

bool ownerDataChangeable(const QString& workMode, int currentInstitutionId)
{
    return !sameName(workMode, QStringLiteral("Types")) && currentInstitutionId > 0;
}
