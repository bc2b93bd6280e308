#include "core/GBPU.h"

#include "support/PrintTo.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(AttachDialog, OkWaitsForAName)
{
    TGBP dialog;
    EXPECT_FALSE(dialog.BitBtn1->isEnabled());
    dialog.Edit1->setText(QStringLiteral("Область"));
    EXPECT_TRUE(dialog.BitBtn1->isEnabled());
    dialog.Edit1->clear();
    EXPECT_FALSE(dialog.BitBtn1->isEnabled());
    EXPECT_EQ(dialog.BitBtn2->text(), QStringLiteral("Отказ"));
}

TEST(AttachDialog, TheChosenFolderShowsWithItsDatabases)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Область"));
    QDir().mkpath(folder + QStringLiteral("/2004"));
    for (const char* name : {"ktrmain.mdb", "data0.mdb", "notes.txt"}) {
        QFile f(folder + QLatin1Char('/') + QString::fromUtf8(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TGBP dialog;
    dialog.setFolder(folder);
    EXPECT_EQ(dialog.Edit2->text(), QDir::toNativeSeparators(folder));
    EXPECT_EQ(dialog.folder(), QDir::toNativeSeparators(folder));
    QStringList files;
    for (int i = 0; i < dialog.FileListBox1->count(); ++i)
        files << dialog.FileListBox1->item(i)->text();
    EXPECT_EQ(files, (QStringList{QStringLiteral("data0.mdb"), QStringLiteral("ktrmain.mdb")}));
    EXPECT_FALSE(dialog.FileListBox1->isEnabled());
}

}  // namespace
