#include "entry/ShowTable.h"

#include "OpenGrid.h"
#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/StructureCache.h"
#include "entry/GridModel.h"
#include "platform/TextFiles.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Ф12 with tables (1000) and (2000), each 6 layout columns by 5 rows with two header rows and
// columns: the data area is stored columns 4..7 and rows 4..6.
class GridExchangeLoad : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int form = year.addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
    int other = year.addForm(QStringLiteral("Ф30"), QStringLiteral("Сеть"));
    int table = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Дети"), 6, 5, 2, 2);
    int second = year.addTable(form, QStringLiteral("(2000)"), QStringLiteral("Взрослые"), 6, 5, 2, 2);
    int otherTable = year.addTable(other, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 6, 5, 2, 2);
    int crb = year.addInstitution(QStringLiteral("ЦРБ"));
    int hospital = year.addInstitution(QStringLiteral("Больница"));
    ScriptedPrompts prompts;

    void SetUp() override
    {
        year.addPlainTitles(table);
        refreshStructureCaches(year.dictionary());
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
        ReportYear = 2025;
        CurrentInstitutionId = crb;
        openGrid(form, QStringLiteral("Ф12"), QStringLiteral("(1000)"));
    }
    QString file(const QString& name, const QStringList& lines)
    {
        const QString path = dir.filePath(name);
        QString error;
        EXPECT_TRUE(writeLines1251(path, lines, &error)) << error.toStdString();
        return path;
    }
};

TEST_F(GridExchangeLoad, FillsAndSavesExactlyTheOpenTable)
{
    year.setCell(crb, table, 5, 5, 1);          // replaced
    year.setCell(crb, second, 4, 4, 3);         // another table of the form: kept
    year.setCell(hospital, table, 4, 4, 9);     // another institution: kept
    const QString path = file(QStringLiteral("Больница - Годовой - 2025.ktd"), {
        QStringLiteral(R"l("8","2025","Ф12","(1000)","4","4")l"),
        QStringLiteral(R"l("2.5","2025","ф12","(1000)","7","6")l"),
        QStringLiteral(R"l("5","2025","Ф12","(2000)","4","5")l"),
        QStringLiteral(R"l("6","2025","Ф30","(1000)","4","4")l"),
        QStringLiteral(R"l("7","2024","Ф12","(1000)","5","5")l"),
        QStringLiteral(R"l("4","2025","Ф12","(1000)","3","4")l"),   // a header column
    });
    TVTable window;
    window.show();
    ASSERT_TRUE(window.N35->menuAction()->isVisible());
    ASSERT_TRUE(window.N46->isEnabled());
    EXPECT_EQ(window.N46->parent(), &window);
    EXPECT_TRUE(window.N35->actions().contains(window.N46));
    // The file is another institution's by its name: the question says so, and "Нет" keeps the table.
    const QString question = QStringLiteral("Заменить данные ЦРБ за 2025 данными файла Больница - Годовой - 2025.ktd?\n"
                                            "По имени это файл другого подразделения: Больница.");
    prompts.expectOpenFile(path).expectQuestion(false, question);
    window.N46->trigger();
    EXPECT_EQ(year.storedCells(crb, table), (QList<StoredCell>{{5, 5, 1}}));
    EXPECT_EQ(prompts.log().last(), QStringLiteral("question: ") + question);
    prompts.expectOpenFile(path).expectQuestion(true, question)
        .expectMessage(QStringLiteral("Таблица Ф12Т(1000) загружена из ") + QDir::toNativeSeparators(path));
    window.N46->trigger();
    EXPECT_EQ(year.storedCells(crb, table), (QList<StoredCell>{{4, 4, 8}, {7, 6, 2.5}}));
    EXPECT_EQ(year.storedCells(crb, second), (QList<StoredCell>{{4, 4, 3}}));
    EXPECT_EQ(year.storedCells(hospital, table), (QList<StoredCell>{{4, 4, 9}}));
    EXPECT_EQ(year.storedCells(crb, otherTable), QList<StoredCell>{});
    EXPECT_EQ(window.model().value(0, 0), 8);   // the grid shows what was loaded
    const QString log = prompts.log().last();
    EXPECT_TRUE(log.contains(QStringLiteral("Загружено значений: 2"))) << log.toStdString();
}

TEST_F(GridExchangeLoad, AnOlderFileIsReadByFormIdAndARefusedFileChangesNothing)
{
    year.setCell(crb, table, 5, 5, 1);
    const QString older = file(QStringLiteral("ЦРБ.KTR"), {
        QStringLiteral(R"l("3","2025","%1","(1000)","5","4")l").arg(form),
        QStringLiteral(R"l("4","2025","%1","(1000)","5","4")l").arg(other),
    });
    TVTable window;
    window.show();
    // The file's name is the institution's own: the question names no other.
    prompts.expectOpenFile(older).expectQuestion(true, QStringLiteral("Заменить данные ЦРБ за 2025 данными файла ЦРБ.KTR?"))
        .expectMessage(QStringLiteral("загружена"));
    window.N46->trigger();
    EXPECT_FALSE(prompts.log().value(prompts.log().size() - 2).contains(QStringLiteral("другого")));
    EXPECT_EQ(year.storedCells(crb, table), (QList<StoredCell>{{5, 4, 3}}));

    struct Case { QString path; const char* error; };
    const QList<Case> cases = {
        {file(QStringLiteral("a.txt"), {QStringLiteral(R"l("8","2025","Ф12","(1000)","4","4")l")}), "a.txt не является"},
        {file(QStringLiteral("b.ktd"), {QStringLiteral(R"l("8","2025","Ф12","(1000)","4","4")l"),
                                        QStringLiteral(R"l("x","2025","Ф12","(1000)","4","5")l")}), "строка 2"},
        {file(QStringLiteral("c.ktd"), {QStringLiteral(R"l("8","2025","Ф12","(1000)","4","4")l"),
                                        QStringLiteral(R"l("9","2025","Ф12","(1000)","4","4")l")}), "уже задана в строке 1"},
        {file(QStringLiteral("d.ktd"), {QStringLiteral(R"l("8","2025","Ф12","(2000)","4","4")l")}), "нет данных"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        prompts.expectOpenFile(c.path);
        if (!c.path.endsWith(QStringLiteral(".txt")))   // refused by its extension before the question
            prompts.expectQuestion(true, QStringLiteral("Заменить данные ЦРБ за 2025"));
        prompts.expectError(QString::fromUtf8(c.error));
        window.N46->trigger();
        EXPECT_EQ(year.storedCells(crb, table), (QList<StoredCell>{{5, 4, 3}}));
    }
}

TEST_F(GridExchangeLoad, IsDisabledWhereTheGridShowsSums)
{
    WorkMode = QStringLiteral("Types");
    InstitutionIdList = QString::number(crb) + QLatin1Char(',') + QString::number(hospital);
    TVTable window;
    window.show();
    EXPECT_FALSE(window.N35->menuAction()->isEnabled() && window.N46->isEnabled());
    window.N46->trigger();   // nothing is asked
    InstitutionIdList.clear();
}

}  // namespace
