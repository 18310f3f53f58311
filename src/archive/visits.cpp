// The visits table: made by the first store that finds none, one row stored per visit, listed
// by time. Every statement is plain SQL that each engine runs as it is written; what an engine
// spells its own way is whether the table is there (tableCount) and how other stores are held
// off while a store takes the next Seq (beginWrite, lockTable).

#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <algorithm>
#include <functional>
#include <optional>

#include "archive/archive.h"
#include "archive/connection.h"

namespace vilt::archive {

namespace {

const QString kTable = QStringLiteral("visits");
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// The table and its indexes: by stored order, for the next Seq, and by time, for the listing.
// Each runs only when the table is missing, so a store never waits on another's index.
QStringList schema() {
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS visits (Visited VARCHAR(19) NOT NULL, "
                       "Station VARCHAR(%1) NOT NULL, Zav_N BIGINT NOT NULL, Label TEXT NOT NULL, "
                       "Result TEXT NOT NULL, Offset_s BIGINT, Energy BIGINT, Seq BIGINT NOT NULL)")
            .arg(kStationLength),
        QStringLiteral("CREATE INDEX IF NOT EXISTS visits_by_seq ON visits (Seq)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS visits_by_time ON visits (Visited, Seq)"),
    };
}

// A day's bounds as the Visited column compares them.
QString startOf(const QDate& day) {
    return day.toString(Qt::ISODate) + QStringLiteral(" 00:00:00");
}

// A number the row may lack, bound with its type so that every engine takes the NULL.
QVariant nullable(const std::optional<qint64>& value) {
    return value ? QVariant(qlonglong(*value)) : QVariant(QMetaType::fromType<qlonglong>());
}

// A text column holds text, empty at least: a QString that was never set binds as NULL.
QString text(const QString& value) {
    return value.isNull() ? QStringLiteral("") : value;
}

std::optional<qint64> nullable(const QVariant& value) {
    if (value.isNull()) return std::nullopt;
    return value.toLongLong();
}

// The statements of a store or a listing, each on a query of its own; the first failure is
// kept in error. A server keeps a prepared statement until its query is let go, and lets it go
// only over a live connection and outside a transaction that failed: so a query is let go as
// soon as its answer is read, and one that failed only after the rollback.
class Statements {
  public:
    Statements(Connection& connection, std::function<void(const QString&)> recorder)
        : connection_(connection), recorder_(std::move(recorder)) {}

    QString error;

    // Runs sql with the values bound in order; false when it failed. A store's statements that
    // change the archive go to the recorder first.
    bool run(const QString& sql, const QVariantList& values = {}, bool changes = true) {
        if (changes && recorder_) recorder_(sql);
        query_.emplace(connection_.database());
        query_->setForwardOnly(true);
        // Only a statement with values is prepared: a server may prepare no CREATE.
        if (values.isEmpty()) return query_->exec(sql) || fail();
        if (!query_->prepare(sql)) return fail();
        for (const QVariant& value : values) query_->addBindValue(value);
        return query_->exec() || fail();
    }
    // The first column of the last statement's first row, the statement let go; none when it
    // has no row.
    std::optional<QVariant> answer() {
        std::optional<QVariant> value;
        if (query_->next()) value = query_->value(0);
        query_.reset();
        return value;
    }
    // Each row of the last statement to read, the statement let go; false when the rows
    // stopped coming part-way.
    bool eachRow(const std::function<void(const QSqlQuery&)>& read) {
        while (query_->next()) read(*query_);
        const bool whole = query_->lastError().type() == QSqlError::NoError || fail();
        query_.reset();
        return whole;
    }

    // Whether the visits table is there: the first question of every store and listing. A
    // connection the server dropped while the archive stood idle shows only here, nothing
    // having been written yet: it is opened again, once, and asked again.
    std::optional<bool> start() {
        for (int attempt = 0; attempt < 2; ++attempt) {
            error.clear();
            if (!connection_.ensureOpen(&error)) return std::nullopt;
            const auto present = hasTable();
            if (present || !connection_.dropped()) return present;
        }
        return std::nullopt;
    }

    // One visit: the table when it is missing, then the row in a transaction of its own.
    StoreStatus store(const VisitRecord& visit) {
        if (!ensureTable() || !begin()) return StoreStatus::Failed;
        const StoreStatus status = holdOffOtherStores() ? addRow(visit) : StoreStatus::Failed;
        if (status == StoreStatus::Stored && commit()) return status;
        rollback();
        return status == StoreStatus::Stored ? StoreStatus::Failed : status;
    }

  private:
    std::optional<bool> hasTable() {
        if (!run(connection_.tableCount(), {kTable}, false)) return std::nullopt;
        const auto count = answer();
        if (!count) {
            fail(QStringLiteral("нет ответа, есть ли таблица visits"));
            return std::nullopt;
        }
        return count->toInt() > 0;
    }

