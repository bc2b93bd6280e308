#include "platform/Database.h"

#include "PrintTo.h"
#include "RussianText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>

namespace {

class TwoFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        mainPath = dir.filePath(QStringLiteral("ktrmain.mdb"));
        dataPath = dir.filePath(QStringLiteral("data0.mdb"));
        auto m = Database::create(mainPath);
        m->execScript(QStringLiteral(R"(create table "forms" ("id" integer primary key autoincrement, "formname" text);)"));
        auto d = Database::create(dataPath);
        d->execScript(QStringLiteral(R"(create table "data" ("hospital" integer, "data" real, "year" integer,
            "table" integer, "column" integer, "row" integer);)"));
    }

    QTemporaryDir dir;
    QString mainPath;
    QString dataPath;
};

TEST_F(TwoFiles, OpeningAMissingFileFailsAndCreatesNothing)
{
    const QString missing = dir.filePath(QStringLiteral("2003/ktrmain.mdb"));
    const QString missingHere = dir.filePath(QStringLiteral("data7.mdb"));
    for (const QString& path : {missing, missingHere}) {
        SCOPED_TRACE(path.toStdString());
        try {
            Database::open(path);
            FAIL() << "opened a missing file";
        } catch (const DbError& e) {
            EXPECT_TRUE(e.message().contains(path));
        }
        EXPECT_FALSE(QFile::exists(path));
    }
    auto db = Database::open(mainPath);
    EXPECT_THROW(AttachedFile(*db, missingHere), DbError);
    EXPECT_FALSE(QFile::exists(missingHere));
}

TEST_F(TwoFiles, AFileThatIsNoDatabaseIsRefusedAtOpen)
{
    const QString path = dir.filePath(QStringLiteral("junk.mdb"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Standard Jet DB, not SQLite at all, long enough to be read as a header.....");
    f.close();
    EXPECT_THROW(Database::open(path), DbError);
}

TEST_F(TwoFiles, BoundValuesAreStoredVerbatim)
{
    auto db = Database::open(mainPath);
    const QStringList names = {QStringLiteral("Ф\"12\""), QStringLiteral("ЦРБ 'Заречная'"),
                               QStringLiteral("x -- y"), QStringLiteral("a'); drop table \"forms\"; --")};
    for (const QString& n : names)
        db->exec(QStringLiteral(R"(insert into "forms" ("formname") values (?))"), {n});
    QStringList stored;
    Query q(*db, QStringLiteral(R"(select "formname" from "forms" order by "id")"));
    while (q.next())
        stored << q.text(QStringLiteral("FORMNAME"));
    EXPECT_EQ(stored, names);
}

TEST_F(TwoFiles, NumbersAreReadByPositionAsTheyAreStored)
{
    auto db = Database::open(dataPath);
    db->exec(QStringLiteral(R"(insert into "data" values (3, 12.5, 2025, 10, 4, 6))"));
    db->exec(QStringLiteral(R"(insert into "data" values (4, null, 2025, 10, 4, 7))"));
    db->exec(QStringLiteral(R"(insert into "data" values (5, '7.25', 2025, 10, 4, 8))"));
    Query q(*db, QStringLiteral(R"(select "hospital","data","row" from "data" order by "row")"));
    const int data = q.columnIndex(QStringLiteral("DATA"));
    EXPECT_EQ(data, 1);
    struct Row {
        int hospital;
        double value;
        bool null;
    };
    QList<Row> rows;
    while (q.next())
        rows.append({q.toInt(0), q.toDouble(data), q.isNull(data)});
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].hospital, 3);
    EXPECT_EQ(rows[0].value, 12.5);
    EXPECT_FALSE(rows[0].null);
    EXPECT_EQ(rows[1].value, 0.0);   // NULL reads as 0
    EXPECT_TRUE(rows[1].null);
    EXPECT_EQ(rows[2].value, 7.25);  // a number kept as text
    EXPECT_THROW(q.columnIndex(QStringLiteral("nosuch")), DbError);
    EXPECT_THROW(q.toInt(0), DbError);   // past the last row
}

