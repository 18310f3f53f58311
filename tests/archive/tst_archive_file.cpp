// What only the archive file has: bytes that are not an archive or are damaged, another
// program holding the file locked, a place that is no file. The cases both engines share are
// in tst_archive.cpp.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <future>
#include <latch>
#include <thread>

#include "archive/archive.h"
#include "support/archive_values.h"

using namespace vilt;
using archive::Archive;
using archive::StoreStatus;

using test::Slots;
using test::slotValues;
using test::stored;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The archive's bytes with the pages after the first zeroed, as a failing disk leaves them:
// the schema on the first page still reads, the tables do not. The change counter moves on,
// so a connection that has the file open reads it again.
QByteArray zeroTables(QByteArray bytes) {
    const int pageSize = (uchar(bytes[16]) << 8) | uchar(bytes[17]);
    if (bytes.size() <= pageSize) qFatal("zeroTables: one page only");
    bytes.replace(pageSize, bytes.size() - pageSize, QByteArray(bytes.size() - pageSize, '\0'));
    bytes[27] = char(bytes[27] + 1);
    return bytes;
}

// An archive with a row in each table, its tables zeroed.
QByteArray zeroedTables() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("z.db"));
    {
        QString error;
        auto archive = Archive::open(path, &error);
        if (!archive) qFatal("zeroedTables: %s", qPrintable(error));
        archive->storeMonth(1, 1, {1, 2, 3, 4});
        archive->storeProfile(QDate(2024, 1, 1), 1, {});
    }
    return zeroTables(bytesOf(path));
}

// Another program's connection that holds the file locked (BEGIN EXCLUSIVE) on a thread of
// its own, from start until release is set (or at once when it is never waited for).
class Holder {
  public:
    explicit Holder(const QString& path, std::chrono::milliseconds hold = std::chrono::hours(1))
        : thread_([this, path, hold] {
              const QString name = QStringLiteral("holder");
              {
                  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                  db.setDatabaseName(path);
                  QSqlQuery query(db);
                  const bool held = db.open() && query.exec(QStringLiteral("BEGIN EXCLUSIVE"));
                  holding_.set_value(held);
                  if (held) {
                      releasing_.get_future().wait_for(hold);
                      query.exec(QStringLiteral("COMMIT"));
                  }
                  db.close();
              }
              QSqlDatabase::removeDatabase(name);
          }) {}
    ~Holder() {
        release();
        thread_.join();
    }
    bool holding() { return holding_.get_future().get(); }
    void release() {
        if (!released_) releasing_.set_value();
        released_ = true;
    }

  private:
    std::promise<bool> holding_;
    std::promise<void> releasing_;
    bool released_ = false;
    std::thread thread_;
};

}  // namespace

