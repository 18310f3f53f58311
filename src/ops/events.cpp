#include "events.h"

#include "bcd.h"
#include "conversion_error.h"

namespace vilt::ops {

namespace {
constexpr uint8_t kReadEvent = 0x14;
constexpr int kEventReplyLength = 56;
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

int RxdRdEvent(link::Exchange& exchange, int journal, EventTab& table) {
    const std::array<uint8_t, 1> payload{static_cast<uint8_t>(journal)};
    if (!exchange.runCoded(
            {.code = kReadEvent, .payload = payload, .replyLength = kEventReplyLength}))
        return 1;
    if (journal < 0 || journal >= kJournalCount) return 0;
    const auto data = exchange.receiveArea().subspan(4, kRecordsPerJournal * kRecordBytes);
    Journal& stored = table[static_cast<size_t>(journal)];
    for (size_t i = 0; i < data.size(); ++i)
        stored[i / kRecordBytes][i % kRecordBytes] = static_cast<uint8_t>(link::BcdToBin(data[i]));
    return 0;
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
