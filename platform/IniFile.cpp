#include "platform/IniFile.h"

#include "platform/TextFiles.h"
#include "platform/TextReader.h"

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

void IniFile::reload()
{
    m_sections.clear();
    m_exists = false;
    if (!QFileInfo(m_path).isFile())
        return;
    QStringList lines;
    QString error;
    // A settings file holds a few dozen short lines; anything far larger is no settings file.
    if (!readTextLines(m_path, &lines, &error, TextLimits{qint64(1) << 20, 64 * 1024})) {
        m_error = error;
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

int IniFile::findSection(const QString& name) const
{
    for (int i = 0; i < m_sections.size(); ++i)
        if (!m_sections[i].name.isEmpty() && QString::compare(m_sections[i].name, name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

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
    if (!isValidName(section) || !isValidName(key) || value.contains(QLatin1Char('\n'))
        || value.contains(QLatin1Char('\r'))) {
        m_error = QStringLiteral("Имя или значение \"%1\" нельзя записать в файл настроек").arg(key);
        return false;
    }
    QList<Section> next = m_sections;
    if (next.isEmpty())
        next.append(Section{});
    int s = -1;
    for (int i = 0; i < next.size(); ++i)
        if (!next[i].name.isEmpty() && QString::compare(next[i].name, section, Qt::CaseInsensitive) == 0)
            s = i;
    if (s < 0) {
        next.append(Section{section, {}});
        s = int(next.size()) - 1;
    }
    bool found = false;
    for (auto& e : next[s].entries) {
        if (isKeyEntry(e) && QString::compare(e.first, key, Qt::CaseInsensitive) == 0) {
            e.second = value.isNull() ? QStringLiteral("") : value;
            found = true;
            break;
        }
    }
    if (!found)
        next[s].entries.append({key, value.isNull() ? QStringLiteral("") : value});
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
    QStringList lines;
    for (const Section& s : sections) {
        if (!s.name.isEmpty()) {
            if (!lines.isEmpty())
                lines << QString();
            lines << QLatin1Char('[') + s.name + QLatin1Char(']');
        }
        for (const auto& e : s.entries)
            lines << (isKeyEntry(e) ? e.first + QLatin1Char('=') + e.second : e.first);
    }
    QString error;
    if (!writeLines1251(m_path, lines, &error)) {
        m_error = error;
        return false;
    }
    m_sections = sections;
    m_exists = true;
    m_error.clear();
    return true;
}
