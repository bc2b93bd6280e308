#include "entry/FormExcel.h"

#include "core/Common.h"
#include "platform/office/XlsxWriter.h"
#include "PackageDigest.h"
#include "SampleYear.h"
#include "YearFixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Every part of the written book but its creation time, which libxlsxwriter takes from the clock.
std::string bookDigest(const QString& path)
{
    return packageDigest(path, {QStringLiteral("docProps/core.xml")});
}

// The whole-form books of the sample's forms for Озерная ЦРБ, pinned as they were written before
// the writer learnt to build each format once: the same cells, formats and styles, byte for byte.
TEST(FormExcelBooks, TheSamplesFormsAreWrittenAsBefore)
{
    SampleYear sample;
    ASSERT_TRUE(sample.install()) << sample.error().toStdString();
    const ExcelExportSource source{&dbmain(), &dbdat(), sample.year(), QStringLiteral("Data")};
    const FormsTree tree = buildFormsTree(dbmain(), -1, false);
    struct Case { const char* form; const char* digest; };
    const Case cases[] = {{"Ф12", "3f2847f47d5770dceed0c320c9d68e0429c15ab81ed0b9eb9ab0c81b7fcfbcae"},
                           {"Ф30", "e4b92610444fa420746984cadc62e5e9149c445d37c1b4a832a1c376754b103c"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        const auto form = std::find_if(tree.forms.begin(), tree.forms.end(),
                                       [&](const FormsTreeForm& f) { return f.name == QString::fromUtf8(c.form); });
        ASSERT_NE(form, tree.forms.end());
        ExcelWorkbook book;
        QString error;
        ASSERT_TRUE(addFormSheets(book, source, *form, Sample::Unit::OzernayaCrb, QStringLiteral("Озерная ЦРБ"),
                                  nullptr, &error))
            << error.toStdString();
        const QString path = sample.yearFolder() + QStringLiteral("/book.xlsx");
        XlsxWriter writer;
        ASSERT_TRUE(writer.write(path, book)) << writer.errorString().toStdString();
        EXPECT_EQ(bookDigest(path), c.digest);
    }
}

// Header cells of every kind of format: fonts, sizes, bold and italic, each alignment, turned
// text, indents, merges across and down, and one merge refused for crossing another.
TEST(FormExcelBooks, HeaderFormatsOfEveryKindAreWrittenAsBefore)
{
    QTemporaryDir dir;
    YearFixture year(dir.path(), 2025, YearFixture::InstallAliases);
    const int form = year.addForm(QStringLiteral("Ф5"), QStringLiteral("Проба"));
    const int table = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Шапки"), 8, 7, 2, 3);
    const int inst = year.addInstitution(QStringLiteral("ЦРБ"));
    year.addTitle(table, 1, 1, QStringLiteral("Наименование"), 1, 3, QStringLiteral("CC00"));
    year.addTitle(table, 2, 1, QStringLiteral("№"), 2, 3, QStringLiteral("TL12"));
    year.addTitle(table, 3, 1, QStringLiteral("Всего"), 8, 1, QStringLiteral("BR03"));
    year.addTitle(table, 3, 2, QStringLiteral("в том числе"), 5, 2, QStringLiteral("JJ1"));
    year.addTitle(table, 4, 2, QStringLiteral("поперёк"), 6, 2, QStringLiteral("CL"));
    for (int c = 3; c <= 8; ++c)
        year.addTitle(table, c, 3, QStringLiteral("Графа %1").arg(c), 0, 0,
                      QStringLiteral("%1C0%2").arg(c % 2 ? QLatin1Char('C') : QLatin1Char('T')).arg(c % 4));
    for (int r = 4; r <= 7; ++r)
        year.addTitle(table, 1, r, QStringLiteral("Строка %1").arg(r - 3), 0, 0, QStringLiteral("CL0%1").arg(r % 3));
    const QList<QVariantList> fonts = {{QStringLiteral("Times New Roman"), 12.0, true, false, 1, 1},
                                       {QStringLiteral("Arial"), 10.0, false, true, 2, 1},
                                       {QStringLiteral("Courier New"), 9.5, true, true, 3, 1},
                                       {QStringLiteral("Arial"), 8.0, true, false, 5, 3},
                                       {QStringLiteral("Arial"), 8.0, true, false, 1, 6}};
    for (const QVariantList& f : fonts)
        year.dictionary().exec(QStringLiteral(R"(update "titles" set "FontName"=?, "FontSize"=?, "FontBold"=?,
            "FontItalic"=? where "table"=? and "column"=? and "row"=?)"),
                               {f[0], f[1], f[2], f[3], table, f[4], f[5]});
    for (int c = 3; c <= 8; ++c)
        for (int r = 1; r <= 4; ++r)
            if ((c + r) % 3 != 0)
                year.setEntered(inst, table, c, r, c * 10 + r + (c % 2 ? 0.25 : 0));
    refreshStructureCaches(year.dictionary());

    const FormsTree tree = buildFormsTree(year.dictionary(), -1, false);
    ASSERT_EQ(tree.forms.size(), 1);
    ExcelWorkbook book;
    QString error;
    ASSERT_TRUE(addFormSheets(book, {&year.dictionary(), &year.data(), 2025, QStringLiteral("Data")}, tree.forms[0],
                              inst, QStringLiteral("ЦРБ"), nullptr, &error))
        << error.toStdString();
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    XlsxWriter writer;
    ASSERT_TRUE(writer.write(path, book)) << writer.errorString().toStdString();
    EXPECT_EQ(bookDigest(path), "75b152d2f8371cec6ec779f4a567fe4e4bb5542de94a7e219bca8c023da31a77");
}

}  // namespace
