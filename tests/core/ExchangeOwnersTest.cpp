#include "core/ExchangeOwners.h"

#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "core/StructureCache.h"
#include "platform/Database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(ExchangeFileName, KeepsLevelYearAndIdWholeWithinTheLengthOfAFileName)
{
    const QString longName = QString(130, QChar(u'Б'));
    struct Case { QString owner; int id; QString expected; };
    const QList<Case> cases = {
        {QStringLiteral("Заречная ЦРБ"), 0, QStringLiteral("Заречная ЦРБ - Годовой - 2025.ktd")},
        {QStringLiteral("ФАП \"Ключи\" 1/2: дети"), 0, QStringLiteral("ФАП _Ключи_ 1_2_ дети - Годовой - 2025.ktd")},
        {QStringLiteral("Малиновка"), 17, QStringLiteral("Малиновка - Годовой - 2025 - 17.ktd")},
        // 120 characters in all: 103 of the name and " - Годовой - 2025".
        {longName, 0, QString(103, QChar(u'Б')) + QStringLiteral(" - Годовой - 2025.ktd")},
        {longName, 17, QString(98, QChar(u'Б')) + QStringLiteral(" - Годовой - 2025 - 17.ktd")},
        // The cut ends in no blank.
        {QString(102, QChar(u'В')) + QStringLiteral(" ГГГ"), 0, QString(102, QChar(u'В')) + QStringLiteral(" - Годовой - 2025.ktd")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.owner.toStdString());
        EXPECT_EQ(exchangeFileName(c.owner, QStringLiteral("Годовой"), 2025, QStringLiteral(".ktd"), c.id), c.expected);
    }
}

class FileOwners : public ::testing::Test {
protected:
    void SetUp() override { GetTables(year.dictionary()); }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int f12 = year.addForm(QStringLiteral("Ф12"));
    int t1 = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Взрослые"), 6, 5, 2, 2);
    int district = year.addInstitution(QStringLiteral("Район"));
    int x = year.addInstitution(QStringLiteral("Больница"), district);
    int branch = year.addInstitution(QStringLiteral("Больница - филиал"), district);
    int namesake = year.addInstitution(QStringLiteral("больница"), district);
    int report = year.addReport(QStringLiteral("Больница"));
};

TEST_F(FileOwners, AreFoundByTheWholeNameTheExportGivesAndNotByItsFirstPart)
{
    const auto owners = [&](const QString& table, const QString& file) {
        QList<int> ids;
        for (const NamedOwner& o : ownersOfFileName(year.dictionary(), table, QStringLiteral("/d/") + file,
                                                    QStringLiteral("Годовой"), 2025))
            ids.append(o.id);
        return ids;
    };
    const QString data = QStringLiteral("data");
    EXPECT_EQ(owners(data, QStringLiteral("Больница - филиал - Годовой - 2025.ktd")), QList<int>{branch});
    EXPECT_EQ(owners(data, QStringLiteral("БОЛЬНИЦА - ФИЛИАЛ - годовой - 2025.KTR")), QList<int>{branch});
    EXPECT_EQ(owners(data, QStringLiteral("Больница - Годовой - 2025.ktd")), (QList<int>{x, namesake}));
    EXPECT_EQ(owners(data, QStringLiteral("Больница - Годовой - 2025 - %1.ktd").arg(namesake)), QList<int>{namesake});
    EXPECT_EQ(owners(data, QStringLiteral("Больница - филиал.ktd")), QList<int>{branch});
    EXPECT_EQ(owners(data, QStringLiteral("Больница - Полугодовой - 2025.ktd")), QList<int>{});
    EXPECT_EQ(owners(data, QStringLiteral("Больница - Годовой - 2024.ktd")), QList<int>{});
    EXPECT_EQ(owners(QStringLiteral("RepData"), QStringLiteral("Больница - Годовой - 2025.rpd")), QList<int>{report});
    const QList<NamedOwner> group = ownersOfFileName(year.dictionary(), data, QStringLiteral("Район.ktd"),
                                                     QStringLiteral("Годовой"), 2025);
    EXPECT_EQ(group, (QList<NamedOwner>{{district, QStringLiteral("Район"), true}}));
}

TEST_F(FileOwners, AreAskedAboutOnlyWhenStoredValuesWouldBeReplaced)
{
    DataLoadTarget target;
    target.owner = x;
    target.year = 2025;
    target.replacedTables = QList<int>{t1};
    const QString path = dir.filePath(QStringLiteral("Больница - филиал - Годовой - 2025.ktd"));
    {
        ScriptedPrompts prompts;   // nothing stored: nothing asked
        year.setCell(x, t1, 4, 4, 5, QStringLiteral("data"));
        year.data().exec(QStringLiteral(R"(update "data" set "year"=2024)"));
        EXPECT_TRUE(confirmReplacingOwnerData(prompts, year.dictionary(), year.data(), target, path, QStringLiteral("Годовой")));
    }
    year.setCell(x, t1, 4, 5, 6, QStringLiteral("data"));
    EXPECT_EQ(storedValuesReplaced(year.data(), target), 1);
    target.replacedTables = QList<int>{};
    EXPECT_EQ(storedValuesReplaced(year.data(), target), 0);
    target.replacedTables.reset();
    for (bool yes : {false, true}) {
        ScriptedPrompts prompts;
        prompts.expectQuestion(yes, QStringLiteral("Заменить данные Больница за 2025 данными файла "
                                                   "Больница - филиал - Годовой - 2025.ktd?\n"
                                                   "По имени это файл другого подразделения: Больница - филиал."));
        EXPECT_EQ(confirmReplacingOwnerData(prompts, year.dictionary(), year.data(), target, path, QStringLiteral("Годовой")), yes);
    }
}

}  // namespace
