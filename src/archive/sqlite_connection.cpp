// The archive in an SQLite file through Qt SQL: opening and checking the file, the schema,
// the function DateValue, and the names SQLite spells its own way.

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>

#include "archive/archive.h"
#include "archive/connection.h"

namespace vilt::archive {

QStringList profileColumns() {
    QStringList names{QStringLiteral("Data"), QStringLiteral("Zav_N")};
    for (int k = 0; k < 48; ++k) names << QStringLiteral("s%1").arg(k);
    return names;
}

QStringList monthColumns() {
    QStringList names{QStringLiteral("Zav_N")};
    for (const char* prefix : {"m", "rm"})
        for (int m = 1; m <= link::kMonthCount; ++m)
            for (int t = 1; t <= 4; ++t)
                names << QStringLiteral("%1%2t%3").arg(QLatin1String(prefix)).arg(m).arg(t);
    return names;
}

namespace {

const QString kProfileTable = QStringLiteral("srez");
const QString kMonthTable = QStringLiteral("\"12_month\"");
const QString kDateTrigger = QStringLiteral("srez_data_iso");
const QString kNumberIndex = QStringLiteral("srez_zav_n");

// An INSERT writes the day as 'dd.mm.yyyy'; the row keeps it as an ISO date. Plain SQL, so
// the file stays consistent whatever program writes to it.
const QString kDateTriggerSql = QStringLiteral(
    "CREATE TRIGGER srez_data_iso AFTER INSERT ON srez "
    "WHEN NEW.Data GLOB '[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9]' BEGIN "
    "UPDATE srez SET Data = substr(NEW.Data, 7, 4) || '-' || substr(NEW.Data, 4, 2) || '-' || "
    "substr(NEW.Data, 1, 2) WHERE rowid = NEW.rowid; END");
// The factory-number filter of the browse seeks by number, then by stored order.
const QString kNumberIndexSql = QStringLiteral("CREATE INDEX srez_zav_n ON srez (Zav_N)");

QStringList schema() {
    QStringList profile{QStringLiteral("Data DATE NOT NULL"),
                        QStringLiteral("Zav_N INTEGER NOT NULL")};
    for (const QString& name : profileColumns().mid(2)) profile << name + QStringLiteral(" REAL");
    profile << QStringLiteral("UNIQUE (Data, Zav_N)");
    QStringList month{QStringLiteral("Zav_N INTEGER NOT NULL UNIQUE")};
    for (const QString& name : monthColumns().mid(1)) month << name + QStringLiteral(" REAL");
    return {
        QStringLiteral("CREATE TABLE srez (%1)").arg(profile.join(QStringLiteral(", "))),
        kNumberIndexSql,
        kDateTriggerSql,
        QStringLiteral("CREATE TABLE %1 (%2)").arg(kMonthTable, month.join(QStringLiteral(", "))),
    };
}

// DateValue('dd.mm.yyyy') → 'yyyy-mm-dd', the form in which days are stored.
void dateValue(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const QString given = QString::fromUtf8(text, sqlite3_value_bytes(argv[0]));
    const QStringList parts = given.split(QLatin1Char('.'));
    QDate day;
    if (parts.size() == 3 && parts[2].size() == 4) {
        bool dayOk = false, monthOk = false, yearOk = false;
        day = QDate(parts[2].toInt(&yearOk), parts[1].toInt(&monthOk), parts[0].toInt(&dayOk));
        if (!dayOk || !monthOk || !yearOk) day = {};
    }
    if (!day.isValid()) {
        const QByteArray message =
            QStringLiteral("DateValue: «%1» не дата вида дд.мм.гггг").arg(given).toUtf8();
        sqlite3_result_error(context, message.constData(), int(message.size()));
        return;
    }
    const QByteArray iso = day.toString(Qt::ISODate).toLatin1();
    sqlite3_result_text(context, iso.constData(), int(iso.size()), SQLITE_TRANSIENT);
}

// A file as messages name it: in full, so the user sees which folder was meant.
QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString databaseText(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

int primaryCode(const QSqlError& error) {
    return error.nativeErrorCode().toInt() & 0xff;
}

// SQLite's answer once the busy wait is over and another connection still holds the lock.
bool isBusy(const QSqlError& error) {
    return primaryCode(error) == SQLITE_BUSY || primaryCode(error) == SQLITE_LOCKED;
}

QString waited() {
    return QStringLiteral("ждали %1 с").arg(kBusyWaitMs / 1000);
}

// Opening an archive another program holds: the file is left to it, untouched.
QString busyAtOpen(const QString& shown) {
    return QStringLiteral(
               "Архив «%1» не открыт: он занят другой программой (%2). Файл оставлен без "
               "изменений.")
        .arg(shown, waited());
}

class SqliteConnection final : public Connection {
  public:
    SqliteConnection(const QString& path, const QString& name) : path_(path), name_(name) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path_);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyWaitMs));
    }
    ~SqliteConnection() override {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }

    QSqlDatabase database() const override { return QSqlDatabase::database(name_, false); }
    QString place() const override { return path_; }
    QString monthTable() const override { return kMonthTable; }
    QString orderKey() const override { return QStringLiteral("rowid"); }
    // Deferred, two stores could both read and then neither be let to write.
    QString beginWrite() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    QString tableCount() const override {
        return QStringLiteral(
            "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE");
    }
    QString errorText(const QSqlError& error) const override {
        if (isBusy(error))
            return QStringLiteral("архив «%1» занят другой программой (%2)")
                .arg(shownPath(path_), waited());
        // Damage that came after the open's check: which file it is matters to the user.
        if (primaryCode(error) == SQLITE_CORRUPT || primaryCode(error) == SQLITE_NOTADB)
            return QStringLiteral("архив «%1» повреждён: %2")
                .arg(shownPath(path_), databaseText(error));
        return databaseText(error);
    }

    // Opens the file and makes or checks the tables; the user's message when it fails.
    QString open(bool fresh) {
        const QString shown = shownPath(path_);
        QSqlDatabase db = database();
        if (!db.isValid())
            return QStringLiteral("Архив «%1» не открыт: нет драйвера SQLite для Qt.").arg(shown);
        if (!db.open())
            return QStringLiteral("Архив «%1» не открыт: %2")
                .arg(shown, databaseText(db.lastError()));
        if (!registerFunctions(db))
            return QStringLiteral("Архив «%1» не открыт: функция DateValue не зарегистрирована.")
                .arg(shown);
        if (fresh) {
            bool made = false;
            if (QString message = create(db, shown, &made); !message.isEmpty() || made)
                return message;
        }
        return check(db, shown);
    }

  private:
    static bool registerFunctions(const QSqlDatabase& db) {
        const QVariant handle = db.driver()->handle();
        if (qstrcmp(handle.typeName(), "sqlite3*") != 0) return false;
        sqlite3* h = *static_cast<sqlite3* const*>(handle.constData());
        return h && sqlite3_create_function(h, "DateValue", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                            nullptr, dateValue, nullptr, nullptr) == SQLITE_OK;
    }

    // Makes the tables in an empty file. Another program may be making them in the same file
    // at this moment: the write lock is taken first, waiting for the other's, so one of the
    // two makes them and the other finds them made (*made false) and checks them.
    static QString create(QSqlDatabase& db, const QString& shown, bool* made) {
        QSqlQuery query(db);
        const auto failed = [&](const QSqlError& error) {
            query.finish();
            db.rollback();
            if (isBusy(error)) return busyAtOpen(shown);
            return QStringLiteral("Архив «%1» не создан: %2").arg(shown, databaseText(error));
        };
        if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) return failed(query.lastError());
        if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next())
            return failed(query.lastError());
        if (query.value(0).toInt() != 0) {  // made by another program since the file was looked at
            query.finish();
            db.rollback();
            *made = false;
            return {};
        }
        for (const QString& statement : schema())
            if (!query.exec(statement)) return failed(query.lastError());
        if (!db.commit()) return failed(db.lastError());
        *made = true;
        return {};
    }

    static QString check(QSqlDatabase& db, const QString& shown) {
        const QString notArchive =
            QStringLiteral("Файл «%1» не является архивом: %2 Файл оставлен без изменений.");
        const QString damaged =
            QStringLiteral("Файл «%1» повреждён (проверка базы: %2). Файл оставлен без изменений.");
        QSqlQuery query(db);
        const std::pair<QString, QStringList> tables[] = {{kProfileTable, profileColumns()},
                                                          {kMonthTable, monthColumns()}};
        for (const auto& [table, expected] : tables) {
            if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table))) {
                if (isBusy(query.lastError())) return busyAtOpen(shown);
                return QStringLiteral(
                           "Файл «%1» повреждён или не является архивом: %2. Файл оставлен без "
                           "изменений.")
                    .arg(shown, databaseText(query.lastError()));
            }
            QStringList columns;
            while (query.next()) columns << query.value(1).toString();
            if (columns.isEmpty())
                return notArchive.arg(shown, QStringLiteral("в нём нет таблицы %1.").arg(table));
            if (columns.join(u',').compare(expected.join(u','), Qt::CaseInsensitive) != 0)
                return notArchive.arg(shown,
                                      QStringLiteral("столбцы таблицы %1 не те.").arg(table));
        }
        // Every page of the tables is read now, so a damaged file is told before a meter is
        // read for it, not on the first store.
        if (!query.exec(QStringLiteral("PRAGMA quick_check"))) {
            if (isBusy(query.lastError())) return busyAtOpen(shown);
            return damaged.arg(shown, databaseText(query.lastError()));
        }
        QStringList problems;
        while (query.next()) problems << query.value(0).toString();
        if (problems != QStringList{QStringLiteral("ok")})
            return damaged.arg(shown, problems.value(0, QStringLiteral("нет ответа")));
        // A file made elsewhere may lack the date trigger or the number index: add them. A
        // file that cannot be written stays readable without them.
        for (const auto& [name, statement] :
             {std::pair{kDateTrigger, kDateTriggerSql}, std::pair{kNumberIndex, kNumberIndexSql}}) {
            query.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = ?"));
            query.addBindValue(name);
            if (query.exec() && !query.next()) query.exec(statement);
        }
        return {};
    }

    QString path_;
    QString name_;
};

}  // namespace

