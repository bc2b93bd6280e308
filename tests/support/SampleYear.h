#pragma once
// A private copy of one year of the sample configuration, so a test can write to it freely.
// Header-only: it fills core's caches, and only tests that link core include it.
//
//     class SampleGrid : public ::testing::Test {
//     protected:
//         SampleYear sample;
//         void SetUp() override { ASSERT_TRUE(sample.install()) << sample.error().toStdString(); }
//     };

#include "core/Common.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "sample/SampleConfiguration.h"

#include <QTemporaryDir>

class SampleYear {
public:
    explicit SampleYear(int year = Sample::DataYear) : m_year(year) {}
    ~SampleYear()
    {
        if (!m_installed)
            return;
        Aliases::closeAll();
        clearStructureCaches();
        ReportYear = 0;
    }
    SampleYear(const SampleYear&) = delete;
    SampleYear& operator=(const SampleYear&) = delete;

    // Copies the year out of the build's sample into a temporary configuration folder.
    bool copy()
    {
        const QString source = QStringLiteral(KESTRIN_BINARY_DIR "/sample/Образец/") + QString::number(m_year);
        if (!Files::isFolder(source)) {
            m_error = QStringLiteral("no sample at %1: build the target \"sample\" first").arg(source);
            return false;
        }
        if (!m_dir.isValid()) {
            m_error = QStringLiteral("no temporary folder");
            return false;
        }
        return Files::copyFolder(source, yearFolder(), &m_error);
    }
    // Copies, then makes the copy's databases dbmain()/dbdat(), sets ReportYear and fills the
    // structure caches, as opening the year in the program does. Undone by the destructor.
    bool install()
    {
        if (!copy())
            return false;
        Aliases::set(Aliases::Main, Database::open(dictionaryPath()));
        Aliases::set(Aliases::Data, Database::open(dataPath()));
        ReportYear = m_year;
        refreshStructureCaches(dbmain());
        m_installed = true;
        return true;
    }

    int year() const { return m_year; }
    QString configFolder() const { return m_dir.path(); }
    QString yearFolder() const { return Files::join(m_dir.path(), QString::number(m_year)); }
    QString dictionaryPath() const { return Files::join(yearFolder(), QStringLiteral("ktrmain.mdb")); }
    QString dataPath() const { return Files::join(yearFolder(), QStringLiteral("data0.mdb")); }
    const QString& error() const { return m_error; }

private:
    int m_year;
    QTemporaryDir m_dir;
    QString m_error;
    bool m_installed = false;
};