class TstArchiveFile : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;

    std::unique_ptr<Archive> open() {
        QString error;
        auto archive = Archive::open(path_, &error);
        if (!archive) qWarning("open: %s", qPrintable(error));
        return archive;
    }

    // Rows of srez numbered by their day: day n is 2024-01-0n, with the given numbers.
    void seedProfiles(const QList<qint64>& numbers) {
        auto archive = open();
        QVERIFY(archive);
        test::seedProfiles(*archive, numbers);
    }

    static QString shownDay(const std::optional<archive::ProfileRow>& row) {
        return row ? QString::number(row->day.day()) : QStringLiteral("-");
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        path_ = dir_->filePath(archive::kDefaultFile);
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // The file keeps every byte, no journal appears beside it, and the message names it.
    void refusesWhatIsNotAnArchive_data() {
        QTest::addColumn<QByteArray>("bytes");  // written as the file
        QTest::addColumn<QString>("told");
        QByteArray damaged("SQLite format 3", 16);
        damaged += QByteArray(4080, '\xAB');
        QTest::newRow("text file")
            << QByteArray("Дата;Номер\r\n01.01.2024;5\r\n") << "не база данных SQLite";
        QTest::newRow("damaged database") << damaged << "повреждён";
        QTest::newRow("tables zeroed") << zeroedTables() << "повреждён";
    }
    void refusesWhatIsNotAnArchive() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, told);
        {
            QFile file(path_);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        const QByteArray before = bytesOf(path_);
        QString error;
        QVERIFY(!Archive::open(path_, &error));
        QVERIFY2(error.contains(told), qPrintable(error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(path_)), qPrintable(error));
        QCOMPARE(bytesOf(path_), before);
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{archive::kDefaultFile});
    }

    // Another program holding the file locked: the archive waits the stated time and then
    // says the file is busy (not damaged), leaving it as it was; a lock let go within the
    // wait costs only the wait, for the open and for a store.
    void heldByAnotherProgram() {
        seedProfiles({7});
        const QByteArray before = bytesOf(path_);
        const QString waited = QStringLiteral("%1 с").arg(archive::kBusyWaitMs / 1000);
        {
            Holder holder(path_);
            QVERIFY(holder.holding());
            QString error;
            QVERIFY(!Archive::open(path_, &error));
            QVERIFY2(error.contains("занят") && error.contains(waited) &&
                         error.contains(QDir::toNativeSeparators(path_)) &&
                         !error.contains("повреждён"),
                     qPrintable(error));
        }
        QCOMPARE(bytesOf(path_), before);

        auto archive = open();
        QVERIFY(archive);
        {
            Holder holder(path_);
            QVERIFY(holder.holding());
            const auto result = archive->storeProfile(QDate(2024, 1, 1), 7, slotValues(5));
            QCOMPARE(result.status, StoreStatus::Failed);
            QVERIFY2(result.error.contains("занят") && result.error.contains(waited),
                     qPrintable(result.error));
        }
        QCOMPARE(archive->profiles({}, {}, {}).value(0).values, stored(slotValues(0)));

        {
            Holder holder(path_, std::chrono::milliseconds(300));
            QVERIFY(holder.holding());
            QVERIFY(open());
        }
        {
            Holder holder(path_, std::chrono::milliseconds(300));
            QVERIFY(holder.holding());
            QCOMPARE(archive->storeProfile(QDate(2024, 1, 1), 7, slotValues(6)).status,
                     StoreStatus::Stored);
        }
        QCOMPARE(archive->profiles({}, {}, {}).value(0).values, stored(slotValues(6)));
    }

    // Damage that comes while the archive is open is told naming the file, by a store and
    // by a listing.
    void damagedWhileOpen() {
        auto archive = open();
        QVERIFY(archive);
        QCOMPARE(archive->storeMonth(7, 1, {1, 2, 3, 4}).status, StoreStatus::Stored);
        const QByteArray damaged = zeroTables(bytesOf(path_));
        {
            QFile file(path_);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QCOMPARE(file.write(damaged), damaged.size());
        }
        const auto result = archive->storeMonth(7, 2, {1, 2, 3, 4});
        QCOMPARE(result.status, StoreStatus::Failed);
        QVERIFY(archive->months({}).isEmpty());
        for (const QString& told : {result.error, archive->error()})
            QVERIFY2(told.contains("повреждён") && told.contains(QDir::toNativeSeparators(path_)),
                     qPrintable(told));
    }

    void refusesAPlaceWithoutAFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("told");
        QTest::newRow("missing folder") << "нет/Counter_VILT3.db"
                                        << "нет папки";
        QTest::newRow("a folder") << "."
                                  << "это папка";
    }
    void refusesAPlaceWithoutAFile() {
        QFETCH(QString, name);
        QFETCH(QString, told);
        QString error;
        QVERIFY(!Archive::open(dir_->filePath(name), &error));
        QVERIFY2(error.contains(told), qPrintable(error));
        QVERIFY(QDir(dir_->path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstArchiveFile)
#include "tst_archive_file.moc"
