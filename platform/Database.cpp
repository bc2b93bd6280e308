#include "platform/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>
#include <algorithm>
#include <map>
#include <sqlite3.h>
#include <utility>

namespace {

QString lastError(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("нет соединения");
}

QString textArg(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString();
}

void resultText(sqlite3_context* ctx, const QString& s)
{
    const QByteArray utf8 = s.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void upperFunc(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    resultText(ctx, textArg(argv[0]).toUpper());
}

void lowerFunc(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    resultText(ctx, textArg(argv[0]).toLower());
}

// Case-folded wildcard match: * and % any run, ? and _ one character; `escape` quotes the next one.
bool wildMatch(const QString& p, qsizetype pi, const QString& s, qsizetype si, QChar escape)
{
    while (pi < p.size()) {
        const QChar c = p[pi];
        if (!escape.isNull() && c == escape && pi + 1 < p.size()) {
            if (si >= s.size() || p[pi + 1] != s[si])
                return false;
            pi += 2;
            ++si;
            continue;
        }
        if (c == QLatin1Char('*') || c == QLatin1Char('%')) {
            while (pi < p.size() && (p[pi] == QLatin1Char('*') || p[pi] == QLatin1Char('%')))
                ++pi;
            if (pi == p.size())
                return true;
            for (qsizetype k = si; k <= s.size(); ++k)
                if (wildMatch(p, pi, s, k, escape))
                    return true;
            return false;
        }
        if (si >= s.size())
            return false;
        if (c != QLatin1Char('?') && c != QLatin1Char('_') && c != s[si])
            return false;
        ++pi;
        ++si;
    }
    return si == s.size();
}

void likeFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    // like(pattern, text[, escape]) is how SQLite calls "text LIKE pattern".
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    QChar escape;
    if (argc == 3) {
        const QString e = textArg(argv[2]);
        if (e.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e[0].toCaseFolded();
    }
    const QString pattern = textArg(argv[0]).toCaseFolded();
    const QString text = textArg(argv[1]).toCaseFolded();
    sqlite3_result_int(ctx, wildMatch(pattern, 0, text, 0, escape) ? 1 : 0);
}

int noCaseCollation(void*, int la, const void* a, int lb, const void* b)
{
    const QString sa = QString::fromUtf8(static_cast<const char*>(a), la);
    const QString sb = QString::fromUtf8(static_cast<const char*>(b), lb);
    return QString::compare(sa, sb, Qt::CaseInsensitive);
}

constexpr int kMaxKeys = 8;

// The step of rows_into(): the row goes straight to the receiver, inside SQLite's loop. The
// receiver set on the stepping query is in the connection's slot (the function's user data)
// for as long as the statement steps.
void rowsIntoStep(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    KeyedRows* receiver = *static_cast<KeyedRows**>(sqlite3_user_data(ctx));
    const int keyCount = argc - 1;
    if (!receiver || keyCount < 0 || keyCount > kMaxKeys) {
        sqlite3_result_error(ctx, "rows_into: no receiver or too many keys", -1);
        return;
    }
    int keys[kMaxKeys];
    for (int i = 0; i < keyCount; ++i)
        keys[i] = sqlite3_value_int(argv[i]);
    try {
        receiver->take(keys, keyCount, sqlite3_value_double(argv[argc - 1]));
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    } catch (const std::exception& e) {
        sqlite3_result_error(ctx, e.what(), -1);
    } catch (...) {
        sqlite3_result_error(ctx, "rows_into: the receiver failed", -1);
    }
}

void rowsIntoFinal(sqlite3_context* ctx) { sqlite3_result_null(ctx); }

struct AliasEntry {
    std::unique_ptr<Database> db;
    QStringList params;
};
std::map<QString, AliasEntry>& aliasMap()
{
    static std::map<QString, AliasEntry> map;
    return map;
}

int g_attachCounter = 0;

} // namespace

DbError::DbError(const QString& message, const QString& statement, const QString& file, int code)
    : std::runtime_error((statement.isEmpty() ? message : message + QStringLiteral("\n") + statement).toStdString())
    , m_message(message)
    , m_statement(statement)
    , m_file(file)
    , m_code(code)
{
}

DbError::Kind DbError::kind() const
{
    switch (m_code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Kind::Busy;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Kind::Corrupt;
    case SQLITE_READONLY:
        return Kind::ReadOnly;
    case SQLITE_FULL:
        return Kind::DiskFull;
    case SQLITE_CANTOPEN:
        return Kind::CannotOpen;
    case SQLITE_ERROR:
        if (m_message.startsWith(QLatin1String("no such table:")))
            return Kind::MissingTable;
        return Kind::Other;
    default:
        return Kind::Other;
    }
}

QString DbError::missingTable() const
{
    if (kind() != Kind::MissingTable)
        return QString();
    QString name = m_message.mid(m_message.indexOf(QLatin1Char(':')) + 1).trimmed();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? name.mid(dot + 1) : name;
}

namespace {

// What each of SQLite's result codes means for the file, in the user's words. SQLite's own text
// stays out: it is English and speaks of the engine, not of the office's files.
QString codeMeaning(int code, const QString& file)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Файл %1 занят другой программой. Закройте ее или подождите и повторите.").arg(file);
    case SQLITE_PROTOCOL:
        return QStringLiteral("Файл %1 не удалось захватить: с ним одновременно работает другая программа. "
                              "Повторите позже.").arg(file);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
        return QStringLiteral("Файл %1 поврежден или не является базой данных.").arg(file);
    case SQLITE_READONLY:
        return QStringLiteral("В файл %1 нельзя записать: он открыт только для чтения.").arg(file);
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("Нет прав на работу с файлом %1.").arg(file);
    case SQLITE_FULL:
        return QStringLiteral("Не хватает места на диске для файла %1.").arg(file);
    case SQLITE_CANTOPEN:
        return QStringLiteral("Не удалось открыть файл %1.").arg(file);
    case SQLITE_IOERR:
        return QStringLiteral("Ошибка чтения или записи файла %1 на диске.").arg(file);
    case SQLITE_NOLFS:
        return QStringLiteral("Файл %1 слишком велик для этой системы.").arg(file);
    case SQLITE_NOMEM:
        return QStringLiteral("Не хватило памяти для работы с файлом %1.").arg(file);
    case SQLITE_INTERRUPT:
    case SQLITE_ABORT:
        return QStringLiteral("Работа с файлом %1 прервана, изменения не записаны.").arg(file);
    case SQLITE_SCHEMA:
        return QStringLiteral("Таблицы файла %1 изменила другая программа. Повторите действие.").arg(file);
    case SQLITE_CONSTRAINT:
        return QStringLiteral("Запись в файл %1 отвергнута: она нарушает правила этой базы данных.").arg(file);
    case SQLITE_MISMATCH:
        return QStringLiteral("В файл %1 записывается значение не того вида.").arg(file);
    case SQLITE_TOOBIG:
        return QStringLiteral("Значение слишком велико для файла %1.").arg(file);
    case SQLITE_ERROR:
        return QStringLiteral("Файл %1 не того вида, какой нужен программе, или поврежден.").arg(file);
    default:   // SQLITE_INTERNAL, SQLITE_MISUSE, SQLITE_RANGE, SQLITE_NOTFOUND, SQLITE_EMPTY, ...
        return QStringLiteral("Внутренняя ошибка программы при работе с файлом %1.").arg(file);
    }
}

} // namespace

