#include "platform/IniFile.h"

#include "platform/Files.h"
#include "platform/TextFiles.h"
#include "platform/TextReader.h"

#include <QFile>
#include <QFileInfo>

namespace {
// A line the file holds that is no key (a comment, a stray text) keeps its place: key = the line,
// value = a null string.
bool isKeyEntry(const QPair<QString, QString>& e) { return !e.second.isNull(); }
}

IniFile::IniFile(const QString& path)
    : m_path(path)
{
    reload();
}

namespace {

// A settings file holds a few configurations; anything near this is no settings file.
constexpr qint64 kMaxSettingsBytes = 1 << 20;

// Why the bytes are no settings file the reader takes, or an empty string. The reader refuses
// what this names and the writer writes nothing it names, so a write never leaves a file that
// the next start refuses. *text takes the decoded text.
QString settingsBytesProblem(const QByteArray& bytes, const QString& path, QString* text)
{
    if (bytes.size() > kMaxSettingsBytes)
        return QStringLiteral("Файл настроек %1 слишком велик для файла настроек").arg(path);
    // A workbook, a database or any other binary file chosen or copied in by mistake.
    if (bytes.contains('\0') || bytes.startsWith("PK\x03\x04"))
        return QStringLiteral("Файл настроек %1 не является текстовым файлом").arg(path);
    if (looksLikeUtf8(bytes))
        return utf8FileMessage(path);
    QString decodeError;
    if (!decode1251(bytes, text, &decodeError))
        return QStringLiteral("Файл настроек %1: %2").arg(path, decodeError);
    return QString();
}

// The lines of the file, or false with the reason.
bool readSettingsLines(const QString& path, QStringList* lines, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Не удалось открыть файл настроек %1: %2").arg(path, Files::errorText(file));
        return false;
    }
    if (file.size() > kMaxSettingsBytes) {
        *error = QStringLiteral("Файл настроек %1 слишком велик для файла настроек").arg(path);
        return false;
    }
    const QByteArray bytes = file.read(kMaxSettingsBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Не удалось прочитать файл настроек %1: %2").arg(path, Files::errorText(file));
        return false;
    }
    QString text;
    *error = settingsBytesProblem(bytes, path, &text);
    if (!error->isEmpty())
        return false;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList result = text.split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    for (QString& line : result)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    *lines = std::move(result);
    return true;
}

// The value as the file holds it. The reader trims blanks and takes off one pair of quotes, so
// a value that has either is put in quotes.
QString storedValue(const QString& value)
{
    const bool quoted = value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'));
    if (quoted || value != value.trimmed())
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

} // namespace

void IniFile::reload()
{
    m_sections.clear();
    m_exists = false;
    m_readError.clear();
    if (!QFileInfo::exists(m_path))
        return;
    QStringList lines;
    if (!QFileInfo(m_path).isFile()) {
        m_readError = QStringLiteral("На месте файла настроек %1 находится папка").arg(m_path);
        m_error = m_readError;
        return;
    }
    if (!readSettingsLines(m_path, &lines, &m_readError)) {
        m_error = m_readError;
        return;
    }
    m_exists = true;
    m_sections.append(Section{});   // lines before the first section
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            m_sections.append(Section{line.mid(1, line.size() - 2).trimmed(), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || eq <= 0) {
            if (!line.isEmpty())
                m_sections.last().entries.append({raw, QString()});
            continue;
        }
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        if (value.isNull())
            value = QStringLiteral("");
        m_sections.last().entries.append({line.left(eq).trimmed(), value});
    }
}

