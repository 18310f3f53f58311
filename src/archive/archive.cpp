// Opening the archive and the store-or-create rule.

#include "archive/archive.h"

#include <QSqlError>
#include <QSqlQuery>

#include "archive/connection.h"

namespace vilt::archive {

namespace {

// A number as the statements write it: six decimals and a decimal point, whatever the locale.
QString fixed(double value) {
    return QString::number(value, 'f', 6);
}

}  // namespace

bool isServerAddress(const QString& place) {
    return place.startsWith(QLatin1String("postgresql://"));
}

std::unique_ptr<Archive> Archive::open(const QString& path, QString* error) {
    auto connection =
        isServerAddress(path) ? openPostgres(path, error) : openSqliteFile(path, error);
    if (!connection) return nullptr;
    return std::unique_ptr<Archive>(new Archive(std::move(connection)));
}

Archive::Archive(std::unique_ptr<Connection> connection) : connection_(std::move(connection)) {
    // Each table's cursor starts on its last record.
    const QSqlDatabase db = connection_->database();
    const auto last = [&](const QString& table) -> std::optional<qint64> {
        QSqlQuery query(db);
        if (query.exec(
                QStringLiteral("SELECT max(%1) FROM %2").arg(connection_->orderKey(), table)) &&
            query.next() && !query.value(0).isNull())
            return query.value(0).toLongLong();
        return std::nullopt;
    };
    profileAt_ = last(QStringLiteral("srez"));
    monthAt_ = last(connection_->monthTable());
}

Archive::~Archive() = default;

QString Archive::path() const {
    return connection_->place();
}

void Archive::setStatementRecorder(std::function<void(const QString&)> recorder) {
    recorder_ = std::move(recorder);
}

bool Archive::run(const QString& statement, int* affected, QString* error) {
    if (recorder_) recorder_(statement);
    QSqlQuery query(connection_->database());
    if (!query.exec(statement)) {
        *error = connection_->errorText(query.lastError());
        return false;
    }
    *affected = query.numRowsAffected();
    return true;
}

// Opens a store's transaction. A connection the server dropped while the archive stood idle
// shows only now: it is opened again once, nothing having been written yet.
bool Archive::begin(QString* error) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!connection_->ensureOpen(error)) return false;
        QSqlQuery query(connection_->database());
        if (query.exec(connection_->beginWrite())) return true;
        *error = connection_->errorText(query.lastError());
        if (!connection_->dropped()) return false;
    }
    return false;
}

// Each pair is (UPDATE, INSERT that creates the UPDATE's row), run by the store-or-create
// rule inside one transaction.
StoreResult Archive::store(const QList<std::pair<QString, QString>>& statements) {
    QString error;
    if (!begin(&error)) return {StoreStatus::Failed, error};
    QSqlDatabase db = connection_->database();
    const auto abandon = [&](StoreStatus status, const QString& why) {
        if (db.isOpen()) db.rollback();  // a connection the server dropped has none to end
        return StoreResult{status, why};
    };
    for (const auto& [update, insert] : statements) {
        int affected = 0, created = 0;
        if (!run(update, &affected, &error)) return abandon(StoreStatus::Failed, error);
        if (affected > 0) continue;
        if (!run(connection_->createRow(insert), &created, &error))
            return abandon(StoreStatus::Failed, error);
        if (created == 0 && !connection_->rowMayExist())
            return abandon(StoreStatus::NotCreated, kNotCreated);
        if (!run(update, &affected, &error)) return abandon(StoreStatus::Failed, error);
        if (affected > 0) continue;
        if (created == 0) return abandon(StoreStatus::NotCreated, kNotCreated);
        // the new row does not answer its own key
        return abandon(StoreStatus::Failed,
                       QStringLiteral("созданная запись не найдена по своему ключу"));
    }
    if (!db.commit()) return abandon(StoreStatus::Failed, connection_->errorText(db.lastError()));
    return {};
}

StoreResult Archive::storeProfile(const QDate& day, qint64 factory,
                                  const std::array<double, link::kProfileSlotCount>& values) {
    if (!day.isValid()) return {StoreStatus::Failed, QStringLiteral("неверная дата профиля")};
    const QString date = day.toString(QStringLiteral("dd.MM.yyyy"));
    const QString number = QString::number(factory);
    const QString insert =
        QStringLiteral("INSERT INTO srez (Data,Zav_N) VALUES ('%1','%2')").arg(date, number);
    QList<std::pair<QString, QString>> statements;
    for (int k = 0; k < link::kProfileSlotCount; ++k)
        statements.append(
            {QStringLiteral("UPDATE srez SET s%1=%2 WHERE (data = DateValue('%3') AND Zav_N = %4)")
                 .arg(QString::number(k), fixed(values[k]), date, number),
             insert});
    return store(statements);
}

StoreResult Archive::storeMonth(qint64 factory, int month,
                                const std::array<double, link::kTariffCount>& values) {
    return storeMonths(factory, {{month, values}});
}

StoreResult Archive::storeMonths(qint64 factory, const QList<MonthValues>& months) {
    const QString table = connection_->monthTable();
    const QString number = QString::number(factory);
    const QString insert =
        QStringLiteral("INSERT INTO %1 (Zav_N) VALUES ('%2')").arg(table, number);
    QList<std::pair<QString, QString>> statements;
    for (const auto& [month, values] : months) {
        if (month < 1 || month > link::kMonthCount)
            return {StoreStatus::Failed, QStringLiteral("неверный номер месяца: %1").arg(month)};
        for (int t = 1; t <= link::kTariffCount; ++t)
            statements.append({QStringLiteral("UPDATE %1 SET m%2t%3=%4 WHERE (Zav_N = %5)")
                                   .arg(table, QString::number(month), QString::number(t),
                                        fixed(values[size_t(t - 1)]), number),
                               insert});
    }
    if (statements.isEmpty()) return {};
    return store(statements);
}

}  // namespace vilt::archive
