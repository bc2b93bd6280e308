#include "reports/DbfExport.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "platform/Database.h"
#include "platform/Files.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <shapefil.h>

#include <clocale>
#include <cstdio>

namespace {

const QString kTemplate = QStringLiteral(KESTRIN_BINARY_DIR "/bin/Empt.dbf");
constexpr int Width = 12;   // the sample template's numeric fields: N 12.2

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Each record as "a1 a2 a4 a5 a6" and the values that are not 0, e.g. "a81=12.50".
QStringList records(const QString& path)
{
    QStringList lines;
    DBFHandle dbf = DBFOpen(QFile::encodeName(path).constData(), "rb");
    if (!dbf)
        return {QStringLiteral("cannot open")};
    for (int r = 0; r < DBFGetRecordCount(dbf); ++r) {
        QStringList fields;
        for (const char* name : {"a1", "a2", "a4", "a5", "a6"})
            fields << QString::fromLatin1(DBFReadStringAttribute(dbf, r, DBFGetFieldIndex(dbf, name)));
        for (int n = 1; n <= 28; ++n) {
            const QString name = QStringLiteral("a8%1").arg(n);
            const QString value = QString::fromLatin1(DBFReadStringAttribute(dbf, r, DBFGetFieldIndex(dbf, name.toLatin1())));
            if (value != QStringLiteral("0.00"))
                fields << name + QLatin1Char('=') + value;
        }
        lines << fields.join(QLatin1Char(' '));
    }
    DBFClose(dbf);
    return lines;
}

// A year with Ф12 (1000) (Графы 4-7, three data rows) and Ф30 (1100) (Графы 3-5), a report
// with numbers of 2025 and, to be left alone, numbers of 2024 and of another report.
class ExportYear : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QFile::exists(kTemplate)) << "build the target \"sample\" first";
        const int f12 = year.addForm(QStringLiteral("Ф12"));
        const int f30 = year.addForm(QStringLiteral("Ф30"));
        t1000 = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Дети"), 7, 6, 3, 3);
        t1100 = year.addTable(f30, QStringLiteral("(1100)"), QStringLiteral("Должности"), 5, 7, 2, 3, true);
        report = year.addReport(QStringLiteral("Район"));
        other = year.addReport(QStringLiteral("Другой"));
        const QString rep = QStringLiteral("repdata");
        year.setEntered(report, t1000, 4, 1, 12.5, rep);
        year.setEntered(report, t1000, 5, 1, 3, rep);
        year.setEntered(report, t1000, 7, 3, 0.125, rep);   // rounds to 0.13
        year.setEntered(report, t1100, 3, 1, 10.25, rep);
        year.setEntered(report, t1100, 3, 2, 4, rep);
        year.setEntered(report, t1100, 4, 1, 99, rep);
        year.setEntered(report, t1100, 5, 6, -1.5, rep);
        year.setEntered(other, t1000, 4, 1, 777, rep);
        year.data().exec(QStringLiteral(R"(insert into "repdata" values (?, 555, 2024, ?, 5, 5))"), {report, t1000});
        request.templatePath = kTemplate;
        request.outputPath = Files::join(dir.path(), QStringLiteral("out.dbf"));
        request.year = 2025;
        request.reportId = report;
        request.territory = QStringLiteral("711001 - Заречный район");
        request.sections = {0};
    }

    DbfExportResult run(const Links& links) { return exportReport(year.dictionary(), year.data(), links, request); }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int t1000 = 0, t1100 = 0, report = 0, other = 0;
    DbfExportRequest request;
};

