// The tariff file: its layout, save and load, damaged files, and a save that cannot
// destroy the file it replaces.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QtTest>
#include <functional>

#include "tariff/tariff_file.h"

using namespace vilt::tariff;

namespace {

// A schedule with something in every field: season n ends on day 28 - n of month 13 - n,
// its slots cycle through the tariffs from n on.
Schedule busySchedule() {
    Schedule schedule{};
    for (int n = 1; n <= kSeasonCount; ++n) {
        Season& season = schedule[size_t(n - 1)];
        season.endDay = 28 - n;
        season.endMonth = 13 - n;
        for (int k = 0; k < kZoneSlotCount; ++k) season.zones[size_t(k)] = uint8_t((n + k) % 4);
    }
    return schedule;
}

// `count` special days, types 0-3 in turn, every record behind them empty.
SpecDays listOf(int count) {
    SpecDays days;
    for (int i = 0; i < count; ++i) days.records[size_t(i)] = {1 + i, 1 + i % 12, i % 4};
    days.count = count;
    return days;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs `save` where the folder cannot be written to: with the folder's write bit taken
// away, and, as root, in a child that has become nobody, since root writes anywhere.
// What the save said, or "(saved)".
QString saveInLockedFolder(const QString& folder,
                           const std::function<std::optional<QString>()>& save) {
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadOther | QFileDevice::ExeOther);
    QString said;
    if (::geteuid() != 0) {
        said = save().value_or("(saved)");
    } else {
        const pid_t child = ::fork();
        if (child == 0) {
            const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
            const auto error = save();
            ::_exit(!dropped ? 3 : !error ? 1 : *error == kFileOpenError ? 0 : 2);
        }
        int status = -1;
        ::waitpid(child, &status, 0);
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        said = code == 0   ? kFileOpenError
               : code == 1 ? QStringLiteral("(saved)")
                           : QStringLiteral("(child ended %1)").arg(code);
    }
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return said;
}

// Runs `save` with files limited to 100 bytes, so its write fails halfway.
QString saveWithFilesCappedAt100Bytes(const std::function<std::optional<QString>()>& save) {
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit capped = old;
    capped.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &capped);
    const auto error = save();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    return error.value_or("(saved)");
}

}  // namespace

class TstTariffFile : public QObject {
    Q_OBJECT
  private slots:
    void defaultScheduleFile() {
        const QByteArray file = saveTariffFile(defaultSchedule(), SpecDays{});
        QCOMPARE(file.size(), 888);
        for (int n = 1; n <= 12; ++n) {
            QByteArray block("\x1F");
            block.append(char(n)).append(QByteArray(72, '\0'));
            QCOMPARE(file.mid(74 * (n - 1), 74).toHex(' '), block.toHex(' '));
        }
    }

    void offsets() {
        Schedule schedule = defaultSchedule();
        schedule[1].zones[size_t(slotIndex(DayType::Saturday, 0))] = 3;
        schedule[11].endDay = 30;
        const QByteArray file = saveTariffFile(schedule, listOf(30));
        QCOMPARE(file.size(), 978);
        QCOMPARE(int(file[100]), 3);   // season 2, Saturday 0:00
        QCOMPARE(int(file[814]), 30);  // season 12's end day
        QCOMPARE(file.mid(888, 3).toHex(' '), "01 01 00");
        QCOMPARE(file.mid(975, 3).toHex(' '), "1e 06 01");  // record 29: 30 June, type 1
    }

    // The list ends at the first empty record; what lies behind it is not saved.
    void saveStopsAtTheFirstEmptyRecord() {
        SpecDays days = listOf(3);
        days.records[4] = {9, 9, 1};
        days.count = 5;
        QCOMPARE(saveTariffFile(defaultSchedule(), days).size(), 888 + 9);
    }