    bool begin() { return run(connection_.beginWrite(), {}, false); }
    bool commit() {
        QSqlDatabase db = connection_.database();
        return db.commit() || fail(connection_.errorText(db.lastError()));
    }
    // The failed statement is let go after it (see above); a connection the server dropped
    // has no transaction to end.
    void rollback() {
        if (query_) query_->finish();
        QSqlDatabase db = connection_.database();
        if (db.isOpen()) db.rollback();
        query_.reset();
    }

    // The table made in a transaction of its own. Another program may be making it at this
    // moment: a creation that failed counts as done when the table is there after it.
    bool ensureTable() {
        const auto present = start();
        if (!present) return false;
        if (*present) return true;
        bool made = begin();
        for (const QString& statement : schema()) made = made && run(statement);
        if (made && commit()) return true;
        rollback();
        const QString failure = error;
        error.clear();
        if (hasTable().value_or(false)) return true;
        error = failure;
        return false;
    }

    // Inside the transaction: the other stores held off until it ends (where beginWrite has
    // not), so that the next number is still free when the row takes it.
    bool holdOffOtherStores() {
        const QString lock = connection_.lockTable(kTable);
        return lock.isEmpty() || run(lock, {}, false);
    }

    // Inside the transaction: the next number, the row.
    StoreStatus addRow(const VisitRecord& visit) {
        if (!run(QStringLiteral("SELECT COALESCE(MAX(Seq), 0) + 1 FROM visits"), {}, false))
            return StoreStatus::Failed;
        const auto seq = answer();
        if (!seq) {
            fail(QStringLiteral("нет номера для нового посещения"));
            return StoreStatus::Failed;
        }
        if (!run(QStringLiteral("INSERT INTO visits (Visited, Station, Zav_N, Label, Result, "
                                "Offset_s, Energy, Seq) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                 {visit.visited.toString(kTimeFormat), visit.station, qlonglong(visit.factory),
                  text(visit.label), text(visit.result), nullable(visit.offset),
                  nullable(visit.energy), seq->toLongLong()}))
            return StoreStatus::Failed;
        const bool made = query_->numRowsAffected() > 0;
        query_.reset();
        if (made) return StoreStatus::Stored;
        fail(kNotCreated);
        return StoreStatus::NotCreated;
    }

    bool fail() { return fail(connection_.errorText(query_->lastError())); }
    bool fail(const QString& text) {
        if (error.isEmpty()) error = text;
        return false;
    }

    Connection& connection_;
    std::function<void(const QString&)> recorder_;
    std::optional<QSqlQuery> query_;  // the last statement's, until it is let go
};

VisitRecord visitRow(const QSqlQuery& query) {
    VisitRecord row;
    row.visited = QDateTime::fromString(query.value(0).toString(), kTimeFormat);
    row.station = query.value(1).toString();
    row.factory = query.value(2).toLongLong();
    row.label = query.value(3).toString();
    row.result = query.value(4).toString();
    row.offset = nullable(query.value(5));
    row.energy = nullable(query.value(6));
    return row;
}

}  // namespace

bool isStationName(const QString& name) {
    const QList<uint> points = name.toUcs4();
    if (name.trimmed().isEmpty() || points.size() > kStationLength) return false;
    return std::all_of(points.begin(), points.end(),
                       [](uint point) { return QChar::isPrint(char32_t(point)); });
}

QString defaultStation() {
    QList<uint> points = QSysInfo::machineHostName().toUcs4();
    points.resize(std::min<qsizetype>(points.size(), kStationLength));
    const QString name =
        QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), points.size());
    return isStationName(name) ? name : QStringLiteral("localhost");
}

StoreResult Archive::storeVisit(const VisitRecord& visit) {
    if (!visit.visited.isValid())
        return {StoreStatus::Failed, QStringLiteral("у посещения нет времени")};
    if (!isStationName(visit.station))
        return {
            StoreStatus::Failed,
            QStringLiteral("имя станции должно быть из 1…%1 печатных знаков").arg(kStationLength)};
    Statements statements(*connection_, recorder_);
    const StoreStatus status = statements.store(visit);
    return {status, statements.error};
}

QList<VisitRecord> Archive::visits(std::optional<qint64> factory, std::optional<QDate> from,
                                   std::optional<QDate> to) {
    QList<VisitRecord> rows;
    Statements statements(*connection_, {});
    const auto present = statements.start();
    error_ = statements.error;
    if (!present || !*present) return rows;
    QStringList where;
    QVariantList values;
    if (factory) {
        where << QStringLiteral("Zav_N = ?");
        values << qlonglong(*factory);
    }
    if (from) {
        where << QStringLiteral("Visited >= ?");
        values << startOf(*from);
    }
    if (to) {
        where << QStringLiteral("Visited < ?");
        values << startOf(to->addDays(1));
    }
    QString sql = QStringLiteral(
        "SELECT Visited, Station, Zav_N, Label, Result, Offset_s, Energy FROM visits");
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY Visited, Seq");
    if (!statements.run(sql, values, false)) {
        error_ = statements.error;
        return rows;
    }
    if (!statements.eachRow([&](const QSqlQuery& row) { rows.append(visitRow(row)); })) {
        error_ = statements.error;
        rows.clear();
    }
    return rows;
}

}  // namespace vilt::archive
