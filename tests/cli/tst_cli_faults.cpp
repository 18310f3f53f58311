// The fault table: each reading command against the virtual meter with each way a reply can
// go wrong, one cell a run. A cell is right when the command either read everything (exit 0,
// the same output as with no fault) or failed and said so (exit status not 0, a reason on
// standard error). Success with something missing or different is wrong, and so is a failure
// without a word. The figures are printed; every cell must be right.

#include <QtTest>

#include "support/cli_fixture.h"

using namespace vilt;

namespace {

struct Command {
    QString name;
    QStringList arguments;  // after the connection options
    QStringList codes;      // the command codes a fault is put on, in hex
};

// The reading commands and the requests they depend on.
const QList<Command>& commands() {
    static const QList<Command> list = {
        {"energy read --months", {"--json", "--no-store", "energy", "read", "--months"},
         {"16", "12"}},
        {"limits read", {"--json", "limits", "read"}, {"2b"}},
        {"calib read", {"--json", "calib", "read"}, {"27"}},
    };
    return list;
}

// Every way a reply goes wrong that the virtual meter plays, for good or only at first.
const QStringList kFaults = {"silent",     "crc",        "code",      "extra",
                             "missing",    "split 600",  "delay 400", "silent 0 1",
                             "crc 0 2",    "missing 0 3"};

enum class Cell { Read, Told, Wrong };

Cell judge(const test::CliRun& run, const test::CliRun& clean) {
    if (run.exitCode == 0) return run.out == clean.out ? Cell::Read : Cell::Wrong;
    return run.exitCode > 0 && !run.err.isEmpty() ? Cell::Told : Cell::Wrong;
}

struct Tally {
    int read = 0;
    int told = 0;
    int wrong = 0;
    QStringList wrongCells;

    void add(Cell cell, const QString& where) {
        if (cell == Cell::Read) ++read;
        if (cell == Cell::Told) ++told;
        if (cell == Cell::Wrong) {
            ++wrong;
            wrongCells << where;
        }
    }
    QString line(const QString& what) const {
        return QStringLiteral("%1: %2 cells, %3 read whole, %4 failed and told, %5 wrong")
            .arg(what)
            .arg(read + told + wrong)
            .arg(read)
            .arg(told)
            .arg(wrong);
    }
};

// A round's summary with what changes from run to run (the clock offset) left out.
QString roundSummary(const QString& json) {
    QStringList rows;
    for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array()) {
        const QJsonObject meter = value.toObject();
        rows << QStringLiteral("%1 %2 %3")
                    .arg(meter.value("line").toInt())
                    .arg(meter.value("ok").toBool())
                    .arg(meter.value("energy").toDouble());
    }
    return rows.join('\n');
}

}  // namespace

class TstCliFaults : public QObject, private test::CliFixture {
    Q_OBJECT

  private slots:
    void init() { makeFolder(); }
    void cleanup() { clear(); }

    void readingCommands() {
        startMeter({"--model", "7"});
        Tally all;
        for (const Command& command : commands()) {
            QVERIFY(m_sim->control("clear"));
            const test::CliRun clean = cli(command.arguments);
            QCOMPARE(clean.exitCode, 0);
            Tally tally;
            for (const QString& code : command.codes) {
                for (const QString& fault : kFaults) {
                    QVERIFY(m_sim->control("clear"));
                    QVERIFY(m_sim->control(QStringLiteral("fault %1 %2").arg(code, fault)));
                    const Cell cell = judge(cli(command.arguments), clean);
                    const QString where = QStringLiteral("%1 / %2 %3").arg(command.name, code, fault);
                    tally.add(cell, where);
                    all.add(cell, where);
                }
            }
            qInfo().noquote() << tally.line(command.name);
        }
        QVERIFY2(all.wrong == 0, qPrintable(all.wrongCells.join("; ")));
    }

    // Three meters, the middle one with the fault on every command: the round must tell it
    // as failed (or as read whole), and the other two as read.
    void roundOfThree() {
        QList<std::shared_ptr<test::SimProcess>> meters;
        for (const char* factory : {"11111", "22222", "33333"}) {
            meters << std::make_shared<test::SimProcess>(
                QStringList{"--factory", factory, "--model", "7"});
            QString error;
            QVERIFY2(meters.last()->start(&error), qPrintable(error));
        }
        QString lines;
        for (qsizetype i = 0; i < meters.size(); ++i)
            lines += QStringLiteral("%1;;%2;;meter %3\n")
                         .arg(meters[i]->slavePath())
                         .arg(11111 * (i + 1))
                         .arg(i + 1);
        const QString file = inDir("round.csv");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(lines.toUtf8());
        out.close();
        const QStringList round{"--json", "--no-store", "--fast", "--timeout", "60", "round", file};

        const test::CliRun clean = test::runCli(round, {}, 150000);
        QCOMPARE(clean.exitCode, 0);
        Tally tally;
        for (const QString& fault : kFaults) {
            QVERIFY(meters[1]->control("clear"));
            QVERIFY(meters[1]->control("fault all " + fault));
            const test::CliRun run = test::runCli(round, {}, 150000);
            const QJsonArray summary = QJsonDocument::fromJson(run.out.toUtf8()).array();
            const bool othersRead = summary.size() == 3 && summary[0].toObject()["ok"].toBool() &&
                                    summary[2].toObject()["ok"].toBool();
            const QJsonObject middle = summary.size() == 3 ? summary[1].toObject() : QJsonObject();
            Cell cell = Cell::Wrong;
            if (othersRead && run.exitCode == 0 && roundSummary(run.out) == roundSummary(clean.out))
                cell = Cell::Read;
            if (othersRead && run.exitCode == 1 && !middle["ok"].toBool() &&
                !middle["result"].toString().isEmpty())
                cell = Cell::Told;
            tally.add(cell, "round / " + fault);
        }
        qInfo().noquote() << tally.line(QStringLiteral("round of three meters"));
        QVERIFY2(tally.wrong == 0, qPrintable(tally.wrongCells.join("; ")));
    }
};

QTEST_GUILESS_MAIN(TstCliFaults)
#include "tst_cli_faults.moc"
