#pragma once
// The settings file, written the way the Windows INI functions did: sections and keys in file
// order, names matched without regard to letter case, Windows-1251 with CR LF. QSettings would
// sort keys and escape Cyrillic names, and the position "Last" counts in file order.
//
// Every write goes to disk at once, through a temporary file of a fixed name (the file's name
// + ".tmp", so a run killed midway leaves at most one behind, replaced by the next write) and a
// rename, so a crash never leaves half a settings file; the file is created on the first write.
// A file that is there but cannot be read or decoded is never written: a write would lose it.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class IniFile {
public:
    explicit IniFile(const QString& path);

    const QString& path() const { return m_path; }
    // Whether the file was there and could be read when the object was made (or last reloaded).
    bool exists() const { return m_exists; }
    // Why a file that is there could not be read (unreadable, too large, not Windows-1251, or
    // UTF-8 text); empty when it was read or is not there. While set, every write is refused.
    const QString& readError() const { return m_readError; }
    // Reads the file again from disk.
    void reload();

    QString readString(const QString& section, const QString& key, const QString& def = QString()) const;
    int readInteger(const QString& section, const QString& key, int def = 0) const;
    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;
    QStringList sections() const;
    // Key names of a section in file order.
    QStringList readSection(const QString& section) const;
    // Keys and values of a section in file order.
    QList<QPair<QString, QString>> readSectionValues(const QString& section) const;

    // Writes return false and set errorString() when the file could not be written, or when the
    // text it would hold is one the reader refuses (so a write never spoils the next start); the
    // file on disk is then as it was.
    // A value with blanks at its ends or in double quotes is written quoted, so it reads back
    // exactly as given. A section given twice is read and written in its first copy.
    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
    // Several keys of one section in one replacement of the file: all of them or none.
    bool writeStrings(const QString& section, const QList<QPair<QString, QString>>& values);
    bool deleteKey(const QString& section, const QString& key);
    bool eraseSection(const QString& section);
    QString errorString() const { return m_error; }

    // A section or key name that the INI layout cannot hold ("=", "[", "]", a leading ";",
    // a line break, or no text at all).
    static bool isValidName(const QString& name);

private:
    struct Section {
        QString name;
        QList<QPair<QString, QString>> entries;
        bool operator==(const Section&) const = default;
    };
    int findSection(const QString& name) const;
    static int findSection(const QList<Section>& sections, const QString& name);
    bool save(const QList<Section>& sections);

    QString m_path;
    QList<Section> m_sections;
    bool m_exists = false;
    QString m_readError;
    QString m_error;
};
