// The report reads the meter through the station's readings in the open session, and names
// what it could not read in the words a visit's result uses: the same fault, the same words,
// whether a round, the dial-up batch or the report tells it.

#include <QtTest>

#include "report/report_reads.h"
#include "sim/command_codes.h"
#include "station/station.h"
#include "station/visit_result.h"
#include "support/fake_line.h"
#include "support/virtual_clock.h"

using namespace vilt;

class TstReportReads : public QObject {
    Q_OBJECT

  private slots:
    void sameWordsAsAVisit_data() {
        QTest::addColumn<int>("silent");  // the command the meter does not answer; 0: none
        QTest::addColumn<QStringList>("said");
        QTest::newRow("all read") << 0 << QStringList();
        QTest::newRow("clock silent")
            << int(sim::kReadClockCode) << QStringList{"часы: Нет связи !!!"};
        QTest::newRow("month-end readings silent")
            << int(sim::kMonthEndCode)
            << QStringList{"энергия: Не прочитаны месяцы: 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12"};
        QTest::newRow("journals silent")
            << int(sim::kJournalCode) << QStringList{"события: Нет связи !!!"};
        QTest::newRow("profile silent")
            << int(sim::kProfileCode) << QStringList{"профиль: Нет связи !!!"};
    }
    void sameWordsAsAVisit() {
        QFETCH(int, silent);
        QFETCH(QStringList, said);
        sim::VirtualMeter meter;
        auto clock = std::make_unique<test::VirtualClock>();
        auto line = std::make_unique<test::FakeLine>(meter, *clock);
        line->Close();
        station::Station station(std::move(line), std::move(clock));
        station::Settings settings;
        settings.access = link::AccessMode::ByFactoryNumber;
        settings.factory = meter.state().factory;
        QVERIFY(station.open(settings).ok());
        if (silent) meter.setFault(silent, sim::Fault{sim::FaultKind::Silent});

        report::ReportRequest request;
        request.factory = settings.factory;
        request.identity = station.identity();
        request.day = QDate(2026, 12, 9);
        const report::ReportData data = report::readForReport(station, request);
        QCOMPARE(report::reportFailures(data), said);

        station::VisitOutcome visit;
        visit.reads.clock = data.clock;
        visit.clockOffset = data.clockOffset;
        visit.reads.energy = data.energy;
        visit.reads.events = data.events;
        visit.profile = data.profile;
        QCOMPARE(station::visitResult(visit, std::nullopt).faultTexts(), said);
    }
};

QTEST_GUILESS_MAIN(TstReportReads)
#include "tst_report_reads.moc"
