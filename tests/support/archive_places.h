#pragma once
// Archives of each test's own on both engines: a file in a temporary folder, or a fresh schema
// on the test server that test.sh starts (its address in VILT_TEST_PG_URL, the password in the
// file PGPASSFILE names). Raw is a second connection, as another program would have: what is
// really stored, and the faults a test plants, in each engine's own SQL.

#include <QCoreApplication>
#include <QFile>
#include <QMetaType>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QtGlobal>
#include <atomic>
#include <memory>

namespace vilt::test {

enum class Engine { Sqlite, Postgres };

inline QString engineName(Engine engine) {
    return engine == Engine::Sqlite ? QStringLiteral("sqlite") : QStringLiteral("postgresql");
}

// The test server's address; empty when the tests run without test.sh.
inline QString serverUrl() {
    return qEnvironmentVariable("VILT_TEST_PG_URL");
}
// The test server's address with another user or database, for the refusals.
inline QString serverWith(const QString& user, const QString& database) {
    QUrl url(serverUrl());
    if (!user.isEmpty()) url.setUserName(user);
    if (!database.isEmpty()) url.setPath(QLatin1Char('/') + database);
    return url.toString();
}
inline constexpr const char* kNoServer =
    "no PostgreSQL server for this run: VILT_TEST_PG_URL is not set (test.sh starts one and "
    "sets it)";

// A connection to a file (a path) or to the test server's database, narrowed to one schema
// when given. Any failure is fatal: the test's own set-up went wrong.
class Raw {
  public:
    explicit Raw(Engine engine, const QString& place, const QString& schema = {})
        : engine_(engine), name_(QStringLiteral("raw-%1").arg(++count_)) {
        if (engine == Engine::Sqlite) {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
            db.setDatabaseName(place);
            if (!db.open()) qFatal("raw open: %s", qPrintable(db.lastError().text()));
            return;
        }
        const QUrl url(place);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setDatabaseName(url.path().mid(1));
        if (!db.open()) qFatal("raw open: %s", qPrintable(db.lastError().text()));
        exec(QStringLiteral("SET client_min_messages = warning"));
        exec(QStringLiteral("SET DateStyle = 'ISO, DMY'"));
        if (!schema.isEmpty()) exec(QStringLiteral("SET search_path TO %1").arg(schema));
    }
    ~Raw() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;

    void exec(const QString& sql) {
        QSqlQuery query(db());
        if (!query.exec(sql))
            qFatal("raw exec: %s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    }
    // The first column of every row.
    QVariantList column(const QString& sql) {
        QSqlQuery query(db());
        if (!query.exec(sql))
            qFatal("raw query: %s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        QVariantList values;
        while (query.next()) values << query.value(0);
        return values;
    }
    // A table's columns in their order, as the engine spells them.
    QStringList columnNames(const QString& table) {
        const QString sql =
            engine_ == Engine::Sqlite
                ? QStringLiteral("PRAGMA table_info(%1)").arg(table)
                : QStringLiteral(
                      "SELECT 0, attname FROM pg_attribute WHERE attrelid = "
                      "to_regclass('%1') AND attnum > 0 AND NOT attisdropped ORDER BY "
                      "attnum")
                      .arg(table);
        QStringList names;
        QSqlQuery query(db());
        query.exec(sql);
        while (query.next()) names << query.value(1).toString();
        return names;
    }
    // Everything that describes the schema, to tell it was left as it was (a file's bytes
    // tell the same for SQLite).
    QString schemaText() {
        return column(QStringLiteral(
                          "SELECT string_agg(x, ' ' ORDER BY x) FROM (SELECT table_name || '.' || "
                          "column_name || ':' || data_type AS x FROM information_schema.columns "
                          "WHERE table_schema = current_schema() UNION ALL SELECT indexname FROM "
                          "pg_indexes WHERE schemaname = current_schema() UNION ALL SELECT "
                          "routine_name FROM information_schema.routines WHERE routine_schema = "
                          "current_schema()) AS parts"))
            .value(0)
            .toString();
    }

    // From now on an UPDATE of column in table fails with message.
    void failUpdates(const QString& name, const QString& table, const QString& column,
                     const QString& message) {
        failOn(name, QStringLiteral("UPDATE OF %1").arg(column), table, message);
    }
    // From now on an INSERT into table fails with message.
    void failInserts(const QString& name, const QString& table, const QString& message) {
        failOn(name, QStringLiteral("INSERT"), table, message);
    }
    // From now on an INSERT into table makes no row, and says nothing.
    void ignoreInserts(const QString& name, const QString& table) {
        if (engine_ == Engine::Sqlite) {
            exec(QStringLiteral(
                     "CREATE TRIGGER %1 BEFORE INSERT ON %2 BEGIN SELECT RAISE(IGNORE); END")
                     .arg(name, table));
            return;
        }
        exec(QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                            "RETURN NULL; END $$")
                 .arg(name));
        exec(QStringLiteral(
                 "CREATE TRIGGER %1 BEFORE INSERT ON %2 FOR EACH ROW EXECUTE FUNCTION %1()")
                 .arg(name, table));
    }
    void dropTrigger(const QString& name, const QString& table) {
        exec(engine_ == Engine::Sqlite ? QStringLiteral("DROP TRIGGER %1").arg(name)
                                       : QStringLiteral("DROP TRIGGER %1 ON %2").arg(name, table));
    }

  private:
    QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }

    // A trigger named name that fails every event (INSERT, UPDATE OF a column) on table.
    void failOn(const QString& name, const QString& event, const QString& table,
                const QString& message) {
        if (engine_ == Engine::Sqlite) {
            exec(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 BEGIN SELECT "
                                "RAISE(ABORT, '%4'); END")
                     .arg(name, event, table, message));
            return;
        }
        exec(QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                            "RAISE EXCEPTION '%2'; END $$")
                 .arg(name, message));
        exec(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %1()")
                 .arg(name, event, table));
    }

