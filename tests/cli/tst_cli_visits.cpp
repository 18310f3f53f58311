// The record of visits through vilt-cli: `archive visits` against a fixture archive, and the
// round leaving one row per meter it visited.

#include <QtTest>

#include "archive/archive.h"
#include "support/archive_rig.h"
#include "support/cli_fixture.h"

using namespace vilt;
using test::json;

namespace {

QDateTime at(const QString& text) {
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Labels of a JSON listing, in its order.
QStringList labelsOf(const QString& out) {
    QStringList labels;
    for (const QJsonValue visit : json(out)["visits"].toArray())
        labels << visit["label"].toString();
    return labels;
}

// The fixture's listing as JSON. Plain literals: moc counts the braces inside raw strings, and
// pieces of a document do not balance.
const QString kFixtureJson = QStringLiteral(
    "{\"visits\":[{\"visited\":\"2024-03-01T09:30:00\",\"station\":\"Склад\","
    "\"factory\":22222,\"label\":\"Дача\\u001b[2J\",\"result\":\"session: Нет связи\","
    "\"energy\":null,\"offset\":null},"
    "{\"visited\":\"2024-03-02T10:00:00\",\"station\":\"ws-1\",\"factory\":11111,"
    "\"label\":\"ТП-1\",\"result\":\"ok\",\"energy\":123.45,\"offset\":-2},"
    "{\"visited\":\"2024-03-02T10:00:00\",\"station\":\"ws-1\",\"factory\":11111,"
    "\"label\":\"\",\"result\":\"energy: Нет связи !!!\",\"energy\":0,\"offset\":4000}]}");

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TstCliVisits : public QObject, private test::CliFixture {
    Q_OBJECT

    QString archivePath() const { return inDir(QStringLiteral("Counter_VILT3.db")); }

    // Three visits, stored out of time order: a meter read, a session that failed from
    // another station with a label that would steer a terminal, and a failed energy read in
    // the same second as the first.
    void storeFixture() {
        QString error;
        auto archive = archive::Archive::open(archivePath(), &error);
        QVERIFY2(archive, qPrintable(error));
        const QList<archive::VisitRecord> visits = {
            {at("2024-03-02 10:00:00"), "ws-1", 11111, "ТП-1", "ok", -2, 12345},
            {at("2024-03-01 09:30:00"),
             "Склад",
             22222,
             "Дача\x1b[2J",
             "session: Нет связи",
             {},
             {}},
            {at("2024-03-02 10:00:00"), "ws-1", 11111, "", "energy: Нет связи !!!", 4000, 0},
        };
        for (const archive::VisitRecord& visit : visits)
            QCOMPARE(archive->storeVisit(visit).status, archive::StoreStatus::Stored);
    }

    test::CliRun runRound(const QString& lines, const QStringList& options) {
        QFile file(inDir("round.csv"));
        if (!file.open(QIODevice::WriteOnly)) return {};
        file.write(lines.toUtf8());
        file.close();
        return test::runCli(QStringList{"--archive", archivePath(), "--fast", "--timeout", "100"} +
                                options + QStringList{"--json", "round", file.fileName()},
                            {}, 150000);
    }

  private slots:
    void init() { makeFolder(); }
    void cleanup() { clear(); }

    void listsVisits() {
        storeFixture();
        test::CliRun run = here({"archive", "visits"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.split('\n'),
                 (QStringList{
                     "visited              station  factory  label        energy  offset  result",
                     "2024-03-01 09:30:00  Склад      22222  Дача\\x1b[2J                  "
                     "session: Нет связи",
                     "2024-03-02 10:00:00  ws-1       11111  ТП-1         123.45      -2  ok",
                     "2024-03-02 10:00:00  ws-1       11111                    0    4000  "
                     "energy: Нет связи !!!"}));
        run = here({"--json", "archive", "visits"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, kFixtureJson);
    }

    // --csv in the conventions of the locale the program runs under; it and --json exclude
    // each other.
    void listsVisitsAsCsv_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("row");
        QTest::newRow("Russian") << "ru_RU.UTF-8" << "02.03.2024 10:00:00;ws-1;11111;ТП-1;ok;-2;123,45";
        QTest::newRow("C") << "C.UTF-8" << "2024-03-02 10:00:00,ws-1,11111,ТП-1,ok,-2,123.45";
    }
    void listsVisitsAsCsv() {
        QFETCH(QString, locale);
        QFETCH(QString, row);
        storeFixture();
        const QByteArray before = qgetenv("LC_ALL");
        qputenv("LC_ALL", locale.toLatin1());
        const test::CliRun run = here({"--csv", "archive", "visits"});
        const test::CliRun both = here({"--csv", "--json", "archive", "visits"});
        qputenv("LC_ALL", before);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = run.out.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 4);  // the heading and three visits (the last line ending trimmed)
        QCOMPARE(lines[2], row);
        QCOMPARE(both.exitCode, 2);
        QVERIFY2(both.err.contains("--csv and --json exclude each other"), qPrintable(both.err));
    }

    void filters_data() {
        QTest::addColumn<QStringList>("filter");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("one meter")
            << QStringList{"--factory", "22222"} << QStringList{"Дача\x1b[2J"};
        QTest::newRow("one day") << QStringList{"--from", "2024-03-02", "--to", "2024-03-02"}
                                 << QStringList{"ТП-1", ""};
        QTest::newRow("nothing") << QStringList{"--from", "2024-03-03"} << QStringList{};
    }
    void filters() {
        QFETCH(QStringList, filter);
        QFETCH(QStringList, labels);
        storeFixture();
        const test::CliRun run = here(QStringList{"--json", "archive", "visits"} + filter);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(labelsOf(run.out), labels);
        if (labels.isEmpty()) QCOMPARE(here(QStringList{"archive", "visits"} + filter).out, "");
    }

    // No visit recorded yet is an empty listing, and a listing changes no file; a missing
    // file is told, and none is made.
    void nothingRecorded_data() {
        QTest::addColumn<QString>("file");  // "archive": one without the visits table
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        const QString none = QStringLiteral("{\"visits\":[]}");
        QTest::newRow("archive without visits") << "archive" << 0 << none;
        QTest::newRow("empty file") << "empty" << 0 << none;
        QTest::newRow("missing file") << "missing" << 5 << "";
    }
    void nothingRecorded() {
        QFETCH(QString, file);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        if (file == "archive") {
            QString error;
            QVERIFY2(archive::Archive::open(archivePath(), &error), qPrintable(error));
        } else if (file == "empty") {
            QFile empty(archivePath());
            QVERIFY(empty.open(QIODevice::WriteOnly));
        }
        const QByteArray before = bytesOf(archivePath());
        const test::CliRun run = here({"--json", "archive", "visits"});
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out, out);
        QCOMPARE(bytesOf(archivePath()), before);
        QCOMPARE(QFileInfo::exists(archivePath()), file != "missing");
    }

    // Told before any archive is touched.
    void badArguments_data() {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("told");
        QTest::newRow("bad day") << QStringList{"archive", "visits", "--from", "2024-02-30"}
                                 << "bad value for --from";
        QTest::newRow("days crossed")
            << QStringList{"archive", "visits", "--from", "2024-03-02", "--to", "2024-03-01"}
            << "is before";
        QTest::newRow("unknown option")
            << QStringList{"archive", "visits", "--label", "x"} << "unknown option --label";
        QTest::newRow("station empty")
            << QStringList{"--station=", "archive", "visits"} << "bad value for --station";
        QTest::newRow("station too long")
            << QStringList{"--station", QString(65, 'x'), "archive", "visits"}
            << "bad value for --station";
        QTest::newRow("station steering")
            << QStringList{"--station", "a\x1b[2Jb", "archive", "visits"}
            << "bad value for --station";
    }
    void badArguments() {
        QFETCH(QStringList, command);
        QFETCH(QString, told);
        const test::CliRun run = here(command);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(told) && !run.err.contains('\x1b'), qPrintable(run.err));
        QVERIFY(QDir(m_dir->path()).isEmpty());
    }

