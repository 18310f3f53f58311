// The tariff schedule: packing, the special days' wire form, the zone and calendar commands
// and the read and write sequences against the virtual meter.

#include <QtTest>

#include "sim/crc16.h"
#include "support/metatypes.h"
#include "support/meter_rig.h"
#include "tariff/commands.h"
#include "tariff/sequences.h"

using namespace vilt;
using namespace vilt::tariff;
using link::Check;
using link::Status;
using sim::Fault;
using sim::FaultKind;

namespace {

constexpr uint8_t kReadCalendar = 0x02;
constexpr uint8_t kWriteCalendar = 0x03;
constexpr uint8_t kReadZones = 0x06;
constexpr uint8_t kWriteZones = 0x07;

// T1, T2, T3, T4 in hours 0-3 of the working day, T4 at 0:00 on Saturday and at 23:00 on
// Sunday and holidays, T1 elsewhere.
const QByteArray kZones = QByteArray::fromHex("1B0000000000 C00000000000 000000000003");

QByteArray bytes(std::span<const uint8_t> data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
}

template <size_t N>
std::array<uint8_t, N> array(const QByteArray& from) {
    std::array<uint8_t, N> out{};
    std::copy_n(reinterpret_cast<const uint8_t*>(from.constData()), N, out.begin());
    return out;
}

// A zone map from a list of (slot, tariff); every other slot T1.
QByteArray zoneMap(std::initializer_list<std::pair<int, int>> set) {
    QByteArray zones(kZoneSlotCount, '\0');
    for (const auto& [slot, tariff] : set) zones[slot] = char(tariff);
    return zones;
}

Season season(const QByteArray& zones) {
    Season record;
    std::copy_n(reinterpret_cast<const uint8_t*>(zones.constData()), kZoneSlotCount,
                record.zones.begin());
    return record;
}

// Each season of the meter a pattern of its own: season n's bytes are n, n + 1, …
void fillMeterZones(test::MeterRig& rig) {
    for (int n = 0; n < kSeasonCount; ++n)
        for (int j = 0; j < kPackedZoneBytes; ++j)
            rig.meter.state().zones[size_t(n)][size_t(j)] = uint8_t(17 * n + j);
    rig.meter.state().zones[2] = array<kPackedZoneBytes>(kZones);
}

// 26 special days: 1 March a holiday, then 25 more, each a day later.
SpecDays twentySixDays() {
    SpecDays days;
    for (int i = 0; i < 26; ++i) days.records[size_t(i)] = {1 + i, 3, kSpecHoliday};
    days.count = 26;
    return days;
}

// The codes of the requests and the 100 ms pauses and message points, in order.
QStringList course(const test::MeterRig& rig) {
    QStringList out;
    for (const QString& entry : rig.clock.log()) {
        if (entry.startsWith("write "))
            out << entry.mid(15, 2) + (entry.mid(15, 2) == "06" ? " " + entry.mid(18, 2) : "");
        else if (entry == "wait 100" || entry == "messages")
            out << entry;
    }
    return out;
}

// A line that answers every request with the next reply of a list, whatever was asked.
class ScriptedLine : public comm::SerialLine {
  public:
    QList<QByteArray> replies;
    void SetDeviceName(const QString&) override {}
    QString DeviceName() const override { return {}; }
    void SetBaudRate(comm::BaudRate) override {}
    comm::BaudRate baudRate() const override { return comm::BaudRate::br9600; }
    void Open() override {}
    bool Enabled() const override { return true; }
    int Write(const uint8_t*, int count) override { return count; }
    int Read(uint8_t* data, int count) override {
        const QByteArray reply = replies.isEmpty() ? QByteArray() : replies.takeFirst();
        const int n = std::min(count, int(reply.size()));
        std::copy_n(reply.constData(), n, reinterpret_cast<char*>(data));
        return n;
    }
    int ReadReply(uint8_t* data, int count, int, const WholeReply&) override {
        return Read(data, count);
    }
    int Discard(int, QByteArray*) override { return 0; }
    void Close() override {}
    bool Lost() const override { return false; }
    void SetDTRState(bool) override {}
};

QByteArray sealed(QByteArray frame) {
    sim::appendCrc(frame);
    return frame;
}

}  // namespace

