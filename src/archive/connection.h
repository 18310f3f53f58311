#pragma once
// An open archive database and what its engine spells its own way. The store and the browse
// talk only to this; each engine (the SQLite file, a PostgreSQL server) is one implementation.

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <memory>

namespace vilt::archive {

// Column names of the two tables, in their order.
QStringList profileColumns();  // Data, Zav_N, s0 … s47
QStringList monthColumns();    // Zav_N, m1t1 … m12t4, rm1t1 … rm12t4

class Connection {
  public:
    virtual ~Connection() = default;

    virtual QSqlDatabase database() const = 0;
    // Where the archive lives, as the user named it.
    virtual QString place() const = 0;
    // The month table's name as a statement writes it.
    virtual QString monthTable() const = 0;
    // A column, present in every table, that rises in the order rows were created: the
    // stored order. Each value names one row.
    virtual QString orderKey() const = 0;
    // The statement that opens a store's transaction, holding off other writers from the
    // start so that two stores at once wait for each other instead of failing.
    virtual QString beginWrite() const = 0;
    // The statement, first in a store's transaction, that holds off every other writer of
    // table until the transaction ends, so that a number the store reads from the table (one
    // more than the greatest) is still free when it writes; empty when beginWrite does that.
    virtual QString lockTable(const QString& /*table*/) const { return {}; }
    // A query that counts the tables named by its one bound value: whether a table made on
    // first use (visits) is there yet.
    virtual QString tableCount() const = 0;
    // A failed statement as the user is told it: the database's text, or that the archive is
    // held by another program once the wait for it is over.
    virtual QString errorText(const QSqlError& error) const = 0;
    // The statement that makes a store's row, from the INSERT the store rule writes.
    virtual QString createRow(const QString& insert) const { return insert; }
    // Whether a createRow that made no row may have met the same row made by another store
    // at that moment: the store then writes into that one. Otherwise no row was made.
    virtual bool rowMayExist() const { return false; }
    // Whether the server (or the network) dropped the connection.
    virtual bool dropped() const { return false; }
    // Before each store, browse step and listing: a connection the server dropped is opened
    // again, once per call. False and *error (for the user) when that fails.
    virtual bool ensureOpen(QString* /*error*/) { return true; }
};

// The archive in an SQLite file at path: created with the schema when the file does not
// exist or is empty; otherwise checked to hold both tables with their columns and to read
// whole (PRAGMA quick_check). Another program making the same file at the same moment is
// waited for (kBusyWaitMs at most) and its tables taken. nullptr and *error (for the user)
// when it cannot be opened, is busy, damaged or not an archive; a file is never removed.
std::unique_ptr<Connection> openSqliteFile(const QString& path, QString* error);

// The archive on a PostgreSQL server at a postgresql:// address (libpq's form, without a
// password: libpq finds it in its own places). The tables are made on first use, under a
// lock so that two programs making them at once both go on; tables of those names with
// other columns are refused and left as they were. nullptr and *error (for the user, with
// the server's words) when the server cannot be reached, refuses the login or the rights.
std::unique_ptr<Connection> openPostgres(const QString& url, QString* error);

}  // namespace vilt::archive
