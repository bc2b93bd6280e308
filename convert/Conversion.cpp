#include "convert/Conversion.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Numbers.h"
#include "platform/Prompts.h"
#include "platform/TextReader.h"

#include <QDir>
#include <QHash>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <memory>

namespace Conversion {
namespace {

const QString kConfigurations = QStringLiteral("Конфигурации");
const QString kConfiguration = QStringLiteral("Конфигурация");

// A types file runs to a few hundred lines; these bounds leave room for any real one.
constexpr TextLimits kTypesLimits{qint64(4) << 20, 64 * 1024};

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

bool hasColumn(Database& db, const QString& table, const QString& column)
{
    const QStringList columns = db.columns(table);
    return std::any_of(columns.begin(), columns.end(),
                       [&](const QString& c) { return sameName(c, column); });
}

// A name written in double quotes, as files made for pasting into SQL carry it, loses one pair.
QString unquoted(const QString& field)
{
    const QString t = field.trimmed();
    if (t.size() >= 2 && t.startsWith(QLatin1Char('"')) && t.endsWith(QLatin1Char('"')))
        return t.mid(1, t.size() - 2);
    return t;
}

void mergeTypes(Database& db, const QList<MedicalType>& types)
{
    Query update(db, QStringLiteral(R"(update "medicaltypes" set "parent"=?, "ind"=? where "id"=?)"));
    Query insert(db, QStringLiteral(R"(insert into "medicaltypes" ("id","type","parent","ind") values (?,?,?,?))"));
    for (const MedicalType& t : types) {
        update.reset();
        update.bindAll({t.parent, t.ind, t.id});
        if (update.exec() > 0)
            continue;
        // The file's id is kept, so the file's parents keep naming the types they mean.
        insert.reset();
        insert.bindAll({t.id, t.type, t.parent, t.ind});
        insert.exec();
    }
}

// The first chain of parents that comes back to a type on it and holds a type of `types`, as
// "1, 2, 1" from where it closes; empty when there is none. `parentOf` maps a type to its parent.
// Every type is walked once, so the search is linear in the number of types.
QList<int> firstParentLoop(const QList<MedicalType>& types, const QHash<int, int>& parentOf)
{
    enum State : char { Unseen, OnPath, Done };
    QSet<int> ofFile;
    for (const MedicalType& t : types)
        ofFile.insert(t.id);
    QHash<int, char> state;
    for (const MedicalType& start : types) {
        QList<int> path;
        int id = start.id;
        while (parentOf.contains(id) && state.value(id, Unseen) == Unseen) {
            state.insert(id, OnPath);
            path.append(id);
            id = parentOf.value(id);
        }
        if (state.value(id, Unseen) == OnPath) {
            QList<int> loop = path.mid(path.indexOf(id));
            if (std::any_of(loop.begin(), loop.end(), [&](int t) { return ofFile.contains(t); })) {
                loop.append(id);
                return loop;
            }
        }
        for (int p : std::as_const(path))
            state.insert(p, Done);
    }
    return {};
}

// Names the loop at the first line of the file that holds one of its types.
QString parentLoopMessage(const QString& fileName, const QList<MedicalType>& types, const QList<int>& loop)
{
    int line = 0;
    for (const MedicalType& t : types)
        if (loop.contains(t.id) && (line == 0 || t.line < line))
            line = t.line;
    QStringList ids;
    for (int id : loop)
        ids << QString::number(id);
    return QStringLiteral("Файл %1, строка %2: типы учреждений оказываются родителями самих себя: %3")
        .arg(shown(fileName), QString::number(line), ids.join(QStringLiteral(" → ")));
}

}  // namespace

std::optional<ProgramSettings> readProgramSettings(const QString& programFolder)
{
    const QString path = Files::join(programFolder, SettingsFileName);
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    IniFile ini(path);
    if (!ini.exists())
        return std::nullopt;
    ProgramSettings settings;
    for (const auto& [name, folder] : ini.readSectionValues(kConfigurations))
        settings.configurations.append({name, folder});
    const int last = ini.readInteger(kConfiguration, QStringLiteral("Last"), -1);
    settings.last = last >= 0 && last < settings.configurations.size() ? last : -1;
    return settings;
}

bool isYearName(const QString& name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

QStringList yearList(const QString& configFolder)
{
    if (configFolder.isEmpty())
        return {};
    QStringList years;
    for (const QString& name : Files::listFolders(configFolder))
        if (isYearName(name))
            years << name;
    // Digits only: the shorter name is the smaller year, and of two as long the text decides.
    std::sort(years.begin(), years.end(), [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return years;
}

QString dictionaryPath(const QString& configFolder, const QString& year)
{
    return Files::join(configFolder, year, DictionaryFileName);
}

bool MedicalTypesFileReader::fail(const QString& message)
{
    m_types.clear();
    m_error = message;
    return false;
}

bool MedicalTypesFileReader::read(const QString& path)
{
    m_types.clear();
    m_error.clear();
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("Нет файла %1").arg(shown(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Не удалось открыть файл %1").arg(shown(path)));
    return read(&file, path);
}

bool MedicalTypesFileReader::read(QIODevice* device, const QString& name)
{
    m_types.clear();
    m_error.clear();
    TextFileReader reader(kTypesLimits);
    if (!reader.open(device, name))
        return fail(reader.errorString());
    QString line;
    QHash<int, int> lineOfId;
    auto lineError = [&](const QString& what) {
        return fail(QStringLiteral("Файл %1, строка %2: %3").arg(shown(name), QString::number(reader.lineNumber()), what));
    };
    bool header = true;
    while (reader.readLine(&line)) {
        if (header) {
            header = false;
            continue;
        }
        if (line.trimmed().isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 4)
            return lineError(QStringLiteral("ожидаются четыре поля через табуляцию (код, тип, родитель, порядок), "
                                            "найдено %1").arg(fields.size()));
        const std::optional<int> id = parseInt(fields[0]);
        const std::optional<int> parent = parseInt(fields[2]);
        const std::optional<int> ind = parseInt(fields[3]);
        if (!id)
            return lineError(QStringLiteral("код типа «%1» не является целым числом").arg(fields[0]));
        if (*id <= 0)
            return lineError(QStringLiteral("код типа должен быть больше нуля"));
        if (!parent)
            return lineError(QStringLiteral("код родителя «%1» не является целым числом").arg(fields[2]));
        if (!ind)
            return lineError(QStringLiteral("порядковый номер «%1» не является целым числом").arg(fields[3]));
        if (lineOfId.contains(*id))
            return lineError(QStringLiteral("код типа %1 уже указан в строке %2").arg(*id).arg(lineOfId.value(*id)));
        lineOfId.insert(*id, reader.lineNumber());
        m_types.append({*id, unquoted(fields[1]), *parent, *ind, reader.lineNumber()});
    }
    if (reader.hasError())
        return fail(reader.errorString());
    // Once converted a year no longer reads the file: a file without types would leave every
    // type at the top of the tree for good.
    if (header)
        return fail(QStringLiteral("Файл %1 пуст: в нем нет типов учреждений").arg(shown(name)));
    if (m_types.isEmpty())
        return fail(QStringLiteral("В файле %1 нет ни одного типа учреждений, только строка заголовка").arg(shown(name)));
    QHash<int, int> parentOf;
    for (const MedicalType& t : std::as_const(m_types))
        parentOf.insert(t.id, t.parent);
    const QList<int> loop = firstParentLoop(m_types, parentOf);
    if (!loop.isEmpty())
        return fail(parentLoopMessage(name, m_types, loop));
    return true;
}

MissingColumns missingColumns(Database& db)
{
    const QString ind = QStringLiteral("ind");
    MissingColumns m;
    m.administrationInd = !hasColumn(db, QStringLiteral("administration"), ind);
    m.reportsInd = !hasColumn(db, QStringLiteral("reports"), ind);
    m.typesParent = !hasColumn(db, QStringLiteral("medicaltypes"), QStringLiteral("parent"));
    m.typesInd = !hasColumn(db, QStringLiteral("medicaltypes"), ind);
    return m;
}

QString checkParents(const QList<MedicalType>& types, Database& db, const QString& fileName)
{
    QSet<qlonglong> known;
    for (const MedicalType& t : types)
        known.insert(t.id);
    Query stored(db, QStringLiteral(R"(select "id" from "medicaltypes")"));
    while (stored.next())
        known.insert(stored.value(0).toLongLong());
    for (const MedicalType& t : types)
        if (t.parent != 0 && !known.contains(t.parent))
            return QStringLiteral("Файл %1, строка %2: тип-родитель %3 не найден ни в файле, ни в базе данных")
                .arg(shown(fileName), QString::number(t.line), QString::number(t.parent));
    // A dictionary that has its parents already keeps them for the types the file leaves out.
    QHash<int, int> parentOf;
    if (hasColumn(db, QStringLiteral("medicaltypes"), QStringLiteral("parent"))) {
        Query q(db, QStringLiteral(R"(select "id", "parent" from "medicaltypes" where "parent" is not null)"));
        while (q.next())
            parentOf.insert(q.toInt(0), q.toInt(1));
    }
    for (const MedicalType& t : types)
        parentOf.insert(t.id, t.parent);
    const QList<int> loop = firstParentLoop(types, parentOf);
    if (!loop.isEmpty())
        return parentLoopMessage(fileName, types, loop);
    return {};
}

bool convertDictionary(const QString& path, const QList<MedicalType>* types, const QString& typesFileName,
                       QString* error)
{
    try {
        std::unique_ptr<Database> db = Database::openWithParams(
            {QStringLiteral("DATABASE NAME=") + path, QStringLiteral("OPEN MODE=READ/WRITE")});
        const MissingColumns missing = missingColumns(*db);
        if (!missing.any())
            return true;   // up to date: the file is not written at all
        if (missing.needsTypes()) {
            if (!types) {
                *error = QStringLiteral("Не прочитан файл типов учреждений %1").arg(shown(typesFileName));
                return false;
            }
            const QString bad = checkParents(*types, *db, typesFileName);
            if (!bad.isEmpty()) {
                *error = bad;
                return false;
            }
        }
        Transaction tx(*db);
        if (missing.administrationInd)
            db->exec(QStringLiteral(R"(alter table "administration" add column "ind" int)"));
        if (missing.reportsInd)
            db->exec(QStringLiteral(R"(alter table "reports" add column "ind" int)"));
        if (missing.typesParent)
            db->exec(QStringLiteral(R"(alter table "medicaltypes" add column "parent" int)"));
        if (missing.typesInd) {
            db->exec(QStringLiteral(R"(alter table "medicaltypes" add column "ind" int)"));
            mergeTypes(*db, *types);
        }
        // A type without a parent would hang outside the type tree: it becomes a top type.
        if (missing.typesParent || missing.typesInd)
            db->exec(QStringLiteral(R"(update "medicaltypes" set "parent"=0 where "parent" is null)"));
        tx.commit();
        return true;
    } catch (const DbError& e) {
        *error = e.userText();
        return false;
    }
}

RunReport convertYears(const QString& configFolder, const QStringList& years, const QString& typesPath,
                       Prompts& prompts, const std::function<void(const QString& year)>& yearDone)
{
    RunReport report;
    if (years.isEmpty())
        return report;

    // Which chosen years gain the type tree: only they need the types file, and it is checked
    // against each of them before any year is touched. A dictionary that cannot be read here is
    // left to its own turn, where its failure is named.
    QStringList needTypes;
    for (const QString& year : years) {
        const QString path = dictionaryPath(configFolder, year);
        if (!QFileInfo(path).isFile())
            continue;
        try {
            std::unique_ptr<Database> db = Database::open(path, /*readOnly*/ true);
            if (missingColumns(*db).needsTypes())
                needTypes << year;
        } catch (const DbError&) {
            // not readable: its own turn below names the failure
        }
    }
    std::optional<QList<MedicalType>> types;
    if (!needTypes.isEmpty()) {
        MedicalTypesFileReader reader;
        if (!reader.read(typesPath)) {
            prompts.error(QStringLiteral("Базы данных не преобразованы.\n") + reader.errorString());
            report.stopped = true;
            return report;
        }
        types = reader.types();
        for (const QString& year : needTypes) {
            QString bad;
            try {
                std::unique_ptr<Database> db = Database::open(dictionaryPath(configFolder, year), true);
                bad = checkParents(*types, *db, typesPath);
            } catch (const DbError&) {
                // read a moment ago; should it fail now, its own turn below names the failure
            }
            if (!bad.isEmpty()) {
                prompts.error(QStringLiteral("Базы данных не преобразованы: %1 год.\n").arg(year) + bad);
                report.failed = year;
                report.stopped = true;
                return report;
            }
        }
    }

    for (const QString& year : years) {
        const QString path = dictionaryPath(configFolder, year);
        if (!QFileInfo(path).isFile()) {
            report.missing << year;
            yearDone(year);
            continue;
        }
        prompts.message(shown(path));
        QString error;
        if (!convertDictionary(path, types ? &*types : nullptr, typesPath, &error)) {
            prompts.error(QStringLiteral("База данных %1 года не преобразована.\n").arg(year) + error);
            report.failed = year;
            report.stopped = true;
            return report;
        }
        report.converted << year;
        yearDone(year);
    }
    if (report.missing.isEmpty()) {
        prompts.message(QStringLiteral("Готово"));
    } else {
        QStringList paths;
        for (const QString& year : report.missing)
            paths << shown(dictionaryPath(configFolder, year));
        prompts.warning(QStringLiteral("Не все годы преобразованы: нет базы данных\n") + paths.join(QLatin1Char('\n')));
    }
    return report;
}

}  // namespace Conversion
