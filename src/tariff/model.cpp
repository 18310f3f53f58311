#include "tariff/model.h"

namespace vilt::tariff {

namespace {

constexpr int kSlotsPerByte = 4;
constexpr int kBitsPerSlot = 2;
constexpr uint8_t kSlotMask = 0x03;

// The tariff colours as the window system of the meter's users writes them, 0x00BBGGRR:
// lime, yellow, red, blue.
constexpr std::array<uint32_t, link::kTariffCount> kWindowsColours = {0x00FF00, 0x00FFFF, 0x0000FF,
                                                                0xFF0000};

constexpr uint32_t rgbOf(uint32_t bgr) {
    return ((bgr & 0x0000FF) << 16) | (bgr & 0x00FF00) | ((bgr & 0xFF0000) >> 16);
}

// The bit position of a slot's two bits inside its byte: the earliest hour on top.
constexpr int shiftOf(int slot) {
    return (kSlotsPerByte - 1 - slot % kSlotsPerByte) * kBitsPerSlot;
}

}  // namespace

QString dayTypeName(DayType day) {
    switch (day) {
        case DayType::Working:
            return QStringLiteral("Рабочий день");
        case DayType::Saturday:
            return QStringLiteral("Суббота");
        case DayType::Holiday:
            return QStringLiteral("Воскр. и празд.");
    }
    return {};
}

Schedule defaultSchedule() {
    Schedule schedule{};
    for (int n = 1; n <= kSeasonCount; ++n) {
        Season& season = schedule[static_cast<size_t>(n - 1)];
        season.endDay = kDefaultEndDay;
        season.endMonth = n;
        season.zones.fill(0);
    }
    return schedule;
}

std::optional<uint32_t> tariffColour(int tariff) {
    if (tariff < 0 || tariff >= link::kTariffCount) return std::nullopt;
    return rgbOf(kWindowsColours[static_cast<size_t>(tariff)]);
}

QString tariffName(int tariff) {
    if (tariff < 0 || tariff >= link::kTariffCount) return {};
    return QStringLiteral("T%1").arg(tariff + 1);
}

PackedZones packZones(const Season& season) {
    PackedZones packed{};
    for (int slot = 0; slot < kZoneSlotCount; ++slot) {
        const auto value =
            static_cast<uint8_t>(season.zones[static_cast<size_t>(slot)] & kSlotMask);
        packed[static_cast<size_t>(slot / kSlotsPerByte)] |=
            static_cast<uint8_t>(value << shiftOf(slot));
    }
    return packed;
}

void unpackZones(std::span<const uint8_t, kPackedZoneBytes> packed, Season& season) {
    for (int slot = 0; slot < kZoneSlotCount; ++slot) {
        const uint8_t byte = packed[static_cast<size_t>(slot / kSlotsPerByte)];
        season.zones[static_cast<size_t>(slot)] =
            static_cast<uint8_t>((byte >> shiftOf(slot)) & kSlotMask);
    }
}

}  // namespace vilt::tariff