QString DbError::userText() const
{
    // The program's own findings are Russian already and name their file themselves.
    if (m_code == 0)
        return QStringLiteral("Ошибка базы данных: ") + m_message;
    const QString file = m_file.isEmpty() ? QStringLiteral("(без имени)") : QDir::toNativeSeparators(m_file);
    if (kind() == Kind::MissingTable)
        return QStringLiteral("Файл %1 не того вида, какой нужен программе, или поврежден: в нем нет таблицы \"%2\".")
            .arg(file, missingTable());
    return codeMeaning(m_code, file);
}

QString quoteIdent(const QString& name)
{
    QString s = name;
    s.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// ---- Query -----------------------------------------------------------------------------------

Query::Query(Database& db, const QString& sql, const QVariantList& params)
    : m_db(&db)
    , m_sql(sql)
{
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db.m_db, utf8.constData(), int(utf8.size()), &m_stmt, &tail) != SQLITE_OK) {
        const QString msg = lastError(db.m_db);
        const int code = sqlite3_extended_errcode(db.m_db);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw DbError(msg, sql, db.m_path, code);
    }
    if (!m_stmt)
        throw DbError(QStringLiteral("пустой запрос"), sql);
    if (tail && *tail && QString::fromUtf8(tail).trimmed().size() > 0
        && QString::fromUtf8(tail).trimmed() != QStringLiteral(";")) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw DbError(QStringLiteral("в запросе больше одной команды"), sql);
    }
    bindAll(params);
}

