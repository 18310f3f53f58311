// Browsing and listing the stored rows. Every browse step is a few keyed seeks in stored
// order, so its cost does not grow with the table.

#include <QSqlError>
#include <QSqlQuery>

#include "archive/archive.h"
#include "archive/connection.h"

namespace vilt::archive {

namespace {

const QString kProfileTable = QStringLiteral("srez");

std::optional<double> number(const QVariant& value) {
    if (value.isNull()) return std::nullopt;
    return value.toDouble();
}

// Columns from the current record of query, in the tables' order.
ProfileRow profileRow(const QSqlQuery& query) {
    ProfileRow row;
    row.day = QDate::fromString(query.value(0).toString(), Qt::ISODate);
    row.factory = query.value(1).toLongLong();
    for (int k = 0; k < link::kProfileSlotCount; ++k) row.values[k] = number(query.value(2 + k));
    return row;
}

MonthRow monthRow(const QSqlQuery& query) {
    MonthRow row;
    row.factory = query.value(0).toLongLong();
    for (int i = 0; i < link::kMonthCount * link::kTariffCount; ++i) {
        row.active[i] = number(query.value(1 + i));
        row.reactive[i] = number(query.value(1 + link::kMonthCount * link::kTariffCount + i));
    }
    return row;
}

// The number a filter text selects: the one whose decimal text it is exactly ("123", not
// "0123" nor "+123"); none for a text no number is written as.
std::optional<qint64> filteredNumber(const QString& filter) {
    bool ok = false;
    const qint64 value = filter.toLongLong(&ok);
    if (!ok || QString::number(value) != filter) return std::nullopt;
    return value;
}

// Seeks over one table in stored order. The first failure is kept in error.
class Seeker {
  public:
    Seeker(const Connection& connection, QString table)
        : connection_(connection),
          db_(connection.database()),
          key_(connection.orderKey()),
          table_(std::move(table)) {}

    QString error;

    // The key of the nearest row from `from` in the direction given (itself included when
    // inclusive), among rows of factory number `only` when given. Without from: the first
    // row (forward) or the last (backward).
    std::optional<qint64> nearest(bool forward, bool inclusive, std::optional<qint64> from,
                                  std::optional<qint64> only = std::nullopt) {
        QStringList where;
        if (from) {
            const char* op = forward ? (inclusive ? ">=" : ">") : (inclusive ? "<=" : "<");
            where << QStringLiteral("%1 %2 ?").arg(key_, QLatin1String(op));
        }
        if (only) where << QStringLiteral("Zav_N = ?");
        QString sql = QStringLiteral("SELECT %1 FROM %2").arg(key_, table_);
        if (!where.isEmpty())
            sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
        sql += QStringLiteral(" ORDER BY %1 %2 LIMIT 1")
                   .arg(key_, QLatin1String(forward ? "ASC" : "DESC"));
        QSqlQuery query(db_);
        query.setForwardOnly(true);
        // A failed prepare must be told: executed anyway, the server reports only the
        // statement that stands in for it.
        if (!query.prepare(sql)) {
            fail(query.lastError());
            return std::nullopt;
        }
        if (from) query.addBindValue(*from);
        if (only) query.addBindValue(*only);
        if (!query.exec()) {
            fail(query.lastError());
            return std::nullopt;
        }
        if (!query.next()) return std::nullopt;
        return query.value(0).toLongLong();
    }

    // The row with the given key, read into a T by read.
    template <typename T>
    std::optional<T> row(qint64 key, const QStringList& columns, T (*read)(const QSqlQuery&)) {
        QSqlQuery query(db_);
        query.setForwardOnly(true);
        if (!query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                               .arg(columns.join(QStringLiteral(", ")), table_, key_))) {
            fail(query.lastError());
            return std::nullopt;
        }
        query.addBindValue(key);
        if (!query.exec()) {
            fail(query.lastError());
            return std::nullopt;
        }
        if (!query.next()) {
            if (error.isEmpty()) error = QStringLiteral("запись не найдена");
            return std::nullopt;
        }
        return read(query);
    }

    bool failed() const { return !error.isEmpty(); }

  private:
    void fail(const QSqlError& e) {
        if (error.isEmpty()) error = connection_.errorText(e);
    }

