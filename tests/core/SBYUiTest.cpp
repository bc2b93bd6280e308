#include "core/SBY.h"
#include "platform/Files.h"

#include "support/PrintTo.h"
#include "support/ScriptedPrompts.h"

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(YearDialog, OffersTheYearFoldersAfterWhatTheListHeld)
{
    QTemporaryDir dir;
    for (const char* name : {"2004", "2003", "forms", "1999"})
        QDir().mkpath(dir.filePath(QString::fromUtf8(name)));
    QComboBox box;
    box.addItem(QStringLiteral("прежний"));
    FillYearList(&box, dir.path() + QLatin1Char('/'));
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    EXPECT_EQ(items, (QStringList{QStringLiteral("прежний"), QStringLiteral("1999"), QStringLiteral("2003"), QStringLiteral("2004")}));
}

TEST(YearDialog, OnlyAWholeYearIsTaken)
{
    struct Case { const char* text; int year; };
    const Case cases[] = {{"2004", 2004}, {" 2005 ", 2005}, {"2004.5", 0}, {"две", 0}, {"", 0}, {"0", 0}, {"-2004", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseYear(QString::fromUtf8(c.text)).value_or(0), c.year);
    }
}

TEST(YearDialog, ClosingItWithoutOkChoosesNothing)
{
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TSBY"), [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Выберите отчетный год"));
        return int(QDialog::Rejected);
    });
    int year = 1234;
    EXPECT_FALSE(SelectBaseYear(QStringLiteral("Выберите отчетный год"), dir.path() + QLatin1Char('/'), year));
    EXPECT_EQ(year, 1234);
}

}  // namespace
