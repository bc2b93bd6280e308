#include "entry/ControlRuns.h"

#include "core/CellRefs.h"
#include "core/Controls.h"
#include "core/Lookups.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

namespace {

const QString kErrorsHeading = QStringLiteral("Цифры\tТек.\tКонтроль");
const QString kNoErrors = QStringLiteral("Ошибок контроля нет");

int loadControls(Database& dictionary, const QString& sql, const QVariantList& params)
{
    ClearControls();
    Query query(dictionary, sql, params);
    int count = 0;
    while (query.next()) {
        AddControlFromRecord(query);
        ++count;
    }
    return count;
}

// Runs the loaded controls under `heading`; the heading goes again when nothing failed.
void runGroup(const QString& heading, const QString& place, TableSource& tables)
{
    ControlError line;
    line.text = heading;
    ControlErrors.append(line);
    const qsizetype before = ControlErrors.size();
    RunControls(place, tables);
    if (ControlErrors.size() == before)
        ControlErrors.removeLast();
}

ControlRunOutcome outcome(const QString& found)
{
    if (ControlErrors.isEmpty())
        return {false, kNoErrors};
    return {true, found};
}

} // namespace

QString tableControlsHeading(const QString& formName, const QString& tableNumber)
{
    return formName + QStringLiteral("т") + tableNumber;
}

QString tableControlsPlace(const QString& formName, const QString& tableNumber)
{
    // The tree keeps the number with its round brackets; a reference writes it in square ones.
    return formName + QStringLiteral("Т[") + tableNumber.mid(1, tableNumber.size() - 2) + QLatin1Char(']');
}

QString interTableControlsHeading(const QString& formName)
{
    return formName + QStringLiteral(" - межтабличный контроль");
}

int loadTableControls(Database& dictionary, int formId, const QString& tableNumber)
{
    return loadControls(dictionary, QStringLiteral(R"(select * from "int_control"
        where "formid"=? and "tble"=? collate UNOCASE order by "Код")"),
                        {formId, tableNumber});
}

int loadInterTableControls(Database& dictionary, int formId)
{
    return loadControls(dictionary, QStringLiteral(R"(select * from "int_control"
        where "formid"=? and ("tble"='' or "tble" is null) order by "Код")"),
                        {formId});
}

