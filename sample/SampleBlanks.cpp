#include "sample/SampleBlanks.h"

#include "platform/Files.h"
#include "platform/TextFiles.h"
#include "platform/office/WordDocument.h"

#include <QList>
#include <QStringList>

namespace Sample {

namespace {

// A Word table shaped like a block of a form's table: a heading row, then one row per data row;
// the first column names the row, the second numbers it, the rest are the data columns.
struct BlankTable {
    int columns;     // Word columns: two naming columns and the data columns
    int firstRow;    // the first data row it shows
    int rows;        // data rows
};

struct BlankDef {
    const char* form;
    const char* title;
    bool landscape;
    QList<BlankTable> tables;
    QStringList placement;
};

QList<BlankDef> blanks()
{
    return {
        {"Ф12", "Форма № 12. Сведения о числе заболеваний", true,
         {{7, 1, 7}, {6, 1, 7}, {6, 1, 7}, {6, 1, 7}},
         {"1,4,2,'(1000)',4,1,7,7", "2,4,2,'(2000)',4,1,6,7", "3,4,2,'(3000)',4,1,6,7",
          "4,4,2,'(4000)',4,1,6,7"}},
        {"Ф30", "Форма № 30. Сведения о медицинской организации", false,
         {{5, 1, 6}, {5, 1, 5}, {7, 1, 3}, {7, 4, 2}},
         {"1,3,2,'(1100)',3,1,5,6", "2,3,2,'(2100)',3,1,5,5", "",
          // Table (3100) is printed in two parts, rows 1-3 and rows 4-5.
          "3,3,2,'(3100)',3,1,7,3", "4,3,2,'(3100)',3,4,7,5"}},
        {"Ф47", "Форма № 47. Сведения о сети и деятельности медицинских организаций", false,
         {{4, 1, 6}, {6, 1, 4}},
         {"1,3,2,'(0100)',3,1,4,6", "2,3,2,'(0200)',3,1,6,4"}},
    };
}

QList<QStringList> tableRows(const BlankTable& t)
{
    QStringList heading{QStringLiteral("Наименование"), QStringLiteral("№ строки")};
    for (int c = 3; c <= t.columns; ++c)
        heading.append(QStringLiteral("Графа %1").arg(c));
    QList<QStringList> rows{heading};
    for (int r = t.firstRow; r < t.firstRow + t.rows; ++r) {
        QStringList row{QStringLiteral("Строка %1").arg(r), QString::number(r)};
        for (int c = 3; c <= t.columns; ++c)
            row.append(QString());
        rows.append(row);
    }
    return rows;
}

}  // namespace

bool writeFormBlanks(const QString& yearFolder, QString* error)
{
    const QString forms = Files::join(yearFolder, QStringLiteral("forms"));
    for (const BlankDef& def : blanks()) {
        const QString form = QString::fromUtf8(def.form);
        WordDocument doc;
        doc.createBlank();
        if (def.landscape)
            doc.setLandscape(1);
        doc.appendParagraph(QString::fromUtf8(def.title), {14, WordAlignment::Centre, true});
        for (int i = 0; i < def.tables.size(); ++i) {
            doc.appendParagraph(QStringLiteral("Таблица %1").arg(i + 1));
            WordTable table = doc.appendTable(tableRows(def.tables[i]));
            // A cell of the blank that holds text already: the value follows it.
            if (form == QStringLiteral("Ф30") && i == 0)
                table.setCellText(2, 3, QStringLiteral("всего: "));
        }
        if (!doc.save(Files::join(forms, form + QStringLiteral(".docx")))) {
            if (error)
                *error = doc.errorString();
            return false;
        }
        if (!writeLines1251(Files::join(forms, form + QStringLiteral(".txt")), def.placement, error))
            return false;
    }
    return true;
}

}  // namespace Sample
