// A tariff file against a meter's schedule and calendar: which zone slots differ, which
// special days are only on one side or of another type, a list in another order, and the
// file's days past what the meter holds.

#include <QtTest>

#include "tariff/compare.h"

using namespace vilt::tariff;

namespace {

const QStringList kDayTypes = {"working", "Saturday", "holiday"};

// "2 Saturday 23 3": season 2, Saturday, hour 23 on tariff index 3 (T4).
Schedule scheduleWith(const QStringList& zones) {
    Schedule schedule = defaultSchedule();
    for (const QString& text : zones) {
        const QStringList part = text.split(' ');
        const auto day = static_cast<DayType>(kDayTypes.indexOf(part[1]));
        schedule[size_t(part[0].toInt() - 1)].zones[size_t(slotIndex(day, part[2].toInt()))] =
            uint8_t(part[3].toInt());
    }
    return schedule;
}

// Records in order, "7.01/1" for the 7th of January, type 1; "" leaves a record empty.
SpecDays daysOf(const QStringList& records) {
    SpecDays days;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (records[i].isEmpty()) continue;
        const QStringList part = records[i].split(QRegularExpression("[./]"));
        days.records[size_t(i)] = {part[0].toInt(), part[1].toInt(), part[2].toInt()};
    }
    days.count = int32_t(records.size());
    return days;
}

// The n days from the 1st of January on, holidays.
QStringList januaryDays(int n) {
    QStringList days;
    for (int d = 1; d <= n; ++d) days << QStringLiteral("%1.01/1").arg(d);
    return days;
}

QString zoneText(const ZoneDifference& d) {
    return QStringLiteral("%1 %2 %3: %4/%5")
        .arg(d.season)
        .arg(kDayTypes[int(d.day)])
        .arg(d.hour)
        .arg(d.file)
        .arg(d.meter);
}

// "9.05: 1/-": the date, the file's type and the meter's; "-" where a side has none.
QString dayText(const DayDifference& d) {
    const auto type = [](std::optional<int> t) { return t ? QString::number(*t) : "-"; };
    return QStringLiteral("%1.%2: %3/%4")
        .arg(d.day)
        .arg(d.month, 2, 10, QLatin1Char('0'))
        .arg(type(d.file), type(d.meter));
}

}  // namespace

class TstTariffCompare : public QObject {
    Q_OBJECT
  private slots:
    void compare_data() {
        QTest::addColumn<QStringList>("fileSlots");
        QTest::addColumn<QStringList>("meterSlots");
        QTest::addColumn<QStringList>("fileDays");
        QTest::addColumn<QStringList>("meterDays");
        QTest::addColumn<QStringList>("zones");
        QTest::addColumn<QStringList>("days");
        QTest::addColumn<int>("notCompared");
        QTest::addColumn<bool>("otherOrder");
        const QStringList none;
        const QStringList two = {"7.01/1", "8.03/1"};

        QTest::newRow("equal") << QStringList{"3 working 7 2"} << QStringList{"3 working 7 2"}
                               << two << two << none << none << 0 << false;
        // Season order first, then the slot: working day, Saturday, holiday, hour by hour.
        QTest::newRow("zones differ")
            << QStringList{"2 Saturday 23 1", "12 holiday 0 3"}
            << QStringList{"12 holiday 0 2", "2 Saturday 23 3", "2 working 5 1"} << two << two
            << QStringList{"2 working 5: 0/1", "2 Saturday 23: 1/3", "12 holiday 0: 3/2"} << none
            << 0 << false;
        QTest::newRow("only in the meter")
            << none << none << QStringList{"7.01/1"} << QStringList{"7.01/1", "25.12/0"} << none
            << QStringList{"25.12: -/0"} << 0 << false;
        QTest::newRow("only in the file")
            << none << none << QStringList{"1.05/1", "7.01/1"} << QStringList{"7.01/1"} << none
            << QStringList{"1.05: 1/-"} << 0 << false;
        QTest::newRow("another type on both")
            << none << none << QStringList{"7.01/1", "9.05/1"} << QStringList{"9.05/0", "7.01/1"}
            << none << QStringList{"9.05: 1/0"} << 0 << false;
        // A date listed twice is matched record by record: one of the two differs.
        QTest::newRow("a date twice, one of another type")
            << none << none << QStringList{"7.01/1", "7.01/1"} << QStringList{"7.01/0", "7.01/1"}
            << none << QStringList{"7.01: 1/0"} << 0 << false;
        QTest::newRow("same days, another order")
            << none << none << two << QStringList{"8.03/1", "7.01/1"} << none << none << 0 << true;
        // An empty record between two days does not end the meter's list.
        QTest::newRow("an empty record in the meter")
            << none << none << two << QStringList{"7.01/1", "", "8.03/1"} << none << none << 0
            << false;
        // The meter holds 24; records 25-30 on the meter's side are left from the file's list
        // (a calendar read keeps them), not read from the meter.
        QTest::newRow("file past the meter")
            << none << none << januaryDays(26) << januaryDays(26) << none << none << 2 << false;
        QTest::newRow("file past the meter, a held day differs")
            << none << none << januaryDays(30)
            << januaryDays(23) + QStringList{"24.01/0", "25.01/1"} << none
            << QStringList{"24.01: 1/0"} << 6 << false;
    }
    void compare() {
        QFETCH(QStringList, fileSlots);
        QFETCH(QStringList, meterSlots);
        QFETCH(QStringList, fileDays);
        QFETCH(QStringList, meterDays);
        QFETCH(QStringList, zones);
        QFETCH(QStringList, days);
        QFETCH(int, notCompared);
        QFETCH(bool, otherOrder);
        const TariffComparison c = compareTariffs(scheduleWith(fileSlots), daysOf(fileDays),
                                                  scheduleWith(meterSlots), daysOf(meterDays));
        QStringList zonesFound;
        for (const ZoneDifference& d : c.zones) zonesFound << zoneText(d);
        QStringList daysFound;
        for (const DayDifference& d : c.days) daysFound << dayText(d);
        QCOMPARE(zonesFound, zones);
        QCOMPARE(daysFound, days);
        QCOMPARE(c.notCompared, notCompared);
        QCOMPARE(c.otherOrder, otherOrder);
        QCOMPARE(c.equal(), zones.isEmpty() && days.isEmpty());
    }

    // The end dates never reach the meter, so they never differ.
    void endDatesAreNotCompared() {
        Schedule file = defaultSchedule();
        file[0].endDay = 15;
        file[0].endMonth = 2;
        QVERIFY(compareTariffs(file, {}, defaultSchedule(), {}).equal());
    }
};

QTEST_GUILESS_MAIN(TstTariffCompare)
#include "tst_tariff_compare.moc"
