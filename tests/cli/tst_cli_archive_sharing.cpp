// vilt-cli and an archive file that other programs use too: two programs making the same new
// archive at once, a file another program holds locked, and a damaged one.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <algorithm>

#include "support/cli_fixture.h"

using namespace vilt;
using test::json;

namespace {

const QString kDay = QStringLiteral("2010-03-04");

// The dates and numbers of a profile listing, sorted: "2010-03-04/11111".
QStringList storedDays(const QJsonObject& listing) {
    QStringList days;
    for (const QJsonValue day : listing["days"].toArray())
        days << QStringLiteral("%1/%2").arg(day["date"].toString()).arg(day["factory"].toInteger());
    days.sort();
    return days;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TstCliArchiveSharing : public QObject, private test::CliFixture {
    Q_OBJECT

    // A meter whose clock makes kDay yesterday, with a profile for that day.
    static std::unique_ptr<test::SimProcess> meter(const QString& factory) {
        auto sim = std::make_unique<test::SimProcess>(
            QStringList{"--factory", factory, "--clock", "2010-03-05 12:00:00"});
        QString error;
        if (!sim->start(&error))
            qWarning("%s", qPrintable(error));
        else if (!sim->control("set profile " + kDay + " " + QString(48 * 4, '1')))
            qWarning("the meter took no profile");
        return sim;
    }

    // An archive made by vilt-cli: it opens (and makes) the archive before the port, which
    // here cannot be opened.
    QString emptyArchive(const QString& name) const {
        const QString path = inDir(name);
        const test::CliRun run = here({"--archive", path, "profile", "read", kDay});
        if (run.exitCode != 2) qWarning("making %s: %s", qPrintable(name), qPrintable(run.err));
        return path;
    }

  private slots:
    void init() { makeFolder(); }
    void cleanup() { clear(); }

    // Two vilt-cli started together on a path where no archive is yet, each reading its own
    // meter: the file is made once, stays, and holds both days. Each run is told apart so one
    // failure shows what went wrong.
    void twoCreatorsAtOnce() {
        const QStringList factories{"11111", "22222"};
        std::vector<std::unique_ptr<test::SimProcess>> meters;
        for (const QString& factory : factories) {
            meters.push_back(meter(factory));
            QVERIFY(!meters.back()->slavePath().isEmpty());
        }
        const QStringList expected{kDay + "/11111", kDay + "/22222"};
        QStringList faults;
        for (int run = 1; run <= 30; ++run) {
            const QString path = inDir(QStringLiteral("run-%1.db").arg(run));
            std::array<QProcess, 2> programs;
            for (size_t i = 0; i < programs.size(); ++i) {
                programs[i].setWorkingDirectory(m_dir->path());
                programs[i].start(test::programFromEnv("VILT_CLI"),
                                  {"--port", meters[i]->slavePath(), "--fast", "--timeout", "60",
                                   "--mode", "factory", "--factory", factories[i], "--archive",
                                   path, "profile", "read", kDay});
            }
            for (size_t i = 0; i < programs.size(); ++i) {
                QProcess& program = programs[i];
                if (!program.waitForFinished(test::kCliFinishMs)) {
                    program.kill();
                    program.waitForFinished();
                    faults << QStringLiteral("run %1, meter %2: hung").arg(run).arg(factories[i]);
                } else if (program.exitStatus() != QProcess::NormalExit ||
                           program.exitCode() != 0) {
                    faults << QStringLiteral("run %1, meter %2: exit %3: %4")
                                  .arg(run)
                                  .arg(factories[i])
                                  .arg(program.exitCode())
                                  .arg(QString::fromUtf8(program.readAllStandardError()).trimmed());
                }
            }
            if (!QFileInfo::exists(path)) {
                faults << QStringLiteral("run %1: the archive is gone").arg(run);
                continue;
            }
            const test::CliRun listing = here({"--json", "--archive", path, "archive", "profiles"});
            const QStringList stored = storedDays(json(listing.out));
            if (listing.exitCode != 0 || stored != expected)
                faults << QStringLiteral("run %1: stored %2 %3")
                              .arg(run)
                              .arg(stored.join(' '), listing.err);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }

    // An archive another program holds locked, or one whose tables are damaged, ends a
    // command that stores with exit 5 before any port is opened, names the file, and leaves
    // it as it was.
    void unusableArchive_data() {
        QTest::addColumn<bool>("locked");  // else: the pages after the first zeroed
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("told");
        const QStringList profile{"profile", "read", kDay};
        const QStringList months{"energy", "read", "--months"};
        QTest::newRow("locked, profile") << true << profile << "занят";
        QTest::newRow("damaged, profile") << false << profile << "повреждён";
        QTest::newRow("damaged, months") << false << months << "повреждён";
        QTest::newRow("damaged, listing")
            << false << QStringList{"archive", "months"} << "повреждён";
    }
    void unusableArchive() {
        QFETCH(bool, locked);
        QFETCH(QStringList, command);
        QFETCH(QString, told);
        const QString path = emptyArchive("a.db");
        QByteArray bytes = bytesOf(path);
        QVERIFY(bytes.size() > 4096);
        if (!locked) {
            const int pageSize = (uchar(bytes[16]) << 8) | uchar(bytes[17]);
            bytes.replace(pageSize, bytes.size() - pageSize,
                          QByteArray(bytes.size() - pageSize, '\0'));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        test::CliRun run;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "holder");
            db.setDatabaseName(path);
            QVERIFY(!locked || (db.open() && QSqlQuery(db).exec("BEGIN EXCLUSIVE")));
            run = here(QStringList{"--archive", path} + command);
            db.close();
        }
        QSqlDatabase::removeDatabase("holder");
        QCOMPARE(run.exitCode, 5);
        QVERIFY2(run.err.contains(told) && run.err.contains(path), qPrintable(run.err));
        QCOMPARE(run.out, QString());
        QCOMPARE(bytesOf(path), bytes);
    }
};

QTEST_GUILESS_MAIN(TstCliArchiveSharing)
#include "tst_cli_archive_sharing.moc"
