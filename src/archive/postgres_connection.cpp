// The archive on a PostgreSQL server through Qt SQL (QPSQL): the address, the session
// settings the statements rely on, the schema made once under a lock, the order column that
// stands in for SQLite's rowid, and a connection the server dropped opened again.

#include <libpq-fe.h>

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <atomic>

#include "archive/archive.h"
#include "archive/connection.h"

namespace vilt::archive {

namespace {

const QString kMonthTable = QStringLiteral("\"12_month\"");
const QString kOrder = QStringLiteral("row_order");

// The session the statements are written for: an INSERT gives the day as 'dd.mm.yyyy', which
// only day-month order reads as meant; Qt reads dates back in ISO. Notices (an index that is
// already there) are not the user's business.
const QStringList kSession{
    QStringLiteral("SET DateStyle = 'ISO, DMY'"),
    QStringLiteral("SET client_min_messages = warning"),
};

// Holds off another program making the tables in the same schema at the same moment.
const QString kSchemaLock = QStringLiteral(
    "SELECT pg_advisory_xact_lock(hashtext('vilt-archive ' || coalesce(current_schema(), '')))");

QString valueColumns(const QStringList& names) {
    QStringList columns;
    for (const QString& name : names) columns << name + QStringLiteral(" double precision");
    return columns.join(QStringLiteral(", "));
}

QStringList schema() {
    const QString order = kOrder + QStringLiteral(" bigserial PRIMARY KEY");
    return {
        QStringLiteral("CREATE TABLE srez (Data date NOT NULL, Zav_N bigint NOT NULL, %1, %2, "
                       "UNIQUE (Data, Zav_N))")
            .arg(valueColumns(profileColumns().mid(2)), order),
        QStringLiteral("CREATE INDEX srez_zav_n ON srez (Zav_N, %1)").arg(kOrder),
        QStringLiteral("CREATE TABLE %1 (Zav_N bigint NOT NULL UNIQUE, %2, %3)")
            .arg(kMonthTable, valueColumns(monthColumns().mid(1)), order),
    };
}

// The rights the stores and the browse use, each checked by a statement that touches no row.
const QStringList kRightsProbes{
    QStringLiteral("SELECT 1 FROM srez, \"12_month\" LIMIT 0"),
    QStringLiteral("INSERT INTO srez (Data, Zav_N) SELECT NULL, NULL WHERE false"),
    QStringLiteral("UPDATE srez SET s0 = NULL WHERE false"),
    QStringLiteral("INSERT INTO \"12_month\" (Zav_N) SELECT NULL WHERE false"),
    QStringLiteral("UPDATE \"12_month\" SET m1t1 = NULL WHERE false"),
};

// DateValue('dd.mm.yyyy'): the day the statements name, compared with the stored date.
const QString kDateValue = QStringLiteral(
    "CREATE FUNCTION DateValue(text) RETURNS date LANGUAGE sql IMMUTABLE STRICT "
    "AS $$ SELECT to_date($1, 'DD.MM.YYYY') $$");

// The server's words without what only a developer reads: the severity, the statement's
// line with its caret, the error code Qt adds.
QString serverText(const QSqlError& error) {
    QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    static const QRegularExpression code(QStringLiteral("\\([0-9A-Z]{5}\\)\\s*$"));
    text.remove(code);
    QStringList kept;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(QLatin1String("LINE ")) || line.startsWith(u'^')) break;
        for (const char* severity : {"ERROR:", "FATAL:", "PANIC:"})
            if (line.startsWith(QLatin1String(severity))) line = line.mid(6).trimmed();
        if (!line.isEmpty()) kept << line;
    }
    return kept.isEmpty() ? error.text() : kept.join(u' ');
}

// libpq's reading of the address, as QPSQL takes it: key='value' pairs. A password in it is
// refused, so no password is ever shown or kept with the place.
QString connectOptions(const QString& url, QString* error) {
    char* message = nullptr;
    PQconninfoOption* options = PQconninfoParse(url.toUtf8().constData(), &message);
    if (!options) {
        *error = QStringLiteral("адрес не разобран: %1")
                     .arg(message ? QString::fromUtf8(message).trimmed() : QString());
        PQfreemem(message);
        return {};
    }
    QStringList pairs;
    for (const PQconninfoOption* option = options; option->keyword; ++option) {
        if (!option->val) continue;
        const QString keyword = QString::fromLatin1(option->keyword);
        if (keyword == QLatin1String("password")) {
            *error = QStringLiteral(
                "пароль в адресе не принимается: его берут из файла паролей (PGPASSFILE или "
                "~/.pgpass), переменной PGPASSWORD или файла служб");
            PQconninfoFree(options);
            return {};
        }
        QString value = QString::fromUtf8(option->val);
        value.replace(u'\\', QLatin1String("\\\\")).replace(u'\'', QLatin1String("\\'"));
        pairs << QStringLiteral("%1='%2'").arg(keyword, value);
    }
    PQconninfoFree(options);
    return pairs.join(u' ');
}