TEST_F(ExportYear, MappingCases)
{
    struct Case {
        const char* what;
        QList<LinkRow> rows;
        QList<LinkColumn> columns;
        QStringList expected;
        QStringList skipped;   // a part of each skipped line
    };
    const QString head = QStringLiteral("25 1001 ");
    const Case cases[] = {
        {"a plain table: Строка 1, Графы 4 and 5",
         {{"120110001001", "Ф12(1000)", 1, false}},
         {{"12011000101", 4}, {"12011000102", 5}},
         {head + "1201100 000001 001 a81=12.50 a82=3.00"},
         {}},
        {"a transposed table: Графа 3 of Строки 1 and 2, form name in another case",
         {{"120130002003", "ф30(1100)", 3, true}},
         {{"12013000201", 1}, {"12013000202", 2}},
         {head + "1201300 000002 003 a81=10.25 a82=4.00"},
         {}},
        {"some of the 28 columns, the rest 0; a value rounded, a negative one",
         {{"120110001003", "Ф12(1000)", 3, false}, {"120130001006", "Ф30(1100)", 6, false}},
         {{"12011000128", 7}, {"12013000105", 5}},
         {head + "1201100 000001 003 a828=0.13", head + "1201300 000001 006 a85=-1.50"},
         {}},
        {"rows of another section only: no record",
         {{"300111001001", "Ф12(1000)", 1, false}},
         {{"30011100101", 4}},
         {},
         {}},
        {"unknown table, short code and column 29 are skipped; the row goes on without them",
         {{"120110001001", "Ф12(1000)", 1, false}, {"120110009001", "Ф99(1000)", 1, false},
          {"12011000", "Ф12(1000)", 1, false}},
         {{"12011000129", 4}, {"1201100019", 5}, {"12011000102", 5}},
         {head + "1201100 000001 001 a82=3.00"},
         {"Ф99(1000)", "12011000:", "12011000129", "1201100019"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Links links;
        links.sections = {{QStringLiteral("1201"), QStringLiteral("Дети")}, {QStringLiteral("3001"), QStringLiteral("Должности")}};
        links.rows = c.rows;
        links.columns = c.columns;
        const DbfExportResult result = run(links);
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.records, c.expected.size());
        EXPECT_EQ(records(request.outputPath), c.expected);
        EXPECT_EQ(result.skipped.size(), c.skipped.size()) << result.skipped.join(QLatin1Char('|')).toStdString();
        for (const QString& part : c.skipped)
            EXPECT_NE(result.skipped.join(QLatin1Char('|')).indexOf(part), -1) << part.toStdString();
    }
}

TEST_F(ExportYear, TheFileIsTheTemplatesLayoutByteForByteWhateverTheLocale)
{
    // The C library's numbers would read "12,50" here.
    const char* ru = std::setlocale(LC_ALL, "ru_RU.UTF-8");
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 1.5);
    if (ru)
        EXPECT_STREQ(probe, "1,50");
    Links links;
    links.sections = {{QStringLiteral("1201"), QStringLiteral("Дети")}};
    links.rows = {{"120110001001", "Ф12(1000)", 1, false}, {"120110001003", "Ф12(1000)", 3, false}};
    links.columns = {{"12011000101", 4}, {"12011000104", 7}};
    const DbfExportResult result = run(links);
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(result.ok) << result.error.toStdString();

    // dBase III: version 3, the date, 2 records, header 32 + 33 * 32 + 1, record 1 + 22 + 28 * 12.
    QByteArray expected;
    const QDate today = QDate::currentDate();
    expected += char(0x03);
    expected += char(today.year() - 1900);
    expected += char(today.month());
    expected += char(today.day());
    expected += QByteArray::fromHex("02000000" "4104" "6701");
    expected += QByteArray(17, '\0') + char(0x57) + QByteArray(2, '\0');   // language driver 0x57
    auto field = [&](const QByteArray& name, char type, int width, int decimals) {
        expected += name + QByteArray(11 - name.size(), '\0');
        expected += type;
        expected += QByteArray(4, '\0');
        expected += char(width);
        expected += char(decimals);
        expected += QByteArray(14, '\0');
    };
    field("a1", 'C', 2, 0);
    field("a2", 'C', 4, 0);
    field("a4", 'C', 7, 0);
    field("a5", 'C', 6, 0);
    field("a6", 'C', 3, 0);
    for (int n = 1; n <= 28; ++n)
        field("a8" + QByteArray::number(n), 'N', Width, 2);
    expected += char(0x0D);
    const QByteArray zero = "        0.00";
    expected += " 25" "1001" "1201100" "000001" "001" "       12.50" + zero + zero + zero.repeated(25);
    expected += " 25" "1001" "1201100" "000001" "003" + zero + zero + zero + "        0.13" + zero.repeated(24);
    expected += char(0x1A);

    const QByteArray written = readAll(request.outputPath);
    EXPECT_EQ(written.size(), 32 + 33 * 32 + 1 + 2 * 359 + 1);
    EXPECT_EQ(written.toHex().toStdString(), expected.toHex().toStdString());
}

TEST_F(ExportYear, AFailedExportLeavesNoFileAndKeepsTheOlderOne)
{
    Links links;
    links.sections = {{QStringLiteral("1201"), QStringLiteral("Дети")}};
    links.rows = {{"120110001001", "Ф12(1000)", 1, false}};
    links.columns = {{"12011000101", 4}};
    const QByteArray older("an older export");
    auto writeOlder = [&] {
        QFile file(request.outputPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(older);
    };
    auto leftFiles = [&] { return Files::listFiles(dir.path(), {QStringLiteral("out*")}); };

    writeOlder();
    request.templatePath = Files::join(dir.path(), QStringLiteral("Нет.dbf"));
    DbfExportResult result = run(links);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.indexOf(QStringLiteral("шаблон")), -1) << result.error.toStdString();
    EXPECT_EQ(readAll(request.outputPath), older);
    EXPECT_EQ(leftFiles(), QStringList{QStringLiteral("out.dbf")});

    // 1000000000000.00 needs 16 places; the field has 12.
    request.templatePath = kTemplate;
    year.setEntered(report, t1000, 4, 1, 1e12, QStringLiteral("repdata"));
    result = run(links);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.indexOf(QStringLiteral("120110001001")), -1) << result.error.toStdString();
    EXPECT_NE(result.error.indexOf(QStringLiteral("графа 1")), -1) << result.error.toStdString();
    EXPECT_EQ(readAll(request.outputPath), older);
    EXPECT_EQ(leftFiles(), QStringList{QStringLiteral("out.dbf")});
    // And with no older file, no file at all.
    QFile::remove(request.outputPath);
    EXPECT_FALSE(run(links).ok);
    EXPECT_TRUE(leftFiles().isEmpty());
}