Query::~Query()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

Query::Query(Query&& other) noexcept
    : m_db(other.m_db)
    , m_stmt(other.m_stmt)
    , m_sql(std::move(other.m_sql))
    , m_columnNames(std::move(other.m_columnNames))
    , m_columnCount(other.m_columnCount)
    , m_receiver(other.m_receiver)
    , m_hasRow(other.m_hasRow)
    , m_done(other.m_done)
{
    other.m_stmt = nullptr;
}

void Query::fail(const QString& what) const
{
    throw DbError(what, m_sql);
}

void Query::failBinding(int position, int code) const
{
    throw DbError(QStringLiteral("параметр %1: %2").arg(position).arg(lastError(m_db->m_db)), m_sql, m_db->m_path, code);
}

Query& Query::bind(int position, const QVariant& value)
{
    if (m_hasRow || m_done)
        reset();
    int rc = SQLITE_OK;
    if (value.isNull() || !value.isValid()) {
        rc = sqlite3_bind_null(m_stmt, position);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int(m_stmt, position, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
            rc = sqlite3_bind_int64(m_stmt, position, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, position, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob(m_stmt, position, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray utf8 = value.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, position, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        failBinding(position, rc);
    return *this;
}

Query& Query::bindInt64(int position, qint64 value)
{
    if (m_hasRow || m_done)
        reset();
    if (const int rc = sqlite3_bind_int64(m_stmt, position, value); rc != SQLITE_OK)
        failBinding(position, rc);
    return *this;
}

Query& Query::bindDouble(int position, double value)
{
    if (m_hasRow || m_done)
        reset();
    if (const int rc = sqlite3_bind_double(m_stmt, position, value); rc != SQLITE_OK)
        failBinding(position, rc);
    return *this;
}

Query& Query::bind(const QString& name, const QVariant& value)
{
    const int position = sqlite3_bind_parameter_index(m_stmt, name.toUtf8().constData());
    if (position == 0)
        fail(QStringLiteral("нет параметра %1").arg(name));
    return bind(position, value);
}

Query& Query::bindAll(const QVariantList& values)
{
    if (values.size() > sqlite3_bind_parameter_count(m_stmt))
        fail(QStringLiteral("параметров больше, чем мест для них"));
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values[i]);
    return *this;
}

bool Query::next()
{
    if (m_done) {
        // A finished statement starts again, as an Open after Close would.
        sqlite3_reset(m_stmt);
        m_done = false;
    }
    const int rc = step();
    if (rc == SQLITE_ROW) {
        m_hasRow = true;
        return true;
    }
    m_hasRow = false;
    if (rc == SQLITE_DONE) {
        m_done = true;
        return false;
    }
    const QString msg = lastError(m_db->m_db);
    sqlite3_reset(m_stmt);
    throw DbError(msg, m_sql, m_db->m_path, rc);
}

int Query::step()
{
    // The slot holds this statement's receiver while it steps; a read nested inside a receiver's
    // call puts the outer read's back, and a statement without one leaves none for its rows_into().
    KeyedRows* const outer = std::exchange(m_db->m_receiver, m_receiver);
    const int rc = sqlite3_step(m_stmt);
    m_db->m_receiver = outer;
    return rc;
}

Query& Query::setReceiver(KeyedRows* receiver)
{
    if (m_hasRow || m_done)
        reset();
    m_receiver = receiver;
    return *this;
}

int Query::exec()
{
    reset();
    for (;;) {
        const int rc = step();
        if (rc == SQLITE_ROW)
            continue;
        if (rc == SQLITE_DONE)
            break;
        const QString msg = lastError(m_db->m_db);
        sqlite3_reset(m_stmt);
        throw DbError(msg, m_sql, m_db->m_path, rc);
    }
    m_done = true;
    return sqlite3_changes(m_db->m_db);
}

void Query::reset()
{
    sqlite3_reset(m_stmt);
    m_hasRow = false;
    m_done = false;
}

int Query::columnCount() const { return sqlite3_column_count(m_stmt); }

QString Query::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

int Query::columnIndex(const QString& name) const
{
    const int n = sqlite3_column_count(m_stmt);
    if (m_columnNames.size() != n) {
        m_columnNames.clear();
        for (int i = 0; i < n; ++i)
            m_columnNames.append(columnName(i));
    }
    for (int i = 0; i < n; ++i)
        if (QString::compare(m_columnNames[i], name, Qt::CaseInsensitive) == 0)
            return i;
    fail(QStringLiteral("нет поля %1").arg(name));
}

void Query::checkColumn(int column) const
{
    // The column count is read once per statement: this runs for every value of a long read.
    if (m_columnCount < 0)
        m_columnCount = sqlite3_column_count(m_stmt);
    if (!m_hasRow)
        fail(QStringLiteral("нет текущей записи"));
    if (column < 0 || column >= m_columnCount)
        fail(QStringLiteral("нет поля с номером %1").arg(column));
}

void Query::expectColumns(int count) const
{
    if (m_columnCount < 0)
        m_columnCount = sqlite3_column_count(m_stmt);
    if (count > m_columnCount)
        fail(QStringLiteral("нет поля с номером %1").arg(count - 1));
}

int Query::intAt(int column) const { return sqlite3_column_int(m_stmt, column); }
double Query::doubleAt(int column) const { return sqlite3_column_double(m_stmt, column); }

// The column's value is fetched once and its type and number read from it: one call into the
// statement per value instead of two (these run for every value of a long read). The value is
// read on this thread at once, before the statement moves on.
int Query::toInt(int column) const
{
    checkColumn(column);
    sqlite3_value* v = sqlite3_column_value(m_stmt, column);
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return int(sqlite3_value_int64(v));
    case SQLITE_NULL: return 0;
    default: return value(column).toInt();
    }
}

qint64 Query::toInt64(int column) const
{
    checkColumn(column);
    sqlite3_value* v = sqlite3_column_value(m_stmt, column);
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return sqlite3_value_int64(v);
    case SQLITE_NULL: return 0;
    default: return value(column).toLongLong();
    }
}

double Query::toDouble(int column) const
{
    checkColumn(column);
    sqlite3_value* v = sqlite3_column_value(m_stmt, column);
    switch (sqlite3_value_type(v)) {
    case SQLITE_FLOAT: return sqlite3_value_double(v);
    case SQLITE_INTEGER: return double(sqlite3_value_int64(v));
    case SQLITE_NULL: return 0;
    default: return value(column).toDouble();
    }
}

bool Query::isNull(int column) const
{
    checkColumn(column);
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

QVariant Query::value(int column) const
{
    checkColumn(column);
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column)),
                                          sqlite3_column_bytes(m_stmt, column)));
    case SQLITE_BLOB: {
        const void* p = sqlite3_column_blob(m_stmt, column);
        return QVariant(QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(m_stmt, column)));
    }
    default:
        return QVariant();
    }
}