class PostgresConnection final : public Connection {
  public:
    PostgresConnection(const QString& url, const QString& options, const QString& name)
        : url_(url), name_(name) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
        db.setConnectOptions(options);
    }
    ~PostgresConnection() override {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }

    QSqlDatabase database() const override { return QSqlDatabase::database(name_, false); }
    QString place() const override { return url_; }
    QString monthTable() const override { return kMonthTable; }
    QString orderKey() const override { return kOrder; }
    // Row locks order two stores of one row; two different rows never wait for each other.
    QString beginWrite() const override { return QStringLiteral("BEGIN"); }
    // Self-exclusive, so one such store waits for another; a reader does not wait.
    QString lockTable(const QString& table) const override {
        return QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(table);
    }
    QString errorText(const QSqlError& error) const override { return serverText(error); }
    // Another station may make the same row between this store's UPDATE and its INSERT: the
    // INSERT then waits for it and leaves it, and the UPDATE that follows writes into it.
    QString createRow(const QString& insert) const override {
        return insert + QStringLiteral(" ON CONFLICT DO NOTHING");
    }
    bool rowMayExist() const override { return true; }
    QString tableCount() const override {
        return QStringLiteral(
            "SELECT count(*) FROM information_schema.tables WHERE table_schema = "
            "current_schema() AND table_name = lower(?)");
    }

    bool dropped() const override {
        const QSqlDatabase db = database();
        if (!db.isOpen()) return true;
        const QVariant handle = db.driver()->handle();
        if (qstrcmp(handle.typeName(), "PGconn*") != 0) return false;
        PGconn* connection = *static_cast<PGconn* const*>(handle.constData());
        return !connection || PQstatus(connection) == CONNECTION_BAD;
    }

    bool ensureOpen(QString* error) override {
        if (!dropped()) return true;
        QSqlDatabase db = database();
        db.close();
        if (const QString failed = connect(); !failed.isEmpty()) {
            *error = QStringLiteral("нет связи с сервером архива: %1").arg(failed);
            return false;
        }
        return true;
    }

    // Connects, then makes or checks the tables; the user's message when it fails.
    QString open() {
        if (!database().isValid())
            return notOpened(
                QStringLiteral("нет драйвера PostgreSQL для Qt (пакет libqt6sql6-psql)"));
        if (const QString failed = connect(); !failed.isEmpty()) return notOpened(failed);
        return prepareTables();
    }

  private:
    QString notOpened(const QString& why) const {
        return QStringLiteral("Архив «%1» не открыт: %2").arg(url_, why);
    }

    // Opens the connection and sets the session; the server's text when it fails.
    QString connect() {
        QSqlDatabase db = database();
        if (!db.open()) return serverText(db.lastError());
        QSqlQuery query(db);
        for (const QString& statement : kSession)
            if (!query.exec(statement)) {
                const QString failed = serverText(query.lastError());
                db.close();
                return failed;
            }
        return {};
    }

    // In one transaction under the schema lock: the tables are made when neither is there,
    // else checked; what tables made elsewhere lack (the order column, the keys, the day
    // function) is added. A refusal rolls back, so the database is left as it was.
    QString prepareTables() {
        QSqlDatabase db = database();
        QSqlQuery query(db);
        const auto failed = [&](const QString& why) {
            query.finish();
            db.rollback();
            return why;
        };
        const auto serverFailed = [&] { return failed(notOpened(serverText(query.lastError()))); };
        QStringList srez, month;
        if (!query.exec(QStringLiteral("BEGIN")) || !query.exec(kSchemaLock) ||
            !columnsOf(query, QStringLiteral("srez"), &srez) ||
            !columnsOf(query, kMonthTable, &month))
            return serverFailed();
        if (srez.isEmpty() && month.isEmpty()) {
            for (const QString& statement : schema())
                if (!query.exec(statement))
                    return failed(QStringLiteral("Архив «%1» не создан: %2")
                                      .arg(url_, serverText(query.lastError())));
        } else if (const QString wrong = check(srez, month); !wrong.isEmpty()) {
            return failed(QStringLiteral("База «%1» не является архивом: %2 База оставлена без "
                                         "изменений.")
                              .arg(url_, wrong));
        } else if (!complete(query, srez, month)) {
            return serverFailed();
        }
        if (!query.exec(QStringLiteral("SELECT to_regprocedure('datevalue(text)') IS NULL")) ||
            !query.next() || (query.value(0).toBool() && !query.exec(kDateValue)))
            return serverFailed();
        // The rights the stores and the browse need, told now in the server's words rather
        // than after a meter was read.
        for (const QString& probe : kRightsProbes)
            if (!query.exec(probe)) return serverFailed();
        query.finish();
        if (!db.commit()) return failed(notOpened(serverText(db.lastError())));
        return {};
    }

    // The columns of a table as the statements find it (the search path), in their order;
    // none when there is no such table.
    static bool columnsOf(QSqlQuery& query, const QString& table, QStringList* columns) {
        query.prepare(QStringLiteral(
            "SELECT attname FROM pg_attribute WHERE attrelid = to_regclass(?) AND attnum > 0 "
            "AND NOT attisdropped ORDER BY attnum"));
        query.addBindValue(table);
        if (!query.exec()) return false;
        while (query.next()) *columns << query.value(0).toString().toLower();
        return true;
    }

    static QString check(const QStringList& srez, const QStringList& month) {
        const std::pair<QString, const QStringList*> tables[] = {{QStringLiteral("srez"), &srez},
                                                                 {kMonthTable, &month}};
        for (const auto& [table, columns] : tables) {
            if (columns->isEmpty()) return QStringLiteral("в ней нет таблицы %1.").arg(table);
            QStringList expected = table == kMonthTable ? monthColumns() : profileColumns();
            for (QString& name : expected) name = name.toLower();
            if (*columns != expected && *columns != expected + QStringList{kOrder})
                return QStringLiteral("столбцы таблицы %1 не те.").arg(table);
        }
        return {};
    }

    // Tables with the archive's columns made by another program, seen for the first time:
    // the order column (numbered in the order the rows lie), the seek index, and the unique
    // key when the rows allow it (without it the stores still work, one station at a time).
    static bool complete(QSqlQuery& query, const QStringList& srez, const QStringList& month) {
        const std::tuple<QString, QString, const QStringList*> tables[] = {
            {QStringLiteral("srez"), QStringLiteral("Data, Zav_N"), &srez},
            {kMonthTable, QStringLiteral("Zav_N"), &month}};
        for (const auto& [table, key, columns] : tables) {
            if (columns->last() == kOrder) continue;
            QStringList statements{
                QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 bigserial").arg(table, kOrder),
                QStringLiteral("CREATE UNIQUE INDEX ON %1 (%2)").arg(table, kOrder)};
            if (table == QLatin1String("srez"))
                statements << QStringLiteral("CREATE INDEX ON srez (Zav_N, %1)").arg(kOrder);
            for (const QString& statement : statements)
                if (!query.exec(statement)) return false;
            query.exec(QStringLiteral("SAVEPOINT unique_key"));
            if (!query.exec(QStringLiteral("CREATE UNIQUE INDEX ON %1 (%2)").arg(table, key)))
                query.exec(QStringLiteral("ROLLBACK TO SAVEPOINT unique_key"));
        }
        return true;
    }

    QString url_;
    QString name_;
};

}  // namespace

std::unique_ptr<Connection> openPostgres(const QString& url, QString* error) {
    static std::atomic<int> opened{0};
    QString why;
    const QString options = connectOptions(url, &why);
    if (!why.isEmpty()) {
        // The address may hold a password: it is not repeated.
        if (error) *error = QStringLiteral("Архив на сервере не открыт: %1.").arg(why);
        return nullptr;
    }
    auto connection = std::make_unique<PostgresConnection>(
        url, options, QStringLiteral("vilt-archive-pg-%1").arg(opened.fetch_add(1)));
    const QString message = connection->open();
    if (message.isEmpty()) return connection;
    if (error) *error = message;
    return nullptr;
}

}  // namespace vilt::archive