    static inline std::atomic<int> count_ = 0;
    Engine engine_;
    QString name_;
};

// Places for archives on one engine, each new and removed with this object: files in a
// temporary folder, or schemas on the test server (the address narrowed to the schema by
// libpq's options, the connection named after it so a test can find it on the server).
class ArchivePlaces {
  public:
    explicit ArchivePlaces(Engine engine) : engine_(engine) {}
    ~ArchivePlaces() {
        if (schemas_.isEmpty()) return;
        Raw admin(engine_, serverUrl());
        for (const QString& schema : schemas_)
            admin.exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
    }
    ArchivePlaces(const ArchivePlaces&) = delete;
    ArchivePlaces& operator=(const ArchivePlaces&) = delete;

    Engine engine() const { return engine_; }
    // A place where no archive is yet; name tells places of one test apart.
    QString fresh(const QString& name) {
        if (engine_ == Engine::Sqlite) return folder_.filePath(name);
        static std::atomic<int> made = 0;
        const QString schema =
            QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
        Raw(engine_, serverUrl()).exec(QStringLiteral("CREATE SCHEMA %1").arg(schema));
        schemas_ << schema;
        return QStringLiteral("%1?options=-csearch_path%3D%2&application_name=%2")
            .arg(serverUrl(), schema);
    }
    // The schema of a place fresh() made on the server.
    static QString schemaOf(const QString& place) {
        return place.section(QStringLiteral("application_name="), 1);
    }
    std::unique_ptr<Raw> raw(const QString& place) const {
        return engine_ == Engine::Sqlite
                   ? std::make_unique<Raw>(engine_, place)
                   : std::make_unique<Raw>(engine_, serverUrl(), schemaOf(place));
    }
    // What a refused open must leave unchanged.
    QByteArray snapshot(const QString& place) const {
        if (engine_ == Engine::Postgres) return raw(place)->schemaText().toUtf8();
        QFile file(place);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

  private:
    Engine engine_;
    QTemporaryDir folder_;
    QStringList schemas_;
};

}  // namespace vilt::test

Q_DECLARE_METATYPE(vilt::test::Engine)

namespace vilt::test {

inline constexpr Engine kEngines[] = {Engine::Sqlite, Engine::Postgres};

// The engine column with one row per engine, for a test without cases of its own.
inline void eachEngine() {
    QTest::addColumn<Engine>("engine");
    for (Engine engine : kEngines) QTest::newRow(qPrintable(engineName(engine))) << engine;
}

// A row of case name on an engine, in a table whose first column is the engine.
inline QTestData& engineRow(Engine engine, const char* name) {
    return QTest::addRow("%s: %s", qPrintable(engineName(engine)), name) << engine;
}

}  // namespace vilt::test
