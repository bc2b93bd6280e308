#include "sample/SampleConfiguration.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Schema.h"
#include "sample/SampleControlsFile.h"
#include "sample/SampleDataFiles.h"
#include "sample/SampleBlanks.h"
#include "sample/SampleFrs.h"
#include "sample/SampleIndicators.h"
#include "sample/SampleNetwork.h"

#include <QDir>
#include <QStringList>
#include <cmath>
#include <iterator>
#include <map>
#include <vector>

namespace Sample {
namespace {

// ---------------------------------------------------------------------------------------------
// Forms and tables

struct HeaderCell {
    int column, row, endColumn, endRow;
    const char* text;
    const char* tchars = "CC00";   // vertical, horizontal, direction (1 turned), indent
    bool bold = false;
};

struct Line {
    const char* name;
    int indent = 0;
    const char* code = nullptr;    // third header column (МКБ code), where the table has one
};

struct TableDef {
    int form;
    const char* tablen;
    const char* name;
    int colcount, fixcols, fixrows;
    bool floattype;
    int scan;
    std::vector<double> widths;          // points, one per layout column
    std::vector<double> headerHeights;   // points, one per header row
    std::vector<HeaderCell> header;      // the header rows above the row of column numbers
    std::vector<Line> lines;             // the data rows
    double lineHeight = 22;
};

const char* const kTurned = "CC10";

std::vector<Line> morbidityLines()
{
    return {
        {"Зарегистрировано заболеваний - всего", 0, "A00-T98"},
        {"в том числе: некоторые инфекционные и паразитарные болезни", 1, "A00-B99"},
        {"новообразования", 1, "C00-D48"},
        {"болезни органов дыхания", 1, "J00-J98"},
        {"из них: пневмонии", 2, "J12-J18"},
        {"болезни органов пищеварения", 1, "K00-K92"},
        {"травмы, отравления и некоторые другие последствия воздействия внешних причин", 1, "S00-T98"},
    };
}

// Ф12: the children's table has a column for the youngest; the others share one shape.
TableDef morbidityTable(const char* tablen, const char* name, const char* heading, bool youngest)
{
    TableDef t{Form::F12, tablen, name, youngest ? 7 : 6, 3, 3, false, 0,
               {200, 30, 60, 60, 60, 60}, {30, 110, 12}, {}, morbidityLines()};
    t.header = {
        {1, 1, 1, 2, "Наименование классов и отдельных болезней"},
        {2, 1, 2, 2, "№ строки", kTurned},
        {3, 1, 3, 2, "Код по МКБ-10\r\nпересмотра"},
        {4, 1, t.colcount, 1, heading, "CC00", true},
        {4, 2, 4, 2, "всего"},
    };
    if (youngest) {
        t.widths.push_back(60);
        t.header.push_back({5, 2, 5, 2, "в том числе\r\nв возрасте\r\n0-4 года"});
        t.header.push_back({6, 2, 6, 2, "из них (из гр. 4) с диагнозом, установленным впервые в жизни", kTurned});
        t.header.push_back({7, 2, 7, 2, "из них (из гр. 6) взято под диспансерное наблюдение", kTurned});
    } else {
        t.header.push_back({5, 2, 5, 2, "из них (из гр. 4) с диагнозом, установленным впервые в жизни", kTurned});
        t.header.push_back({6, 2, 6, 2, "из них (из гр. 5) взято под диспансерное наблюдение", kTurned});
    }
    return t;
}

std::vector<TableDef> tableDefs()
{
    std::vector<TableDef> tables = {
        morbidityTable("(1000)", "Дети (0-14 лет включительно)",
                       "Зарегистрировано заболеваний у детей (0-14 лет включительно)", true),
        morbidityTable("(2000)", "Дети (15-17 лет включительно)",
                       "Зарегистрировано заболеваний у детей (15-17 лет включительно)", false),
        morbidityTable("(3000)", "Взрослые (18 лет и старше)",
                       "Зарегистрировано заболеваний у взрослых (18 лет и старше)", false),
        morbidityTable("(4000)", "Взрослые старше трудоспособного возраста",
                       "Из них (из т. 3000) у взрослых старше трудоспособного возраста", false),
    };

    tables.push_back({Form::F30, "(1100)", "Должности и физические лица медицинской организации",
                      5, 2, 3, true, 0, {200, 30, 70, 70, 90}, {30, 30, 12},
                      {
                          {1, 1, 1, 2, "Наименование должностей"},
                          {2, 1, 2, 2, "№ строки", kTurned},
                          {3, 1, 4, 1, "Число должностей в целом по организации", "CC00", true},
                          {3, 2, 3, 2, "штатных"},
                          {4, 2, 4, 2, "занятых"},
                          {5, 1, 5, 2, "Число физических лиц основных работников на занятых должностях"},
                      },
                      {
                          {"Врачи - всего"},
                          {"в том числе: терапевты", 1},
                          {"педиатры", 1},
                          {"хирурги", 1},
                          {"Средний медицинский персонал - всего"},
                          {"Младший медицинский персонал"},
                      }});
    tables.push_back({Form::F30, "(2100)", "Посещения медицинской организации",
                      5, 2, 3, false, 0, {200, 30, 70, 70, 90}, {24, 60, 12},
                      {
                          {1, 1, 1, 2, "Наименование"},
                          {2, 1, 2, 2, "№ строки", kTurned},
                          {3, 1, 5, 1, "Число посещений", "CC00", true},
                          {3, 2, 3, 2, "всего"},
                          {4, 2, 4, 2, "из них по поводу заболеваний"},
                          {5, 2, 5, 2, "из общего числа посещений (из гр. 3) сельскими жителями"},
                      },
                      {
                          {"Посещения врачей - всего"},
                          {"в том числе: терапевтов", 1},
                          {"педиатров", 1},
                          {"хирургов", 1},
                          {"Посещения среднего медицинского персонала"},
                      }});
    tables.push_back({Form::F30, "(3100)", "Коечный фонд и его использование",
                      7, 2, 3, false, 0, {160, 30, 60, 60, 60, 60, 70}, {24, 36, 12},
                      {
                          {1, 1, 1, 2, "Профиль коек"},
                          {2, 1, 2, 2, "№ строки", kTurned},
                          {3, 1, 4, 1, "Число коек", "CC00", true},
                          {3, 2, 3, 2, "на конец года"},
                          {4, 2, 4, 2, "среднегодовых"},
                          {5, 1, 5, 2, "Поступило пациентов"},
                          {6, 1, 6, 2, "Выписано пациентов"},
                          {7, 1, 7, 2, "Проведено пациентами\r\nкойко-дней"},
                      },
                      {
                          {"Всего коек"},
                          {"в том числе: терапевтические", 1},
                          {"хирургические", 1},
                          {"педиатрические", 1},
                          {"инфекционные", 1},
                      }});

    // The network form: its tables are formed from the institutions' own forms.
    tables.push_back({Form::F47, "(0100)", "Число медицинских организаций",
                      4, 2, 3, false, 0, {220, 30, 70, 90}, {24, 36, 12},
                      {
                          {1, 1, 1, 2, "Медицинские организации"},
                          {2, 1, 2, 2, "№ строки", kTurned},
                          {3, 1, 4, 1, "Число организаций", "CC00", true},
                          {3, 2, 3, 2, "всего"},
                          {4, 2, 4, 2, "из них в сельской местности"},
                      },
                      {
                          {"Медицинские организации - всего"},
                          {"в том числе: центральные районные больницы", 1},
                          {"участковые больницы", 1},
                          {"городские больницы", 1},
                          {"поликлиники", 1},
                          {"фельдшерско-акушерские пункты", 1},
                      }});
    tables.push_back({Form::F47, "(0200)", "Коечный фонд медицинских организаций",
                      6, 2, 3, false, 1, {200, 30, 60, 80, 80, 80}, {24, 48, 12},
                      {
                          {1, 1, 1, 2, "Показатели"},
                          {2, 1, 2, 2, "№ строки", kTurned},
                          {3, 1, 3, 2, "Всего"},
                          {4, 1, 6, 1, "в том числе", "CC00", true},
                          {4, 2, 4, 2, "центральные районные больницы"},
                          {5, 2, 5, 2, "участковые больницы"},
                          {6, 2, 6, 2, "городские больницы"},
                      },
                      {
                          {"Число коек на конец года"},
                          {"Поступило пациентов"},
                          {"Выписано пациентов"},
                          {"Проведено пациентами койко-дней"},
                      }});
    return tables;
}

QString text(const char* s) { return QString::fromUtf8(s); }

void insertTitle(Database& db, int table, int column, int row, int endColumn, int endRow,
                 const QString& txt, const QString& tchars, bool bold)
{
    // The dictionary keeps a title's ":" as the character 3, as the structure import and the
    // header cell editor write it.
    QString stored = txt;
    stored.replace(QLatin1Char(':'), QChar(3));
    db.exec(QStringLiteral(R"(insert into "titles" values (?,?,?,?,?,?,?,?,?,?,?,?,?))"),
            {table, column, row, column, row, endColumn, endRow, QStringLiteral("Arial"), 8.0, bold,
             false, tchars, stored});
}

// Returns the table's ident.
int insertTable(Database& db, const TableDef& t)
{
    const int rowcount = t.fixrows + int(t.lines.size());
    db.exec(QStringLiteral(R"(insert into "tables" ("form","tablen","name","colcount","rowcount",
        "fixcols","fixrows","floattype","scan") values (?,?,?,?,?,?,?,?,?))"),
            {t.form, text(t.tablen), text(t.name), t.colcount, rowcount, t.fixcols, t.fixrows,
             t.floattype, t.scan});
    const int ident = int(db.lastInsertId());

