#pragma once
// The settings file, written the way the Windows INI functions did: sections and keys in file
// order, names matched without regard to letter case, Windows-1251 with CR LF. QSettings would
// sort keys and escape Cyrillic names, and the position "Last" counts in file order.
//
// Every write goes to disk at once, through a temporary file and a rename, so a crash never
// leaves half a settings file; the file is created on the first write.

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

    // Writes return false and set errorString() when the file could not be written; the file
    // on disk is then as it was.
    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
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
    };
    int findSection(const QString& name) const;
    bool save(const QList<Section>& sections);

    QString m_path;
    QList<Section> m_sections;
    bool m_exists = false;
    QString m_error;
};