class TstTariff : public QObject {
    Q_OBJECT
  private slots:
    void packing_data() {
        QTest::addColumn<QByteArray>("zones");
        QTest::addColumn<QByteArray>("packed");
        const auto h = [](const char* text) { return QByteArray::fromHex(text); };
        QTest::newRow("all T1") << zoneMap({}) << QByteArray(18, '\0');
        QTest::newRow("all T4") << QByteArray(kZoneSlotCount, '\3') << QByteArray(18, '\xFF');
        QTest::newRow("T1-T4 at 0-3 on a working day")
            << zoneMap({{0, 0}, {1, 1}, {2, 2}, {3, 3}}) << h("1B") + QByteArray(17, '\0');
        QTest::newRow("Saturday 0:00, top bits of byte 6")
            << zoneMap({{slotIndex(DayType::Saturday, 0), 3}})
            << QByteArray(6, '\0') + h("C0") + QByteArray(11, '\0');
        QTest::newRow("Sunday 23:00, low bits of byte 17")
            << zoneMap({{slotIndex(DayType::Holiday, 23), 3}}) << QByteArray(17, '\0') + h("03");
        QTest::newRow("T3 on Saturday 5:00, slot 29")
            << zoneMap({{29, 2}}) << QByteArray(7, '\0') + h("20") + QByteArray(10, '\0');
    }
    // Both ways, and a round trip through the other.
    void packing() {
        QFETCH(QByteArray, zones);
        QFETCH(QByteArray, packed);
        QCOMPARE(bytes(packZones(season(zones))).toHex(' '), packed.toHex(' '));
        Season unpacked;
        unpackZones(array<kPackedZoneBytes>(packed), unpacked);
        QCOMPARE(bytes(unpacked.zones).toHex(' '), zones.toHex(' '));
    }

    void unpackTouchesOnlyTheSlotsOfItsSeason() {
        Schedule schedule = defaultSchedule();
        schedule[11].endDay = 30;
        const auto packed = array<kPackedZoneBytes>(
            QByteArray::fromHex("00 1B E4 FF 55 AA 01 80 7F 3C C3 0F F0 12 34 56 78 9A"));
        unpackZones(packed, schedule[11]);
        QCOMPARE(packZones(schedule[11]), packed);
        QCOMPARE(schedule[11].endDay, 30);
        QCOMPARE(schedule[11].endMonth, 12);
        for (size_t n = 0; n < 11; ++n) QCOMPARE(schedule[n], defaultSchedule()[n]);
    }

    // Only a damaged file could bring a slot above T4; it must not reach its neighbours.
    void slotAboveT4StaysInItsBits() {
        QCOMPARE(bytes(packZones(season(zoneMap({{1, 4}, {2, 0xFF}, {5, 7}})))).toHex(' '),
                 (QByteArray::fromHex("0C 30") + QByteArray(16, '\0')).toHex(' '));
    }

    void defaultsAndColours() {
        const Schedule schedule = defaultSchedule();
        for (int n = 1; n <= kSeasonCount; ++n) {
            QCOMPARE(schedule[size_t(n - 1)].endDay, 31);
            QCOMPARE(schedule[size_t(n - 1)].endMonth, n);
            QCOMPARE(schedule[size_t(n - 1)].zones, (std::array<uint8_t, kZoneSlotCount>{}));
        }
        // Lime, yellow, red, blue as 0xRRGGBB; anything else leaves the paint colour.
        QCOMPARE(tariffColour(0).value_or(0), 0x00FF00u);
        QCOMPARE(tariffColour(1).value_or(0), 0xFFFF00u);
        QCOMPARE(tariffColour(2).value_or(0), 0xFF0000u);
        QCOMPARE(tariffColour(3).value_or(0), 0x0000FFu);
        QVERIFY(!tariffColour(4) && !tariffColour(-1));
        QCOMPARE(tariffName(3), "T4");
        QCOMPARE(dayTypeName(slotDayType(47)), "Суббота");
        QCOMPARE(dayTypeName(slotDayType(48)), "Воскр. и празд.");
    }