    for (int c = 1; c <= t.colcount; ++c)
        db.exec(QStringLiteral(R"(insert into "columns" values (?,?,?))"), {ident, c, t.widths[c - 1]});
    for (int r = 1; r <= rowcount; ++r)
        db.exec(QStringLiteral(R"(insert into "rows" values (?,?,?))"),
                {ident, r, r <= t.fixrows ? t.headerHeights[r - 1] : t.lineHeight});

    for (const HeaderCell& h : t.header)
        insertTitle(db, ident, h.column, h.row, h.endColumn, h.endRow, text(h.text), text(h.tchars), h.bold);
    // The last header row numbers the columns, as printed forms do; references use these numbers.
    for (int c = 1; c <= t.colcount; ++c)
        insertTitle(db, ident, c, t.fixrows, c, t.fixrows, QString::number(c), QStringLiteral("CC00"), false);
    for (int i = 0; i < int(t.lines.size()); ++i) {
        const Line& line = t.lines[i];
        const int row = t.fixrows + 1 + i;
        insertTitle(db, ident, 1, row, 1, row, text(line.name),
                    QStringLiteral("CL0%1").arg(line.indent), false);
        insertTitle(db, ident, 2, row, 2, row, QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')),
                    QStringLiteral("CC00"), false);
        if (t.fixcols >= 3)
            insertTitle(db, ident, 3, row, 3, row, text(line.code ? line.code : ""), QStringLiteral("CC00"), false);
    }
    return ident;
}

// ---------------------------------------------------------------------------------------------
// Controls

struct ControlDef {
    int formid;        // 0 between forms
    const char* tble;  // the table number within a table, empty otherwise
    const char* lft;
    const char* reltion;
    const char* rght;
    const char* cycl;
    const char* commnt;
};

std::vector<ControlDef> controlDefs()
{
    std::vector<ControlDef> controls = {
        {Form::F12, "(1000)", "ГР4", ">=", "ГР5", "стр1..7", "Гр. 4 >= гр. 5 (дети 0-4 лет из всех детей)"},
        {Form::F12, "(1000)", "ГР4", ">=", "ГР6", "стр1..7", "Гр. 4 >= гр. 6 (впервые выявленные из всех)"},
        {Form::F12, "(1000)", "ГР6", ">=", "ГР7", "стр1..7",
         "Гр. 6 >= гр. 7 (взятые под диспансерное наблюдение из впервые выявленных)"},
        {Form::F12, "(1000)", "СТР1", ">=", "СТР2+СТР3+СТР4+СТР6+СТР7", "гр4..7", "Стр. 1 >= суммы стр. 2, 3, 4, 6, 7"},
        {Form::F12, "(1000)", "стр4", ">=", "стр5", "гр[4..7]", "Стр. 4 >= стр. 5 (пневмонии из болезней органов дыхания)"},
        {Form::F12, "(1000)", "СТР1ГР4", ">", "0", "", "Таблица 1000 не заполнена (стр. 1 гр. 4)"},
    };
    for (const char* tablen : {"(2000)", "(3000)", "(4000)"}) {
        controls.push_back({Form::F12, tablen, "ГР4", ">=", "ГР5", "стр1..7", "Гр. 4 >= гр. 5 (впервые выявленные из всех)"});
        controls.push_back({Form::F12, tablen, "ГР5", ">=", "ГР6", "стр1..7",
                            "Гр. 5 >= гр. 6 (взятые под диспансерное наблюдение из впервые выявленных)"});
        controls.push_back({Form::F12, tablen, "СТР1", ">=", "СТР2+СТР3+СТР4+СТР6+СТР7", "гр4..6",
                            "Стр. 1 >= суммы стр. 2, 3, 4, 6, 7"});
        controls.push_back({Form::F12, tablen, "СТР4", ">=", "СТР5", "гр4..6",
                            "Стр. 4 >= стр. 5 (пневмонии из болезней органов дыхания)"});
    }
    const std::vector<ControlDef> rest = {
        {Form::F12, "", "Т(3000)СТР1", ">=", "Т(4000)СТР1", "гр4..6",
         "Т. 3000 стр. 1 >= т. 4000 стр. 1 (старше трудоспособного возраста из всех взрослых)"},
        {Form::F12, "", "Т[3000]СТР5ГР4", ">=", "Т[4000]СТР5ГР4", "", "Пневмонии: т. 3000 гр. 4 >= т. 4000 гр. 4"},

        {Form::F30, "(1100)", "ГР3", ">=", "ГР4", "стр1..6", "Занятых должностей (гр. 4) не больше штатных (гр. 3)"},
        {Form::F30, "(1100)", "СТР1", ">=", "СТР2+СТР3+СТР4", "гр3..4", "Врачи - всего (стр. 1) >= суммы стр. 2-4"},
        {Form::F30, "(1100)", "СТР5ГР4", ">=", "СТР1ГР4", "",
         "Занятых должностей среднего персонала не меньше, чем врачей"},
        {Form::F30, "(2100)", "ГР3", ">=", "ГР4", "стр1..5", "Гр. 3 >= гр. 4 (посещения по поводу заболеваний)"},
        {Form::F30, "(2100)", "ГР3", ">=", "ГР5", "стр1..5", "Гр. 3 >= гр. 5 (посещения сельских жителей)"},
        {Form::F30, "(2100)", "СТР1", ">=", "СТР2+СТР3+СТР4", "гр3..5", "Стр. 1 >= суммы стр. 2-4"},
        {Form::F30, "(3100)", "СТР1", "=", "СТР2+СТР3+СТР4+СТР5", "гр3..7", "Всего коек (стр. 1) = сумме стр. 2-5"},
        {Form::F30, "(3100)", "ГР7", "<=", "ГР4*366", "стр1..5",
         "Койко-дней (гр. 7) не больше среднегодовых коек (гр. 4), умноженных на 366"},

        {0, "", "Ф30Т(3100)СТР5ГР5", "<=", "Ф12Т(1000)СТР2ГР4+Ф12Т(2000)СТР2ГР4+Ф12Т(3000)СТР2ГР4", "",
         "Поступивших на инфекционные койки (Ф30) не больше зарегистрированных инфекционных болезней (Ф12)"},
        {0, "", "Ф12Т(1000)СТР1ГР6+Ф12Т(2000)СТР1ГР5+Ф12Т(3000)СТР1ГР5", "<=", "Ф30Т(2100)СТР1ГР4", "",
         "Впервые выявленных заболеваний (Ф12) не больше посещений врачей по поводу заболеваний (Ф30)"},
    };
    controls.insert(controls.end(), rest.begin(), rest.end());
    return controls;
}

// ---------------------------------------------------------------------------------------------
// Structure, types, reports, population

struct TypeDef { const char* type; int parent; };
const TypeDef kTypes[] = {
    {"Больничные учреждения", 0},
    {"Центральные районные больницы", Type::Hospitals},
    {"Участковые больницы", Type::Hospitals},
    {"Городские больницы", Type::Hospitals},
    {"Амбулаторно-поликлинические учреждения", 0},
    {"Поликлиники", Type::Outpatient},
    {"Фельдшерско-акушерские пункты", Type::Outpatient},
};

struct UnitDef { const char* unit; int dependence; int medicaltype; bool rural; };
const UnitDef kUnits[] = {
    {"Заречный район", 0, -1, false},
    {"Заречная ЦРБ", Unit::ZarechnyDistrict, Type::CentralDistrict, false},
    {"Заречная ЦРБ, стационар", Unit::ZarechnayaCrb, Type::CentralDistrict, false},
    {"Заречная ЦРБ, поликлиника", Unit::ZarechnayaCrb, Type::Polyclinics, false},
    {"Малиновская участковая больница", Unit::ZarechnyDistrict, Type::Rural, true},
    {"Сосновский фельдшерско-акушерский пункт", Unit::ZarechnyDistrict, Type::Feldsher, true},
    {"Озерный район", 0, -1, false},
    {"Озерная ЦРБ", Unit::OzernyDistrict, Type::CentralDistrict, false},
    {"Березовская участковая больница", Unit::OzernyDistrict, Type::Rural, true},
    {"Ключевской фельдшерско-акушерский пункт", Unit::OzernyDistrict, Type::Feldsher, true},
    {"Городской округ Светлогорск", 0, -1, false},
    {"Светлогорская городская больница", Unit::SvetlogorskDistrict, Type::City, false},
    {"Светлогорская городская поликлиника № 1", Unit::SvetlogorskDistrict, Type::Polyclinics, false},
};

struct Population { double olds, teens, childs; };
// The population each institution serves in 2025; the hospitals' own beds serve the areas of
// their polyclinics, so the inpatient units have none of their own.
const std::map<int, Population> kServed = {
    {Unit::ZarechnayaPolyclinic, {21500, 1100, 5400}},
    {Unit::Malinovka, {3900, 210, 890}},
    {Unit::Sosnovka, {1150, 60, 290}},
    {Unit::OzernayaCrb, {18700, 950, 4350}},
    {Unit::Berezovka, {3050, 170, 780}},
    {Unit::Klyuchi, {960, 50, 190}},
    {Unit::SvetlogorskPolyclinic, {41200, 2000, 8800}},
};

QList<int> leavesUnder(int unit)
{
    QList<int> ids;
    for (int i = 0; i < int(std::size(kUnits)); ++i)
        if (kUnits[i].dependence == unit) {
            const QList<int> below = leavesUnder(i + 1);
            ids += below.isEmpty() ? QList<int>{i + 1} : below;
        }
    return ids;
}

QString joinIds(const QList<int>& ids)
{
    QStringList parts;
    for (int id : ids)
        parts << QString::number(id);
    return parts.join(QLatin1Char(','));
}

struct ReportDef { const char* report; bool net; QList<int> include; };
std::vector<ReportDef> reportDefs()
{
    return {
        {"Заречный район", false, leavesUnder(Unit::ZarechnyDistrict)},
        {"Озерный район", false, leavesUnder(Unit::OzernyDistrict)},
        {"Городской округ Светлогорск", false, leavesUnder(Unit::SvetlogorskDistrict)},
        {"Область - всего", false, {}},
        {"Ф47 - сеть медицинских организаций области", true, leavesUnder(0)},
    };
}

// A year's figures drift a little from the year before.
Population servedIn(int unit, int year)
{
    const auto it = kServed.find(unit);
    if (it == kServed.end())
        return {0, 0, 0};
    const double f = std::pow(0.99, year - DataYear);
    return {std::round(it->second.olds * f), std::round(it->second.teens * f), std::round(it->second.childs * f)};
}

Population servedBelow(int unit, int year)
{
    Population p = servedIn(unit, year);
    for (int i = 0; i < int(std::size(kUnits)); ++i)
        if (kUnits[i].dependence == unit) {
            const Population c = servedBelow(i + 1, year);
            p.olds += c.olds;
            p.teens += c.teens;
            p.childs += c.childs;
        }
    return p;
}

void insertPopulation(Database& db, const char* table, int unit, int year, const Population& p)
{
    db.exec(QStringLiteral("insert into %1 values (?,?,?,?,?,?)").arg(quoteIdent(text(table))),
            {unit, year, p.olds + p.teens + p.childs, p.olds, p.teens, p.childs});
}

// ---------------------------------------------------------------------------------------------
// Numbers

struct Entered {
    int unit;
    double scale;       // about 1 for an institution serving 5000 people
    bool beds;
    double ruralShare;  // of the visits
};
const Entered kEntered[] = {
    {Unit::ZarechnayaInpatient, 3.0, true, 0.45},
    {Unit::ZarechnayaPolyclinic, 2.5, false, 0.45},
    {Unit::Malinovka, 1.0, true, 0.95},
    {Unit::Sosnovka, 0.4, false, 1.0},
    {Unit::OzernayaCrb, 2.5, true, 0.5},
    {Unit::Berezovka, 0.8, true, 0.95},
    {Unit::SvetlogorskHospital, 5.0, true, 0.05},
    // Ключевской ФАП and Светлогорская поликлиника № 1 have entered nothing yet.
};

// Графа, Строка -> value, in the user's numbers.
using Grid = std::map<std::pair<int, int>, double>;

double quarter(double x) { return std::round(x * 4) / 4; }
double quarterDown(double x) { return std::floor(x * 4 + 1e-9) / 4; }

// Ф12: cases per data row 2..7 (row 5 is part of row 4), then the classes not listed.
const double kClassCases[] = {0, 0, 40, 30, 420, 35, 90, 110};
const double kOtherClasses = 310;
const int kSummedRows[] = {2, 3, 4, 6, 7};

Grid morbidity(double scale, double share, const std::vector<double>& columnRatios)
{
    Grid g;
    for (int k = 0; k < int(columnRatios.size()); ++k) {
        const int graph = 4 + k;
        const double f = 6 * scale * share * columnRatios[k];
        for (int row = 2; row <= 7; ++row)
            g[{graph, row}] = std::round(kClassCases[row] * f);
        double total = std::round(kOtherClasses * f);
        for (int row : kSummedRows)
            total += g[{graph, row}];
        g[{graph, 1}] = total;
    }
    return g;
}

Grid staff(const Entered& e)
{
    const bool feldsher = e.unit == Unit::Sosnovka;
    std::vector<double> posts(7, 0.0);
    if (feldsher) {
        posts[5] = 3;
        posts[6] = 1;
    } else {
        posts[2] = quarter(4.5 * e.scale);
        posts[3] = quarter(3 * e.scale);
        posts[4] = quarter(2.5 * e.scale);
        posts[1] = posts[2] + posts[3] + posts[4] + quarter(6 * e.scale);
        posts[5] = quarter(2.5 * posts[1]);
        posts[6] = quarter(0.9 * posts[1]);
    }
    Grid g;
    for (int row = 1; row <= 6; ++row) {
        g[{3, row}] = posts[row];
        g[{4, row}] = quarterDown(0.92 * posts[row]);
        g[{5, row}] = std::floor(g[{4, row}]);
    }
    return g;
}

Grid visits(const Entered& e)
{
    const bool feldsher = e.unit == Unit::Sosnovka;
    std::vector<double> all(6, 0.0);
    if (!feldsher) {
        all[2] = std::round(14000 * e.scale);
        all[3] = std::round(6000 * e.scale);
        all[4] = std::round(4000 * e.scale);
        all[1] = all[2] + all[3] + all[4] + std::round(9000 * e.scale);
    }
    all[5] = std::round(6000 * e.scale);
    Grid g;
    for (int row = 1; row <= 5; ++row) {
        g[{3, row}] = all[row];
        g[{4, row}] = std::round(0.62 * all[row]);
        g[{5, row}] = std::round(e.ruralShare * all[row]);
    }
    return g;
}

Grid beds(const Entered& e)
{
    Grid g;
    if (!e.beds)
        return g;
    const double perBed[] = {0, 0, 30, 40, 35, 25};
    const double count[] = {0, 0, std::round(30 * e.scale), std::round(20 * e.scale),
                            std::round(12 * e.scale), std::round(3 * e.scale)};
    for (int row = 2; row <= 5; ++row) {
        const double admitted = count[row] * perBed[row];
        g[{3, row}] = count[row];
        g[{4, row}] = count[row];
        g[{5, row}] = admitted;
        g[{6, row}] = admitted - std::round(admitted * 0.02);
        g[{7, row}] = count[row] * 330;
    }
    for (int graph = 3; graph <= 7; ++graph)
        g[{graph, 1}] = g[{graph, 2}] + g[{graph, 3}] + g[{graph, 4}] + g[{graph, 5}];
    return g;
}

void store(Database& db, int year, int hospital, int table, int fixrows, const Grid& g)
{
    Query insert(db, QStringLiteral(R"(insert into "data" values (?,?,?,?,?,?))"));
    for (const auto& [cell, value] : g) {
        if (value == 0)
            continue;   // a 0 is no row
        insert.bindAll({hospital, value, year, table, cell.first + 1, cell.second + fixrows + 1});
        insert.exec();
        insert.reset();
    }
}

int tableIdent(int form, const char* tablen)
{
    const std::vector<TableDef> defs = tableDefs();
    for (int i = 0; i < int(defs.size()); ++i)
        if (defs[i].form == form && qstrcmp(defs[i].tablen, tablen) == 0)
            return i + 1;
    return 0;
}

}  // namespace

