#include "setup/uCLd.h"

#include "setup/ControlsStore.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "core/Configurations.h"
#include "entry/GridModel.h"
#include "entry/ShowTable.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"
#include "platform/office/Desktop.h"
#include "platform/office/WordDocument.h"
#include "sample/SampleConfiguration.h"
#include "sample/SampleControlsFile.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

int controlCount() { return dbmain().scalar(QStringLiteral(R"(select count(*) from "int_control")")).toInt(); }

// The sample's controls.ktr into the next year, whose dictionary holds the same controls.
class Loader : public ::testing::Test {
protected:
    SampleYear sample{Sample::NextYear};
    QString file;
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        file = Files::join(sample.configFolder(), Sample::ControlsFileName);
        ASSERT_TRUE(QFile::copy(QStringLiteral(KESTRIN_BINARY_DIR "/sample/Образец/") + Sample::ControlsFileName, file));
        CfgDir = sample.configFolder() + QLatin1Char('/');
    }
};

TEST_F(Loader, ReplaceAndAppendTheSampleFile)
{
    const int stored = controlCount();
    ScriptedPrompts prompts;
    TCld window;
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Загрузка контролей системы \"Кестрин\""));
    ASSERT_EQ(window.FileListBox1->count(), 1);
    EXPECT_TRUE(window.Button1->isEnabled());
    QTest::mouseClick(window.RadioGroup1->button(1), Qt::LeftButton, {}, QPoint(6, 6));
    prompts.expectQuestion(true, QStringLiteral("Удалить все %1 контролей и загрузить %1 из файла?").arg(stored));
    prompts.expectMessage(QStringLiteral("Загружено: %1, уже есть: 0, отклонено: 3, пропущено строк: 0").arg(stored));
    prompts.expectWarning(QStringLiteral("Несогласованные контроли"));
    QTest::mouseClick(window.Button1, Qt::LeftButton);
    EXPECT_EQ(controlCount(), stored);
    EXPECT_EQ(dbmain().scalar(QStringLiteral(R"(select count(*) from "int_control" where "tble" is null)")).toInt(), 4);
    QStringList rejected;
    QString error;
    ASSERT_TRUE(readLines1251(Files::join(sample.configFolder(), QStringLiteral("Несогласованные контроли.ktr")), &rejected, &error));
    EXPECT_EQ(rejected.size(), 6);
    EXPECT_EQ(window.FileListBox1->count(), 2);   // the rejected file shows up

    QTest::mouseClick(window.RadioGroup1->button(0), Qt::LeftButton, {}, QPoint(6, 6));
    window.FileListBox1->setCurrentRow(0);
    ASSERT_EQ(window.FileListBox1->currentItem()->text(), Sample::ControlsFileName);
    // Added over the controls it gave, the file finds each of them there already.
    prompts.expectMessage(QStringLiteral("Загружено: 0, уже есть: %1, отклонено: 3").arg(stored));
    prompts.expectWarning();
    QTest::mouseClick(window.Button1, Qt::LeftButton);
    EXPECT_EQ(controlCount(), stored);
}

TEST_F(Loader, AddingTheSampleFileTwiceStoresEachControlOnce)
{
    const int stored = controlCount();
    dbmain().exec(QStringLiteral(R"(delete from "int_control")"));
    ScriptedPrompts prompts;
    TCld window;
    window.show();
    ASSERT_EQ(window.RadioGroup1->checkedId(), 0);   // "Подгрузка" unless chosen otherwise
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        window.FileListBox1->setCurrentRow(0);
        ASSERT_EQ(window.FileListBox1->currentItem()->text(), Sample::ControlsFileName);
        prompts.expectMessage(QStringLiteral("Загружено: %1, уже есть: %2, отклонено: 3")
                                  .arg(pass == 0 ? stored : 0).arg(pass == 0 ? 0 : stored));
        prompts.expectWarning(QStringLiteral("Несогласованные контроли"));
        QTest::mouseClick(window.Button1, Qt::LeftButton);
        EXPECT_EQ(controlCount(), stored);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST_F(Loader, AFilePastTheBoundIsRefusedBeforeItIsRead)
{
    const QString big = Files::join(sample.configFolder(), QStringLiteral("big.ktr"));
    {
        // Read, its zero bytes would be refused as no text instead.
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(ControlsFileReader::maxFileBytes + 1));
    }
    const int stored = controlCount();
    ScriptedPrompts prompts;
    TCld window;
    window.show();
    ASSERT_EQ(window.FileListBox1->item(0)->text(), QStringLiteral("big.ktr"));
    window.FileListBox1->setCurrentRow(0);
    QTest::mouseClick(window.RadioGroup1->button(1), Qt::LeftButton, {}, QPoint(6, 6));
    prompts.expectError(QStringLiteral("Файл %1 слишком велик").arg(QDir::toNativeSeparators(big)));
    QTest::mouseClick(window.Button1, Qt::LeftButton);
    EXPECT_EQ(controlCount(), stored);
    EXPECT_FALSE(QFile::exists(Files::join(sample.configFolder(), RejectedControlsFileName)));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
