#include "core/YearDatabases.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/Schema.h"

#include <QDir>

#include <QList>
#include <algorithm>
#include <memory>

namespace YearDatabases {

QString yearFolder(const QString& cfgDir, int year) { return Files::join(cfgDir, QString::number(year)); }

QString dictionaryPath(const QString& cfgDir, int year)
{
    return Files::join(yearFolder(cfgDir, year), QStringLiteral("ktrmain.mdb"));
}

QString dataPath(const QString& cfgDir, int year, int level)
{
    return Files::join(yearFolder(cfgDir, year), QStringLiteral("data%1.mdb").arg(level));
}

QString formsFolder(const QString& cfgDir, int year)
{
    return Files::join(yearFolder(cfgDir, year), QStringLiteral("forms"));
}

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

class YearCreation {
public:
    YearCreation(const QString& cfgDir, int base, int target, Prompts& prompts)
        : m_cfgDir(cfgDir), m_base(base), m_target(target), m_prompts(prompts)
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
        if (!Files::makeFolder(folder, error))
            return false;
        if (fill(error))
            return true;
        QString removeError;
        if (!Files::removeFolder(folder, &removeError))
            *error += QLatin1Char('\n') + removeError;
        return false;
    }

private:
    bool fill(QString* error)
    {
        return copyDictionary(error)
               && Files::copyFile(Files::templateDataDatabase(), dataPath(m_cfgDir, m_target), true, error)
               && copyForms(error) && carryLevels(error);
    }

    bool copyDictionary(QString* error)
    {
        try {
            // The base year is usually the open one: the engine's copy is consistent while it is.
            std::unique_ptr<Database> base = Database::open(dictionaryPath(m_cfgDir, m_base), true);
            base->copyTo(dictionaryPath(m_cfgDir, m_target));
            return true;
        } catch (const DbError& e) {
            *error = e.userText();
            return false;
        }
    }

    bool copyForms(QString* error)
    {
        const QString from = formsFolder(m_cfgDir, m_base);
        const QString to = formsFolder(m_cfgDir, m_target);
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
            std::unique_ptr<Database> dictionary = openFile(dictionaryPath(m_cfgDir, m_target), error);
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
        if (m_prompts.question(QStringLiteral("Переносить в новый год промежуточные отчеты?"))) {
            for (int id : levels)
                if (!Files::copyFile(Files::templateDataDatabase(), dataPath(m_cfgDir, m_target, id), true, error))
                    return false;
            return true;
        }
        std::unique_ptr<Database> dictionary = openFile(dictionaryPath(m_cfgDir, m_target), error);
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
    if (!missing.isEmpty()) {
        *error = QStringLiteral("База данных %1 повреждена или не того вида: в ней нет %2.")
                     .arg(QDir::toNativeSeparators(path), missing.join(QStringLiteral(", ")));
        return nullptr;
    }
    return db;
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

bool createYear(const QString& cfgDir, int base, int target, Prompts& prompts, QString* error)
{
    return YearCreation(cfgDir, base, target, prompts).run(error);
}

}  // namespace YearDatabases