// The lean reads take the same numbers: by position after one check of the statement's shape,
// and inside SQLite's loop through a receiver, which also passes its failure on.
TEST_F(TwoFiles, LeanReadsTakeTheNumbersAsStored)
{
    auto db = Database::open(dataPath);
    db->execScript(QStringLiteral(R"(insert into "data" values (3, 12.5, 2025, 10, 4, 6);
        insert into "data" values (4, null, 2025, 10, 4, 7);
        insert into "data" values (5, '7.25', 2025, 11, null, 8);)"));
    struct Row {
        int hospital, table, column, row;
        double value;
        bool operator==(const Row&) const = default;
    };
    const QList<Row> expected{{3, 10, 4, 6, 12.5}, {4, 10, 4, 7, 0}, {5, 11, 0, 8, 7.25}};

    Query byPosition(*db, QStringLiteral(R"(select "hospital","table","column","row","data" from "data" order by "row")"));
    byPosition.expectColumns(5);
    EXPECT_THROW(byPosition.expectColumns(6), DbError);
    QList<Row> rows;
    while (byPosition.next())
        rows.append({byPosition.intAt(0), byPosition.intAt(1), byPosition.intAt(2), byPosition.intAt(3),
                     byPosition.doubleAt(4)});
    EXPECT_EQ(rows, expected);

    struct Collect final : KeyedRows {
        QList<Row> rows;
        int failAt = -1;
        void take(const int* k, int keyCount, double value) override
        {
            EXPECT_EQ(keyCount, 4);
            if (rows.size() == failAt)
                throw std::runtime_error("receiver full");
            rows.append({k[0], k[1], k[2], k[3], value});
        }
    } collect;
    Query inLoop(*db, QStringLiteral(R"(select rows_into("hospital","table","column","row","data") from "data" where "year"=?)"));
    inLoop.bind(1, 2025).setReceiver(&collect);
    ASSERT_TRUE(inLoop.next());
    EXPECT_EQ(collect.rows, expected);

    collect.rows.clear();
    collect.failAt = 1;
    inLoop.reset();
    inLoop.bind(1, 2025).setReceiver(&collect);
    EXPECT_THROW(inLoop.next(), DbError);
    EXPECT_EQ(collect.rows.size(), 1);

    // A statement without its receiver fails instead of reading nothing.
    Query unbound(*db, QStringLiteral(R"(select rows_into("row","data") from "data")"));
    EXPECT_THROW(unbound.next(), DbError);
}

// A read run inside a receiver's call finds its own receiver, and the outer read goes on with
// its own.
TEST_F(TwoFiles, AReceiverGivenToTheQueryTakesItsRowsNestedReadsTheirs)
{
    auto db = Database::open(dataPath);
    db->execScript(QStringLiteral(R"(insert into "data" values (3, 12.5, 2025, 10, 4, 6);
        insert into "data" values (4, null, 2025, 10, 4, 7);
        insert into "data" values (5, 2, 2024, 11, 5, 8);)"));
    struct Row {
        int column, row;
        double value;
        bool operator==(const Row&) const = default;
    };
    struct Collect final : KeyedRows {
        QList<Row> rows;
        int failAt = -1;
        std::function<void()> during;   // run on every row, before it is kept
        void take(const int* k, int keyCount, double value) override
        {
            EXPECT_EQ(keyCount, 2);
            if (during)
                during();
            if (rows.size() == failAt)
                throw std::runtime_error("receiver full");
            rows.append({k[0], k[1], value});
        }
    };
    Collect outer, innerSet;
    Query read(*db, QStringLiteral(R"(select rows_into("column","row","data") from "data" where "year"=?)"));
    Query nestedSet(*db, QStringLiteral(R"(select rows_into("column","row","data") from "data" where "year"=2024)"));
    nestedSet.setReceiver(&innerSet);
    outer.during = [&] {
        nestedSet.next();
        nestedSet.reset();
    };
    read.bind(1, 2025).setReceiver(&outer);
    ASSERT_TRUE(read.next());
    EXPECT_EQ(outer.rows, (QList<Row>{{4, 6, 12.5}, {4, 7, 0}}));
    EXPECT_EQ(innerSet.rows, (QList<Row>{{5, 8, 2}, {5, 8, 2}}));

    // A receiver that fails fails the read, holding what came before.
    outer.rows.clear();
    outer.during = nullptr;
    outer.failAt = 1;
    read.reset();
    EXPECT_THROW(read.next(), DbError);
    EXPECT_EQ(outer.rows, (QList<Row>{{4, 6, 12.5}}));

    // Without a receiver the read fails, also when it runs inside another read's receiver.
    read.setReceiver(nullptr);
    EXPECT_THROW(read.next(), DbError);
    Query unset(*db, QStringLiteral(R"(select rows_into("column","row","data") from "data")"));
    bool nestedFailed = false;
    innerSet.during = [&] {
        try {
            unset.next();
        } catch (const DbError&) {
            nestedFailed = true;
        }
    };
    ASSERT_TRUE(nestedSet.next());
    EXPECT_TRUE(nestedFailed);
}

TEST_F(TwoFiles, AReadTransactionSeesOneStateAndEndsWithoutWriting)
{
    auto db = Database::open(dataPath);
    auto other = Database::open(dataPath);
    db->exec(QStringLiteral(R"(insert into "data" values (3, 1, 2025, 10, 4, 6))"));
    {
        ReadTransaction read(*db);
        EXPECT_TRUE(db->inTransaction());
        EXPECT_EQ(db->scalar(QStringLiteral(R"(select count(*) from "data")")).toInt(), 1);
        {
            ReadTransaction inner(*db);   // inside one: nothing more
        }
        EXPECT_TRUE(db->inTransaction());
    }
    EXPECT_FALSE(db->inTransaction());
    // The file is free for a writer again.
    other->exec(QStringLiteral(R"(insert into "data" values (4, 1, 2025, 10, 4, 6))"));
    EXPECT_EQ(db->scalar(QStringLiteral(R"(select count(*) from "data")")).toInt(), 2);
}

TEST_F(TwoFiles, NamesMatchWithoutRegardToCaseCyrillicToo)
{
    auto db = Database::open(mainPath);
    for (const char* n : {"Ф12", "ф47", "Ф1", "б3", "А2"})
        db->exec(QStringLiteral(R"(insert into "forms" ("formname") values (?))"), {QString::fromUtf8(n)});
    auto count = [&](const char* sql, const char* arg) {
        return db->scalar(QString::fromUtf8(sql), {QString::fromUtf8(arg)}).toInt();
    };
    EXPECT_EQ(count(R"(select count(*) from "forms" where "formname" = ? collate UNOCASE)", "ф12"), 1);
    EXPECT_EQ(count(R"(select count(*) from "forms" where "formname" = ? collate UNOCASE)", "Ф47"), 1);
    EXPECT_EQ(count(R"(select count(*) from "forms" where upper("formname") = upper(?))", "ф12"), 1);
    EXPECT_EQ(count(R"(select count(*) from "forms" where "formname" like ?)", "ф1*"), 2);
    EXPECT_EQ(count(R"(select count(*) from "forms" where "formname" like ?)", "Ф4?"), 1);
    EXPECT_EQ(count(R"(select count(*) from "forms" where "formname" like ?)", "%1%"), 2);
    QStringList order;
    Query q(*db, QStringLiteral(R"(select "formname" from "forms" order by "formname" collate UNOCASE)"));
    while (q.next())
        order << q.text(0);
    EXPECT_EQ(order, QStringList({QStringLiteral("А2"), QStringLiteral("б3"), QStringLiteral("Ф1"),
                                  QStringLiteral("Ф12"), QStringLiteral("ф47")}));
}

TEST_F(TwoFiles, AStatementReachesAnotherFileOfTheYear)
{
    auto db = Database::open(mainPath);
    {
        AttachedFile data(*db, dataPath);
        db->exec(QStringLiteral("insert into %1 values (?,?,?,?,?,?)").arg(data.table(QStringLiteral("data"))),
                 {5, 12.5, 2025, 1, 3, 2});
        EXPECT_EQ(db->scalar(QStringLiteral("select sum(\"data\") from %1").arg(data.table(QStringLiteral("data")))).toDouble(), 12.5);
    }
    auto direct = Database::open(dataPath);
    EXPECT_EQ(direct->scalar(QStringLiteral(R"(select "data" from "data" where "hospital"=5)")).toDouble(), 12.5);
}

TEST_F(TwoFiles, AReadOnlyDatabaseReachesAnotherFileReadOnly)
{
    Database::open(dataPath)->exec(QStringLiteral("insert into \"data\" values (1, 7, 2025, 1, 3, 2)"));
    auto db = Database::open(mainPath, /*readOnly*/ true);
    AttachedFile data(*db, dataPath);
    EXPECT_EQ(db->scalar(QStringLiteral("select \"data\" from %1").arg(data.table(QStringLiteral("data")))).toInt(), 7);
    EXPECT_THROW(db->exec(QStringLiteral("delete from %1").arg(data.table(QStringLiteral("data")))), DbError);
}

TEST_F(TwoFiles, ATransactionThatThrowsMidwayLeavesBothFilesAsTheyWere)
{
    auto db = Database::open(mainPath);
    db->exec(QStringLiteral(R"(insert into "forms" ("formname") values ('Ф1'))"));
    {
        AttachedFile data(*db, dataPath);
        db->exec(QStringLiteral("insert into %1 values (1, 7, 2025, 1, 3, 2)").arg(data.table(QStringLiteral("data"))));
        try {
            Transaction tx(*db);
            db->exec(QStringLiteral(R"(delete from "forms")"));
            db->exec(QStringLiteral("delete from %1").arg(data.table(QStringLiteral("data"))));
            db->exec(QStringLiteral(R"(insert into "no_such_table" values (1))"));
            tx.commit();
            FAIL() << "the bad statement did not throw";
        } catch (const DbError& e) {
            EXPECT_TRUE(e.statement().contains(QStringLiteral("no_such_table")));
        }
    }
    EXPECT_EQ(Database::open(mainPath)->scalar(QStringLiteral(R"(select count(*) from "forms")")).toInt(), 1);
    EXPECT_EQ(Database::open(dataPath)->scalar(QStringLiteral(R"(select count(*) from "data")")).toInt(), 1);
}

TEST_F(TwoFiles, NestedTransactionRollsBackOnlyItsOwnPart)
{
    auto db = Database::open(mainPath);
    Transaction outer(*db);
    db->exec(QStringLiteral(R"(insert into "forms" ("formname") values ('Ф1'))"));
    {
        Transaction inner(*db);
        db->exec(QStringLiteral(R"(insert into "forms" ("formname") values ('Ф2'))"));
    }
    outer.commit();
    EXPECT_EQ(db->scalar(QStringLiteral(R"(select count(*) from "forms")")).toInt(), 1);
}

TEST_F(TwoFiles, CopyWorksWhileTheSourceIsOpen)
{
    auto db = Database::open(mainPath);
    db->exec(QStringLiteral(R"(insert into "forms" ("formname") values ('Ф1'))"));
    auto reader = Database::open(mainPath);   // another connection in the middle of a read
    Query q(*reader, QStringLiteral(R"(select "formname" from "forms")"));
    ASSERT_TRUE(q.next());
    const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
    db->copyTo(copy);
    EXPECT_EQ(Database::open(copy)->scalar(QStringLiteral(R"(select "formname" from "forms")")).toString(),
              QStringLiteral("Ф1"));
    EXPECT_THROW(db->copyTo(dir.filePath(QStringLiteral("no/such/folder/x.mdb"))), DbError);
}

TEST(Aliases, ParamsNameTheFileAndAFailedOpenKeepsTheOldDatabase)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ktrmain.mdb"));
    Database::create(path);
    Aliases::open(Aliases::Main, {QStringLiteral("DATABASE NAME=") + path, QStringLiteral("OPEN MODE=READ/WRITE")});
    EXPECT_EQ(dbmain().path(), path);
    EXPECT_THROW(Aliases::open(Aliases::Main, {QStringLiteral("DATABASE NAME=") + dir.filePath(QStringLiteral("x.mdb"))}),
                 DbError);
    EXPECT_EQ(dbmain().path(), path);
    Aliases::closeAll();
    EXPECT_THROW(dbmain(), DbError);
}

} // namespace

