// What a save dialog hands back: the name typed, with its default extension when it lacks it,
// and only after a question when that file is there already.
#include "platform/Prompts.h"

#include "PrintTo.h"
#include "ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ExtensionCase {
    const char* typed;
    const char* filter;
    const char* saved;
};

constexpr ExtensionCase kExtensionCases[] = {
    {"Район", "Сводные отчеты (*.rpd)", "Район.rpd"},
    {"Район v1.2", "Сводные отчеты (*.rpd)", "Район v1.2.rpd"},
    {"Район.rpd", "Сводные отчеты (*.rpd)", "Район.rpd"},
    {"Район.RPD", "Сводные отчеты (*.rpd)", "Район.RPD"},
    {"Район.rpd.txt", "Сводные отчеты (*.rpd)", "Район.rpd.txt.rpd"},
    {"Набор", "Структура статистических данных (*.stt)", "Набор.stt"},
    {"c:/данные/Набор.Stt", "Структура статистических данных (*.stt)", "c:/данные/Набор.Stt"},
    {"Книга", "Книги Excel (*.xlsx *.xlsm)", "Книга.xlsx"},
    {"Книга.XLSM", "Книги Excel (*.xlsx *.xlsm)", "Книга.XLSM"},
    {"Отчет", "*.dbf", "Отчет.dbf"},
    {"Что угодно.x", "Все файлы (*)", "Что угодно.x"},
};

TEST(SaveFileName, AddsTheFiltersExtensionUnlessTheNameEndsWithOneOfItsOwn)
{
    for (const ExtensionCase& c : kExtensionCases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(withDefaultExtension(QString::fromUtf8(c.typed), QString::fromUtf8(c.filter)),
                  QString::fromUtf8(c.saved));
    }
}

TEST(SaveFileName, AsksBeforeReplacingTheFileItWillReallyWrite)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString filter = QStringLiteral("Сводные отчеты (*.rpd)");
    const QString typed = dir.filePath(QStringLiteral("Район v1.2"));
    ScriptedPrompts prompts;
    prompts.expectSaveFile(typed);
    EXPECT_EQ(prompts.saveFileName(QStringLiteral("Сохранить"), filter), typed + QStringLiteral(".rpd"));

    QFile existing(typed + QStringLiteral(".rpd"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    prompts.expectSaveFile(typed)
        .expectQuestion(false, replaceFileQuestion(typed + QStringLiteral(".rpd")));
    EXPECT_EQ(prompts.saveFileName(QStringLiteral("Сохранить"), filter), QString());
    prompts.expectSaveFile(typed + QStringLiteral(".rpd")).expectQuestion(true, QStringLiteral("уже существует"));
    EXPECT_EQ(prompts.saveFileName(QStringLiteral("Сохранить"), filter), typed + QStringLiteral(".rpd"));
    prompts.expectSaveFile(QString());   // cancelled: nothing asked
    EXPECT_EQ(prompts.saveFileName(QStringLiteral("Сохранить"), filter), QString());
}

}