void fillDictionary(Database& db, int year)
{
    Transaction tx(db);
    db.exec(QStringLiteral(R"(insert into "forms" ("formname","decipher","ind","net") values (?,?,?,?))"),
            {QStringLiteral("Ф12"),
             QStringLiteral("Сведения о числе заболеваний, зарегистрированных у пациентов, проживающих "
                            "в районе обслуживания медицинской организации"),
             0, false});
    db.exec(QStringLiteral(R"(insert into "forms" ("formname","decipher","ind","net") values (?,?,?,?))"),
            {QStringLiteral("Ф30"), QStringLiteral("Сведения о медицинской организации"), 1, false});
    db.exec(QStringLiteral(R"(insert into "forms" ("formname","decipher","ind","net") values (?,?,?,?))"),
            {QStringLiteral("Ф47"), QStringLiteral("Сведения о сети и деятельности медицинских организаций"), 2, true});

    for (const TableDef& t : tableDefs())
        insertTable(db, t);

    for (const ControlDef& c : controlDefs())
        db.exec(QStringLiteral(R"(insert into "int_control" ("formid","tble","lft","reltion","rght","cycl",
            "commnt") values (?,?,?,?,?,?,?))"),
                {c.formid, text(c.tble), text(c.lft), text(c.reltion), text(c.rght), text(c.cycl), text(c.commnt)});

    int ind = 0;
    for (const TypeDef& t : kTypes)
        db.exec(QStringLiteral(R"(insert into "medicaltypes" ("type","parent","ind") values (?,?,?))"),
                {text(t.type), t.parent, ind++});
    for (int type : {Type::CentralDistrict, Type::Rural, Type::City, Type::Polyclinics})
        for (int form : {Form::F12, Form::F30})
            db.exec(QStringLiteral(R"(insert into "med_type_forms" values (?,?))"), {type, form});
    db.exec(QStringLiteral(R"(insert into "med_type_forms" values (?,?))"), {Type::Feldsher, Form::F30});

    std::map<int, int> siblings;
    for (const UnitDef& u : kUnits)
        db.exec(QStringLiteral(R"(insert into "administration" ("unit","dependence","medicaltype","country","ind")
            values (?,?,?,?,?))"),
                {text(u.unit), u.dependence, u.medicaltype, u.rural, siblings[u.dependence]++});

    ind = 0;
    for (const ReportDef& r : reportDefs())
        db.exec(QStringLiteral(R"(insert into "reports" ("report","net","include","ind") values (?,?,?,?))"),
                {text(r.report), r.net, joinIds(r.include), ind++});
    db.exec(QStringLiteral(R"(insert into "statistics" values (?,?))"),
            {Report::Region, joinIds({Report::Zarechny, Report::Ozerny, Report::Svetlogorsk})});

    addPopulation(db, year);
    addIndicatorSets(db);
    addNetworkConditions(db);
    tx.commit();
}

