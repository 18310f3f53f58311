#pragma once
// An open archive database and what its engine spells its own way. The store and the browse
// talk only to this; each engine (the SQLite file now) is one implementation.

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
    // A query that counts the tables named by its one bound value: whether a table made on
    // first use (visits) is there yet.
    virtual QString tableCount() const = 0;
    // A failed statement as the user is told it: the database's text, or that the archive is
    // held by another program once the wait for it is over.
    virtual QString errorText(const QSqlError& error) const = 0;
};

// The archive in an SQLite file at path: created with the schema when the file does not
// exist or is empty; otherwise checked to hold both tables with their columns and to read
// whole (PRAGMA quick_check). Another program making the same file at the same moment is
// waited for (kBusyWaitMs at most) and its tables taken. nullptr and *error (for the user)
// when it cannot be opened, is busy, damaged or not an archive; a file is never removed.
std::unique_ptr<Connection> openSqliteFile(const QString& path, QString* error);

}  // namespace vilt::archive
