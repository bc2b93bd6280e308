#include "core/YearDatabases.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/Schema.h"

#include <QDir>
#include <QFileInfo>

#include <QList>
#include <algorithm>
#include <functional>
#include <memory>

namespace YearDatabases {

namespace {
QString dictionaryIn(const QString& folder) { return Files::join(folder, QStringLiteral("ktrmain.mdb")); }
QString dataFileIn(const QString& folder, int level)
{
    return Files::join(folder, QStringLiteral("data%1.mdb").arg(level));
}
QString formsIn(const QString& folder) { return Files::join(folder, QStringLiteral("forms")); }
}  // namespace

QString yearFolder(const QString& cfgDir, int year) { return Files::join(cfgDir, QString::number(year)); }

QString dictionaryPath(const QString& cfgDir, int year) { return dictionaryIn(yearFolder(cfgDir, year)); }

QString dataPath(const QString& cfgDir, int year, int level) { return dataFileIn(yearFolder(cfgDir, year), level); }

QString formsFolder(const QString& cfgDir, int year) { return formsIn(yearFolder(cfgDir, year)); }

namespace {

bool allDigits(const QString& name)
{
    return !name.isEmpty()
           && std::all_of(name.begin(), name.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// Numeric order for digit strings of any length: "0999" before "2003" before "10000".
bool numericLess(const QString& a, const QString& b)
{
    auto significant = [](const QString& s) {
        qsizetype i = 0;
        while (i + 1 < s.size() && s[i] == QLatin1Char('0'))
            ++i;
        return s.mid(i);
    };
    const QString x = significant(a);
    const QString y = significant(b);
    if (x.size() != y.size())
        return x.size() < y.size();
    if (x != y)
        return x < y;
    return a < b;
}

std::unique_ptr<Database> openFile(const QString& path, QString* error)
{
    try {
        return Database::open(path);
    } catch (const DbError& e) {
        *error = e.userText();
        return nullptr;
    }
}

std::function<bool(CreationStep)>& stepHook()
{
    static std::function<bool(CreationStep)> hook;
    return hook;
}

const QString kBuildingMark = QStringLiteral(" (создается)");

// A year is made under this name beside the configuration's years and takes its own name only
// once whole, so a run stopped at any moment leaves nothing the year list shows.
QString buildingFolder(const QString& cfgDir, int year)
{
    return Files::join(cfgDir, QString::number(year) + kBuildingMark);
}

bool isBuildingFolder(const QString& name)
{
    return name.endsWith(kBuildingMark) && allDigits(name.chopped(kBuildingMark.size()));
}

class YearCreation {
public:
    YearCreation(const QString& cfgDir, int base, int target, Prompts& prompts)
        : m_cfgDir(cfgDir), m_base(base), m_target(target), m_prompts(prompts),
          m_folder(buildingFolder(cfgDir, target))
    {
    }

    bool run(QString* error)
    {
        // A configuration folder that is gone (an unplugged drive) must not come back empty
        // around a year that cannot be made: there is no base year in it to make one from.
        if (!Files::isFolder(m_cfgDir)) {
            *error = QStringLiteral("Папка базы данных %1 не найдена").arg(m_cfgDir);
            return false;
        }
        const QString folder = yearFolder(m_cfgDir, m_target);
        if (Files::exists(folder)) {
            *error = QStringLiteral("Папка %1 уже есть").arg(folder);
            return false;
        }
        if (!removeLeftovers(error) || !Files::makeFolder(m_folder, error))
            return false;
        if (fill(error) && place(folder, error))
            return true;
        QString removeError;
        if (!Files::removeFolder(m_folder, &removeError))
            *error += QLatin1Char('\n') + removeError;
        return false;
    }

private:
    // What a creation stopped midway left behind; only a leftover of this year stands in the way.
    bool removeLeftovers(QString* error)
    {
        for (const QString& name : Files::listFolders(m_cfgDir)) {
            if (!isBuildingFolder(name))
                continue;
            QString removeError;
            const QString path = Files::join(m_cfgDir, name);
            if (!Files::removeFolder(path, &removeError) && path == m_folder) {
                *error = removeError;
                return false;
            }
        }
        return true;
    }

    bool step(CreationStep s, QString* error)
    {
        if (stepHook() && !stepHook()(s)) {
            *error = QStringLiteral("Создание %1 года прервано").arg(m_target);
            return false;
        }
        return true;
    }

    bool fill(QString* error)
    {
        return step(CreationStep::Dictionary, error) && copyDictionary(error)
               && step(CreationStep::AnnualData, error)
               && Files::copyFile(Files::templateDataDatabase(), dataFileIn(m_folder, 0), true, error)
               && step(CreationStep::Forms, error) && copyForms(error) && carryLevels(error);
    }

    bool place(const QString& folder, QString* error)
    {
        if (!step(CreationStep::Placing, error))
            return false;
        if (Files::exists(folder)) {
            *error = QStringLiteral("Папка %1 уже есть").arg(folder);
            return false;
        }
        if (!QDir().rename(m_folder, folder)) {
            *error = QStringLiteral("Не удалось переименовать папку %1 в %2")
                         .arg(QDir::toNativeSeparators(m_folder), QDir::toNativeSeparators(folder));
            return false;
        }
        return true;
    }

    bool copyDictionary(QString* error)
    {
        try {
            // The base year is usually the open one: the engine's copy is consistent while it is.
            std::unique_ptr<Database> base = Database::open(dictionaryPath(m_cfgDir, m_base), true);
            base->copyTo(dictionaryIn(m_folder));
            return true;
        } catch (const DbError& e) {
            *error = e.userText();
            return false;
        }
    }

    bool copyForms(QString* error)
    {
        const QString from = formsFolder(m_cfgDir, m_base);
        const QString to = formsIn(m_folder);
        if (!Files::makeFolder(to, error))
            return false;
        for (const QString& name : Files::listFiles(from))
            if (!Files::copyFile(Files::join(from, name), Files::join(to, name), true, error))
                return false;
        return true;
    }

    bool carryLevels(QString* error)
    {
        QList<int> levels;
        {
            std::unique_ptr<Database> dictionary = openFile(dictionaryIn(m_folder), error);
            if (!dictionary)
                return false;
            try {
                Query q(*dictionary, QStringLiteral(R"(select "id" from "subreps" order by "id")"));
                while (q.next())
                    levels.append(q.toInt(0));
            } catch (const DbError& e) {
                *error = e.userText();
                return false;
            }
        }
        if (levels.isEmpty())
            return true;
        // No connection is open on the new dictionary while the user thinks it over.
        const bool carry = m_prompts.question(QStringLiteral("Переносить в новый год промежуточные отчеты?"));
        if (!step(CreationStep::LevelData, error))
            return false;
        if (carry) {
            for (int id : levels)
                if (!Files::copyFile(Files::templateDataDatabase(), dataFileIn(m_folder, id), true, error))
                    return false;
            return true;
        }
        std::unique_ptr<Database> dictionary = openFile(dictionaryIn(m_folder), error);
        if (!dictionary)
            return false;
        try {
            dictionary->exec(QStringLiteral(R"(delete from "subreps")"));
        } catch (const DbError& e) {
            *error = e.userText();
            return false;
        }
        return true;
    }

    QString m_cfgDir;
    int m_base;
    int m_target;
    Prompts& m_prompts;
    QString m_folder;   // where the year is made
};

}  // namespace

QStringList yearList(const QString& cfgDir)
{
    QStringList years;
    for (const QString& name : Files::listFolders(cfgDir))
        if (allDigits(name))
            years.append(name);
    std::sort(years.begin(), years.end(), numericLess);
    return years;
}

namespace {

// The file opened and holding what the program reads from it; nothing in it is created or
// changed on the way but the stamp of a clean check, which spares the next opening the check.
std::unique_ptr<Database> openChecked(const QString& path, bool dictionary, QString* error)
{
    std::unique_ptr<Database> db = openFile(path, error);
    if (!db)
        return nullptr;
    QStringList missing;
    try {
        missing = Schema::missingPartsAtOpen(*db, dictionary ? Schema::Kind::Dictionary : Schema::Kind::Data);
    } catch (const DbError& e) {
        *error = e.userText();
        return nullptr;
    }
    if (missing.isEmpty())
        return db;
    const QString parts = missing.join(QStringLiteral(", "));
    if (dictionary && Schema::isOlderDictionary(missing)) {
        // A configuration made before the type tree and the ordering columns: nothing is wrong
        // with it that the conversion utility does not mend, so that is what the user is told.
        *error = QStringLiteral("Справочник %1 в папке года %2 старой версии, программа не может его открыть.\n"
                                "Обновите его программой преобразования баз данных \"Тормик\" (tormik): "
                                "выберите в ней эту конфигурацию и этот год и нажмите \"Старт\".\n"
                                "Недостает: %3.")
                     .arg(QFileInfo(path).fileName(), QDir::toNativeSeparators(QFileInfo(path).absolutePath()), parts);
        return nullptr;
    }
    *error = QStringLiteral("База данных %1 повреждена или не того вида: в ней нет %2.")
                 .arg(QDir::toNativeSeparators(path), parts);
    return nullptr;
}

} // namespace

bool openYearFiles(const QString& cfgDir, int year, OpenedYear* opened, QString* error)
{
    std::unique_ptr<Database> dictionary = openChecked(dictionaryPath(cfgDir, year), true, error);
    if (!dictionary)
        return false;
    std::unique_ptr<Database> data = openChecked(dataPath(cfgDir, year), false, error);
    if (!data)
        return false;
    // Every new level and year is a copy of the template: without it they could not be made.
    const QString templatePath = Files::templateDataDatabase();
    if (!Files::exists(templatePath)) {
        *error = QStringLiteral("Нет шаблона базы данных %1: без него нельзя создавать уровни отчета и "
                                "новые годы. Восстановите его из дистрибутива программы.")
                     .arg(QDir::toNativeSeparators(templatePath));
        return false;
    }
    {
        std::unique_ptr<Database> templ;
        try {
            templ = Database::open(templatePath, true);
        } catch (const DbError& e) {
            *error = e.userText();
            return false;
        }
        QStringList missing;
        try {
            missing = Schema::missingPartsAtOpen(*templ, Schema::Kind::Data);
        } catch (const DbError& e) {
            *error = e.userText();
            return false;
        }
        if (!missing.isEmpty()) {
            *error = QStringLiteral("Шаблон базы данных %1 поврежден: в нем нет %2.")
                         .arg(QDir::toNativeSeparators(templatePath), missing.join(QStringLiteral(", ")));
            return false;
        }
    }
    opened->dictionary = std::move(dictionary);
    opened->data = std::move(data);
    return true;
}

void installYear(OpenedYear&& opened)
{
    Aliases::set(Aliases::Main, std::move(opened.dictionary));
    Aliases::set(Aliases::Data, std::move(opened.data));
}

bool openYear(const QString& cfgDir, int year, QString* error)
{
    OpenedYear opened;
    if (!openYearFiles(cfgDir, year, &opened, error))
        return false;
    installYear(std::move(opened));
    return true;
}

bool openLevel(const QString& cfgDir, int year, int level, QString* error)
{
    std::unique_ptr<Database> data = openChecked(dataPath(cfgDir, year, level), false, error);
    if (!data)
        return false;
    Aliases::set(Aliases::Data, std::move(data));
    return true;
}

void setCreationStepHook(std::function<bool(CreationStep)> hook) { stepHook() = std::move(hook); }

bool createYear(const QString& cfgDir, int base, int target, Prompts& prompts, QString* error)
{
    return YearCreation(cfgDir, base, target, prompts).run(error);
}

}  // namespace YearDatabases
