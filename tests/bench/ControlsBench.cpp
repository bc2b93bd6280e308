// The controls of a large form: 20 tables of 40 data columns by 60 data rows, 150 controls per
// table (3000 in all), their cycles expanding to 55 300 checks. Run for one institution and for
// every institution of a territory of 300, as the full run of the forms tree does it: per table
// the lists are filled and RunControls is called with the table's default reference.
//
// BM_ExactOverBinary runs the same checks in exact decimals and in binary doubles within one run
// and reports the ratio (the goal: at most 1.3).
//
//     bin/ControlsBench --benchmark_counters_tabular=true

#include "core/Controls.h"
#include "core/Common.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "platform/Numbers.h"
#include "YearFixture.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <random>

namespace {

constexpr int kTables = 20;
constexpr int kDataColumns = 40;   // Графа 3..42
constexpr int kDataRows = 60;      // Строка 1..60
constexpr int kFixcols = 2;
constexpr int kFixrows = 3;
constexpr int kColcount = kFixcols + kDataColumns;
constexpr int kRowcount = kFixrows + kDataRows;
constexpr int kFirstColumn = kFixcols + 1;
constexpr int kLastColumn = kColcount;
constexpr int kDataSets = 8;       // institutions share a few data sets: memory, not speed
constexpr int kTerritory = 300;

const QString kForm = QStringLiteral("Ф100");

struct ControlText {
    QString lft, reltion, rght, cycl;
};

bool isTotalColumn(int c) { return (c - kFirstColumn) % 10 == 0; }   // 3, 13, 23, 33
bool isTotalRow(int r) { return r == 1 || r == 31; }

// Detail cells 0..99 at random; each total column sums the nine columns after it, rows 1 and 31
// sum the 29 rows after them, so the sum controls hold and some of the bound controls fail.
std::vector<CellArray> makeDataSet(unsigned seed)
{
    std::mt19937 rnd(seed);
    std::uniform_int_distribution<int> value(0, 99);
    std::vector<CellArray> tables;
    for (int t = 0; t < kTables; ++t) {
        CellArray a(kFixcols + 1, kColcount + 1, kFixrows + 1, kRowcount + 1);
        auto at = [&](int c, int r) { return a.value(c + 1, r + kFixrows + 1); };
        auto set = [&](int c, int r, double v) { a.set(c + 1, r + kFixrows + 1, v); };
        for (int r = 1; r <= kDataRows; ++r)
            for (int c = kFirstColumn; c <= kLastColumn; ++c)
                if (!isTotalColumn(c) && !isTotalRow(r))
                    set(c, r, value(rnd));
        for (int r = 1; r <= kDataRows; ++r)
            for (int c = kFirstColumn; c <= kLastColumn; c += 10) {
                double sum = 0;
                for (int d = c + 1; d <= c + 9; ++d)
                    sum += at(d, r);
                set(c, r, sum);
            }
        for (int c = kFirstColumn; c <= kLastColumn; ++c)
            for (int total : {1, 31}) {
                double sum = 0;
                for (int r = total + 1; r <= total + 29; ++r)
                    sum += at(c, r);
                set(c, total, sum);
            }
        tables.push_back(a);
    }
    return tables;
}

// 150 controls of one table: 4 column sums over every row, 2 row sums over every column (one by
// a range, one term by term), 39 bounds of the first total over every row, 105 single cells.
std::vector<ControlText> tableControls()
{
    std::vector<ControlText> out;
    const QString allRows = QStringLiteral("стр1..%1").arg(kDataRows);
    for (int c = kFirstColumn; c <= kLastColumn; c += 10) {
        QStringList parts;
        for (int d = c + 1; d <= c + 9; ++d)
            parts << QStringLiteral("гр%1").arg(d);
        out.push_back({QStringLiteral("гр%1").arg(c), QStringLiteral("="), parts.join(u'+'), allRows});
    }
    const QString allColumns = QStringLiteral("гр[%1..%2]").arg(kFirstColumn).arg(kLastColumn);
    out.push_back({QStringLiteral("стр1"), QStringLiteral("="), QStringLiteral("стр2..30"), allColumns});
    QStringList rows;
    for (int r = 32; r <= 60; ++r)
        rows << QStringLiteral("стр%1").arg(r);
    out.push_back({QStringLiteral("стр31"), QStringLiteral("="), rows.join(u'+'), allColumns});
    for (int c = kFirstColumn + 1; c <= kLastColumn; ++c)
        out.push_back({QStringLiteral("гр3"), QStringLiteral(">="), QStringLiteral("гр%1").arg(c), allRows});
    for (int i = 0; i < 105; ++i) {
        const int r = 2 + i % 29, c = kFirstColumn + 1 + i % 9;
        if (i % 3 == 0)
            out.push_back({QStringLiteral("стр%1гр%2").arg(r).arg(c), QStringLiteral("<="), QStringLiteral("95"), {}});
        else if (i % 3 == 1)
            out.push_back({QStringLiteral("(стр%1гр%2+стр%3гр%2)*2").arg(r).arg(c).arg(r + 1),
                           QStringLiteral(">="), QStringLiteral("стр%1гр%2").arg(r).arg(c), {}});
        else
            out.push_back({QStringLiteral("стр%1гр%2/2-стр%1гр%3").arg(r).arg(kFirstColumn).arg(c),
                           QStringLiteral("<"), QStringLiteral("1000"), {}});
    }
    return out;
}

const std::vector<ControlText>& controls()
{
    static const std::vector<ControlText> c = tableControls();
    return c;
}

const std::vector<std::vector<CellArray>>& dataSets()
{
    static const std::vector<std::vector<CellArray>> sets = [] {
        std::vector<std::vector<CellArray>> s;
        for (int i = 0; i < kDataSets; ++i)
            s.push_back(makeDataSet(1000 + i));
        return s;
    }();
    return sets;
}

// The tables of one institution, handed out from memory.
class MemoryTables : public TableSource {
public:
    explicit MemoryTables(const std::vector<CellArray>& tables) : m_tables(tables) {}
    const CellArray* table(const QString& formName, const QString& tableNumber) override
    {
        if (!sameName(formName, kForm))
            return nullptr;
        const int n = tableNumber.mid(1, tableNumber.size() - 2).toInt();
        return n >= 1 && n <= kTables ? &m_tables[n - 1] : nullptr;
    }

private:
    const std::vector<CellArray>& m_tables;
};

QString defaultRef(int table) { return kForm + QStringLiteral("Т[%1]").arg(table); }

// The full run for one institution: per table, fill the lists and run.
void runInstitution(TableSource& tables)
{
    for (int t = 1; t <= kTables; ++t) {
        ClearControls();
        int code = 0;
        for (const ControlText& c : controls())
            AddControl(++code, c.lft, c.reltion, c.rght, c.cycl);
        RunControls(defaultRef(t), tables);
    }
}

qint64 checksPerInstitution()
{
    qint64 n = 0;
    for (const ControlText& c : controls())
        n += c.cycl.isEmpty() ? 1 : (c.cycl.startsWith(u"стр") ? kDataRows : kDataColumns);
    return n * kTables;
}

void report(benchmark::State& state, int institutions)
{
    const double checks = double(checksPerInstitution()) * institutions;
    state.counters["controls"] = double(controls().size() * kTables) * institutions;
    state.counters["checks"] = checks;
    state.counters["errors"] = double(ControlErrors.size());
    state.counters["checks/s"] = benchmark::Counter(checks, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_OneInstitution(benchmark::State& state)
{
    MemoryTables tables(dataSets()[0]);
    for (auto _ : state) {
        ControlErrors.clear();
        runInstitution(tables);
    }
    report(state, 1);
}
BENCHMARK(BM_OneInstitution)->Unit(benchmark::kMillisecond);

// The same controls read once, only the checks repeated.
void BM_OneInstitutionReadOnce(benchmark::State& state)
{
    std::vector<ControlSet> sets;
    for (int t = 1; t <= kTables; ++t) {
        ControlSet set(defaultRef(t));
        int code = 0;
        for (const ControlText& c : controls())
            set.add(++code, c.lft, c.reltion, c.rght, c.cycl, QString());
        sets.push_back(std::move(set));
    }
    MemoryTables tables(dataSets()[0]);
    for (auto _ : state) {
        ControlErrors.clear();
        for (const ControlSet& set : sets)
            set.run(tables, nullptr, ControlErrors);
    }
    report(state, 1);
}
BENCHMARK(BM_OneInstitutionReadOnce)->Unit(benchmark::kMillisecond);

// What the exact decimal arithmetic costs: the checks of BM_OneInstitutionReadOnce run in exact
// decimals and in binary doubles, alternately in every iteration, so both see the same machine.
// "ratio" is exact time over binary time; the goal is at most 1.3.
void BM_ExactOverBinary(benchmark::State& state)
{
    std::vector<ControlSet> sets;
    for (int t = 1; t <= kTables; ++t) {
        ControlSet set(defaultRef(t));
        int code = 0;
        for (const ControlText& c : controls())
            set.add(++code, c.lft, c.reltion, c.rght, c.cycl, QString());
        sets.push_back(std::move(set));
    }
    MemoryTables tables(dataSets()[0]);
    using Clock = std::chrono::steady_clock;
    Clock::duration exact{}, binary{};
    for (auto _ : state) {
        ControlErrors.clear();
        const auto t0 = Clock::now();
        for (const ControlSet& set : sets)
            set.run(tables, nullptr, ControlErrors, Arithmetic::Exact);
        const auto t1 = Clock::now();
        const qsizetype exactErrors = ControlErrors.size();
        ControlErrors.clear();
        const auto t2 = Clock::now();
        for (const ControlSet& set : sets)
            set.run(tables, nullptr, ControlErrors, Arithmetic::Binary);
        const auto t3 = Clock::now();
        exact += t1 - t0;
        binary += t3 - t2;
        if (exactErrors != ControlErrors.size())
            state.SkipWithError("the two arithmetics disagree on the failed checks");
    }
    const double n = double(state.iterations());
    state.counters["exact_ms"] = std::chrono::duration<double, std::milli>(exact).count() / n;
    state.counters["binary_ms"] = std::chrono::duration<double, std::milli>(binary).count() / n;
    state.counters["ratio"] = double(exact.count()) / double(binary.count());
}
BENCHMARK(BM_ExactOverBinary)->Unit(benchmark::kMillisecond);

void BM_Territory(benchmark::State& state)
{
    for (auto _ : state) {
        ControlErrors.clear();
        for (int i = 0; i < kTerritory; ++i) {
            MemoryTables tables(dataSets()[i % kDataSets]);
            runInstitution(tables);
        }
    }
    report(state, kTerritory);
}
BENCHMARK(BM_Territory)->Unit(benchmark::kMillisecond)->Iterations(3);

// One institution with its tables read from a real data database (20 queries per run).
void BM_OneInstitutionFromDatabase(benchmark::State& state)
{
    QTemporaryDir dir;
    YearFixture year(dir.path(), 2025, YearFixture::InstallAliases);
    const int form = year.addForm(kForm);
    const int inst = year.addInstitution(QStringLiteral("Больница"));
    {
        Transaction tx(year.data());
        Query insert(year.data(), QStringLiteral(R"(insert into "data" values (?,?,?,?,?,?))"));
        for (int t = 1; t <= kTables; ++t) {
            const int ident = year.addTable(form, QStringLiteral("(%1)").arg(t), QStringLiteral("Т"),
                                            kColcount, kRowcount, kFixcols, kFixrows);
            const CellArray& a = dataSets()[0][t - 1];
            for (int c = a.lowColumn(); c <= a.highColumn(); ++c)
                for (int r = a.lowRow(); r <= a.highRow(); ++r)
                    if (a.value(c, r) != 0) {
                        insert.bindAll({inst, a.value(c, r), 2025, ident, c, r});
                        insert.exec();
                        insert.reset();
                    }
        }
        tx.commit();
    }
    GetForms(year.dictionary());
    GetTables(year.dictionary());
    ReportYear = 2025;
    DataTablePrefix = QStringLiteral("Data");
    WorkMode = QStringLiteral("Input");
    CurrentInstitutionId = inst;
    for (auto _ : state) {
        ControlErrors.clear();
        for (int t = 1; t <= kTables; ++t) {
            ClearControls();
            int code = 0;
            for (const ControlText& c : controls())
                AddControl(++code, c.lft, c.reltion, c.rght, c.cycl);
            RunControls(defaultRef(t));   // every run reads its table from the database
        }
    }
    report(state, 1);
    clearStructureCaches();
    clearSharedState();
}
BENCHMARK(BM_OneInstitutionFromDatabase)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