std::unique_ptr<Connection> openSqliteFile(const QString& path, QString* error) {
    static std::atomic<int> opened{0};
    const auto fail = [&](const QString& message) {
        if (error) *error = message;
        return nullptr;
    };
    const QString shown = shownPath(path);
    if (path.isEmpty()) return fail(QStringLiteral("Не указан файл архива."));
    const QFileInfo info(path);
    if (info.isDir())
        return fail(QStringLiteral("Архив «%1» не открыт: это папка, а не файл.").arg(shown));
    if (!info.absoluteDir().exists())
        return fail(QStringLiteral("Архив «%1» не открыт: нет папки «%2».")
                        .arg(shown, QDir::toNativeSeparators(info.absolutePath())));
    // A file that does not exist is made by SQLite when it opens it; one that is empty is
    // what a creation that was cut short leaves, or another program's creation under way.
    const bool fresh = !info.exists() || info.size() == 0;
    if (!fresh) {
        // Only an SQLite file goes to SQLite: anything else is left exactly as it is.
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("Архив «%1» не открыт: файл не читается (%2).")
                            .arg(shown, file.errorString()));
        if (file.read(16) != QByteArray("SQLite format 3", 16))
            return fail(QStringLiteral("Файл «%1» не является архивом: это не база данных SQLite. "
                                       "Файл оставлен без изменений.")
                            .arg(shown));
    }
    auto connection = std::make_unique<SqliteConnection>(
        path, QStringLiteral("vilt-archive-%1").arg(opened.fetch_add(1)));
    const QString message = connection->open(fresh);
    if (message.isEmpty()) return connection;
    // No file is removed here: another program may have made it, or may already be waiting
    // to fill the empty one this open made. An empty file is made an archive by the next open.
    connection.reset();
    return fail(message);
}

}  // namespace vilt::archive
