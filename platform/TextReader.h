#pragma once
// The one reader of the program's text files (exchange files, lists, placement files): Windows-1251,
// line by line, in bounded memory and time whatever the file holds. A file that is not text (a NUL
// byte, a zip or an OLE compound file chosen by mistake), a line or a file past its bound, or a byte
// with no Windows-1251 character ends the reading with a Russian message naming the file and line.
// A file saved as UTF-8 is told apart at its first line beyond ASCII, before that line is returned,
// and refused with utf8FileMessage(); a file of plain ASCII is valid either way.

#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <memory>

struct TextLimits {
    qint64 maxFileBytes = qint64(1) << 30;   // a territory's data file runs to hundreds of megabytes
    int maxLineBytes = 1 << 20;
};

// Whether bytes beyond ASCII are there and all of them form well-formed UTF-8. Windows-1251
// Cyrillic practically never does (a capital is followed by a small letter, not by one of
// 0x80-0xBF), so such text was saved as UTF-8 by an editor.
bool looksLikeUtf8(QByteArrayView bytes);
// The one message for a text file refused for being UTF-8.
QString utf8FileMessage(const QString& name);

class TextFileReader {
public:
    explicit TextFileReader(TextLimits limits = {});

    // false and errorString() when the file cannot be opened, is larger than the bound or does not
    // begin as text.
    bool open(const QString& path);
    // The device is read from its current position; name is what messages call it.
    bool open(QIODevice* device, const QString& name);

    // The next line without its CR LF (or LF). false at the end of the file and on an error:
    // hasError() tells which. A last line without its line end is returned; an empty last line is not.
    bool readLine(QString* line);

    bool hasError() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    // The number of the line last returned (or being read when the error came), from 1.
    int lineNumber() const { return m_lineNumber; }
    const QString& fileName() const { return m_name; }

private:
    bool fail(const QString& what);
    bool fillBuffer();

    TextLimits m_limits;
    std::unique_ptr<QFile> m_file;
    QIODevice* m_device = nullptr;
    QString m_name;
    QString m_error;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_consumed = 0;
    int m_lineNumber = 0;
    bool m_eof = false;
    // The first line beyond ASCII tells the encoding; the lines after it are not looked at again.
    bool m_encodingKnown = false;
    // One decoder for the whole file: the code page keeps no state between bytes, and making a
    // converter costs more than decoding a line.
    QStringDecoder m_decoder{"windows-1251"};
};

// Every line of a file through TextFileReader; for files that are small by nature (lists, placement
// files). false and a message naming the file and line otherwise.
bool readTextLines(const QString& path, QStringList* lines, QString* error, TextLimits limits = {});