QVariant Query::value(const QString& column) const
{
    return value(columnIndex(column));
}

// ---- Database --------------------------------------------------------------------------------

Database::Database(sqlite3* db, QString path)
    : m_db(db)
    , m_path(std::move(path))
{
    static qint64 serial = 0;
    m_serial = ++serial;
}

Database::~Database()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

void Database::configure()
{
    sqlite3_extended_result_codes(m_db, 1);
    setBusyTimeout(5000);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(m_db, "upper", 1, flags, nullptr, upperFunc, nullptr, nullptr);
    sqlite3_create_function(m_db, "lower", 1, flags, nullptr, lowerFunc, nullptr, nullptr);
    sqlite3_create_function(m_db, "like", 2, flags, nullptr, likeFunc, nullptr, nullptr);
    sqlite3_create_function(m_db, "like", 3, flags, nullptr, likeFunc, nullptr, nullptr);
    sqlite3_create_collation(m_db, "UNOCASE", SQLITE_UTF8, nullptr, noCaseCollation);
    sqlite3_create_function(m_db, "rows_into", -1, SQLITE_UTF8 | SQLITE_DIRECTONLY, &m_receiver, nullptr,
                            rowsIntoStep, rowsIntoFinal);
    // A rollback journal, not WAL: only then is a transaction over attached files atomic.
    execScript(QStringLiteral("pragma journal_mode=DELETE; pragma foreign_keys=OFF;"));
}