    void roundTrip_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("no special days: 888 bytes") << 0;
        QTest::newRow("five: 903 bytes") << 5;
        QTest::newRow("thirty: 978 bytes") << 30;
    }
    // What is loaded is the file's alone: the list it holds and nothing behind it.
    void roundTrip() {
        QFETCH(int, count);
        const QByteArray file = saveTariffFile(busySchedule(), listOf(count));
        QCOMPARE(file.size(), 888 + 3 * count);
        const auto loaded = loadTariffFile(file);
        QVERIFY(std::holds_alternative<TariffFile>(loaded));
        QCOMPARE(std::get<TariffFile>(loaded), (TariffFile{busySchedule(), listOf(count)}));
    }

    void damaged_data() {
        QTest::addColumn<QByteArray>("file");
        const QByteArray good = saveTariffFile(busySchedule(), listOf(2));  // 894 bytes
        auto with = [&good](int offset, int value) {
            QByteArray file = good;
            file[offset] = char(value);
            return file;
        };
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("887 bytes") << good.left(887);
        QTest::newRow("a special day cut short") << good.left(893);
        QTest::newRow("a byte after the last special day") << good + '\1';
        QTest::newRow("31 special days")
            << saveTariffFile(busySchedule(), listOf(30)) + QByteArray::fromHex("01 01 01");
        QTest::newRow("end day 0") << with(0, 0);
        QTest::newRow("end day 32") << with(74, 32);
        QTest::newRow("end month 0") << with(1, 0);
        QTest::newRow("end month 13") << with(74 * 11 + 1, 13);
        QTest::newRow("slot 4") << with(2, 4);
        QTest::newRow("last slot 255") << with(887, 255);
        QTest::newRow("special day 0") << with(891, 0);
        QTest::newRow("special day 32") << with(888, 32);
        QTest::newRow("special month 0") << with(889, 0);
        QTest::newRow("special month 13") << with(892, 13);
        QTest::newRow("special type 4") << with(893, 4);
        QTest::newRow("special type 255") << with(890, 255);
    }
    void damaged() {
        QFETCH(QByteArray, file);
        const auto loaded = loadTariffFile(file);
        QVERIFY(std::holds_alternative<QString>(loaded));
        QCOMPARE(std::get<QString>(loaded), "Файл тарифов повреждён!");
    }

    void readFromDisk() {
        QTemporaryDir folder;
        const QString path = folder.filePath("summer.tar");
        QCOMPARE(std::get<QString>(readTariffFile(path)), "ошибка открытия файла");
        QVERIFY(writeAll(path, saveTariffFile(busySchedule(), listOf(4))));
        QCOMPARE(std::get<TariffFile>(readTariffFile(path)).days, listOf(4));
        QVERIFY(writeAll(path, QByteArray(1 << 20, '\1')));  // not read whole, still refused
        QCOMPARE(std::get<QString>(readTariffFile(path)), kTariffFileDamaged);
    }

    void saveReplacesTheFile() {
        QTemporaryDir folder;
        const QString path = folder.filePath("t.tar");
        QVERIFY(writeAll(path, QByteArray(2000, 'x')));
        const QByteArray file = saveTariffFile(busySchedule(), listOf(1));
        QVERIFY(!writeTariffFileAtomically(path, file));
        QCOMPARE(readAll(path), file);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"t.tar"});
    }

    void failedSaveKeepsTheOldFile_data() {
        QTest::addColumn<bool>("lockFolder");  // else: the write fails halfway
        QTest::addColumn<QString>("said");
        QTest::newRow("folder cannot be written to") << true << kFileOpenError;
        QTest::newRow("the write fails halfway") << false << kFileWriteError;
    }
    void failedSaveKeepsTheOldFile() {
        QFETCH(bool, lockFolder);
        QFETCH(QString, said);
        QTemporaryDir folder;
        const QString path = folder.filePath("t.tar");
        const QByteArray old = saveTariffFile(defaultSchedule(), listOf(30));
        QVERIFY(writeAll(path, old));
        const auto save = [&] {
            return writeTariffFileAtomically(path, saveTariffFile(busySchedule(), listOf(2)));
        };
        const QString error = lockFolder ? saveInLockedFolder(folder.path(), save)
                                         : saveWithFilesCappedAt100Bytes(save);
        QVERIFY2(error.startsWith(said), qPrintable(error));
        QCOMPARE(readAll(path), old);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"t.tar"});
    }
};

QTEST_GUILESS_MAIN(TstTariffFile)
#include "tst_tariff_file.moc"
