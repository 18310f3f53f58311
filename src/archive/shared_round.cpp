// The shared round on the archive's server: importing it, claiming its meters line by line.

#include "archive/shared_round.h"

#include <QSqlQuery>

#include "archive/archive.h"
#include "archive/connection.h"

namespace vilt::archive {

namespace {

const QString kTable = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS round_meters (Line integer PRIMARY KEY, Label text NOT NULL, "
    "Zav_N bigint NOT NULL, Password text NOT NULL, Phone text NOT NULL, Station text NOT NULL, "
    "Port text NOT NULL, Visited timestamp(0), Visited_by text, Ok boolean, Result text)");
// Holds off another import making the table at the same moment.
const QString kTableLock = QStringLiteral(
    "SELECT pg_advisory_xact_lock(hashtext('vilt-round ' || coalesce(current_schema(), '')))");

// A text column is never NULL: an empty field is an empty text.
QVariant text(const QString& value) {
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

const QString kNotServer = QStringLiteral(
    "Общий обход хранится только в архиве на сервере (--archive postgresql://…).");

std::unique_ptr<Connection> connectTo(const QString& place, QString* error) {
    if (!isServerAddress(place)) {
        *error = kNotServer;
        return nullptr;
    }
    return openPostgres(place, error);
}

}  // namespace

QString importRound(const QString& place, const QList<RoundMeter>& meters) {
    QString error;
    const auto connection = connectTo(place, &error);
    if (!connection) return error;
    QSqlDatabase db = connection->database();
    QSqlQuery query(db);
    const auto failed = [&](const QSqlError& why) {
        const QString text = connection->errorText(why);
        query.finish();
        db.rollback();
        return QStringLiteral("Обход не загружен: %1").arg(text);
    };
    if (!query.exec(QStringLiteral("BEGIN")) || !query.exec(kTableLock) || !query.exec(kTable) ||
        !query.exec(QStringLiteral("DELETE FROM round_meters")))
        return failed(query.lastError());
    query.prepare(QStringLiteral(
        "INSERT INTO round_meters (Line, Label, Zav_N, Password, Phone, Station, Port) "
        "VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (const RoundMeter& meter : meters) {
        for (const QVariant& value :
             {QVariant(meter.line), text(meter.label), QVariant(meter.factory),
              text(meter.password), text(meter.phone), text(meter.station), text(meter.port)})
            query.addBindValue(value);
        if (!query.exec()) return failed(query.lastError());
    }
    query.finish();
    if (!db.commit()) return failed(db.lastError());
    return {};
}

std::optional<QStringList> directPorts(const QString& place, const QString& station,
                                       QString* error) {
    const auto connection = connectTo(place, error);
    if (!connection) return std::nullopt;
    QSqlQuery query(connection->database());
    query.prepare(QStringLiteral("SELECT DISTINCT Port FROM round_meters WHERE Phone = '' AND "
                                 "Station = ? AND Visited IS NULL ORDER BY Port"));
    query.addBindValue(station);
    if (!query.exec()) {
        *error = connection->errorText(query.lastError());
        return std::nullopt;
    }
    QStringList ports;
    while (query.next()) ports << query.value(0).toString();
    return ports;
}

std::unique_ptr<RoundClaims> RoundClaims::open(const QString& place, QString* error) {
    auto connection = connectTo(place, error);
    if (!connection) return nullptr;
    QSqlQuery query(connection->database());
    if (!query.exec(QStringLiteral("SELECT to_regclass('round_meters') IS NOT NULL")) ||
        !query.next()) {
        *error = connection->errorText(query.lastError());
        return nullptr;
    }
    if (!query.value(0).toBool()) {
        *error = QStringLiteral(
            "В архиве «%1» нет общего обхода: загрузите его командой «vilt-cli --archive %1 "
            "round import ФАЙЛ».")
                     .arg(place);
        return nullptr;
    }
    // A station that hangs with a claim gives it back after a while, as one that dies does.
    if (!query.exec(QStringLiteral("SET idle_in_transaction_session_timeout = '%1min'")
                        .arg(kClaimMinutes))) {
        *error = connection->errorText(query.lastError());
        return nullptr;
    }
    return std::unique_ptr<RoundClaims>(new RoundClaims(std::move(connection)));
}

RoundClaims::RoundClaims(std::unique_ptr<Connection> connection)
    : m_connection(std::move(connection)) {}

RoundClaims::~RoundClaims() {
    release();
}

std::optional<RoundMeter> RoundClaims::claim(const LineScope& scope, QString* error) {
    release();
    if (!m_connection->ensureOpen(error)) return std::nullopt;
    QSqlDatabase db = m_connection->database();
    QSqlQuery query(db);
    const auto failed = [&](const QSqlError& why) {
        *error = m_connection->errorText(why);
        query.finish();
        db.rollback();
        return std::nullopt;
    };
    if (!query.exec(QStringLiteral("BEGIN"))) return failed(query.lastError());
    const QString mine = scope.modem ? QStringLiteral("Phone <> ''")
                                     : QStringLiteral("Phone = '' AND Station = ? AND Port = ?");
    query.prepare(QStringLiteral("SELECT Line, Label, Zav_N, Password, Phone, Station, Port "
                                 "FROM round_meters WHERE Visited IS NULL AND %1 "
                                 "ORDER BY Line LIMIT 1 FOR UPDATE SKIP LOCKED")
                      .arg(mine));
    if (!scope.modem) {
        query.addBindValue(scope.station);
        query.addBindValue(scope.port);
    }
    if (!query.exec()) return failed(query.lastError());
    if (!query.next()) {
        query.finish();
        db.rollback();
        return std::nullopt;
    }
    RoundMeter meter;
    meter.line = query.value(0).toInt();
    meter.label = query.value(1).toString();
    meter.factory = query.value(2).toLongLong();
    meter.password = query.value(3).toString();
    meter.phone = query.value(4).toString();
    meter.station = query.value(5).toString();
    meter.port = query.value(6).toString();
    query.finish();
    m_claimed = meter.line;
    return meter;
}

QString RoundClaims::finish(const QString& station, bool ok, const QString& result) {
    if (!m_claimed) return {};
    QSqlDatabase db = m_connection->database();
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "UPDATE round_meters SET Visited = localtimestamp(0), Visited_by = ?, Ok = ?, "
        "Result = ? WHERE Line = ?"));
    query.addBindValue(station);
    query.addBindValue(ok);
    query.addBindValue(result);
    query.addBindValue(*m_claimed);
    m_claimed.reset();
    if (!query.exec() || query.numRowsAffected() != 1) {
        const QString text = query.lastError().isValid()
                                 ? m_connection->errorText(query.lastError())
                                 : QStringLiteral("строка обхода не найдена");
        query.finish();
        if (!m_connection->dropped()) db.rollback();
        return text;
    }
    query.finish();
    if (!db.commit()) {
        const QString text = m_connection->errorText(db.lastError());
        db.rollback();
        return text;
    }
    return {};
}

void RoundClaims::release() {
    if (!m_claimed) return;
    m_claimed.reset();
    m_connection->database().rollback();
}

}  // namespace vilt::archive