// What the user reads when the engine fails: the file and what is wrong with it in Russian;
// neither the statement nor SQLite's own words.
TEST_F(TwoFiles, ErrorsSayInRussianWhatFailedOnWhichFile)
{
    const QString junk = dir.filePath(QStringLiteral("junk.mdb"));
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    auto data = Database::open(dataPath);
    auto other = Database::open(dataPath);   // another program holding the file's lock
    other->execScript(QStringLiteral("begin exclusive"));

    struct Case {
        const char* name;
        std::function<void()> fail;
        DbError::Kind kind;
        QString shown;
        const char* sqliteWords;
    };
    const QString nativeData = QDir::toNativeSeparators(dataPath);
    const Case cases[] = {
        {"busy",
         [&] {
             BusyWait wait(*data, 0);
             data->exec(QStringLiteral(R"(insert into "data" values (1, 2, 2024, 3, 4, 5))"));
         },
         DbError::Kind::Busy,
         QStringLiteral("Файл %1 занят другой программой. Закройте ее или подождите и повторите.").arg(nativeData),
         "locked"},
        {"no database", [&] { Database::open(junk); }, DbError::Kind::Corrupt,
         QStringLiteral("Файл %1 поврежден или не является базой данных.").arg(QDir::toNativeSeparators(junk)),
         "not a database"},
        {"missing table",
         [&] {
             auto m = Database::open(mainPath);
             m->scalar(QStringLiteral(R"(select count(*) from "tables" where "form"=?)"), {1});
         },
         DbError::Kind::MissingTable,
         QStringLiteral("Файл %1 не того вида, какой нужен программе, или поврежден: в нем нет таблицы \"tables\".")
             .arg(QDir::toNativeSeparators(mainPath)),
         "no such table"},
        {"read-only",
         [&] {
             auto ro = Database::open(mainPath, true);
             ro->exec(QStringLiteral(R"(delete from "forms")"));
         },
         DbError::Kind::ReadOnly,
         QStringLiteral("В файл %1 нельзя записать: он открыт только для чтения.").arg(QDir::toNativeSeparators(mainPath)),
         "readonly"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.fail();
            ADD_FAILURE() << "no error";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), c.kind);
            EXPECT_EQ(e.userText(), c.shown);
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.sqliteWords))) << e.message().toStdString();
        }
    }
    other->execScript(QStringLiteral("rollback"));
}

