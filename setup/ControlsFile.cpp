#include "setup/ControlsFile.h"

#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/TextFiles.h"
#include "platform/TextReader.h"

#include <QDir>

namespace {

const QString kSeparator = QStringLiteral("\",\"");

QString controlName(const ControlRecord& c)
{
    const QString name = c.commnt.isEmpty() ? c.lft + c.reltion + c.rght : c.commnt;
    return c.code > 0 ? QStringLiteral("Контроль %1 (%2)").arg(c.code).arg(name)
                      : QStringLiteral("Контроль \"%1\"").arg(name);
}

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

TextLimits controlsFileLimits()
{
    TextLimits limits;
    limits.maxFileBytes = ControlsFileReader::maxFileBytes;
    limits.maxLineBytes = ControlsFileReader::maxLineBytes;
    return limits;
}

// Blanks after the closing quote are left by hand editing and mean nothing.
QStringView withoutTrailingBlanks(const QString& text)
{
    QStringView v(text);
    while (!v.isEmpty() && (v.back() == u' ' || v.back() == u'\t'))
        v.chop(1);
    return v;
}

} // namespace

bool ControlsFileReader::read(QIODevice* device, const QString& name)
{
    TextFileReader reader(controlsFileLimits());
    return readFrom(reader, reader.open(device, name));
}

bool ControlsFileReader::read(const QString& path)
{
    TextFileReader reader(controlsFileLimits());
    return readFrom(reader, reader.open(path));
}

bool ControlsFileReader::readFrom(TextFileReader& reader, bool opened)
{
    m_lines.clear();
    m_skipped = 0;
    m_error.clear();
    auto fail = [this](const QString& why) {
        m_error = why;
        m_lines.clear();
        m_skipped = 0;
        return false;
    };
    if (!opened)
        return fail(reader.errorString());
    QString text;
    while (reader.readLine(&text)) {
        if (reader.lineNumber() > maxLines)
            return fail(QStringLiteral("Файл %1: больше %2 строк, это не файл контролей. Контроли не загружены.")
                            .arg(QDir::toNativeSeparators(reader.fileName())).arg(maxLines));
        if (!text.startsWith(u'"')) {
            ++m_skipped;
            continue;
        }
        ControlLine line;
        line.lineNumber = reader.lineNumber();
        line.text = text;
        const QStringView quoted = withoutTrailingBlanks(text);
        const QStringList fields = quoted.size() >= 2 && quoted.endsWith(u'"')
            ? quoted.sliced(1, quoted.size() - 2).toString().split(kSeparator)
            : QStringList();
        if (fields.size() != 7) {
            line.reason = QStringLiteral("Строка %1: не семь полей в кавычках через запятую").arg(line.lineNumber);
        } else {
            line.ok = true;
            ControlRecord& r = line.record;
            r.formName = upperCase(fields[0]);
            r.tble = fields[1];
            r.lft = upperCase(fields[2]);
            r.reltion = fields[3];
            r.rght = upperCase(fields[4]);
            r.cycl = upperCase(fields[5]);
            r.commnt = fields[6];
        }
        m_lines.append(line);
    }
    if (reader.hasError())
        return fail(reader.errorString());
    return true;
}

bool ControlsFileWriter::formatLine(const ControlRecord& c, QString* line, QString* error)
{
    const QStringList fields = {c.formName, c.tble, oneLine(c.lft), oneLine(c.reltion),
                                oneLine(c.rght), oneLine(c.cycl), c.commnt};
    for (const QString& f : fields) {
        if (f.contains(kSeparator)) {
            *error = QStringLiteral("%1: текст содержит \",\" и не может быть выгружен").arg(controlName(c));
            return false;
        }
    }
    if (c.commnt.contains(u'\r') || c.commnt.contains(u'\n')) {
        *error = QStringLiteral("%1: комментарий содержит перевод строки").arg(controlName(c));
        return false;
    }
    *line = QLatin1Char('"') + fields.join(kSeparator) + QLatin1Char('"');
    return true;
}

bool ControlsFileWriter::write(QIODevice* device, const QList<ControlRecord>& controls)
{
    m_error.clear();
    QString text;
    for (const ControlRecord& c : controls) {
        QString line;
        if (!formatLine(c, &line, &m_error))
            return false;
        text += line + QStringLiteral("\r\n");
    }
    QByteArray bytes;
    if (!encode1251(text, &bytes, &m_error))
        return false;
    if (device->write(bytes) != bytes.size()) {
        m_error = QStringLiteral("Не удалось записать файл: %1").arg(Files::errorText(*device));
        return false;
    }
    return true;
}

bool ControlsFileWriter::write(const QString& path, const QList<ControlRecord>& controls)
{
    return Files::saveFileSafely(path, [&](QIODevice* device) { return write(device, controls); }, &m_error);
}
