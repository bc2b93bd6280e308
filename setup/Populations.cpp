#include "setup/Populations.h"

#include "core/Common.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

#include <QSet>
#include <QStringList>
#include <cmath>

namespace {

const char* const kFieldNames[4] = {"Всего", "Взрослые", "Подростки", "Дети"};

// Whole figures travel as doubles in REAL columns; beyond 15 digits a double no longer holds
// every whole number exactly.
constexpr int MaxFigureDigits = 15;
// Ids bound to one statement: well below SQLite's limit of bound variables.
constexpr int IdsPerStatement = 500;

QString tableOf(PopulationOf of)
{
    return of == PopulationOf::Unit ? QStringLiteral(R"("populations1")")
                                    : QStringLiteral(R"("populations")");
}

QString figureText(const QVariant& value)
{
    if (value.isNull())
        return QString();
    const double v = value.toDouble();
    if (std::floor(v) == v && std::fabs(v) < 1e15)
        return QString::number(qint64(v));
    return formatNumber(v);
}

std::optional<qint64> parseFigure(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    if (t.size() > MaxFigureDigits)
        return std::nullopt;
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    return t.toLongLong();
}

bool allEmpty(const PopulationTexts& texts)
{
    for (const QString& t : texts) {
        if (!t.trimmed().isEmpty())
            return false;
    }
    return true;
}

bool sameTexts(const PopulationTexts& a, const PopulationTexts& b)
{
    for (int i = 0; i < 4; ++i) {
        if (a[i].trimmed() != b[i].trimmed())
            return false;
    }
    return true;
}

}

std::optional<PopulationTexts> readPopulation(Database& dictionary, PopulationOf of, int year, int key)
{
    Query q(dictionary, QStringLiteral(R"(select "common","olds","teens","childs" from %1
        where "year"=? and "unit"=? order by rowid limit 1)").arg(tableOf(of)), {year, key});
    if (!q.next())
        return std::nullopt;
    PopulationTexts texts;
    for (int i = 0; i < 4; ++i)
        texts[i] = figureText(q.value(i));
    return texts;
}

PopulationTexts sumPopulation(Database& dictionary, int year, const QList<int>& unitIds)
{
    // A unit listed twice is counted once, as "in (...)" counts it.
    QList<int> ids;
    QSet<int> seen;
    for (int id : unitIds) {
        if (!seen.contains(id)) {
            seen.insert(id);
            ids.append(id);
        }
    }
    std::array<double, 4> sums{};
    std::array<bool, 4> any{};
    for (qsizetype from = 0; from < ids.size(); from += IdsPerStatement) {
        const QList<int> chunk = ids.mid(from, IdsPerStatement);
        QStringList marks;
        QVariantList params{year};
        for (int id : chunk) {
            marks << QStringLiteral("?");
            params << id;
        }
        Query q(dictionary, QStringLiteral(R"(select sum("common"),sum("olds"),sum("teens"),sum("childs")
            from "populations1" where "year"=? and "unit" in (%1))").arg(marks.join(QLatin1Char(','))),
                params);
        if (!q.next())
            continue;
        for (int i = 0; i < 4; ++i) {
            if (q.value(i).isNull())
                continue;
            any[i] = true;
            sums[i] += q.toDouble(i);
        }
    }
    PopulationTexts texts;
    for (int i = 0; i < 4; ++i)
        texts[i] = any[i] ? figureText(sums[i]) : QString();
    return texts;
}

bool reportInstitutions(Database& dictionary, int reportId, QList<int>& ids, QString* error)
{
    ids.clear();
    Query q(dictionary, QStringLiteral(R"(select "report","include" from "reports" where "id"=?)"), {reportId});
    if (!q.next()) {
        if (error)
            *error = QStringLiteral("Сводный отчет не найден в базе");
        return false;
    }
    if (!parseIdList(q.text(1), ids)) {
        if (error)
            *error = QStringLiteral("Список учреждений отчета %1 испорчен: \"%2\"").arg(q.text(0), q.text(1));
        return false;
    }
    return true;
}

std::optional<PopulationFigures> parsePopulation(const PopulationTexts& shown, QString* error)
{
    PopulationFigures figures{};
    for (int i = 0; i < 4; ++i) {
        const std::optional<qint64> figure = parseFigure(shown[i]);
        if (!figure) {
            if (error)
                *error = QStringLiteral("Поле \"%1\": \"%2\" не целое число")
                             .arg(QString::fromUtf8(kFieldNames[i]), shown[i].trimmed());
            return std::nullopt;
        }
        figures[i] = *figure;
    }
    return figures;
}

PopulationSave savePopulation(Database& dictionary, PopulationOf of, int year, int key,
                              const PopulationTexts& shown, QString* error)
{
    Transaction tx(dictionary);
    const std::optional<PopulationTexts> stored = readPopulation(dictionary, of, year, key);
    if (stored ? sameTexts(*stored, shown) : allEmpty(shown))
        return PopulationSave::Unchanged;
    const std::optional<PopulationFigures> figures = parsePopulation(shown, error);
    if (!figures)
        return PopulationSave::Invalid;
    if (stored) {
        // "5" and "05" or an empty field and 0 are the same figure.
        QString ignored;
        const std::optional<PopulationFigures> before = parsePopulation(*stored, &ignored);
        if (before && *before == *figures)
            return PopulationSave::Unchanged;
        dictionary.exec(QStringLiteral(R"(update %1 set "common"=?,"olds"=?,"teens"=?,"childs"=?
            where "year"=? and "unit"=?)").arg(tableOf(of)),
                        {(*figures)[0], (*figures)[1], (*figures)[2], (*figures)[3], year, key});
        tx.commit();
        return PopulationSave::Updated;
    }
    dictionary.exec(QStringLiteral(R"(insert into %1 ("unit","year","common","olds","teens","childs")
        values (?,?,?,?,?,?))").arg(tableOf(of)),
                    {key, year, (*figures)[0], (*figures)[1], (*figures)[2], (*figures)[3]});
    tx.commit();
    return PopulationSave::Inserted;
}
