#include "sample/SampleDbf.h"

#include "platform/Database.h"
#include "platform/Files.h"

#include <QFile>
#include <shapefil.h>

namespace Sample {

namespace {

// Two sections: the children's morbidity of Ф12 and the posts of Ф30. Row codes: characters
// 1-4 the section, 1-9 the prefix of their column codes, 10-12 the line.
const char* const kLinksScript = R"(
create table "raz" ("a1" TEXT, "a2" TEXT);
create table "kodif" ("a1" TEXT, "a2" TEXT);
create table "rows" ("mskrow" TEXT, "ktrtable" TEXT, "ktrrow" INTEGER, "inv" INTEGER);
create table "cols" ("mskcol" TEXT, "ktrcol" INTEGER);
insert into "raz" values ('1201', 'Заболеваемость детей (Ф12, т. 1000)');
insert into "raz" values ('3001', 'Должности (Ф30, т. 1100)');
insert into "kodif" values ('711001', 'Заречный район');
insert into "kodif" values ('711002', 'Озерный район');
-- Ф12 (1000), Строки 1, 4 and 5, Графы 4-7 into the record's columns 1-4.
insert into "rows" values ('120110001001', 'Ф12(1000)', 1, 0);
insert into "rows" values ('120110001004', 'Ф12(1000)', 4, 0);
insert into "rows" values ('120110001005', 'Ф12(1000)', 5, 0);
insert into "cols" values ('12011000101', 4);
insert into "cols" values ('12011000102', 5);
insert into "cols" values ('12011000103', 6);
insert into "cols" values ('12011000104', 7);
-- Ф30 (1100): Строка 1 (physicians) by its Графы 3-5; and, transposed, Графа 3 (posts) of
-- Строки 1-4 as one record.
insert into "rows" values ('300111001001', 'ф30(1100)', 1, 0);
insert into "cols" values ('30011100101', 3);
insert into "cols" values ('30011100102', 4);
insert into "cols" values ('30011100103', 5);
insert into "rows" values ('300111002003', 'Ф30(1100)', 3, 1);
insert into "cols" values ('30011100201', 1);
insert into "cols" values ('30011100202', 2);
insert into "cols" values ('30011100203', 3);
insert into "cols" values ('30011100204', 4);
)";

bool replaceFile(const QString& work, const QString& path, QString* error)
{
    if ((QFile::exists(path) && !QFile::remove(path)) || !QFile::rename(work, path)) {
        QFile::remove(work);
        *error = QStringLiteral("Не удалось заменить файл %1").arg(path);
        return false;
    }
    return true;
}

}  // namespace

bool makeDbfTemplate(const QString& path, QString* error)
{
    DBFHandle dbf = DBFCreate(QFile::encodeName(path).constData());
    if (!dbf) {
        *error = QStringLiteral("Не удалось создать файл %1").arg(path);
        return false;
    }
    struct Text { const char* name; int width; };
    const Text texts[] = {{"a1", 2}, {"a2", 4}, {"a4", 7}, {"a5", 6}, {"a6", 3}};
    bool ok = true;
    for (const Text& t : texts)
        ok = ok && DBFAddField(dbf, t.name, FTString, t.width, 0) >= 0;
    for (int i = 1; i <= 28 && ok; ++i)
        ok = DBFAddField(dbf, QStringLiteral("a8%1").arg(i).toLatin1().constData(), FTDouble, DbfValueWidth, 2) >= 0;
    DBFClose(dbf);
    if (!ok) {
        QFile::remove(path);
        *error = QStringLiteral("Не удалось записать поля в файл %1").arg(path);
    }
    return ok;
}

bool makeDbfExportFiles(const QString& programFolder, QString* error)
{
    const QString links = Files::join(programFolder, QStringLiteral("links.mdb"));
    const QString linksWork = links + QStringLiteral(".new");
    QFile::remove(linksWork);
    try {
        auto db = Database::create(linksWork);
        db->execScript(QString::fromUtf8(kLinksScript));
    } catch (const DbError& e) {
        QFile::remove(linksWork);
        *error = e.userText();
        return false;
    }
    if (!replaceFile(linksWork, links, error))
        return false;

    const QString templ = Files::join(programFolder, QStringLiteral("Empt.dbf"));
    const QString templWork = Files::join(programFolder, QStringLiteral("Empt.new.dbf"));
    QFile::remove(templWork);
    return makeDbfTemplate(templWork, error) && replaceFile(templWork, templ, error);
}

}  // namespace Sample