TEST_F(ExportYear, TheTemplateAndTheMappingAreNeverTheOutput)
{
    Links links;
    links.sections = {{QStringLiteral("1201"), QStringLiteral("Дети")}};
    links.rows = {{"120110001001", "Ф12(1000)", 1, false}};
    links.columns = {{"12011000101", 4}};
    // A program folder of its own, so a fault cannot spoil the build's template.
    Files::setProgramFolder(dir.path());
    request.templatePath = Files::join(dir.path(), QStringLiteral("Empt.dbf"));
    ASSERT_TRUE(QFile::copy(kTemplate, request.templatePath));
    const QByteArray templ = readAll(request.templatePath);
    for (const char* name : {"Empt.dbf", "EMPT.DBF", "sub/../Empt.dbf", "links.mdb", "Links.MDB"}) {
        SCOPED_TRACE(name);
        request.outputPath = Files::join(dir.path(), QString::fromUtf8(name));
        const DbfExportResult result = run(links);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error.contains(QStringLiteral("в него выгружать нельзя"))) << result.error.toStdString();
    }
    EXPECT_EQ(readAll(request.templatePath), templ);
    EXPECT_FALSE(QFile::exists(linksDatabasePath()));
    request.outputPath = Files::join(dir.path(), QStringLiteral("Empt2.dbf"));
    EXPECT_TRUE(run(links).ok);
    Files::setProgramFolder(QString());
}

TEST(DbfOutputName, ADbfEndingIsNotDoubled)
{
    EXPECT_EQ(dbfOutputPath(QStringLiteral("/a/отчет")), QStringLiteral("/a/отчет.dbf"));
    EXPECT_EQ(dbfOutputPath(QStringLiteral("/a/отчет.dbf")), QStringLiteral("/a/отчет.dbf"));
    EXPECT_EQ(dbfOutputPath(QStringLiteral("/a/отчет.DBF")), QStringLiteral("/a/отчет.DBF"));
    EXPECT_EQ(dbfOutputPath(QStringLiteral("/a/отчет.dbf.txt")), QStringLiteral("/a/отчет.dbf.txt.dbf"));
}

TEST(LinksDatabase, IsReadWholeInCodeOrderOrRefusedWithAReason)
{
    QTemporaryDir dir;
    const QString path = Files::join(dir.path(), QStringLiteral("links.mdb"));
    {
        auto db = Database::create(path);
        db->execScript(QStringLiteral(R"(
            create table "raz" ("a1" TEXT, "a2" TEXT);
            create table "kodif" ("a1" TEXT, "a2" TEXT);
            create table "rows" ("mskrow" TEXT, "ktrtable" TEXT, "ktrrow" INTEGER, "inv" INTEGER);
            insert into "raz" values ('3001', 'Б'), ('1201', 'А');
            insert into "kodif" values ('711002', 'Второй'), ('711001', 'Первый');
            insert into "rows" values ('300111001002', 'Ф30(1100)', 2, 1), ('300111001001', 'Ф30(1100)', 1, 0);
        )"));
    }
    Links links;
    QString error;
    EXPECT_FALSE(readLinks(path, links, &error));   // no "cols"
    EXPECT_NE(error.indexOf(QStringLiteral("cols")), -1) << error.toStdString();
    Database::open(path)->exec(QStringLiteral(R"(create table "cols" ("mskcol" TEXT, "ktrcol" INTEGER))"));
    ASSERT_TRUE(readLinks(path, links, &error)) << error.toStdString();
    ASSERT_EQ(links.sections.size(), 2);
    EXPECT_EQ(itemText(links.sections[0].a1, links.sections[0].a2), QStringLiteral("1201 - А"));
    ASSERT_EQ(links.territories.size(), 2);
    EXPECT_EQ(links.territories[0].a2, QStringLiteral("Второй"));   // as stored
    ASSERT_EQ(links.rows.size(), 2);
    EXPECT_EQ(links.rows[0].mskrow, QStringLiteral("300111001001"));
    EXPECT_FALSE(links.rows[0].inv);
    EXPECT_TRUE(links.rows[1].inv);
    EXPECT_EQ(links.rows[1].ktrrow, 2);

    EXPECT_FALSE(readLinks(Files::join(dir.path(), QStringLiteral("нет.mdb")), links, &error));
    EXPECT_NE(error.indexOf(QStringLiteral("Не найдена")), -1) << error.toStdString();
    const QString junk = Files::join(dir.path(), QStringLiteral("junk.mdb"));
    {
        QFile file(junk);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    EXPECT_FALSE(readLinks(junk, links, &error));
    EXPECT_TRUE(links.sections.isEmpty());
}

}
