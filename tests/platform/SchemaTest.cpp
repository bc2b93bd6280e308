#include "platform/Database.h"
#include "platform/Schema.h"

#include "support/PrintTo.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

QStringList names(const char* list)
{
    return QString::fromUtf8(list).split(QLatin1Char(' '));
}

// Column lists as the statements that insert without field lists rely on them.
struct TableCase { const char* table; const char* columns; };
constexpr TableCase kDictionaryTables[] = {
    {"subreps", "id name"},
    {"forms", "id formname decipher ind net"},
    {"tables", "ident form tablen name colcount rowcount fixcols fixrows floattype scan"},
    {"rows", "table row height"},
    {"columns", "table column width"},
    {"titles", "table column row union_sc union_sr union_ec union_er fontname fontsize fontbold "
               "fontitalic tchars txt"},
    {"int_control", "Код formid tble lft reltion rght cycl commnt"},
    {"conditions", "tid row column type formula condition koeff country lft rght midle types"},
    {"administration", "id unit dependence medicaltype country ind"},
    {"medicaltypes", "id type parent ind"},
    {"med_type_forms", "medicalsid formsid"},
    {"populations1", "unit year common olds teens childs"},
    {"reports", "id report net include ind"},
    {"statistics", "base include"},
    {"populations", "unit year common olds teens childs"},
    {"tree", "ident part depend"},
    {"col_titles", "term column title width"},
    {"row_titles", "term row title height"},
    {"formulas", "term row column formula"},
};

class SchemaTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<Database> open(const QString& name, void (*create)(Database&))
    {
        auto db = Database::create(dir.filePath(name));
        create(*db);
        return db;
    }
};

TEST_F(SchemaTest, DictionaryTablesKeepTheirColumnOrder)
{
    auto db = open(QStringLiteral("ktrmain.mdb"), &Schema::createDictionary);
    for (const TableCase& c : kDictionaryTables) {
        SCOPED_TRACE(c.table);
        EXPECT_EQ(db->columns(QString::fromUtf8(c.table)), names(c.columns));
    }
}

TEST_F(SchemaTest, DataTablesKeepTheirColumnOrder)
{
    auto db = open(QStringLiteral("data0.mdb"), &Schema::createDataDatabase);
    for (const char* table : {"data", "repdata"}) {
        SCOPED_TRACE(table);
        EXPECT_EQ(db->columns(QString::fromUtf8(table)), names("hospital data year table column row"));
    }
}

TEST_F(SchemaTest, LegacyDictionaryLacksOnlyTheConvertedColumns)
{
    auto db = open(QStringLiteral("ktrmain.mdb"), &Schema::createLegacyDictionary);
    EXPECT_EQ(db->columns(QStringLiteral("administration")), names("id unit dependence medicaltype country"));
    EXPECT_EQ(db->columns(QStringLiteral("reports")), names("id report net include"));
    EXPECT_EQ(db->columns(QStringLiteral("MedicalTypes")), names("id type"));
    EXPECT_EQ(db->columns(QStringLiteral("titles")).size(), 13);
    EXPECT_TRUE(db->tableExists(QStringLiteral("int_control")));
    // The utility's own statements bring it to the current layout.
    db->exec(QStringLiteral("alter table administration add column ind int"));
    db->exec(QStringLiteral("alter table MedicalTypes add column parent int"));
    db->exec(QStringLiteral("alter table MedicalTypes add column ind int"));
    EXPECT_EQ(db->columns(QStringLiteral("medicaltypes")), names("id type parent ind"));
}