int loadInterFormControls(Database& dictionary, bool netMode, const QString& formName)
{
    ClearControls();
    Query query(dictionary, QStringLiteral(R"(select * from "int_control" where "formid"=0
        order by "lft" collate UNOCASE, "Код")"));
    int count = 0;
    while (query.next()) {
        const QString lft = query.text(QStringLiteral("lft"));
        const QString rght = query.text(QStringLiteral("rght"));
        const bool taken = netMode ? sideNamesForm(lft, formName) || sideNamesForm(rght, formName)
                                   : IsInterFormControlAllowed(lft, rght);
        if (!taken)
            continue;
        AddControlFromRecord(query);
        ++count;
    }
    return count;
}

bool formsNamedIn(const QString& side, QStringList* forms)
{
    forms->clear();
    Expression expression;
    if (!expression.parse(prepareControlText(side)))
        return false;
    for (const CellRef& ref : expression.terms())
        if (ref.hasForm())
            forms->append(ref.form);
    return true;
}

bool sideNamesForm(const QString& side, const QString& formName)
{
    const QString name = prepareControlText(formName);
    if (name.isEmpty())
        return false;
    QStringList forms;
    if (!formsNamedIn(side, &forms))
        return prepareControlText(side).contains(name);
    return forms.contains(name);
}

bool IsInterFormControlAllowed(const QString& lft, const QString& rght)
{
    for (const QString& net : std::as_const(NetForms))
        if (sideNamesForm(lft, net) || sideNamesForm(rght, net))
            return false;
    return true;
}

// --- a full run, parsed once -------------------------------------------------------------------

struct FullControlRun::Group {
    QString heading;
    QString progressText;
    ControlSet set;
};

namespace {

// The group's controls go straight into its set: the shared lists are not needed when the same
// controls are run again and again.
void addControls(ControlSet& set, Database& dictionary, const QString& sql, const QVariantList& params)
{
    Query query(dictionary, sql, params);
    const int code = query.columnIndex(QStringLiteral("Код"));
    const int lft = query.columnIndex(QStringLiteral("lft"));
    const int reltion = query.columnIndex(QStringLiteral("reltion"));
    const int rght = query.columnIndex(QStringLiteral("rght"));
    const int cycl = query.columnIndex(QStringLiteral("cycl"));
    const int commnt = query.columnIndex(QStringLiteral("commnt"));
    while (query.next())
        set.add(query.toInt(code), query.text(lft), query.text(reltion), query.text(rght),
                query.text(cycl), query.text(commnt));
}

} // namespace

FullControlRun::~FullControlRun() = default;
FullControlRun::FullControlRun(FullControlRun&&) noexcept = default;

void FullControlRun::addForm(Database& dictionary, const FormsTreeForm& form)
{
    for (const FormsTreeTable& table : form.tables) {
        auto g = std::make_unique<Group>(Group{tableControlsHeading(form.name, table.number),
                                               form.name + QStringLiteral(" - ") + table.number,
                                               ControlSet(tableControlsPlace(form.name, table.number))});
        addControls(g->set, dictionary, QStringLiteral(R"(select * from "int_control"
            where "formid"=? and "tble"=? collate UNOCASE order by "Код")"),
                    {form.id, table.number});
        m_groups.push_back(std::move(g));
    }
    const QString heading = interTableControlsHeading(form.name);
    auto g = std::make_unique<Group>(Group{heading, heading, ControlSet(form.name)});
    addControls(g->set, dictionary, QStringLiteral(R"(select * from "int_control"
        where "formid"=? and ("tble"='' or "tble" is null) order by "Код")"),
                {form.id});
    m_groups.push_back(std::move(g));
}

FullControlRun::FullControlRun(Database& dictionary, const FormsTreeForm& form)
{
    addForm(dictionary, form);
}

FullControlRun::FullControlRun(Database& dictionary, const FormsTree& tree, bool netMode,
                               const QString& formName)
{
    for (const FormsTreeForm& form : tree.forms)
        addForm(dictionary, form);
    auto g = std::make_unique<Group>(Group{InterFormControlsHeading, InterFormControlsHeading, ControlSet(QString())});
    // The filter needs the shared lists' loader; its result is moved into the set at once.
    loadInterFormControls(dictionary, netMode, formName);
    g->set.addLoaded();
    ClearControls();
    m_groups.push_back(std::move(g));
}

int FullControlRun::groupCount() const { return int(m_groups.size()); }

int FullControlRun::controlCount() const
{
    int n = 0;
    for (const auto& g : m_groups)
        n += g->set.size();
    return n;
}

void FullControlRun::run(TableSource& tables, const ControlRunProgress& progress) const
{
    for (const auto& g : m_groups) {
        if (progress)
            progress(g->progressText);
        ControlError line;
        line.text = g->heading;
        ControlErrors.append(line);
        const qsizetype before = ControlErrors.size();
        QList<ControlError> found;
        g->set.run(tables, nullptr, found);
        ControlErrors.append(found);
        if (ControlErrors.size() == before)
            ControlErrors.removeLast();
    }
}

void appendFormControls(Database& dictionary, const FormsTreeForm& form, TableSource& tables,
                        const ControlRunProgress& progress)
{
    ClearControls();
    FullControlRun(dictionary, form).run(tables, progress);
}

ControlRunOutcome runInterTableControls(Database& dictionary, const FormsTreeForm& form)
{
    ControlErrors.clear();
    RunTables tables;
    loadInterTableControls(dictionary, form.id);
    runGroup(interTableControlsHeading(form.name), form.name, tables);
    return outcome(QStringLiteral("Обнаружены ошибки"));
}

ControlRunOutcome runInterFormControls(Database& dictionary, bool netMode, const QString& formName)
{
    ControlErrors.clear();
    RunTables tables;
    loadInterFormControls(dictionary, netMode, formName);
    runGroup(InterFormControlsHeading, QString(), tables);
    return outcome(QStringLiteral("Обнаружены ошибки"));
}

ControlRunOutcome runAllControls(Database& dictionary, const FormsTree& tree, bool netMode,
                                 const QString& formName, const ControlRunProgress& progress)
{
    ClearControls();
    ControlErrors.clear();
    // Every group's controls are read and parsed once, every table is read once for the whole
    // run, however many groups name it. The parsed controls are kept for the next full run (of
    // another institution, typically) while the dictionary, the tree and the filter stay the
    // same: reading and parsing them costs more than checking one institution.
    static struct {
        QString key;
        std::shared_ptr<const FullControlRun> controls;
    } kept;
    QString key = dictionary.changeStamp() + QChar(0x1f) + (netMode ? u'1' : u'0') + formName
        + QChar(0x1f) + NetForms.join(QChar(0x1e));
    for (const FormsTreeForm& form : tree.forms) {
        key += QChar(0x1f) + QString::number(form.id) + QChar(0x1e) + form.name;
        for (const FormsTreeTable& table : form.tables)
            key += QChar(0x1e) + table.number;
    }
    if (!kept.controls || kept.key != key) {
        kept.controls.reset();
        kept.controls = std::make_shared<const FullControlRun>(dictionary, tree, netMode, formName);
        kept.key = key;
    }
    const std::shared_ptr<const FullControlRun> controls = kept.controls;
    // The run names nearly every table of the institution: its rows are read in one statement.
    RunTables tables(CurrentInstitutionId, RunTables::Reading::WholeInstitution);
    controls->run(tables, progress);
    return outcome(QStringLiteral("Обнаружены ошибки контроля"));
}

ResultList controlErrorsList(const QString& windowCaption)
{
    ResultList list;
    list.windowCaption = windowCaption;
    FillResultList(list, ControlErrorLines(), kErrorsHeading, ControlErrorCodes());
    return list;
}
