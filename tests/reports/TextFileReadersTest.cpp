// Every reader of a user's text file, given a copy of its valid file saved as UTF-8 by an editor:
// each refuses it with the one message and nothing in the year changes. The same files in
// Windows-1251 are taken, and a file of plain ASCII is taken in either encoding.

#include "convert/Conversion.h"
#include "core/DataFiles.h"
#include "entry/ConditionsFile.h"
#include "entry/PlacementFile.h"
#include "entry/ShortNames.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"
#include "platform/TextReader.h"
#include "reports/IndicatorSetFile.h"
#include "reports/LevelMerge.h"
#include "reports/ReportDataFiles.h"
#include "setup/AdmStructure.h"
#include "setup/ControlsFile.h"
#include "setup/FormStructureFile.h"
#include "FileBytes.h"
#include "PrintTo.h"
#include "SampleYear.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }




QByteArray asUtf8(const QByteArray& bytes1251)
{
    QString text;
    QString error;
    EXPECT_TRUE(decode1251(bytes1251, &text, &error)) << error.toStdString();
    return text.toUtf8();
}

// Every byte of the year's files: what a refused load must leave as it was.
QByteArray yearFingerprint(const QString& folder)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
        hash.addData(name.toUtf8());
        hash.addData(readBytes(Files::join(folder, name)));
    }
    return hash.result();
}

QString sampleFile(const char* relative)
{
    return QStringLiteral(KESTRIN_BINARY_DIR "/sample/Образец/") + u(relative);
}

template <typename Reader>
QString readerError(const QString& path)
{
    Reader reader;
    reader.read(path);
    return reader.errorString();
}

class TextFileReaders : public ::testing::Test {
protected:
    SampleYear sample;
    void SetUp() override { ASSERT_TRUE(sample.install()) << sample.error().toStdString(); }
};

TEST_F(TextFileReaders, AFileSavedAsUtf8IsRefusedWithTheOneMessageAndChangesNothing)
{
    // read gives the reader's or the loader's message, empty when the file was taken.
    struct Case {
        const char* what;
        const char* fileName;
        QByteArray valid;   // Windows-1251
        std::function<QString(const QString& path)> read;
        bool ascii = false;
    };
    auto dataFile = [](int owner) {
        return [owner](const QString& path) {
            DataLoadTarget target;
            target.owner = owner;
            target.year = Sample::DataYear;
            DataLoadReport report;
            QString error;
            loadDataFile(dbdat(), target, path, yearDataFileKind(path), &report, &error);
            return error;
        };
    };
    const Case cases[] = {
        {"year data file", "Ключевской фельдшерско-акушерский пункт - Годовой - 2025.ktd",
         readBytes(sampleFile("2025/data/Ключевской фельдшерско-акушерский пункт - Годовой - 2025.ktd")),
         dataFile(Sample::Unit::Klyuchi)},
        // Form ids instead of names: nothing beyond ASCII.
        {"older year data file, plain ASCII", "Сосновский фельдшерско-акушерский пункт - Годовой - 2025.ktr",
         readBytes(sampleFile("2025/data/Сосновский фельдшерско-акушерский пункт - Годовой - 2025.ktr")),
         dataFile(Sample::Unit::Klyuchi), true},
        {"data file counted for the structure", "Ключевской фельдшерско-акушерский пункт - Годовой - 2025.ktd",
         readBytes(sampleFile("2025/data/Ключевской фельдшерско-акушерский пункт - Годовой - 2025.ktd")),
         [](const QString& path) {
             QStringList failures;
             availabilityFromFiles({path}, Sample::DataYear, &failures);
             return failures.join(u'\n');
         }},
        {"report data file", "Городской округ Светлогорск - Годовой - 2025.rpd",
         readBytes(sampleFile("data/Городской округ Светлогорск - Годовой - 2025.rpd")),
         [](const QString& path) {
             DataLoadReport counts;
             QString error;
             ReportDataFiles::load(dbdat(), Sample::Report::Svetlogorsk, Sample::DataYear, path, &counts, &error);
             return error;
         }},
        {"form structure file", "Ф14.frs", readBytes(sampleFile("Ф14.frs")),
         readerError<FormStructureFileReader>},
        {"controls file", "controls.ktr", readBytes(sampleFile("controls.ktr")),
         readerError<ControlsFileReader>},
        {"conditions file", "Ф47.cnd",
         in1251(u("Ф47\t(0100)\t0\t-1\tFalse\tФ30Т(2100)СТР5ГР3\t\t\tFalse\tFalse\t*\r\n")),
         [](const QString& path) {
             const ConditionsLoadResult result = loadFormConditions(dbmain(), Sample::Form::F47, u("Ф47"), path);
             return result.changed ? QString() : result.message;
         }},
        {"short names", "ShortNames.txt", in1251(u("Светлогорская городская больница\tСГБ\r\n")),
         [](const QString& path) {
             QList<ShortName> names;
             QString error;
             readShortNames(path, &names, &error);
             return error;
         }},
        {"positions not summed", "positions.txt", in1251(u("Ф30,(1100)\r\n")),
         [](const QString& path) {
             NonSummableRules rules;
             QString error;
             readNonSummable(path, &rules, &error);
             return error;
         }},
        {"indicator sets", "Дети.stt", in1251(u("[Tree]\r\n1,Дети\r\n[Columns]\r\n0,1\tВсего\t64\r\n[Rows]\r\n[Formulas]\r\n")),
         readerError<IndicatorSetFileReader>},
        {"types of institutions", "MedicalTypes.txt",
         in1251(u("Код\tТип\tРодитель\tПорядок\r\n1\tСтоматологические\t0\t1\r\n")),
         readerError<Conversion::MedicalTypesFileReader>},
        {"placement file, plain ASCII", "Ф12.txt", readBytes(sampleFile("2025/forms/Ф12.txt")),
         [](const QString& path) {
             QList<PlacementLine> lines;
             QString error;
             readPlacementFile(path, Sample::Form::F12, nullptr, &lines, &error);
             return error;
         },
         true},
    };
    QTemporaryDir files;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.valid.isEmpty());
        const QString path = Files::join(files.path(), u(c.fileName));
        writeBytes(path, asUtf8(c.valid));
        const QByteArray before = yearFingerprint(sample.yearFolder());
        const QString refused = c.read(path);
        if (c.ascii) {
            EXPECT_EQ(refused, QString());
        } else {
            EXPECT_TRUE(refused.endsWith(utf8FileMessage(path))) << refused.toStdString();
            EXPECT_EQ(yearFingerprint(sample.yearFolder()), before);
        }

        writeBytes(path, c.valid);
        EXPECT_EQ(c.read(path), QString());
    }
}

}