std::unique_ptr<Database> Database::open(const QString& path, bool readOnly)
{
    QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isFile())
        throw DbError(QStringLiteral("нет файла базы данных %1").arg(path));
    sqlite3* raw = nullptr;
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = lastError(raw);
        const int code = raw ? sqlite3_extended_errcode(raw) : rc;
        sqlite3_close_v2(raw);
        throw DbError(msg, QString(), path, code);
    }
    std::unique_ptr<Database> db(new Database(raw, path));
    db->m_readOnly = readOnly;
    try {
        db->configure();
        // SQLite reads the header only when asked: ask now, so a file that is no database fails here.
        db->scalar(QStringLiteral("select count(*) from sqlite_master"));
    } catch (const DbError& e) {
        if (e.code() != 0)
            throw DbError(e.message(), QString(), path, e.code());
        throw DbError(QStringLiteral("не удалось открыть базу данных %1: %2").arg(path, e.message()));
    }
    return db;
}

std::unique_ptr<Database> Database::openWithParams(const QStringList& params)
{
    QString path;
    bool readOnly = false;
    for (const QString& p : params) {
        const qsizetype eq = p.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = p.left(eq).trimmed().toUpper();
        const QString value = p.mid(eq + 1).trimmed();
        if (key == QStringLiteral("DATABASE NAME"))
            path = value;
        else if (key == QStringLiteral("OPEN MODE"))
            readOnly = value.toUpper() == QStringLiteral("READ");
    }
    if (path.isEmpty())
        throw DbError(QStringLiteral("не указан файл базы данных"));
    return open(path, readOnly);
}

std::unique_ptr<Database> Database::create(const QString& path)
{
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("файл базы данных %1 уже есть").arg(path));
    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    if (const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr); rc != SQLITE_OK) {
        const QString msg = lastError(raw);
        const int code = raw ? sqlite3_extended_errcode(raw) : rc;
        sqlite3_close_v2(raw);
        throw DbError(msg, QString(), path, code);
    }
    std::unique_ptr<Database> db(new Database(raw, path));
    db->configure();
    return db;
}

int Database::exec(const QString& sql, const QVariantList& params)
{
    Query q(*this, sql, params);
    return q.exec();
}

void Database::execScript(const QString& sql)
{
    char* err = nullptr;
    // A script sets no receiver: a read nested inside one must not find the outer read's.
    KeyedRows* const outer = std::exchange(m_receiver, nullptr);
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    m_receiver = outer;
    if (rc != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : lastError(m_db);
        sqlite3_free(err);
        throw DbError(msg, sql, m_path, sqlite3_extended_errcode(m_db));
    }
}

