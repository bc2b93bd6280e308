#include "setup/ControlsStore.h"

#include "core/CellRefs.h"
#include "core/Lookups.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/TextFiles.h"
#include "platform/office/WordDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

const QString kColumns = QStringLiteral(
    R"(select "Код","formid","tble","lft","reltion","rght","cycl","commnt" from "int_control")");

QList<StoredControl> select(Database& db, const QString& tail, const QVariantList& params)
{
    QList<StoredControl> out;
    Query q(db, kColumns + QLatin1Char(' ') + tail, params);
    while (q.next()) {
        StoredControl c;
        c.code = q.toInt(0);
        c.formid = q.toInt(1);
        c.tble = q.text(2);
        c.lft = q.text(3);
        c.reltion = q.text(4);
        c.rght = q.text(5);
        c.cycl = q.text(6);
        c.commnt = q.text(7);
        out.append(c);
    }
    return out;
}

bool mentions(const StoredControl& c, const QStringList& needles)
{
    const QString l = prepareControlText(c.lft);
    const QString r = prepareControlText(c.rght);
    for (const QString& n : needles)
        if (l.contains(n) || r.contains(n))
            return true;
    return false;
}

// Т(n) and Т[n]: the builder writes the first, people often the second.
QStringList tableNeedles(const QString& prefix, const QString& tableNumber)
{
    QString inner = prepareControlText(tableNumber);
    if (inner.startsWith(u'(') && inner.endsWith(u')') && inner.size() >= 2)
        inner = inner.mid(1, inner.size() - 2);
    return {prefix + QStringLiteral("Т(") + inner + QLatin1Char(')'),
            prefix + QStringLiteral("Т[") + inner + QLatin1Char(']')};
}

QList<StoredControl> keep(const QList<StoredControl>& all, const QStringList& needles)
{
    QList<StoredControl> out;
    for (const StoredControl& c : all)
        if (mentions(c, needles))
            out.append(c);
    return out;
}

// Newline never survives prepareControlText, so it keeps the fields apart.
QString controlIdentity(const StoredControl& c)
{
    return QString::number(c.formid) + QLatin1Char('\n') + prepareControlText(c.tble) + QLatin1Char('\n')
        + prepareControlText(c.lft) + QLatin1Char('\n') + prepareControlText(c.reltion) + QLatin1Char('\n')
        + prepareControlText(c.rght) + QLatin1Char('\n') + prepareControlText(c.cycl);
}

void insert(Database& db, const StoredControl& c, bool nullTable)
{
    db.exec(QStringLiteral(R"(insert into "int_control" ("formid","tble","lft","reltion","rght","cycl","commnt") values (?,?,?,?,?,?,?))"),
            {c.formid, nullTable && c.tble.isEmpty() ? QVariant() : QVariant(c.tble), c.lft,
             c.reltion, c.rght, c.cycl, c.commnt});
}

} // namespace

QList<StoredControl> listControls(Database& dictionary, const ControlScope& scope, ControlFilter filter)
{
    switch (scope.kind) {
    case ControlKind::WithinTable:
        return select(dictionary, QStringLiteral(R"(where "formid"=? and "tble"=? order by "Код")"),
                      {scope.formId, scope.tableNumber});
    case ControlKind::BetweenTables: {
        const QList<StoredControl> all = select(
            dictionary, QStringLiteral(R"(where "formid"=? and ("tble"='' or "tble" is null) order by "Код")"),
            {scope.formId});
        return filter == ControlFilter::Table ? keep(all, tableNeedles(QString(), scope.tableNumber)) : all;
    }
    case ControlKind::BetweenForms: {
        const QList<StoredControl> all =
            select(dictionary, QStringLiteral(R"(where "formid"=0 order by "lft","Код")"), {});
        const QString form = prepareControlText(scope.formName);
        if (filter == ControlFilter::Table)
            return keep(all, tableNeedles(form, scope.tableNumber));
        if (filter == ControlFilter::Form)
            return keep(all, {form + QStringLiteral("Т")});
        return all;
    }
    }
    return {};
}

QList<StoredControl> allControls(Database& dictionary)
{
    return select(dictionary, QStringLiteral(R"(order by "Код")"), {});
}

QList<StoredControl> formControls(Database& dictionary, int formId, const QString& formName)
{
    const QString needle = prepareControlText(formName) + QStringLiteral("Т");
    QList<StoredControl> out;
    for (const StoredControl& c : select(dictionary,
             QStringLiteral(R"(where "formid"=? or "formid"=0 order by "tble","lft","rght","Код")"), {formId}))
        if (c.formid == formId || mentions(c, {needle}))
            out.append(c);
    return out;
}

