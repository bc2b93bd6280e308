// The old-layout sample and the types file the build puts beside Tormik: converting the one with
// the other gives the sample's type tree and its one new type.

#include "convert/Conversion.h"

#include "support/PrintTo.h"

#include "platform/Database.h"
#include "platform/Files.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kBuild = QString::fromUtf8(KESTRIN_BINARY_DIR);
const QString kLegacy = kBuild + QStringLiteral("/sample/Образец (до преобразования)/2025/ktrmain.mdb");
const QString kCurrent = kBuild + QStringLiteral("/sample/Образец/2025/ktrmain.mdb");
const QString kTypes = kBuild + QStringLiteral("/bin/MedicalTypes.txt");

struct Type {
    int id;
    QString type;
    int parent;
    int ind;
    bool operator==(const Type&) const = default;
};
void PrintTo(const Type& t, std::ostream* os) { *os << t.id << ' ' << t.type.toStdString() << ' ' << t.parent << ' ' << t.ind; }

QList<Type> typesOf(const QString& path)
{
    auto db = Database::open(path, true);
    QList<Type> types;
    Query q(*db, QStringLiteral(R"(select "id","type","parent","ind" from "medicaltypes" order by "id")"));
    while (q.next())
        types.append({q.toInt(0), q.text(1), q.toInt(2), q.toInt(3)});
    return types;
}

TEST(LegacySample, HoldsTheSampleInTheOldLayoutAndConvertsWithTheTypesFile)
{
    ASSERT_TRUE(QFile::exists(kLegacy)) << "the sample target was not built";
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("2025/ktrmain.mdb"));
    QDir().mkpath(dir.filePath(QStringLiteral("2025")));
    ASSERT_TRUE(QFile::copy(kLegacy, copy));
    {
        auto legacy = Database::open(copy, true);
        auto current = Database::open(kCurrent, true);
        const Conversion::MissingColumns missing = Conversion::missingColumns(*legacy);
        EXPECT_TRUE(missing.administrationInd && missing.reportsInd && missing.typesParent && missing.typesInd);
        for (const char* table : {"forms", "tables", "titles", "int_control", "administration", "reports", "medicaltypes"}) {
            SCOPED_TRACE(table);
            const QString count = QStringLiteral("select count(*) from %1").arg(quoteIdent(QString::fromUtf8(table)));
            EXPECT_EQ(legacy->scalar(count).toInt(), current->scalar(count).toInt());
            EXPECT_GT(legacy->scalar(count).toInt(), 0);
        }
    }

    Conversion::MedicalTypesFileReader reader;
    ASSERT_TRUE(reader.read(kTypes)) << reader.errorString().toStdString();
    QString error;
    ASSERT_TRUE(Conversion::convertDictionary(copy, &reader.types(), kTypes, &error)) << error.toStdString();

    QList<Type> expected = typesOf(kCurrent);
    ASSERT_EQ(expected.size(), 7);
    // Under "Амбулаторно-поликлинические учреждения", after its two types.
    expected.append({8, QStringLiteral("Стоматологические поликлиники"), 5, 7});
    EXPECT_EQ(typesOf(copy), expected);
    auto converted = Database::open(copy, true);
    EXPECT_FALSE(Conversion::missingColumns(*converted).any());
}

}  // namespace
