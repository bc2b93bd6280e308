#include "platform/TextFiles.h"

#include "platform/Files.h"
#include "platform/TextReader.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

bool decode1251(const QByteArray& bytes, QString* text, QString* error)
{
    QStringDecoder decoder("windows-1251");
    if (!decoder.isValid()) {
        *error = QStringLiteral("Кодировка Windows-1251 недоступна");
        return false;
    }
    QString result = decoder.decode(bytes);
    if (decoder.hasError()) {
        *error = QStringLiteral("Текст не в кодировке Windows-1251");
        return false;
    }
    *text = std::move(result);
    return true;
}

bool encode1251(const QString& text, QByteArray* bytes, QString* error)
{
    QStringEncoder encoder("windows-1251");
    if (!encoder.isValid()) {
        *error = QStringLiteral("Кодировка Windows-1251 недоступна");
        return false;
    }
    // Encode character by character only to name the one that fails; the common case is one call.
    QByteArray result = encoder.encode(text);
    if (!encoder.hasError()) {
        *bytes = std::move(result);
        return true;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        QStringEncoder one("windows-1251");
        const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QByteArray b = one.encode(QStringView(text).mid(i, len));
        if (one.hasError()) {
            *error = QStringLiteral("Символ \"%1\" нельзя записать в кодировке Windows-1251")
                         .arg(text.mid(i, len));
            return false;
        }
    }
    *error = QStringLiteral("Текст нельзя записать в кодировке Windows-1251");
    return false;
}

bool readText1251(const QString& path, QString* text, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Не удалось открыть файл %1: %2").arg(path, Files::errorText(file));
        return false;
    }
    // One byte past the bound tells a file at the bound from a larger one.
    const QByteArray bytes = file.read(kMaxText1251Bytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Не удалось прочитать файл %1: %2").arg(path, Files::errorText(file));
        return false;
    }
    if (bytes.size() > kMaxText1251Bytes) {
        *error = QStringLiteral("Файл %1 слишком велик (допускается не более %2 байт)").arg(path).arg(kMaxText1251Bytes);
        return false;
    }
    if (looksLikeUtf8(bytes)) {
        *error = utf8FileMessage(path);
        return false;
    }
    if (!decode1251(bytes, text, error)) {
        *error = QStringLiteral("Файл %1: %2").arg(path, *error);
        return false;
    }
    return true;
}

bool readLines1251(const QString& path, QStringList* lines, QString* error)
{
    return readTextLines(path, lines, error, TextLimits{kMaxText1251Bytes, 1 << 20});
}

bool writeText1251(const QString& path, const QString& text, QString* error)
{
    QByteArray bytes;
    if (!encode1251(text, &bytes, error)) {
        *error = QStringLiteral("Файл %1: %2").arg(path, *error);
        return false;
    }
    return Files::saveBytesSafely(path, bytes, error);
}

bool writeLines1251(const QString& path, const QStringList& lines, QString* error)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return writeText1251(path, text, error);
}
