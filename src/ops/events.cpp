#include "ops/events.h"

#include "link/bcd.h"
#include "ops/value_texts.h"

namespace vilt::ops {

namespace {
constexpr int kLastDay = 31;
constexpr int kCentury = 2000;
}  // namespace

const std::array<QString, kJournalCount>& journalNames() {
    static const std::array<QString, kJournalCount> kNames = {
        QStringLiteral("включение счетчика"),  QStringLiteral("вскрытие счетчика"),
        QStringLiteral("смена тарифов"),       QStringLiteral("запись даты/времени"),
        QStringLiteral("выключение счетчика"), QStringLiteral("превышение мощности")};
    return kNames;
}

link::Result<Journal> requestJournal(link::Exchange& exchange, int journal) {
    const std::array<uint8_t, 1> payload{static_cast<uint8_t>(journal)};
    const link::Check check = exchange.run(link::Command::ReadEvent, payload);
    if (check != link::Check::Ok) return {check};
    const auto data = exchange.replyData(kRecordsPerJournal * kRecordBytes);
    Journal records{};
    for (size_t i = 0; i < data.size(); ++i)
        records[i / kRecordBytes][i % kRecordBytes] = static_cast<uint8_t>(link::bcdToInt(data[i]));
    return {check, records};
}

JournalRows journalRows(const Journal& journal) {
    JournalRows rows;
    for (const EventRecord& record : journal) {
        const int day = record[0];
        if (day == 0 || day > kLastDay) break;
        const QDate date(kCentury + record[2], record[1], day);
        if (!date.isValid()) return {{}, kBadDateEncode};
        const QTime time(record[3], record[4], 0);
        if (!time.isValid()) return {{}, kBadTimeEncode};
        rows.events << QDateTime(date, time);
    }
    return rows;
}

}  // namespace vilt::ops
