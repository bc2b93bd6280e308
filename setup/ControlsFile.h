#pragma once
// The controls exchange file (.ktr): one control a line, seven fields in double quotes separated
// by commas (form name, table number, left side, relation, right side, cycle, comment),
// Windows-1251 with CR LF. A quote inside a field is written as it stands, so a field holding
// quote-comma-quote could not be read back: the writer refuses it. The reader takes blanks after
// the closing quote as no part of the line. No database.

#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

class TextFileReader;

struct ControlRecord {
    int code = 0;          // Код when it comes from the dictionary; names the control in messages
    QString formName;      // empty between forms
    QString tble;          // with its brackets; empty between tables and between forms
    QString lft, reltion, rght, cycl, commnt;
    bool operator==(const ControlRecord& o) const
    {
        return formName == o.formName && tble == o.tble && lft == o.lft && reltion == o.reltion
            && rght == o.rght && cycl == o.cycl && commnt == o.commnt;
    }
};

// One line of a file that starts with a double quote.
struct ControlLine {
    int lineNumber = 0;
    QString text;           // the line as read
    bool ok = false;        // seven quoted fields
    QString reason;         // when not ok
    ControlRecord record;   // form name, sides and cycle in capitals
};

class ControlsFileReader {
public:
    // The longest line read: far past any real control, and a bound on what the validator sees.
    static constexpr int maxLineBytes = 64 * 1024;
    // A territory's whole dictionary holds a few thousand controls of about a hundred bytes each;
    // ten times that is still read and checked in a moment, while a file past it is no controls
    // file (or would flood the dictionary), so it is refused before it is read whole.
    static constexpr int maxLines = 50000;
    static constexpr qint64 maxFileBytes = qint64(16) << 20;

    // Reads the whole file; false and errorString() when it cannot be read (nothing is kept
    // then). The path overload refuses a file past maxFileBytes before reading any of it.
    bool read(QIODevice* device, const QString& name);
    bool read(const QString& path);
    const QList<ControlLine>& lines() const { return m_lines; }
    // Lines that do not start with a double quote (blank lines included).
    int skipped() const { return m_skipped; }
    QString errorString() const { return m_error; }

private:
    bool readFrom(TextFileReader& reader, bool opened);

    QList<ControlLine> m_lines;
    int m_skipped = 0;
    QString m_error;
};

class ControlsFileWriter {
public:
    // Writes every control, one line each; line breaks in the sides and the cycle become blanks.
    // false and errorString() for a field holding quote-comma-quote, a comment with a line break
    // or a character without a Windows-1251 byte, naming the control; the path overload then
    // leaves an existing file as it was.
    bool write(QIODevice* device, const QList<ControlRecord>& controls);
    bool write(const QString& path, const QList<ControlRecord>& controls);
    QString errorString() const { return m_error; }

    // The line of one control, without its CR LF; false and *error as above.
    static bool formatLine(const ControlRecord& control, QString* line, QString* error);

private:
    QString m_error;
};
