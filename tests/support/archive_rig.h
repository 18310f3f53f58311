#pragma once
// An archive in a temporary file for an operation to store into, with every statement it
// runs recorded, and a way to make a table refuse new rows as a failing disk would.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtGlobal>
#include <memory>

#include "archive/archive.h"

namespace vilt::test {

// From now on every INSERT into the table of the archive file at path fails with "disk says
// no"; a connection the archive has open sees it on its next store.
inline void refuseInserts(const QString& path, const QString& table) {
    QString trigger = QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON \"%1\" ").arg(table);
    trigger += QStringLiteral("BEGIN SELECT RAISE(ABORT, 'disk says no'); END");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
        db.setDatabaseName(path);
        if (!db.open() || !QSqlQuery(db).exec(trigger))
            qFatal("cannot make %s refuse rows", qPrintable(table));
    }
    QSqlDatabase::removeDatabase(path);
}

struct ArchiveRig {
    QTemporaryDir folder;
    std::unique_ptr<archive::Archive> archive;
    QStringList statements;

    ArchiveRig() {
        QString error;
        archive = archive::Archive::open(path(), &error);
        if (!archive) qFatal("%s", qPrintable(error));
        archive->setStatementRecorder([this](const QString& s) { statements << s; });
    }
    QString path() const { return folder.filePath(QStringLiteral("a.db")); }

    // From now on every INSERT into the table fails with "disk says no"; the archive's own
    // connection stays open and sees it on its next store.
    void refuseInserts(const QString& table) { test::refuseInserts(path(), table); }
};

}  // namespace vilt::test
