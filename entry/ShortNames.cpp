#include "entry/ShortNames.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"
#include "platform/TextReader.h"

#include <QDir>
#include <QFileInfo>

QString shortNamesPath()
{
    return QDir(Files::programFolder()).filePath(QStringLiteral("ShortNames.txt"));
}

ShortName parseShortNameLine(const QString& line)
{
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab < 0)
        return {QString(), line};
    return {line.left(tab), line.mid(tab + 1)};
}

bool readShortNames(const QString& path, QList<ShortName>* names, QString* error)
{
    names->clear();
    if (!QFileInfo::exists(path))
        return true;
    QStringList lines;
    if (!readTextLines(path, &lines, error, TextLimits{qint64(16) << 20, 1 << 16}))
        return false;
    for (const QString& line : lines)
        names->append(parseShortNameLine(line));
    return true;
}

bool writeShortNames(const QString& path, const QList<ShortName>& names, QString* error)
{
    QStringList lines;
    for (int i = 0; i < names.size(); ++i) {
        const QString full = names[i].fullName;
        const QString shortName = names[i].shortName.left(MaxShortNameLength);
        for (const QString& part : {full, shortName}) {
            if (part.contains(QLatin1Char('\t')) || part.contains(QLatin1Char('\n'))
                || part.contains(QLatin1Char('\r'))) {
                *error = QStringLiteral("Строка %1: табуляция или перевод строки в названии "
                                        "недопустимы. Файл не записан.").arg(i + 1);
                return false;
            }
            QByteArray bytes;
            QString why;
            if (!encode1251(part, &bytes, &why)) {
                *error = QStringLiteral("Строка %1: %2 Файл не записан.").arg(i + 1).arg(why);
                return false;
            }
        }
        lines.append(full + QLatin1Char('\t') + shortName);
    }
    return writeLines1251(path, lines, error);
}

QString findShortName(const QList<ShortName>& names, const QString& fullName)
{
    for (const ShortName& n : names)
        if (n.fullName == fullName)
            return n.shortName;
    return QString();
}

std::optional<QString> lastShortName(const QList<ShortName>& names, const QString& fullName)
{
    std::optional<QString> found;
    for (const ShortName& n : names)
        if (n.fullName == fullName)
            found = n.shortName;
    return found;
}

QList<ShortName> refreshShortNames(Database& dictionary, const QList<ShortName>& known)
{
    QList<ShortName> out;
    Query q(dictionary, QStringLiteral(
        R"(select "unit" from "administration" where "medicaltype"<>-1 order by "unit")"));
    while (q.next()) {
        const QString unit = q.text(0);
        out.append({unit, findShortName(known, unit)});
    }
    return out;
}

QList<ShortName> initialShortNames(Database& dictionary, const QList<ShortName>& fileLines,
                                   bool fileExists)
{
    QList<ShortName> rows = fileExists ? fileLines : refreshShortNames(dictionary, {});
    if (rows.isEmpty())
        rows = QList<ShortName>(5);
    return rows;
}