QVariant Database::scalar(const QString& sql, const QVariantList& params)
{
    Query q(*this, sql, params);
    if (!q.next())
        return QVariant();
    return q.value(0);
}

void Database::setBusyTimeout(int ms)
{
    m_busyTimeout = std::max(0, ms);
    sqlite3_busy_timeout(m_db, m_busyTimeout);
}

qint64 Database::lastInsertId() const { return sqlite3_last_insert_rowid(m_db); }
int Database::changes() const { return sqlite3_changes(m_db); }
bool Database::inTransaction() const { return sqlite3_get_autocommit(m_db) == 0; }

QString Database::changeStamp()
{
    // data_version moves with other connections' commits, total_changes with this one's rows;
    // the schema cookie with a table made, dropped or altered here.
    const qint64 version = scalar(QStringLiteral("pragma data_version")).toLongLong();
    const qint64 schema = scalar(QStringLiteral("pragma schema_version")).toLongLong();
    // The connection's own number: a file opened anew (a year reopened, a copy put back) may
    // start its counters where another one left off.
    return QStringLiteral("%1:%2:%3:%4:%5").arg(m_path).arg(m_serial).arg(version)
        .arg(sqlite3_total_changes64(m_db)).arg(schema);
}

bool Database::tableExists(const QString& table, const QString& schema)
{
    const QString sql = QStringLiteral("select count(*) from %1.sqlite_master where type='table' and name=? collate UNOCASE")
                            .arg(quoteIdent(schema));
    return scalar(sql, {table}).toInt() > 0;
}

QStringList Database::columns(const QString& table, const QString& schema)
{
    QStringList names;
    Query q(*this, QStringLiteral("select name from pragma_table_info(?, ?)"), {table, schema});
    while (q.next())
        names << q.text(0);
    return names;
}

void Database::copyTo(const QString& target)
{
    if (QFileInfo(target).absoluteFilePath() == QFileInfo(m_path).absoluteFilePath())
        throw DbError(QStringLiteral("база данных %1 не может быть скопирована сама в себя").arg(target));
    QFile::remove(target);
    sqlite3* dest = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    // The failure is the target's, whose code says what went wrong with it (a full disk, a
    // folder that cannot be written); SQLite's words stay in the message for the program.
    auto failWith = [&](int code) {
        const QString msg = QStringLiteral("не удалось скопировать базу данных %1 в %2: %3").arg(m_path, target, lastError(dest));
        if (dest && sqlite3_extended_errcode(dest) != SQLITE_OK)
            code = sqlite3_extended_errcode(dest);
        sqlite3_close_v2(dest);
        QFile::remove(target);
        throw DbError(msg, QString(), target, code == SQLITE_OK || code == SQLITE_DONE ? SQLITE_ERROR : code);
    };
    if (const int rc = sqlite3_open_v2(QFile::encodeName(target).constData(), &dest, flags, nullptr); rc != SQLITE_OK)
        failWith(rc);
    sqlite3_backup* backup = sqlite3_backup_init(dest, "main", m_db, "main");
    if (!backup)
        failWith(SQLITE_ERROR);
    int rc = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE || finish != SQLITE_OK)
        failWith(rc != SQLITE_DONE ? rc : finish);
    if (sqlite3_close(dest) != SQLITE_OK) {
        dest = nullptr;
        QFile::remove(target);
        throw DbError(QStringLiteral("не удалось закрыть копию базы данных %1").arg(target));
    }
}

// ---- Transaction -----------------------------------------------------------------------------

Transaction::Transaction(Database& db)
    : m_db(db)
{
    static int counter = 0;
    if (db.inTransaction()) {
        m_savepoint = QStringLiteral("sp%1").arg(++counter);
        db.execScript(QStringLiteral("savepoint ") + m_savepoint);
    } else {
        db.execScript(QStringLiteral("begin immediate"));
    }
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    // Never throw from here: the scope may be unwinding from another error already.
    if (m_savepoint.isEmpty()) {
        sqlite3_exec(m_db.handle(), "rollback", nullptr, nullptr, nullptr);
    } else {
        const QByteArray sp = m_savepoint.toUtf8();
        sqlite3_exec(m_db.handle(), ("rollback to " + sp + "; release " + sp).constData(), nullptr, nullptr, nullptr);
    }
}

