// Makes what the program folder and the sample need at build time:
//   mksample <program folder> <sample folder>
// writes <program folder>/source/data0.mdb (the template of every new data database), the dBase
// export's links.mdb and Empt.dbf in the program folder,
// <sample folder>/ktrmain_empty.mdb (a dictionary with no forms), the configuration
// <sample folder>/Образец (with its summary reports' values and a report data file) and, for
// Tormik, <program folder>/MedicalTypes.txt with the configuration
// <sample folder>/"Образец (до преобразования)", each made anew from the schema.

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Schema.h"
#include "sample/SampleConfiguration.h"
#include "sample/SampleDbf.h"
#include "sample/SampleLegacy.h"
#include "sample/SampleLevels.h"
#include "sample/SampleReportData.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

// The old file stays until the new one is whole.
void makeDatabaseFile(const QString& path, void (*create)(const QString&))
{
    const QString work = path + QStringLiteral(".new");
    QFile::remove(work);
    create(work);
    if ((QFile::exists(path) && !QFile::remove(path)) || !QFile::rename(work, path))
        throw DbError(QStringLiteral("Не удалось заменить файл %1").arg(path));
}

int fail(const QString& message)
{
    std::fprintf(stderr, "mksample: %s\n", message.toUtf8().constData());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return fail(QStringLiteral("usage: mksample <program folder> <sample folder>"));
    const QString programFolder = args[1];
    const QString sampleFolder = args[2];

    QString error;
    const QString source = Files::join(programFolder, QStringLiteral("source"));
    if (!Files::makeFolder(source, &error) || !Files::makeFolder(sampleFolder, &error))
        return fail(error);
    try {
        makeDatabaseFile(Files::join(source, QStringLiteral("data0.mdb")), &Schema::createDataDatabaseFile);
        makeDatabaseFile(Files::join(sampleFolder, QStringLiteral("ktrmain_empty.mdb")), &Schema::createDictionaryFile);
    } catch (const DbError& e) {
        return fail(e.userText());
    }
    if (!Sample::makeDbfExportFiles(programFolder, &error))
        return fail(error);
    if (!Sample::makeConfiguration(Files::join(sampleFolder, Sample::ConfigurationName), &error))
        return fail(error);
    if (!Sample::makeReportData(Files::join(sampleFolder, Sample::ConfigurationName), &error))
        return fail(error);
    if (!Sample::makeLevels(Files::join(sampleFolder, Sample::ConfigurationName), programFolder, &error))
        return fail(error);
    if (!Sample::makeLegacySample(programFolder, sampleFolder, &error))
        return fail(error);
    return 0;
}