    // A round of two meters, one that answers and one that does not: a row for each, under
    // the station named, with what the summary said.
    void roundRecordsEachMeter() {
        test::SimProcess answers({"--factory", "11111", "--password", "4321"});
        test::SimProcess silent({"--factory", "22222", "--fault", "all silent"});
        QString error;
        QVERIFY2(answers.start(&error) && silent.start(&error), qPrintable(error));
        QVERIFY(answers.control("set energy active 12345 0 0 0"));
        const test::CliRun run = runRound(QStringLiteral("%1;;11111;4321;ТП-1\n%2;;22222;;Молчун\n")
                                              .arg(answers.slavePath(), silent.slavePath()),
                                          {"--station", "Склад 3"});
        QCOMPARE(run.exitCode, 1);
        const QJsonArray summary = QJsonDocument::fromJson(run.out.toUtf8()).array();
        QCOMPARE(summary.size(), 2);

        const test::CliRun listed = here({"--json", "archive", "visits"});
        const QJsonArray visits = json(listed.out)["visits"].toArray();
        QCOMPARE(visits.size(), 2);
        // The two ports ran at once: the rows come in the order the visits ended.
        QMap<QString, QJsonObject> byLabel;
        for (const QJsonValue& visit : visits) byLabel[visit["label"].toString()] = visit.toObject();
        for (int i = 0; i < 2; ++i) {
            const QJsonObject visit = byLabel.value(summary[i]["label"].toString());
            QCOMPARE(visit["station"].toString(), QStringLiteral("Склад 3"));
            for (const char* key : {"label", "factory", "result", "energy", "offset"})
                QCOMPARE(visit[key], summary[i][key]);
        }
        QCOMPARE(byLabel["ТП-1"]["result"].toString(), "успешно");
        QCOMPARE(byLabel["ТП-1"]["energy"].toDouble(), 123.45);
        QVERIFY(byLabel["Молчун"]["result"].toString().startsWith("сеанс: "));
        QVERIFY(byLabel["Молчун"]["offset"].isNull());
    }