    const Connection& connection_;
    QSqlDatabase db_;
    QString key_;
    QString table_;
};

// One step through a table without filter: the next (previous) row, wrapping at the end.
template <typename T>
std::optional<T> step(Seeker& seek, std::optional<qint64>& at, bool forward,
                      const QStringList& columns, T (*read)(const QSqlQuery&)) {
    std::optional<qint64> key = seek.nearest(forward, false, at);
    if (!key && !seek.failed()) key = seek.nearest(forward, false, std::nullopt);
    if (!key) return std::nullopt;
    auto row = seek.row(*key, columns, read);
    if (row) at = key;
    return row;
}

}  // namespace

std::optional<ProfileRow> Archive::stepProfile(bool forward, const QString& filter) {
    if (!connection_->ensureOpen(&error_)) return std::nullopt;
    Seeker seek(*connection_, kProfileTable);
    std::optional<ProfileRow> shown;
    if (filter.isEmpty()) {
        shown = step(seek, profileAt_, forward, profileColumns(), &profileRow);
    } else {
        // The search starts with the record the cursor stands on. A match is shown and the
        // cursor passes it (or stays on it at the end of the table); without one the cursor
        // goes back to the start of the search direction and nothing is shown.
        const std::optional<qint64> wanted = filteredNumber(filter);
        const std::optional<qint64> match =
            wanted ? seek.nearest(forward, true, profileAt_, wanted) : std::nullopt;
        if (match) {
            shown = seek.row(*match, profileColumns(), &profileRow);
            const std::optional<qint64> beyond = seek.nearest(forward, false, match);
            if (!seek.failed()) profileAt_ = beyond ? beyond : match;
        } else if (!seek.failed()) {
            const std::optional<qint64> restart = seek.nearest(forward, false, std::nullopt);
            if (restart) profileAt_ = restart;
        }
    }
    error_ = seek.error;
    return seek.failed() ? std::nullopt : shown;
}

std::optional<MonthRow> Archive::stepMonths(bool forward) {
    if (!connection_->ensureOpen(&error_)) return std::nullopt;
    Seeker seek(*connection_, connection_->monthTable());
    const auto shown = step(seek, monthAt_, forward, monthColumns(), &monthRow);
    error_ = seek.error;
    return shown;
}

QList<ProfileRow> Archive::profiles(std::optional<qint64> factory, std::optional<QDate> from,
                                    std::optional<QDate> to) {
    QStringList where;
    QVariantList values;
    if (factory) {
        where << QStringLiteral("Zav_N = ?");
        values << *factory;
    }
    if (from) {
        where << QStringLiteral("Data >= ?");
        values << from->toString(Qt::ISODate);
    }
    if (to) {
        where << QStringLiteral("Data <= ?");
        values << to->toString(Qt::ISODate);
    }
    QString sql = QStringLiteral("SELECT %1 FROM srez").arg(profileColumns().join(u','));
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY ") + connection_->orderKey();
    QList<ProfileRow> rows;
    error_.clear();
    if (!connection_->ensureOpen(&error_)) return rows;
    QSqlQuery query(connection_->database());
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        error_ = connection_->errorText(query.lastError());
        return rows;
    }
    for (const QVariant& value : values) query.addBindValue(value);
    if (!query.exec()) {
        error_ = connection_->errorText(query.lastError());
        return rows;
    }
    while (query.next()) rows.append(profileRow(query));
    return rows;
}

QList<MonthRow> Archive::months(std::optional<qint64> factory) {
    QString sql = QStringLiteral("SELECT %1 FROM %2")
                      .arg(monthColumns().join(u','), connection_->monthTable());
    if (factory) sql += QStringLiteral(" WHERE Zav_N = ?");
    sql += QStringLiteral(" ORDER BY ") + connection_->orderKey();
    QList<MonthRow> rows;
    error_.clear();
    if (!connection_->ensureOpen(&error_)) return rows;
    QSqlQuery query(connection_->database());
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        error_ = connection_->errorText(query.lastError());
        return rows;
    }
    if (factory) query.addBindValue(*factory);
    if (!query.exec()) {
        error_ = connection_->errorText(query.lastError());
        return rows;
    }
    while (query.next()) rows.append(monthRow(query));
    return rows;
}

}  // namespace vilt::archive
