#include "core/Configurations.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Numbers.h"

namespace Configurations {

namespace {
IniFile settings() { return IniFile(Files::settingsPath()); }

bool written(IniFile& ini, bool ok, QString* error)
{
    if (!ok && error)
        *error = ini.errorString();
    return ok;
}
}  // namespace

bool settingsExist() { return Files::exists(Files::settingsPath()); }

QString settingsProblem() { return settings().readError(); }

QStringList names() { return settings().readSection(ListSection); }

QString folder(const QString& name)
{
    if (name.isEmpty())
        return QString();
    return settings().readString(ListSection, name);
}

int storedYear(int def) { return settings().readInteger(CurrentSection, YearKey, def); }

int storedLast() { return settings().readInteger(CurrentSection, LastKey, 0); }

bool writeYear(int year, QString* error)
{
    IniFile ini = settings();
    return written(ini, ini.writeInteger(CurrentSection, YearKey, year), error);
}

bool writeLast(int index, QString* error)
{
    IniFile ini = settings();
    return written(ini, ini.writeInteger(CurrentSection, LastKey, index), error);
}

bool writeOpened(int index, int year, QString* error)
{
    IniFile ini = settings();
    // One replacement of the file: never a "Last" of one opening beside the "Year" of another.
    return written(ini,
                   ini.writeStrings(CurrentSection, {{LastKey, QString::number(index)},
                                                     {YearKey, QString::number(year)}}),
                   error);
}

bool attach(const QString& name, const QString& folder, QString* error)
{
    if (!isValidName(name)) {
        if (error)
            *error = invalidNameMessage(name);
        return false;
    }
    IniFile ini = settings();
    return written(ini, ini.writeString(ListSection, name, storedFolder(folder)), error);
}

bool isValidName(const QString& name)
{
    // The file trims keys when it is read back, so blanks around a name would not survive either.
    return IniFile::isValidName(name) && name == name.trimmed();
}

QString invalidNameMessage(const QString& name)
{
    return QStringLiteral("Название базы данных \"%1\" нельзя записать в файл настроек: оно не "
                          "должно быть пустым, содержать знаки \"=\", \"[\", \"]\" и переводы "
                          "строки, начинаться с \";\".")
        .arg(name);
}

int indexOf(const QStringList& listed, const QString& name)
{
    for (int i = 0; i < listed.size(); ++i)
        if (sameName(listed[i], name))
            return i;
    return -1;
}

QString storedFolder(const QString& folder)
{
    if (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))))
        return folder.left(folder.size() - 1);
    return folder;
}

QString configurationDir(const QString& storedFolder)
{
    if (storedFolder.endsWith(QLatin1Char('/')))
        return storedFolder;
    return storedFolder + QLatin1Char('/');
}

}  // namespace Configurations