std::optional<StoredControl> readControl(Database& dictionary, int code)
{
    const QList<StoredControl> rows = select(dictionary, QStringLiteral(R"(where "Код"=?)"), {code});
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

int insertControl(Database& dictionary, const StoredControl& control)
{
    Transaction tx(dictionary);
    insert(dictionary, control, false);
    const int code = dictionary.scalar(QStringLiteral("select last_insert_rowid()")).toInt();
    tx.commit();
    return code;
}

bool updateControl(Database& dictionary, const StoredControl& c)
{
    Transaction tx(dictionary);
    const int n = dictionary.exec(
        QStringLiteral(R"(update "int_control" set "lft"=?,"rght"=?,"cycl"=?,"commnt"=?,"reltion"=? where "Код"=?)"),
        {c.lft, c.rght, c.cycl, c.commnt, c.reltion, c.code});
    tx.commit();
    return n > 0;
}

int deleteControls(Database& dictionary, const QList<int>& codes)
{
    Transaction tx(dictionary);
    int n = 0;
    for (int code : codes)
        n += dictionary.exec(QStringLiteral(R"(delete from "int_control" where "Код"=?)"), {code});
    tx.commit();
    return n;
}

QList<ControlRecord> exportRecords(const QList<StoredControl>& controls)
{
    QList<ControlRecord> out;
    out.reserve(controls.size());
    for (const StoredControl& c : controls) {
        ControlRecord r;
        r.code = c.code;
        r.formName = c.formid == 0 ? QString() : FormNameById(c.formid).trimmed();
        r.tble = c.tble;
        r.lft = c.lft;
        r.reltion = c.reltion;
        r.rght = c.rght;
        r.cycl = c.cycl;
        r.commnt = c.commnt;
        out.append(r);
    }
    return out;
}

ControlsLoadPlan planControlsLoad(const ControlsFileReader& reader)
{
    ControlsLoadPlan plan;
    plan.skipped = reader.skipped();
    QSet<QString> seen;
    for (const ControlLine& line : reader.lines()) {
        auto reject = [&](const QString& reason) { plan.rejected << reason << line.text; };
        if (!line.ok) {
            reject(line.reason);
            continue;
        }
        const ControlRecord& r = line.record;
        ControlScope scope;
        if (r.formName.isEmpty()) {
            scope.kind = ControlKind::BetweenForms;
        } else {
            scope.formId = FormIdByNameForControls(r.formName);
            if (scope.formId < 0) {
                reject(QStringLiteral("Несуществующая форма ") + r.formName);
                continue;
            }
            scope.formName = r.formName;
            scope.tableNumber = r.tble;
            scope.kind = r.tble.isEmpty() ? ControlKind::BetweenTables : ControlKind::WithinTable;
        }
        const ControlCheck check = checkControl(scope, r.lft, r.reltion, r.rght, r.cycl);
        if (!check.ok) {
            // The rejected-controls file gives each reason one line.
            reject(check.text().replace(u'\n', u' '));
            continue;
        }
        StoredControl c;
        c.formid = scope.formId;
        c.tble = r.tble;
        c.lft = r.lft;
        c.reltion = r.reltion;
        c.rght = r.rght;
        c.cycl = r.cycl;
        c.commnt = r.commnt;
        if (seen.contains(controlIdentity(c))) {
            ++plan.repeated;
            continue;
        }
        seen.insert(controlIdentity(c));
        plan.accepted.append(c);
    }
    return plan;
}

int storeControls(Database& dictionary, const ControlsLoadPlan& plan, LoadMode mode)
{
    Transaction tx(dictionary);
    QSet<QString> stored;
    if (mode == LoadMode::Replace) {
        dictionary.exec(QStringLiteral(R"(delete from "int_control")"));
    } else {
        for (const StoredControl& c : allControls(dictionary))
            stored.insert(controlIdentity(c));
    }
    int inserted = 0;
    for (const StoredControl& c : plan.accepted) {
        if (stored.contains(controlIdentity(c)))
            continue;
        insert(dictionary, c, true);
        ++inserted;
    }
    tx.commit();
    return inserted;
}

std::optional<ControlsLoadPlan> planControlsFile(const QString& path, QString* error)
{
    ControlsFileReader reader;
    if (!reader.read(path)) {
        *error = reader.errorString();
        return std::nullopt;
    }
    return planControlsLoad(reader);
}

int loadControlsFile(Database& dictionary, Prompts& prompts, const QString& path, LoadMode mode)
{
    QString error;
    const std::optional<ControlsLoadPlan> plan = planControlsFile(path, &error);
    if (!plan) {
        prompts.error(error);
        return 0;
    }
    return storePlannedControls(dictionary, prompts, path, *plan, mode);
}

int storePlannedControls(Database& dictionary, Prompts& prompts, const QString& path,
                         const ControlsLoadPlan& plan, LoadMode mode)
{
    const int rejected = int(plan.rejected.size() / 2);
    bool store = !plan.accepted.isEmpty();
    if (mode == LoadMode::Replace) {
        if (plan.accepted.isEmpty()) {
            prompts.error(QStringLiteral("В файле нет ни одного согласованного контроля: существующие контроли сохранены"));
        } else {
            const int existing = dictionary.scalar(QStringLiteral(R"(select count(*) from "int_control")")).toInt();
            store = prompts.question(QStringLiteral("Удалить все %1 контролей и загрузить %2 из файла?")
                                         .arg(existing).arg(plan.accepted.size()));
            if (!store)
                return 0;
        }
    }
    const int loaded = store ? storeControls(dictionary, plan, mode) : 0;
    const int present = plan.repeated + int(plan.accepted.size()) - loaded;

    bool rejectedWritten = false;
    const QString folder = QFileInfo(path).absolutePath();
    if (rejected > 0) {
        const QString rejectedPath = folder + QLatin1Char('/') + RejectedControlsFileName;
        QString error;
        rejectedWritten = writeLines1251(rejectedPath, plan.rejected, &error);
        if (!rejectedWritten)
            prompts.error(error + QStringLiteral("\r\nНесогласованные контроли:\r\n") + plan.rejected.join(QStringLiteral("\r\n")));
    }
    prompts.message(QStringLiteral("Загрузка контролей закончена!\r\nЗагружено: %1, уже есть: %2, отклонено: %3, пропущено строк: %4")
                        .arg(loaded).arg(present).arg(rejected).arg(plan.skipped));
    if (rejectedWritten)
        prompts.warning(QStringLiteral("Обнаружены контроли, не согласующиеся с Вашей структурой форм!\r\nСм. файл \"Несогласованные контроли\" в папке ")
                        + QDir::toNativeSeparators(folder));
    return loaded;
}

void fillControlsDocument(WordDocument& document, const QString& formText, const QString& tableText,
                          const QString& kindAndFilter, const QList<StoredControl>& controls)
{
    document.createBlank();
    document.appendParagraph(formText);
    document.appendParagraph(tableText);
    document.appendParagraph(kindAndFilter);
    if (controls.isEmpty())
        return;
    QList<QStringList> rows;
    for (const StoredControl& c : controls)
        rows.append({c.lft, c.reltion, c.rght, c.cycl, c.commnt});
    document.appendTable(rows);
}

ControlSave saveControl(Database& dictionary, const ControlEdit& edit)
{
    ControlSave result;
    ControlScope scope = edit.scope;
    std::optional<StoredControl> stored;
    if (edit.code != 0) {
        stored = readControl(dictionary, edit.code);
        if (!stored) {
            result.message = ControlDeletedMessage;
            return result;
        }
        scope.kind = storedControlKind(stored->formid, stored->tble);
        scope.formId = stored->formid;
        scope.formName = stored->formid == 0 ? QString() : FormNameById(stored->formid);
        scope.tableNumber = stored->tble;
    }
    const ControlCheck check = checkControl(scope, edit.lft, edit.reltion, edit.rght, edit.cycl);
    if (!check.ok) {
        const QString general = generalMessage(check.field);
        result.message = check.reason.isEmpty() || check.reason == general
            ? general : check.reason + QStringLiteral("\n") + general;
        result.field = check.field;
        return result;
    }
    StoredControl c = stored.value_or(StoredControl());
    c.lft = edit.lft;
    c.rght = edit.rght;
    c.cycl = edit.cycl;
    c.commnt = edit.commnt;
    c.reltion = edit.reltion;
    if (edit.code == 0) {
        c.formid = scope.kind == ControlKind::BetweenForms ? 0 : scope.formId;
        c.tble = scope.kind == ControlKind::WithinTable ? scope.tableNumber : QString();
        c.code = insertControl(dictionary, c);
    } else if (!updateControl(dictionary, c)) {
        result.message = ControlDeletedMessage;
        return result;
    }
    result.saved = true;
    result.code = c.code;
    return result;
}