// Every result code SQLite may answer with reads in Russian, names the file and says what it
// means; SQLite's words, kept for the program in message(), never reach the user.
TEST(DbErrorText, EveryResultCodeSaysInRussianWhatItMeans)
{
    const QString file = QStringLiteral("/srv/Область/2004/data0.mdb");
    const QString shownFile = QDir::toNativeSeparators(file);
    struct Case { int code; const char* says; };
    // Hand-written for the codes an office meets; the others are checked below for being
    // Russian at all.
    const Case cases[] = {
        {5, "Файл %1 занят другой программой. Закройте ее или подождите и повторите."},      // BUSY
        {6, "Файл %1 занят другой программой. Закройте ее или подождите и повторите."},      // LOCKED
        {8, "В файл %1 нельзя записать: он открыт только для чтения."},                      // READONLY
        {10, "Ошибка чтения или записи файла %1 на диске."},                                 // IOERR
        {11, "Файл %1 поврежден или не является базой данных."},                             // CORRUPT
        {13, "Не хватает места на диске для файла %1."},                                      // FULL
        {14, "Не удалось открыть файл %1."},                                                  // CANTOPEN
        {26, "Файл %1 поврежден или не является базой данных."},                             // NOTADB
        {3, "Нет прав на работу с файлом %1."},                                               // PERM
        {266, "Ошибка чтения или записи файла %1 на диске."},                                // IOERR_READ
        {517, "Файл %1 занят другой программой. Закройте ее или подождите и повторите."},    // BUSY_SNAPSHOT
        {1032, "В файл %1 нельзя записать: он открыт только для чтения."},                   // READONLY_DBMOVED
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(DbError(QStringLiteral("english words"), QStringLiteral("select 1"), file, c.code).userText(),
                  QString::fromUtf8(c.says).arg(shownFile));
    }
    // SQLITE_ERROR (1) to SQLITE_NOTADB (26): every primary code.
    QStringList seen;
    for (int code = 1; code <= 26; ++code) {
        SCOPED_TRACE(code);
        const QString shown = DbError(QStringLiteral("database disk image is malformed"),
                                      QStringLiteral("select 1"), file, code).userText();
        EXPECT_TRUE(shown.contains(shownFile));
        EXPECT_EQ(latinWords(shown), QStringList());
        EXPECT_FALSE(shown.contains(QStringLiteral("select")));
        seen << shown;
    }
    // The kinds the program tells apart are told apart for the user too.
    seen.removeDuplicates();
    EXPECT_GE(seen.size(), 14);
}