TEST_F(SchemaTest, PositionalInsertsLandInTheirColumns)
{
    auto dict = open(QStringLiteral("ktrmain.mdb"), &Schema::createDictionary);
    dict->exec(QStringLiteral("insert into titles values (7,2,1,2,1,4,1,'Arial',8,1,0,'CC1 0','Графа')"));
    Query q(*dict, QStringLiteral(R"(select "union_ec","tchars","txt" from "titles" where "table"=7)"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.toInt(0), 4);
    EXPECT_EQ(q.text(1), QStringLiteral("CC1 0"));
    EXPECT_EQ(q.text(2), QStringLiteral("Графа"));

    auto data = open(QStringLiteral("data0.mdb"), &Schema::createDataDatabase);
    data->exec(QStringLiteral("insert into data values (3, 12.5, 2025, 10, 4, 6)"));
    EXPECT_EQ(data->scalar(QStringLiteral(R"(select "data" from "data" where "hospital"=3 and "year"=2025
        and "table"=10 and "column"=4 and "row"=6)")).toDouble(), 12.5);
}

TEST_F(SchemaTest, ACellIsStoredOnce)
{
    auto db = open(QStringLiteral("data0.mdb"), &Schema::createDataDatabase);
    for (const char* table : {"data", "repdata"}) {
        SCOPED_TRACE(table);
        const QString insert = QStringLiteral("insert into %1 values (?,?,?,?,?,?)").arg(quoteIdent(QString::fromUtf8(table)));
        db->exec(insert, {3, 1.0, 2025, 10, 4, 6});
        EXPECT_THROW(db->exec(insert, {3, 2.0, 2025, 10, 4, 6}), DbError);
        // Any other part of the key makes another cell.
        db->exec(insert, {3, 2.0, 2026, 10, 4, 6});
        db->exec(insert, {4, 2.0, 2025, 10, 4, 6});
        db->exec(insert, {3, 2.0, 2025, 11, 4, 6});
        db->exec(insert, {3, 2.0, 2025, 10, 5, 6});
        db->exec(insert, {3, 2.0, 2025, 10, 4, 7});
        EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from %1").arg(quoteIdent(QString::fromUtf8(table)))).toInt(), 6);
        EXPECT_EQ(db->scalar(QStringLiteral("select sum(data) from %1 where year=2025 and hospital=3 and \"table\"=10")
                                 .arg(quoteIdent(QString::fromUtf8(table)))).toDouble(), 1.0 + 2.0 + 2.0);  // the first value, column 5, row 7
        EXPECT_THROW(db->exec(insert, {QVariant(), 1.0, 2025, 10, 4, 6}), DbError);
    }
}

// The ids read back after an insert: a deleted id comes back neither as the next id
// nor as the answer of select max(...).
struct IdCase { const char* table; const char* key; const char* insert; };
constexpr IdCase kIds[] = {
    {"subreps", "id", R"(insert into subreps (name) values ('Квартал'))"},
    {"forms", "id", R"(insert into forms (formname, decipher, ind, net) values ('Ф12','Заболеваемость',999,false))"},
    {"tables", "ident", R"(insert into tables (form,tablen,name,colcount,rowcount,fixcols,fixrows,floattype,scan) values (1,'(1000)','Т',5,6,2,2,0,0))"},
    {"int_control", "Код", R"(insert into int_control (formid,tble,lft,reltion,rght,cycl,commnt) values (1,'(1000)','ГР3','=','ГР4','','к'))"},
    {"administration", "id", R"(insert into administration (unit,dependence,medicaltype,country,ind) values ('ЦРБ',0,-1,false,9999))"},
    {"medicaltypes", "id", R"(insert into MedicalTypes (type,parent,ind) values ('Больницы',0,0))"},
    {"reports", "id", R"(insert into reports (report,net) values ('Свод',true))"},
    {"tree", "ident", R"(insert into tree (part,depend) values ('Набор',0))"},
};

TEST_F(SchemaTest, DeletedIdsAreNeverGivenAgain)
{
    auto db = open(QStringLiteral("ktrmain.mdb"), &Schema::createDictionary);
    for (const IdCase& c : kIds) {
        SCOPED_TRACE(c.table);
        const QString table = quoteIdent(QString::fromUtf8(c.table));
        const QString key = quoteIdent(QString::fromUtf8(c.key));
        const QString insert = QString::fromUtf8(c.insert);
        db->exec(insert);
        db->exec(insert);
        const qint64 second = db->lastInsertId();
        EXPECT_EQ(db->scalar(QStringLiteral("select max(%1) from %2").arg(key, table)).toLongLong(), second);
        db->exec(QStringLiteral("delete from %1 where %2=?").arg(table, key), {second});
        db->exec(insert);
        const qint64 third = db->lastInsertId();
        EXPECT_EQ(third, second + 1);
        EXPECT_EQ(db->scalar(QStringLiteral("select max(%1) from %2").arg(key, table)).toLongLong(), third);
    }
}

TEST_F(SchemaTest, YesNoColumnsTakeTheWordsOfTheStatements)
{
    auto db = open(QStringLiteral("ktrmain.mdb"), &Schema::createDictionary);
    db->exec(QStringLiteral("insert into forms (formname, decipher, ind, net) values ('Ф47','Сеть',1,true)"));
    db->exec(QStringLiteral("insert into forms (formname, decipher, ind, net) values ('Ф12','Заболеваемость',0,false)"));
    Query q(*db, QStringLiteral(R"(select "formname","net" from "forms" where "net"=true)"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.text(0), QStringLiteral("Ф47"));
    EXPECT_TRUE(q.toBool(QStringLiteral("net")));
    EXPECT_FALSE(q.next());
    EXPECT_EQ(db->scalar(QStringLiteral(R"(select count(*) from "forms" where "net"=false)")).toInt(), 1);
}

TEST_F(SchemaTest, FilesAreMadeOnceAndWholly)
{
    const QString path = dir.filePath(QStringLiteral("data0.mdb"));
    Schema::createDataDatabaseFile(path);
    {
        auto db = Database::open(path);
        EXPECT_TRUE(db->tableExists(QStringLiteral("data")));
        EXPECT_TRUE(db->tableExists(QStringLiteral("repdata")));
        EXPECT_FALSE(db->tableExists(QStringLiteral("forms")));
    }
    // An existing file, perhaps holding a year's numbers, is never overwritten.
    EXPECT_THROW(Schema::createDataDatabaseFile(path), DbError);
    EXPECT_TRUE(Database::open(path)->tableExists(QStringLiteral("data")));

    const QString dict = dir.filePath(QStringLiteral("ktrmain.mdb"));
    Schema::createDictionaryFile(dict);
    EXPECT_EQ(Database::open(dict)->columns(QStringLiteral("int_control")).first(), QStringLiteral("Код"));
}

}  // namespace

// The opening's check is spared only for a file whose schema is the one checked, against the
// layout this program expects; every other file is checked and, when clean and writable,
// stamped.
TEST_F(SchemaTest, TheStampOfACleanCheckHoldsOnlyWhileTheSchemaStaysAsChecked)
{
    const auto userVersion = [](Database& db) { return db.scalar(QStringLiteral("pragma user_version")).toLongLong(); };
    struct Case {
        const char* what;
        std::function<std::unique_ptr<Database>()> make;
        Schema::Kind kind;
        bool stampedBefore;
        QStringList missing;
        bool stampedAfter;
    };
    const QString dictionaryDdl = Schema::dictionaryDdl();
    const Case cases[] = {
        {"a new dictionary",
         [&] { return open(QStringLiteral("a.mdb"), &Schema::createDictionary); },
         Schema::Kind::Dictionary, true, {}, true},
        {"a new data database",
         [&] { return open(QStringLiteral("b.mdb"), &Schema::createDataDatabase); },
         Schema::Kind::Data, true, {}, true},
        {"a clean dictionary never stamped",
         [&] {
             auto db = Database::create(dir.filePath(QStringLiteral("c.mdb")));
             db->execScript(dictionaryDdl);
             return db;
         },
         Schema::Kind::Dictionary, false, {}, true},
        {"a stamped dictionary that lost a column",
         [&] {
             auto db = open(QStringLiteral("d.mdb"), &Schema::createDictionary);
             db->exec(QStringLiteral(R"(alter table "tree" drop column "depend")"));
             return db;
         },
         Schema::Kind::Dictionary, false, {QStringLiteral("поля \"tree\".\"depend\"")}, false},
        {"a dictionary of the old layout",
         [&] { return open(QStringLiteral("e.mdb"), &Schema::createLegacyDictionary); },
         Schema::Kind::Dictionary, false,
         {QStringLiteral("поля \"administration\".\"ind\""), QStringLiteral("поля \"medicaltypes\".\"parent\""),
          QStringLiteral("поля \"medicaltypes\".\"ind\""), QStringLiteral("поля \"reports\".\"ind\"")},
         false},
        {"an old dictionary brought up to date by the conversion's statements",
         [&] {
             auto db = open(QStringLiteral("f.mdb"), &Schema::createLegacyDictionary);
             db->execScript(QStringLiteral(R"(alter table "administration" add column "ind" int;
                 alter table "reports" add column "ind" int; alter table "medicaltypes" add column "parent" int;
                 alter table "medicaltypes" add column "ind" int;)"));
             return db;
         },
         Schema::Kind::Dictionary, false, {}, true},
        {"a stamped data database taken for a dictionary",
         [&] { return open(QStringLiteral("g.mdb"), &Schema::createDataDatabase); },
         Schema::Kind::Dictionary, false, {QStringLiteral("таблицы \"subreps\"")}, false},
        {"a clean dictionary never stamped, opened read-only",
         [&] {
             const QString path = dir.filePath(QStringLiteral("h.mdb"));
             Database::create(path)->execScript(dictionaryDdl);
             return Database::open(path, true);
         },
         Schema::Kind::Dictionary, false, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto db = c.make();
        EXPECT_EQ(Schema::checkedBefore(*db, c.kind), c.stampedBefore);
        const qint64 before = userVersion(*db);
        const QStringList missing = Schema::missingPartsAtOpen(*db, c.kind);
        if (c.missing.isEmpty())
            EXPECT_TRUE(missing.isEmpty()) << missing.join(u',').toStdString();
        else
            EXPECT_EQ(missing.mid(0, c.missing.size()), c.missing);
        EXPECT_EQ(Schema::checkedBefore(*db, c.kind), c.stampedAfter);
        if (!c.stampedAfter)
            EXPECT_EQ(userVersion(*db), before);
    }
}

// Another program holding the file's lock is not waited for: the check is made, the stamp left.
TEST_F(SchemaTest, ALockedFileIsCheckedWithoutWaitingAndLeftUnstamped)
{
    const QString path = dir.filePath(QStringLiteral("ktrmain.mdb"));
    Database::create(path)->execScript(Schema::dictionaryDdl());
    auto holder = Database::open(path);
    holder->exec(QStringLiteral("begin immediate"));
    auto db = Database::open(path);
    EXPECT_TRUE(Schema::missingPartsAtOpen(*db, Schema::Kind::Dictionary).isEmpty());
    EXPECT_FALSE(Schema::checkedBefore(*db, Schema::Kind::Dictionary));
    holder->exec(QStringLiteral("rollback"));
    EXPECT_TRUE(Schema::missingPartsAtOpen(*db, Schema::Kind::Dictionary).isEmpty());
    EXPECT_TRUE(Schema::checkedBefore(*db, Schema::Kind::Dictionary));
}
