#include "entry/PlacementFile.h"

#include "core/Lookups.h"
#include "platform/Numbers.h"
#include "platform/TextReader.h"
#include "platform/office/WordDocument.h"

#include <QDir>

namespace {

// A placement file has a line per block of a form: a few hundred at most.
constexpr qint64 kMaxPlacementBytes = qint64(1) << 20;
constexpr int kMaxPlacementLineBytes = 1024;
constexpr int kMaxTableNumberLength = 20;

QString lineMessage(int lineNumber, const QString& what)
{
    return QStringLiteral("Строка %1 файла размещения: %2").arg(lineNumber).arg(what);
}

}

bool parsePlacementLine(const QString& text, int lineNumber, PlacementLine* line, QString* error)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 8) {
        *error = lineMessage(lineNumber, QStringLiteral("нужно восемь полей через запятую, а их %1.")
                                             .arg(fields.size()));
        return false;
    }
    int numbers[8] = {};
    for (int i = 0; i < 8; ++i) {
        if (i == 3)
            continue;
        const std::optional<int> n = parseInt(fields[i].trimmed());
        if (!n) {
            *error = lineMessage(lineNumber, QStringLiteral("поле %1 («%2») не целое число.")
                                                 .arg(i + 1).arg(fields[i]));
            return false;
        }
        numbers[i] = *n;
    }
    const QString enclosed = fields[3];
    if (enclosed.size() < 3) {
        *error = lineMessage(lineNumber, QStringLiteral("в поле 4 нет номера таблицы."));
        return false;
    }
    PlacementLine l;
    l.lineNumber = lineNumber;
    l.wordTable = numbers[0];
    l.wordColumn = numbers[1];
    l.wordRow = numbers[2];
    l.tableNumber = enclosed.mid(1, enclosed.size() - 2).left(kMaxTableNumberLength);
    l.firstColumn = numbers[4];
    l.firstRow = numbers[5];
    l.lastColumn = numbers[6];
    l.lastRow = numbers[7];
    *line = l;
    return true;
}

namespace {

bool checkLine(const PlacementLine& l, int formId, const WordDocument* blank, QString* error)
{
    const TableShape g = GetTableGeometryById(formId, l.tableNumber);
    if (!g.found()) {
        *error = lineMessage(l.lineNumber, QStringLiteral("в форме нет таблицы %1.").arg(l.tableNumber));
        return false;
    }
    // Графа and Строка as references write them.
    const int firstColumn = g.numbering().referenceColumnOfGrid(0);
    const int colcount = g.colcount;
    const int dataRows = g.lastReferenceRow();
    if (l.firstColumn > l.lastColumn || l.firstRow > l.lastRow || l.firstColumn < firstColumn
        || l.lastColumn > colcount || l.firstRow < 1 || l.lastRow > dataRows) {
        *error = lineMessage(l.lineNumber,
                             QStringLiteral("блок графы %1..%2, строки %3..%4 не лежит в данных "
                                            "таблицы %5 (графы %6..%7, строки 1..%8).")
                                 .arg(l.firstColumn).arg(l.lastColumn).arg(l.firstRow).arg(l.lastRow)
                                 .arg(l.tableNumber).arg(firstColumn).arg(colcount).arg(dataRows));
        return false;
    }
    if (l.wordTable < 1 || l.wordColumn < 1 || l.wordRow < 1) {
        *error = lineMessage(l.lineNumber, QStringLiteral("таблица, графа и строка Word считаются от 1."));
        return false;
    }
    if (!blank)
        return true;
    if (l.wordTable > blank->tableCount()) {
        *error = lineMessage(l.lineNumber, QStringLiteral("в бланке нет таблицы Word %1 (их %2).")
                                               .arg(l.wordTable).arg(blank->tableCount()));
        return false;
    }
    WordTable table = const_cast<WordDocument*>(blank)->table(l.wordTable);
    const int rows = l.lastRow - l.firstRow + 1;
    const int columns = l.lastColumn - l.firstColumn + 1;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            if (!table.hasCell(l.wordRow + r, l.wordColumn + c)) {
                *error = lineMessage(l.lineNumber,
                                     QStringLiteral("в таблице Word %1 бланка нет ячейки "
                                                    "(строка %2, столбец %3).")
                                         .arg(l.wordTable).arg(l.wordRow + r).arg(l.wordColumn + c));
                return false;
            }
    return true;
}

}

bool readPlacementFile(const QString& path, int formId, const WordDocument* blank,
                       QList<PlacementLine>* lines, QString* error)
{
    QStringList text;
    QString readError;
    if (!readTextLines(path, &text, &readError, TextLimits{kMaxPlacementBytes, kMaxPlacementLineBytes})) {
        *error = readError;
        return false;
    }
    QList<PlacementLine> result;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i].trimmed().isEmpty())
            continue;
        PlacementLine line;
        QString lineError;
        if (!parsePlacementLine(text[i], i + 1, &line, &lineError)
            || !checkLine(line, formId, blank, &lineError)) {
            *error = QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), lineError);
            return false;
        }
        result.append(line);
    }
    *lines = result;
    return true;
}
