#include "sim/schedule_text.h"

#include <algorithm>

#include "sim/state_text.h"

namespace vilt::sim {
namespace {

std::optional<int> parseSeason(QStringView word) {
    const auto season = parseNumber(word, 1, kSeasons);
    return season ? std::optional<int>(static_cast<int>(*season)) : std::nullopt;
}

template <size_t N>
QString hexOf(const std::array<uint8_t, N>& bytes) {
    const QByteArray raw(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(N));
    return QString::fromLatin1(raw.toHex()).toUpper();
}

template <size_t N>
void copyInto(const QByteArray& bytes, std::array<uint8_t, N>& into) {
    std::transform(bytes.begin(), bytes.end(), into.begin(),
                   [](char byte) { return static_cast<uint8_t>(byte); });
}

}  // namespace

bool setZones(MeterState& state, const QString& value, QString& error) {
    const QStringView text = QStringView(value).trimmed();
    const qsizetype space = text.indexOf(u' ');
    const auto season = parseSeason(text.first(space < 0 ? text.size() : space));
    const auto bytes = parseHexBytes(space < 0 ? QStringView() : text.sliced(space), kZoneBytes);
    if (!season || !bytes) {
        error = QStringLiteral("bad zones '%1' (N 1..%2, then 18 bytes as 36 hex digits)")
                    .arg(value)
                    .arg(kSeasons);
        return false;
    }
    copyInto(*bytes, state.zones[*season - 1]);
    return true;
}

bool setCalendar(MeterState& state, const QString& value, QString& error) {
    const auto bytes = parseHexBytes(value, kCalendarBytes);
    if (!bytes) {
        error =
            QStringLiteral("bad calendar '%1' (24 records, 48 bytes as 96 hex digits)").arg(value);
        return false;
    }
    copyInto(*bytes, state.calendar);
    return true;
}

std::optional<QString> zonesText(const MeterState& state, QStringView key, QString& error) {
    const auto season = parseSeason(key);
    if (!season) {
        error = QStringLiteral("bad season '%1' (1..%2)").arg(key).arg(kSeasons);
        return std::nullopt;
    }
    return hexOf(state.zones[*season - 1]);
}

QString calendarText(const MeterState& state) {
    return hexOf(state.calendar);
}

}  // namespace vilt::sim