    void specDayWire_data() {
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("typeText");  // empty: the cell stays as it was
        QTest::newRow("7 January, holiday") << 7 << 1 << 1 << QByteArray::fromHex("41 07") << "7.01"
                                            << "Праздник";
        QTest::newRow("25 December, working day")
            << 25 << 12 << 0 << QByteArray::fromHex("12 25") << "25.12"
            << "Рабочий";
        QTest::newRow("9 January, type 2") << 9 << 1 << 2 << QByteArray::fromHex("81 09") << "9.01"
                                           << "";
        QTest::newRow("31 October, type 3")
            << 31 << 10 << 3 << QByteArray::fromHex("D0 31") << "31.10"
            << "";
    }
    void specDayWire() {
        QFETCH(int, day);
        QFETCH(int, month);
        QFETCH(int, type);
        QFETCH(QByteArray, wire);
        QFETCH(QString, date);
        QFETCH(QString, typeText);
        const SpecialDay record{day, month, type};
        QCOMPARE(bytes(packSpecDay(record)).toHex(' '), wire.toHex(' '));
        const auto records = unpackCalendar(array<kCalendarBytes>(wire + QByteArray(46, '\0')));
        QVERIFY(std::holds_alternative<CalendarRecords>(records));
        QCOMPARE(std::get<CalendarRecords>(records)[0], record);
        QCOMPARE(specDayDateText(record), date);
        QCOMPARE(specDayTypeText(type).value_or(QString()), typeText);
    }