void addPopulation(Database& db, int year)
{
    Transaction tx(db);
    for (int unit = 1; unit <= int(std::size(kUnits)); ++unit) {
        const Population p = servedBelow(unit, year);
        if (p.olds + p.teens + p.childs > 0)
            insertPopulation(db, "populations1", unit, year, p);
    }
    const std::map<int, int> reportArea = {{Report::Zarechny, Unit::ZarechnyDistrict},
                                           {Report::Ozerny, Unit::OzernyDistrict},
                                           {Report::Svetlogorsk, Unit::SvetlogorskDistrict},
                                           {Report::Region, 0},
                                           {Report::Network, 0}};
    for (const auto& [report, unit] : reportArea)
        insertPopulation(db, "populations", report, year, servedBelow(unit, year));
    tx.commit();
}

void enterData(Database& db, int year)
{
    const int fixrows = 3;   // every table of the sample has three header rows
    const int t1000 = tableIdent(Form::F12, "(1000)"), t2000 = tableIdent(Form::F12, "(2000)"),
              t3000 = tableIdent(Form::F12, "(3000)"), t4000 = tableIdent(Form::F12, "(4000)"),
              t1100 = tableIdent(Form::F30, "(1100)"), t2100 = tableIdent(Form::F30, "(2100)"),
              t3100 = tableIdent(Form::F30, "(3100)");

    Transaction tx(db);
    for (const Entered& e : kEntered) {
        Grid children = morbidity(e.scale, 0.20, {1.0, 0.38, 0.75, 0.09});
        Grid teens = morbidity(e.scale, 0.06, {1.0, 0.62, 0.15});
        Grid adults = morbidity(e.scale, 0.74, {1.0, 0.62, 0.15});
        Grid elderly = morbidity(e.scale, 0.30, {1.0, 0.62, 0.15});
        Grid posts = staff(e);
        Grid seen = visits(e);
        Grid bedFund = beds(e);

        // The mistakes a user makes, each breaking one kind of control.
        switch (e.unit) {
        case Unit::ZarechnayaInpatient:   // within a table, column cycle: pneumonias above their class
            children[{4, 5}] = children[{4, 4}] + 12;
            break;
        case Unit::Malinovka:             // within a table, "=": the total is not the sum
            bedFund[{3, 1}] += 5;
            break;
        case Unit::OzernayaCrb:           // between tables: a part above its whole
            elderly[{4, 1}] = adults[{4, 1}] + 7;
            break;
        case Unit::Berezovka: {           // between forms: more admitted than registered
            const double registered = children[{4, 2}] + teens[{4, 2}] + adults[{4, 2}];
            const double admitted = registered + 30;
            bedFund[{5, 1}] += admitted - bedFund[{5, 5}];
            bedFund[{5, 5}] = admitted;
            break;
        }
        case Unit::SvetlogorskHospital:   // a fractional table, row cycle: more posts taken than exist
            posts[{4, 2}] = posts[{3, 2}] + 0.25;
            break;
        }

        const bool fillsF12 = e.unit != Unit::Sosnovka;
        if (fillsF12) {
            store(db, year, e.unit, t1000, fixrows, children);
            store(db, year, e.unit, t2000, fixrows, teens);
            store(db, year, e.unit, t3000, fixrows, adults);
            store(db, year, e.unit, t4000, fixrows, elderly);
        }
        store(db, year, e.unit, t1100, fixrows, posts);
        store(db, year, e.unit, t2100, fixrows, seen);
        store(db, year, e.unit, t3100, fixrows, bedFund);
    }
    tx.commit();
}