    // The archive refusing the visit fails the meter, says why, and keeps its readings.
    void refusedRecordFailsTheMeter() {
        QString error;
        {
            auto archive = archive::Archive::open(archivePath(), &error);
            QVERIFY2(archive, qPrintable(error));
            QCOMPARE(
                archive->storeVisit({at("2024-03-01 08:00:00"), "ws", 1, "", "ok", {}, {}}).status,
                archive::StoreStatus::Stored);
        }
        test::refuseInserts(archivePath(), "visits");
        test::SimProcess meter({"--factory", "11111", "--password", "4321"});
        QVERIFY2(meter.start(&error), qPrintable(error));
        const test::CliRun run = runRound(meter.slavePath() + ";;11111;4321;ТП-1\n", {});
        QCOMPARE(run.exitCode, 1);
        const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8()).array()[0].toObject();
        QVERIFY(!result["ok"].toBool());
        QCOMPARE(result["result"].toString(), "архив: disk says no");
        QVERIFY2(run.err.contains("round.csv:1: архив: disk says no"), qPrintable(run.err));
        QCOMPARE(json(here({"--json", "archive", "visits"}).out)["visits"].toArray().size(), 1);
        QCOMPARE(json(here({"--json", "archive", "months", "--factory", "11111"}).out)["rows"]
                     .toArray()
                     .size(),
                 1);
    }
};

QTEST_GUILESS_MAIN(TstCliVisits)
#include "tst_cli_visits.moc"