    // A record with a day must hold a day and a month; an empty one may hold anything else.
    void garbledCalendarRecord_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("error");  // empty: taken
        QTest::newRow("day not a packed decimal") << QByteArray::fromHex("41 1A") << "41 1A";
        QTest::newRow("day 32") << QByteArray::fromHex("41 32") << "41 32";
        QTest::newRow("month 13") << QByteArray::fromHex("13 07") << "13 07";
        QTest::newRow("month 0") << QByteArray::fromHex("40 07") << "40 07";
        QTest::newRow("month not a packed decimal") << QByteArray::fromHex("0A 07") << "0A 07";
        QTest::newRow("empty record with a month") << QByteArray::fromHex("7F 00") << "";
    }
    void garbledCalendarRecord() {
        QFETCH(QByteArray, record);
        QFETCH(QString, error);
        const QByteArray wire = QByteArray::fromHex("41 07 12 25") + record + QByteArray(42, '\0');
        const auto records = unpackCalendar(array<kCalendarBytes>(wire));
        if (error.isEmpty()) {
            QVERIFY(std::holds_alternative<CalendarRecords>(records));
            return;
        }
        QVERIFY(std::holds_alternative<QString>(records));
        QCOMPARE(std::get<QString>(records),
                 "Календарь счётчика повреждён: запись 3 (" + error + ") не дата");
    }

    void zoneRead() {
        test::MeterRig rig;
        fillMeterZones(rig);
        const auto reply = requestSeasonZones(rig.exchange, 3);
        QVERIFY(reply.ok());
        QCOMPARE(bytes(reply.value), kZones);
        QCOMPARE(test::hex(rig.requests(kReadZones).first()), "39 30 00 06 03 12 BE");
    }

    void defaultSeason12Write() {
        test::MeterRig rig;
        rig.meter.state().zones[11].fill(0xFF);
        QCOMPARE(sendSeasonZones(rig.exchange, 12, defaultSchedule()[11]), Check::Ok);
        QCOMPARE(test::hex(rig.requests(kWriteZones).first()),
                 "39 30 00 07 0C" + QString(" 00").repeated(18) + " AA 79");
        QCOMPARE(rig.meter.state().zones[11], sim::SeasonZones{});
    }

    void refusedReplies_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Check>("check");
        const QByteArray zones = QByteArray::fromHex("39 30 00 06") + kZones;
        QTest::newRow("zones, 23 bytes with a good CRC")
            << int(kReadZones) << sealed(zones.chopped(1)) << Check::Count;
        QTest::newRow("zones, 25 bytes with a good CRC")
            << int(kReadZones) << sealed(zones + '\0') << Check::Count;
        QTest::newRow("zones, echoed 07")
            << int(kReadZones) << sealed(QByteArray::fromHex("39 30 00 07") + kZones)
            << Check::Code;
        QByteArray badCrc = sealed(zones);
        badCrc[23] = char(badCrc[23] ^ 1);
        QTest::newRow("zones, bad CRC") << int(kReadZones) << badCrc << Check::Crc;
        QTest::newRow("zone write acknowledged 55")
            << int(kWriteZones) << sealed(QByteArray::fromHex("39 30 00 07 55")) << Check::Ack;
        QTest::newRow("zone write, AA with a bad CRC")
            << int(kWriteZones) << QByteArray::fromHex("39 30 00 07 AA 05 4D") << Check::Crc;
        QTest::newRow("calendar, 53 bytes")
            << int(kReadCalendar) << sealed(QByteArray::fromHex("39 30 00 02") + QByteArray(47, 0))
            << Check::Count;
        QTest::newRow("calendar write acknowledged 55")
            << int(kWriteCalendar) << sealed(QByteArray::fromHex("39 30 00 03 55")) << Check::Ack;
    }
    void refusedReplies() {
        QFETCH(int, command);
        QFETCH(QByteArray, reply);
        QFETCH(Check, check);
        ScriptedLine line;
        test::VirtualClock clock;
        link::Exchange exchange(line, clock);
        exchange.meterAddress = 12345;
        line.replies = {reply};
        switch (command) {
            case kReadZones:
                QCOMPARE(requestSeasonZones(exchange, 3).check, check);
                break;
            case kWriteZones:
                QCOMPARE(sendSeasonZones(exchange, 3, defaultSchedule()[2]), check);
                break;
            case kReadCalendar:
                QCOMPARE(requestCalendar(exchange).check, check);
                break;
            default:
                QCOMPARE(sendCalendar(exchange, SpecDayTable{}), check);
        }
    }

    // Calendar, 100 ms, then each season followed by 100 ms. Records 0-23 come from the
    // meter: three days over older ones make a list of three, whatever lies behind.
    void readAll() {
        test::MeterRig rig;
        fillMeterZones(rig);
        rig.meter.state().calendar =
            array<kCalendarBytes>(QByteArray::fromHex("41 07 12 25 81 09") + QByteArray(42, '\0'));
        Schedule current = defaultSchedule();
        current[3].endDay = 30;
        const SpecDays days = twentySixDays();

        const auto outcome = readTariffs(rig.exchange, current, days);
        QCOMPARE(outcome.status, Status::Done);
        QVERIFY(!outcome.goesOn);
        QStringList expected = {"02", "wait 100"};
        for (int n = 1; n <= 12; ++n)
            expected << QStringLiteral("06 %1").arg(n, 2, 16, QChar('0')).toUpper() << "wait 100";
        QCOMPARE(course(rig), expected << "messages");

        QCOMPARE(bytes(outcome.schedule[2].zones),
                 zoneMap({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {24, 3}, {71, 3}}));
        for (size_t n = 0; n < 12; ++n)
            QCOMPARE(packZones(outcome.schedule[n]), rig.meter.state().zones[n]);
        QCOMPARE(outcome.schedule[3].endDay, 30);
        QCOMPARE(outcome.schedule[3].endMonth, 4);

        QCOMPARE(outcome.days.records[2], (SpecialDay{9, 1, 2}));
        QCOMPARE(outcome.days.records[3], SpecialDay{});
        QCOMPARE(outcome.days.records[24], days.records[24]);
        QCOMPARE(outcome.days.records[25], days.records[25]);
        QCOMPARE(specDayListLength(outcome.days.records), 3);
        QCOMPARE(outcome.days.count, 26);  // counted again when the page opens
    }

    // Season 5 fails three times: the line is taken for gone, so no later season is asked;
    // seasons 5-12 keep their maps and are named, and the Read operation goes on. The
    // calendar's third attempt is its first success.
    void readEndsAtAFailedSeason() {
        test::MeterRig rig;
        fillMeterZones(rig);
        rig.meter.setFault(kReadCalendar, Fault{FaultKind::BadCrc, 0, 2});
        rig.line.onRequest = [&](const QByteArray& request) {
            if (uint8_t(request[3]) == kReadZones)
                rig.meter.setFault(kReadZones,
                                   Fault{request[4] == 5 ? FaultKind::Silent : FaultKind::None});
        };
        Schedule current = defaultSchedule();
        current[4].zones.fill(1);
        current[5].zones.fill(2);

        const auto outcome = readTariffs(rig.exchange, current, {});
        QCOMPARE(outcome.status, Status::NoLink);
        QVERIFY(outcome.goesOn);
        QCOMPARE(rig.requests(kReadCalendar).size(), 3);
        QStringList seasons;
        for (const QByteArray& request : rig.requests(kReadZones))
            seasons << QString::number(request[4]);
        QCOMPARE(seasons.join(' '), "1 2 3 4 5 5 5");
        QCOMPARE(course(rig).count("wait 100"), 1 + 7);
        QCOMPARE(outcome.schedule[4], current[4]);
        QCOMPARE(outcome.schedule[5], current[5]);
        QVERIFY(outcome.seasonsRead[3] && !outcome.seasonsRead[4] && !outcome.seasonsRead[5]);
        QCOMPARE(packZones(outcome.schedule[3]), rig.meter.state().zones[3]);
        QCOMPARE(unreadSeasonsText(outcome), "Не прочитаны сезоны: 5, 6, 7, 8, 9, 10, 11, 12");
    }

    // No zone map is asked and nothing changes when the calendar cannot be read.
    void readStopsAtTheCalendar_data() {
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<QByteArray>("calendar");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<Status>("status");
        const QByteArray empty(48, '\0');
        QTest::newRow("silent") << FaultKind::Silent << empty << 3 << Status::NoLink;
        QTest::newRow("echoed code changed")
            << FaultKind::WrongCode << empty << 3 << Status::NoLink;
        QTest::newRow("a record that is no date")
            << FaultKind::None << QByteArray::fromHex("41 07 12 45") + QByteArray(44, '\0') << 1
            << Status::Garbled;
    }
    void readStopsAtTheCalendar() {
        QFETCH(FaultKind, fault);
        QFETCH(QByteArray, calendar);
        QFETCH(int, attempts);
        QFETCH(Status, status);
        test::MeterRig rig;
        fillMeterZones(rig);
        rig.meter.state().calendar = array<kCalendarBytes>(calendar);
        rig.meter.setFault(kReadCalendar, Fault{fault});
        const Schedule current = defaultSchedule();
        const SpecDays days = twentySixDays();

        const auto outcome = readTariffs(rig.exchange, current, days);
        QCOMPARE(outcome.status, status);
        QVERIFY(!outcome.goesOn);
        QCOMPARE(rig.requests(kReadCalendar).size(), attempts);
        QVERIFY(rig.requests(kReadZones).isEmpty());
        QCOMPARE(outcome.schedule, current);
        QCOMPARE(outcome.days, days);
        if (status == Status::Garbled)
            QVERIFY2(outcome.error.contains("запись 2"), qPrintable(outcome.error));
    }

    // The calendar, then seasons 1-12, once each; of 26 special days only 24 travel. A read
    // afterwards replaces those 24 and leaves the other two in the list.
    void writeAllThenReadBack() {
        test::MeterRig rig;
        Schedule schedule = defaultSchedule();
        schedule[2] = season(zoneMap({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {24, 3}, {71, 3}}));
        schedule[11].zones.fill(2);
        SpecDays days = twentySixDays();
        days.records[0] = {7, 1, kSpecHoliday};
        days.records[1] = {25, 12, kSpecWorkingDay};

        const auto outcome = writeTariffs(rig.exchange, schedule, days);
        QCOMPARE(outcome.status, Status::Done);
        QCOMPARE(outcome.operation, link::Operation::WriteTariffs);
        QCOMPARE(course(rig).join(' '), "03 07 07 07 07 07 07 07 07 07 07 07 07");
        const QByteArray request = rig.requests(kWriteCalendar).first();
        QCOMPARE(request.size(), 54);
        QCOMPARE(request.mid(4, 6).toHex(' '), "41 07 12 25 43 03");
        QCOMPARE(request.mid(50, 2).toHex(' '), "43 24");  // record 23: 24 March
        QCOMPARE(bytes(rig.meter.state().zones[2]), kZones);
        QCOMPARE(bytes(rig.meter.state().zones[11]), QByteArray(18, '\xAA'));
        QCOMPARE(rig.requests(kWriteZones)[11].mid(3, 2).toHex(' '), "07 0c");

        rig.meter.state().calendar[1] = 0x08;  // 8 January now
        const auto read = readTariffs(rig.exchange, schedule, days);
        QCOMPARE(read.status, Status::Done);
        QCOMPARE(read.schedule, schedule);
        QCOMPARE(read.days.records[0], (SpecialDay{8, 1, kSpecHoliday}));
        QCOMPARE(specDayListLength(read.days.records), 26);
        QCOMPARE(read.days.records[25], days.records[25]);
    }

    void writeFailures_data() {
        QTest::addColumn<int>("code");    // of the refused exchange
        QTest::addColumn<int>("season");  // the refused season, 0: every one
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<int>("zoneWrites");
        QTest::newRow("calendar acknowledged 55")
            << int(kWriteCalendar) << 0 << FaultKind::OtherAck << 0;
        QTest::newRow("calendar unanswered") << int(kWriteCalendar) << 0 << FaultKind::Silent << 0;
        QTest::newRow("season 4 acknowledged 55")
            << int(kWriteZones) << 4 << FaultKind::OtherAck << 12;
        QTest::newRow("season 4 with a bad CRC")
            << int(kWriteZones) << 4 << FaultKind::BadCrc << 12;
    }
    // A refused calendar ends the write; a refused season does not stop the others.
    void writeFailures() {
        QFETCH(int, code);
        QFETCH(int, season);
        QFETCH(FaultKind, fault);
        QFETCH(int, zoneWrites);
        test::MeterRig rig;
        rig.line.onRequest = [&](const QByteArray& request) {
            const bool refused =
                uint8_t(request[3]) == code && (season == 0 || request[4] == season);
            rig.meter.setFault(code, Fault{refused ? fault : FaultKind::None});
        };
        Schedule schedule = defaultSchedule();
        for (auto& record : schedule) record.zones.fill(3);

        const auto outcome = writeTariffs(rig.exchange, schedule, {});
        QCOMPARE(outcome.status, Status::NoLink);
        QCOMPARE(rig.requests(kWriteCalendar).size(), 1);
        QCOMPARE(rig.requests(kWriteZones).size(), zoneWrites);
        if (zoneWrites > 0) QCOMPARE(bytes(rig.meter.state().zones[11]), QByteArray(18, '\xFF'));
    }
};

QTEST_GUILESS_MAIN(TstTariff)
#include "tst_tariff.moc"