namespace {

bool buildYears(const QString& work, QString* why)
{
    for (int year : {DataYear, NextYear}) {
        const QString yearFolder = Files::join(work, QString::number(year));
        if (!Files::makeFolder(Files::join(yearFolder, QStringLiteral("forms")), why))
            return false;
        Schema::createDataDatabaseFile(Files::join(yearFolder, QStringLiteral("data0.mdb")));
    }
    const QString first = Files::join(work, QString::number(DataYear), QStringLiteral("ktrmain.mdb"));
    const QString next = Files::join(work, QString::number(NextYear), QStringLiteral("ktrmain.mdb"));
    {
        Schema::createDictionaryFile(first);
        auto dictionary = Database::open(first);
        fillDictionary(*dictionary, DataYear);
        // The next year starts as a copy of this one's dictionary, as a new year does.
        dictionary->copyTo(next);
        // The blanks are headed as the dictionary heads the tables, in both years alike.
        for (int year : {DataYear, NextYear})
            if (!writeFormBlanks(*dictionary, Files::join(work, QString::number(year)), why))
                return false;
    }
    auto data = Database::open(Files::join(work, QString::number(DataYear), QStringLiteral("data0.mdb")));
    enterData(*data, DataYear);
    {
        auto dictionary = Database::open(first);
        if (!writeDataFiles(*dictionary, *data, work, DataYear, why))
            return false;
    }
    auto nextDictionary = Database::open(next);
    addPopulation(*nextDictionary, NextYear);
    return writeFormStructureFile(work, why) && writeControlsFile(work, first, why);
}

}  // namespace

bool makeConfiguration(const QString& folder, QString* error)
{
    // Built beside the target and put in its place only when whole, so no stale file survives
    // and a failure leaves the old configuration as it was.
    const QString target = QDir::cleanPath(folder);
    const QString work = target + QStringLiteral(".new");
    QString why;
    bool built = Files::removeFolder(work, &why);
    if (built) {
        try {
            built = buildYears(work, &why);
        } catch (const DbError& e) {
            why = e.userText();
            built = false;
        }
    }
    if (built && !Files::removeFolder(target, &why))
        built = false;
    if (built && !QDir().rename(work, target)) {
        why = QStringLiteral("Не удалось переименовать папку %1 в %2").arg(work, target);
        built = false;
    }
    if (!built) {
        QString ignored;
        Files::removeFolder(work, &ignored);
        if (error)
            *error = why;
    }
    return built;
}

}  // namespace Sample
