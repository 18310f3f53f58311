#include "ops/profile.h"

#include "link/bcd.h"

namespace vilt::ops {

namespace {
constexpr int kCentury = 100;
constexpr uint8_t kNoProfile = 0xFF;
constexpr int kWordsAt = 3;  // replyData offset of the first word (reply byte 7)
constexpr int kSlotMinutes = 30;
}  // namespace

link::Result<ProfileReply> requestProfileDay(link::Exchange& exchange, const QDate& day) {
    const std::array<uint8_t, 3> payload{
        static_cast<uint8_t>(link::intToBcd(day.day())),
        static_cast<uint8_t>(link::intToBcd(day.month())),
        static_cast<uint8_t>(link::intToBcd(day.year() % kCentury))};
    const link::Check check = exchange.run(link::Command::ReadProfile, payload);
    if (check != link::Check::Ok) return {check};
    const auto data = exchange.replyData(link::kProfileSlotCount * 2 + kWordsAt);
    ProfileReply reply;
    // The short reply carries no values, whatever its byte 4 says.
    const int shortLength = link::commandInfo(link::Command::ReadProfile).shortReply;
    reply.absent = exchange.replyCount() == shortLength || data[0] == kNoProfile;
    if (reply.absent) return {check, reply};
    for (size_t k = 0; k < reply.words.size(); ++k)
        reply.words[k] =
            static_cast<uint16_t>(data[kWordsAt + 2 * k] << 8 | data[kWordsAt + 2 * k + 1]);
    return {check, reply};
}

SlotLabel slotLabel(const QDate& day, int k) {
    if (k == link::kProfileSlotCount - 1) return {day.addDays(1), QTime(0, 0)};
    return {day, QTime(0, 0).addSecs((k + 1) * kSlotMinutes * 60)};
}

}  // namespace vilt::ops