void Transaction::commit()
{
    if (m_done)
        return;
    m_db.execScript(m_savepoint.isEmpty() ? QStringLiteral("commit") : QStringLiteral("release ") + m_savepoint);
    m_done = true;
}

// ---- ReadTransaction -------------------------------------------------------------------------

ReadTransaction::ReadTransaction(Database& db)
    : m_db(db)
{
    if (db.inTransaction())
        return;
    db.execScript(QStringLiteral("begin deferred"));
    m_active = true;
}

ReadTransaction::~ReadTransaction()
{
    // Never throws: nothing was written, so ending it cannot lose anything.
    if (m_active && m_db.inTransaction())
        sqlite3_exec(m_db.handle(), "commit", nullptr, nullptr, nullptr);
}

// ---- AttachedFile ----------------------------------------------------------------------------

AttachedFile::AttachedFile(Database& db, const QString& path)
    : m_db(db)
{
    QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        throw DbError(QStringLiteral("нет файла базы данных %1").arg(path));
    m_schema = QStringLiteral("f%1").arg(++g_attachCounter);
    // mode=rw: SQLite must never create the file, even if it vanished since the check above.
    const QString uri = QStringLiteral("file:") + QString::fromLatin1(QUrl::toPercentEncoding(info.absoluteFilePath(), "/"))
        + (db.isReadOnly() ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw"));
    try {
        db.exec(QStringLiteral("attach database ? as ") + quoteIdent(m_schema), {uri});
    } catch (const DbError& e) {
        if (e.code() != 0)
            throw DbError(e.message(), e.statement(), path, e.code());
        throw DbError(QStringLiteral("не удалось подключить базу данных %1: %2").arg(path, e.message()), e.statement());
    }
}

AttachedFile::~AttachedFile()
{
    const QByteArray sql = ("detach database " + quoteIdent(m_schema)).toUtf8();
    sqlite3_exec(m_db.handle(), sql.constData(), nullptr, nullptr, nullptr);
}

QString AttachedFile::table(const QString& name) const
{
    return quoteIdent(m_schema) + QLatin1Char('.') + quoteIdent(name);
}

// ---- Aliases ---------------------------------------------------------------------------------

namespace Aliases {

Database& get(const QString& alias)
{
    auto it = aliasMap().find(alias.toLower());
    if (it == aliasMap().end() || !it->second.db)
        throw DbError(alias.compare(Main, Qt::CaseInsensitive) == 0   ? QStringLiteral("справочник года не открыт")
                      : alias.compare(Data, Qt::CaseInsensitive) == 0 ? QStringLiteral("база данных уровня отчета не открыта")
                                                                      : QStringLiteral("база данных \"%1\" не открыта").arg(alias));
    return *it->second.db;
}

bool isOpen(const QString& alias)
{
    auto it = aliasMap().find(alias.toLower());
    return it != aliasMap().end() && it->second.db;
}

void open(const QString& alias, const QStringList& params)
{
    std::unique_ptr<Database> db = Database::openWithParams(params);
    AliasEntry& e = aliasMap()[alias.toLower()];
    e.db = std::move(db);
    e.params = params;
}

void set(const QString& alias, std::unique_ptr<Database> db)
{
    AliasEntry& e = aliasMap()[alias.toLower()];
    e.params.clear();
    if (db)
        e.params = {QStringLiteral("DATABASE NAME=") + db->path(), QStringLiteral("OPEN MODE=READ/WRITE")};
    e.db = std::move(db);
}

void close(const QString& alias) { aliasMap().erase(alias.toLower()); }

void closeAll() { aliasMap().clear(); }

QStringList params(const QString& alias)
{
    auto it = aliasMap().find(alias.toLower());
    return it == aliasMap().end() ? QStringList() : it->second.params;
}

} // namespace Aliases