int IniFile::findSection(const QList<Section>& sections, const QString& name)
{
    // A section given twice is read and written in its first copy, as the reads find it.
    for (int i = 0; i < sections.size(); ++i)
        if (!sections[i].name.isEmpty() && QString::compare(sections[i].name, name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int IniFile::findSection(const QString& name) const { return findSection(m_sections, name); }

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    const int s = findSection(section);
    if (s < 0)
        return def;
    for (const auto& e : m_sections[s].entries)
        if (isKeyEntry(e) && QString::compare(e.first, key, Qt::CaseInsensitive) == 0)
            return e.second;
    return def;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const
{
    bool ok = false;
    const int v = readString(section, key).trimmed().toInt(&ok);
    return ok ? v : def;
}

bool IniFile::sectionExists(const QString& section) const { return findSection(section) >= 0; }

bool IniFile::valueExists(const QString& section, const QString& key) const
{
    return readSection(section).contains(key, Qt::CaseInsensitive);
}

QStringList IniFile::sections() const
{
    QStringList names;
    for (const Section& s : m_sections)
        if (!s.name.isEmpty())
            names << s.name;
    return names;
}

QStringList IniFile::readSection(const QString& section) const
{
    QStringList keys;
    for (const auto& e : readSectionValues(section))
        keys << e.first;
    return keys;
}

QList<QPair<QString, QString>> IniFile::readSectionValues(const QString& section) const
{
    QList<QPair<QString, QString>> result;
    const int s = findSection(section);
    if (s < 0)
        return result;
    for (const auto& e : m_sections[s].entries)
        if (isKeyEntry(e))
            result.append(e);
    return result;
}

bool IniFile::isValidName(const QString& name)
{
    if (name.trimmed().isEmpty() || name.trimmed().startsWith(QLatin1Char(';')))
        return false;
    for (QChar c : name)
        if (c == QLatin1Char('=') || c == QLatin1Char('[') || c == QLatin1Char(']') || c == QLatin1Char('\r')
            || c == QLatin1Char('\n'))
            return false;
    return true;
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    return writeStrings(section, {{key, value}});
}

bool IniFile::writeStrings(const QString& section, const QList<QPair<QString, QString>>& values)
{
    for (const auto& [key, value] : values) {
        if (!isValidName(section) || !isValidName(key) || value.contains(QLatin1Char('\n'))
            || value.contains(QLatin1Char('\r'))) {
            m_error = QStringLiteral("Имя или значение \"%1\" нельзя записать в файл настроек").arg(key);
            return false;
        }
    }
    QList<Section> next = m_sections;
    if (next.isEmpty())
        next.append(Section{});
    int s = findSection(next, section);
    if (s < 0) {
        next.append(Section{section, {}});
        s = int(next.size()) - 1;
    }
    for (const auto& [key, given] : values) {
        const QString value = given.isNull() ? QStringLiteral("") : given;
        bool found = false;
        for (auto& e : next[s].entries) {
            if (isKeyEntry(e) && QString::compare(e.first, key, Qt::CaseInsensitive) == 0) {
                e.second = value;
                found = true;
                break;
            }
        }
        if (!found)
            next[s].entries.append({key, value});
    }
    return save(next);
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::deleteKey(const QString& section, const QString& key)
{
    QList<Section> next = m_sections;
    for (Section& s : next) {
        if (s.name.isEmpty() || QString::compare(s.name, section, Qt::CaseInsensitive) != 0)
            continue;
        for (qsizetype i = 0; i < s.entries.size(); ++i) {
            if (isKeyEntry(s.entries[i]) && QString::compare(s.entries[i].first, key, Qt::CaseInsensitive) == 0) {
                s.entries.removeAt(i);
                return save(next);
            }
        }
    }
    return true;
}

bool IniFile::eraseSection(const QString& section)
{
    QList<Section> next = m_sections;
    for (qsizetype i = 0; i < next.size(); ++i) {
        if (!next[i].name.isEmpty() && QString::compare(next[i].name, section, Qt::CaseInsensitive) == 0) {
            next.removeAt(i);
            return save(next);
        }
    }
    return true;
}

bool IniFile::save(const QList<Section>& sections)
{
    if (!m_readError.isEmpty()) {
        m_error = QStringLiteral("Файл настроек не изменен, чтобы не потерять его содержимое. ") + m_readError;
        return false;
    }
    // Every start writes the year and configuration it opened: when they are the ones stored,
    // the file is not replaced for nothing.
    if (m_exists && sections == m_sections) {
        m_error.clear();
        return true;
    }
    QString text;
    bool first = true;
    for (const Section& s : sections) {
        if (!s.name.isEmpty()) {
            if (!first)
                text += QStringLiteral("\r\n");
            text += QLatin1Char('[') + s.name + QStringLiteral("]\r\n");
            first = false;
        }
        for (const auto& e : s.entries) {
            text += (isKeyEntry(e) ? e.first + QLatin1Char('=') + storedValue(e.second) : e.first)
                + QStringLiteral("\r\n");
            first = false;
        }
    }
    QByteArray bytes;
    QString error;
    if (!encode1251(text, &bytes, &error)) {
        m_error = QStringLiteral("Файл %1: %2").arg(m_path, error);
        return false;
    }
    QString decoded;
    const QString problem = settingsBytesProblem(bytes, m_path, &decoded);
    if (!problem.isEmpty()) {
        m_error = QStringLiteral("Файл настроек не изменен: записанный, он не читался бы. ") + problem;
        return false;
    }
    if (!Files::saveBytesSafely(m_path, bytes, &m_error))
        return false;
    m_sections = sections;
    m_exists = true;
    m_error.clear();
    return true;
}
