#include "sim/energy_text.h"

#include <QStringList>
#include <array>
#include <utility>

#include "sim/state_text.h"

namespace vilt::sim {
namespace {

constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;
constexpr qsizetype kProfileBytes = kProfileSlots * 2;

constexpr std::array<std::pair<const char*, ProfileShape>, 3> kShapes = {{
    {"none", ProfileShape::None},
    {"absent105", ProfileShape::Absent105},
    {"odd8", ProfileShape::Odd8},
}};

std::optional<EnergyKind> parseKind(QStringView word) {
    if (word == u"active") {
        return EnergyKind::Active;
    }
    if (word == u"reactive") {
        return EnergyKind::Reactive;
    }
    return std::nullopt;
}

std::optional<int> parseMonth(QStringView word) {
    const auto month = parseNumber(word, 1, kMonthCount);
    return month ? std::optional<int>(static_cast<int>(*month)) : std::nullopt;
}

// Four counts, one per tariff.
std::optional<TariffCounts> parseCounts(const QList<QStringView>& words) {
    if (words.size() != kTariffCount) {
        return std::nullopt;
    }
    TariffCounts counts{};
    for (int tariff = 0; tariff < kTariffCount; ++tariff) {
        const auto count = parseNumber(words[tariff], INT32_MIN, INT32_MAX);
        if (!count) {
            return std::nullopt;
        }
        counts[tariff] = static_cast<int32_t>(*count);
    }
    return counts;
}

// A day the profile request can name: its year goes out as two digits.
std::optional<QDate> parseDay(QStringView text) {
    const QDate date = QDate::fromString(text.toString(), u"yyyy-MM-dd");
    if (!date.isValid() || date.year() < kFirstYear || date.year() > kLastYear) {
        return std::nullopt;
    }
    return date;
}

QString countsString(const TariffCounts& counts) {
    QStringList out;
    for (const int32_t count : counts) {
        out.append(QString::number(count));
    }
    return out.join(u' ');
}

bool setMonthOf(MeterState& state, EnergyKind kind, const QString& value, QString& error) {
    const QList<QStringView> words = QStringView(value).split(u' ', Qt::SkipEmptyParts);
    const auto month = parseMonth(words.value(0));
    const auto counts = parseCounts(words.mid(1));
    if (!month || !counts) {
        error = QStringLiteral("bad month '%1' (M 1..%2, then 4 counts in hundredths)")
                    .arg(value)
                    .arg(kMonthCount);
        return false;
    }
    state.monthEnds[static_cast<int>(kind)][*month - 1] = *counts;
    return true;
}

QString profileString(const ProfileDay& day) {
    for (const auto& [name, shape] : kShapes) {
        if (day.shape == shape) {
            return QLatin1StringView(name);
        }
    }
    QByteArray bytes;
    for (const uint16_t word : day.words) {
        bytes.append(static_cast<char>(word >> 8));
        bytes.append(static_cast<char>(word & 0xFF));
    }
    return QString::fromLatin1(bytes.toHex()).toUpper();
}

// The words or shape after the date.
std::optional<ProfileDay> parseProfileDay(QStringView text) {
    for (const auto& [name, shape] : kShapes) {
        if (text == QLatin1StringView(name)) {
            return ProfileDay{shape, {}};
        }
    }
    const auto bytes = parseHexBytes(text, kProfileBytes);
    if (!bytes) {
        return std::nullopt;
    }
    ProfileDay day;
    for (int slot = 0; slot < kProfileSlots; ++slot) {
        day.words[slot] = static_cast<uint16_t>((static_cast<uint8_t>((*bytes)[2 * slot]) << 8) |
                                                static_cast<uint8_t>((*bytes)[2 * slot + 1]));
    }
    return day;
}

}  // namespace

bool setEnergy(MeterState& state, const QString& value, QString& error) {
    const QList<QStringView> words = QStringView(value).split(u' ', Qt::SkipEmptyParts);
    const auto kind = parseKind(words.value(0));
    const auto counts = parseCounts(words.mid(1));
    if (!kind || !counts) {
        error = QStringLiteral(
                    "bad energy '%1' (active|reactive, then 4 counts in hundredths, "
                    "%2..%3)")
                    .arg(value)
                    .arg(INT32_MIN)
                    .arg(INT32_MAX);
        return false;
    }
    state.energy[static_cast<int>(*kind)] = *counts;
    return true;
}

bool setMonth(MeterState& state, const QString& value, QString& error) {
    return setMonthOf(state, EnergyKind::Active, value, error);
}

bool setReactiveMonth(MeterState& state, const QString& value, QString& error) {
    return setMonthOf(state, EnergyKind::Reactive, value, error);
}

bool setProfile(MeterState& state, const QString& value, QString& error) {
    const QStringView text = QStringView(value).trimmed();
    const qsizetype space = text.indexOf(u' ');
    const auto date = parseDay(text.first(space < 0 ? text.size() : space));
    const QStringView rest = space < 0 ? QStringView() : text.sliced(space).trimmed();
    if (date && rest == u"default") {
        state.profiles.remove(*date);
        return true;
    }
    const auto day = parseProfileDay(rest);
    if (!date || !day) {
        error = QStringLiteral(
                    "bad profile '%1' (YYYY-MM-DD in %2..%3, then 48 words as 192 hex digits, "
                    "or none, absent105, odd8, default)")
                    .arg(value)
                    .arg(kFirstYear)
                    .arg(kLastYear);
        return false;
    }
    state.profiles.insert(*date, *day);
    return true;
}

std::optional<QString> countsText(VirtualMeter& meter, QStringView name, QStringView key,
                                  QString& error) {
    const MeterState& state = meter.state();
    if (name == u"energy") {
        if (const auto kind = parseKind(key)) {
            return countsString(state.energy[static_cast<int>(*kind)]);
        }
        error = QStringLiteral("bad energy kind '%1' (active or reactive)").arg(key);
        return std::nullopt;
    }
    if (name == u"month" || name == u"rmonth") {
        if (const auto month = parseMonth(key)) {
            const auto kind = name == u"month" ? EnergyKind::Active : EnergyKind::Reactive;
            return countsString(state.monthEnds[static_cast<int>(kind)][*month - 1]);
        }
        error = QStringLiteral("bad month '%1' (1..%2)").arg(key).arg(kMonthCount);
        return std::nullopt;
    }
    if (name == u"profile") {
        if (const auto date = parseDay(key)) {
            return profileString(meter.profile(*date));
        }
        error = QStringLiteral("bad day '%1' (YYYY-MM-DD in %2..%3)")
                    .arg(key)
                    .arg(kFirstYear)
                    .arg(kLastYear);
        return std::nullopt;
    }
    error = QStringLiteral("unknown state '%1' (energy month rmonth profile take a key)").arg(name);
    return std::nullopt;
}

}  // namespace vilt::sim
