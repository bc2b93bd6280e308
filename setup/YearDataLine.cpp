#include "setup/YearDataLine.h"

namespace {

// A field with its quotes: the text between them; false when either quote is missing.
bool unquote(const QString& quoted, QString* field)
{
    if (quoted.size() < 2 || !quoted.startsWith(QLatin1Char('"')) || !quoted.endsWith(QLatin1Char('"')))
        return false;
    *field = quoted.mid(1, quoted.size() - 2);
    return true;
}

}

bool parseYearDataLine(const QString& line, YearDataLine* fields)
{
    QString* const targets[] = {&fields->value, &fields->year,   &fields->form,
                                &fields->table, &fields->column, &fields->row};
    QString rest = line;
    for (int i = 0; i < 5; ++i) {
        // A comma ends each of the first five fields; none of them may hold one.
        const qsizetype comma = rest.indexOf(QLatin1Char(','));
        if (comma < 0 || !unquote(rest.left(comma), targets[i]))
            return false;
        rest = rest.mid(comma + 1);
    }
    return unquote(rest, targets[5]);
}

bool isOlderDataFile(const QString& fileName)
{
    return fileName.endsWith(QStringLiteral("ktr"), Qt::CaseSensitive);
}
