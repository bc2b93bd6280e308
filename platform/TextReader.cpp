#include "platform/TextReader.h"

#include "platform/Files.h"

#include <QDir>

#include <algorithm>

namespace {

constexpr qint64 kChunk = 64 * 1024;

QString describe(const QString& name)
{
    return QDir::toNativeSeparators(name);
}

bool looksBinary(const QByteArray& head)
{
    // Zip (docx, xlsx), OLE compound (doc, xls, mdb of Access 97): the usual wrong picks in a dialog.
    return head.startsWith("PK\x03\x04") || head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

}

bool looksLikeUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    bool beyondAscii = false;
    for (qsizetype i = 0; i < n;) {
        const uchar c = p[i];
        int follow = 0;
        if (c < 0x80)
            follow = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            follow = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            follow = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            follow = 3;
        else
            return false;
        if (follow > 0) {
            if (n - i <= follow)
                return false;
            for (int k = 1; k <= follow; ++k)
                if ((p[i + k] & 0xC0) != 0x80)
                    return false;
            beyondAscii = true;
        }
        i += follow + 1;
    }
    return beyondAscii;
}

QString utf8FileMessage(const QString& name)
{
    return QStringLiteral("Файл %1 в кодировке UTF-8, ожидается Windows-1251").arg(describe(name));
}

TextFileReader::TextFileReader(TextLimits limits) : m_limits(limits) {}

bool TextFileReader::fail(const QString& what)
{
    m_error = what;
    return false;
}

bool TextFileReader::open(const QString& path)
{
    m_file = std::make_unique<QFile>(path);
    m_name = path;
    if (!m_file->open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Не удалось открыть файл %1: %2").arg(describe(path), Files::errorText(*m_file)));
    if (m_file->size() > m_limits.maxFileBytes)
        return fail(QStringLiteral("Файл %1 слишком велик (%2 байт, допускается не более %3)")
                        .arg(describe(path)).arg(m_file->size()).arg(m_limits.maxFileBytes));
    return open(m_file.get(), path);
}

bool TextFileReader::open(QIODevice* device, const QString& name)
{
    m_device = device;
    m_name = name;
    m_error.clear();
    m_buffer.clear();
    m_pos = 0;
    m_consumed = 0;
    m_lineNumber = 0;
    m_eof = false;
    m_encodingKnown = false;
    m_decoder.resetState();
    if (!fillBuffer())
        return false;
    if (looksBinary(m_buffer))
        return fail(QStringLiteral("Файл %1 не является текстовым файлом").arg(describe(name)));
    return true;
}

bool TextFileReader::fillBuffer()
{
    if (m_eof)
        return true;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    const QByteArray chunk = m_device->read(kChunk);
    if (chunk.isEmpty()) {
        auto* file = qobject_cast<QFileDevice*>(m_device);
        if (file && file->error() != QFileDevice::NoError)
            return fail(QStringLiteral("Не удалось прочитать файл %1: %2").arg(describe(m_name), Files::errorText(*file)));
        m_eof = true;
        return true;
    }
    m_consumed += chunk.size();
    if (m_consumed > m_limits.maxFileBytes)
        return fail(QStringLiteral("Файл %1 слишком велик (допускается не более %2 байт)")
                        .arg(describe(m_name)).arg(m_limits.maxFileBytes));
    m_buffer.append(chunk);
    return true;
}

bool TextFileReader::readLine(QString* line)
{
    if (hasError() || !m_device)
        return false;
    qsizetype scanFrom = m_pos;
    for (;;) {
        const qsizetype nl = m_buffer.indexOf('\n', scanFrom);
        if (nl >= 0 || (m_eof && m_pos < m_buffer.size())) {
            const qsizetype end = nl >= 0 ? nl : m_buffer.size();
            ++m_lineNumber;
            if (end - m_pos > m_limits.maxLineBytes)
                return fail(QStringLiteral("Файл %1, строка %2: строка длиннее %3 символов")
                                .arg(describe(m_name)).arg(m_lineNumber).arg(m_limits.maxLineBytes));
            QByteArrayView bytes(m_buffer.constData() + m_pos, end - m_pos);
            if (bytes.endsWith('\r'))
                bytes.chop(1);
            if (bytes.contains('\0'))
                return fail(QStringLiteral("Файл %1, строка %2: файл не является текстовым (нулевой байт)")
                                .arg(describe(m_name)).arg(m_lineNumber));
            // The first half of Windows-1251 is ASCII, which most lines of a data file hold alone.
            const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
            if (ascii) {
                *line = QString::fromLatin1(bytes);
            } else {
                if (!m_encodingKnown && looksLikeUtf8(bytes))
                    return fail(utf8FileMessage(m_name));
                m_encodingKnown = true;
                QString text = m_decoder.decode(bytes);
                if (m_decoder.hasError())
                    return fail(QStringLiteral("Файл %1, строка %2: текст не в кодировке Windows-1251")
                                    .arg(describe(m_name)).arg(m_lineNumber));
                *line = std::move(text);
            }
            m_pos = nl >= 0 ? nl + 1 : m_buffer.size();
            return true;
        }
        if (m_eof)
            return false;
        if (m_buffer.size() - m_pos > m_limits.maxLineBytes)
            return fail(QStringLiteral("Файл %1, строка %2: строка длиннее %3 символов")
                            .arg(describe(m_name)).arg(m_lineNumber + 1).arg(m_limits.maxLineBytes));
        scanFrom = m_buffer.size() - m_pos;
        if (!fillBuffer())
            return false;
        // fillBuffer moved the unread bytes to the front.
        scanFrom = std::max<qsizetype>(0, std::min(scanFrom, m_buffer.size()));
    }
}

bool readTextLines(const QString& path, QStringList* lines, QString* error, TextLimits limits)
{
    TextFileReader reader(limits);
    QStringList result;
    if (reader.open(path)) {
        QString line;
        while (reader.readLine(&line))
            result.append(line);
    }
    if (reader.hasError()) {
        *error = reader.errorString();
        return false;
    }
    *lines = std::move(result);
    return true;
}
