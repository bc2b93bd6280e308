// Handing documents to the desktop, and the temporary folder of documents the user decides on.
#include "platform/office/Desktop.h"
#include "platform/office/ExcelWorkbook.h"
#include "platform/office/WordDocument.h"
#include "platform/office/XlsxReader.h"

#include "PrintTo.h"
#include "RecordingDesktop.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class TemporaryFolder : public ::testing::Test {
protected:
    void SetUp() override { setTemporaryDocumentsFolder(dir.filePath(QStringLiteral("Kestrin"))); }
    QTemporaryDir dir;
};

}

TEST_F(TemporaryFolder, NamesAreMadeFitForFilesAndNeverReused)
{
    QString error;
    const QString first = temporaryDocumentPath(QStringLiteral("Ф12 \"ЦРБ\" 1/2: итог?"), QStringLiteral("docx"), &error);
    EXPECT_EQ(QFileInfo(first).fileName(), QStringLiteral("Ф12 _ЦРБ_ 1_2_ итог_.docx"));
    EXPECT_TRUE(QFileInfo(first).absoluteDir().exists());   // the folder was made
    QFile(first).open(QIODevice::WriteOnly);
    const QString second = temporaryDocumentPath(QStringLiteral("Ф12 \"ЦРБ\" 1/2: итог?"), QStringLiteral("docx"), &error);
    EXPECT_EQ(QFileInfo(second).fileName(), QStringLiteral("Ф12 _ЦРБ_ 1_2_ итог_ (2).docx"));
    EXPECT_EQ(QFileInfo(temporaryDocumentPath(QStringLiteral(" ... "), QStringLiteral("xlsx"), &error)).fileName(),
              QStringLiteral("Документ.xlsx"));
}

TEST_F(TemporaryFolder, AnUnsavedDocumentIsSavedThereAndOpened)
{
    RecordingDesktop recorder;
    WordDocument doc;
    doc.createBlank();
    doc.appendParagraph(QStringLiteral("Результаты контроля"));
    QString error;
    ASSERT_TRUE(showDocument(doc, QStringLiteral("Результаты"), &error)) << error.toStdString();
    ExcelWorkbook book;
    book.addSheet(QStringLiteral("Лист"))->setText(1, 1, QStringLiteral("Результаты"));
    ASSERT_TRUE(showWorkbook(book, QStringLiteral("Результаты"), &error)) << error.toStdString();

    ASSERT_EQ(recorder.opened().size(), 2);
    EXPECT_EQ(QFileInfo(recorder.opened()[0]).fileName(), QStringLiteral("Результаты.docx"));
    EXPECT_EQ(QFileInfo(recorder.opened()[1]).fileName(), QStringLiteral("Результаты.xlsx"));
    WordDocument back;
    ASSERT_TRUE(back.open(recorder.opened()[0]));
    EXPECT_EQ(back.paragraphTexts().first(), QStringLiteral("Результаты контроля"));
    XlsxReader reader;
    ASSERT_TRUE(reader.read(recorder.opened()[1]));
    EXPECT_EQ(reader.workbook().sheet(0)->value(1, 1).text, QStringLiteral("Результаты"));
}

TEST_F(TemporaryFolder, WhatCannotBeSavedOrOpenedIsAnError)
{
    RecordingDesktop recorder;
    QString error;
    // A file stands where the folder should be made.
    QFile blocker(dir.filePath(QStringLiteral("Kestrin")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ExcelWorkbook book;
    EXPECT_FALSE(showWorkbook(book, QStringLiteral("Ф12"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Kestrin")));
    EXPECT_TRUE(recorder.opened().isEmpty());

    setTemporaryDocumentsFolder(dir.filePath(QStringLiteral("другая")));
    recorder.setFailure(QStringLiteral("нет программы"));
    WordDocument doc;
    doc.createBlank();
    EXPECT_FALSE(showDocument(doc, QStringLiteral("Ф12"), &error));
    EXPECT_EQ(error, QStringLiteral("нет программы"));
    EXPECT_FALSE(recorder.openDocument(dir.filePath(QStringLiteral("нет.docx")), &error));
    recorder.setFailure(QString());
    EXPECT_FALSE(recorder.openDocument(dir.filePath(QStringLiteral("нет.docx")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("нет.docx")));
}

TEST_F(TemporaryFolder, TheWorkbooksHandedToTheDesktopAreListedNewestFirst)
{
    RecordingDesktop recorder;
    QString error;
    ExcelWorkbook book;
    book.addSheet(QStringLiteral("Лист"));
    ASSERT_TRUE(showWorkbook(book, QStringLiteral("Первая"), &error)) << error.toStdString();
    const QString own = dir.filePath(QStringLiteral("своя.xlsx"));
    QFile(own).open(QIODevice::WriteOnly);
    ASSERT_TRUE(showWorkbookFile(own, &error)) << error.toStdString();
    ASSERT_TRUE(showWorkbook(book, QStringLiteral("Вторая"), &error)) << error.toStdString();
    auto names = [] {
        QStringList n;
        for (const QString& path : openWorkbooks())
            n << QFileInfo(path).fileName();
        return n;
    };
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Вторая.xlsx"), QStringLiteral("своя.xlsx"),
                                    QStringLiteral("Первая.xlsx")}));
    // Handed again it comes first once, not twice; one that failed to open is not listed; one
    // deleted since is gone.
    ASSERT_TRUE(showWorkbookFile(dir.filePath(QStringLiteral("./своя.xlsx")), &error));
    EXPECT_FALSE(showWorkbookFile(dir.filePath(QStringLiteral("нет.xlsx")), &error));
    ASSERT_TRUE(QFile::remove(openWorkbooks().last()));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("своя.xlsx"), QStringLiteral("Вторая.xlsx")}));
    forgetOpenWorkbooks();
    EXPECT_TRUE(openWorkbooks().isEmpty());
}

TEST(SystemDesktopTest, WithoutWindowsNothingOpensAndItSaysSo)
{
    // Logic tests run on a QCoreApplication: the system desktop must refuse, not crash.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.docx"));
    QFile(path).open(QIODevice::WriteOnly);
    SystemDesktop system;
    QString error;
    EXPECT_FALSE(system.openDocument(path, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("a.docx")));
}
