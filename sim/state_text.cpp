#include "sim/state_text.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <cctype>
#include <utility>

#include "sim/energy_text.h"
#include "sim/schedule_text.h"

namespace vilt::sim {
namespace {

constexpr qint64 kMaxFactory = 0xFFFFFF;
constexpr qint64 kMaxWord = 0xFFFF;
constexpr qint64 kMaxByte = 0xFF;
constexpr qsizetype kPlaceLength = 16;
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;
constexpr const char* kCodec = "Windows-1251";

std::optional<qint64> numberField(const char* name, const QString& value, qint64 min, qint64 max,
                                  QString& error) {
    const auto number = parseNumber(value, min, max);
    if (!number) {
        error = QStringLiteral("bad %1 '%2' (%3..%4)")
                    .arg(QLatin1StringView(name), value)
                    .arg(min)
                    .arg(max);
    }
    return number;
}

bool setFactory(MeterState& state, const QString& value, QString& error) {
    const auto number = numberField("factory", value, 0, kMaxFactory, error);
    if (number) {
        state.factory = static_cast<uint32_t>(*number);
    }
    return number.has_value();
}

bool setModel(MeterState& state, const QString& value, QString& error) {
    const auto number = numberField("model", value, 0, kMaxWord, error);
    if (number) {
        state.model = static_cast<uint16_t>(*number);
    }
    return number.has_value();
}

bool setVersion(MeterState& state, const QString& value, QString& error) {
    const auto number = numberField("version", value, 0, kMaxWord, error);
    if (number) {
        state.version = static_cast<uint16_t>(*number);
    }
    return number.has_value();
}

// A password is a 32-bit pattern: accept it signed or unsigned.
bool setPassword(MeterState& state, const QString& value, QString& error) {
    const auto number = numberField("password", value, INT32_MIN, qint64{UINT32_MAX}, error);
    if (number) {
        state.password = static_cast<int32_t>(static_cast<uint32_t>(*number));
    }
    return number.has_value();
}

bool setPlace(MeterState& state, const QString& value, QString& error) {
    const auto place = encodePlace(value, error);
    if (place) {
        state.place = *place;
    }
    return place.has_value();
}

// Hex like every other byte the meter shows, with or without 0x.
std::optional<uint8_t> hexByte(const QString& value) {
    const bool prefixed = value.startsWith(u"0x", Qt::CaseInsensitive);
    const auto byte = parseNumber(prefixed ? value : QStringLiteral("0x") + value, 0, kMaxByte);
    return byte ? std::optional<uint8_t>(static_cast<uint8_t>(*byte)) : std::nullopt;
}

bool setDst(MeterState& state, const QString& value, QString& error) {
    const auto byte = hexByte(value);
    if (!byte) {
        error = QStringLiteral("bad dst '%1' (one hex byte, e.g. 77)").arg(value);
        return false;
    }
    state.dst = *byte;
    return true;
}

bool setCalibration(MeterState& state, const QString& value, QString& error) {
    const auto byte = hexByte(value);
    if (!byte) {
        error = QStringLiteral("bad calibration '%1' (one hex byte, e.g. 25)").arg(value);
        return false;
    }
    state.calibration = *byte;
    return true;
}

bool setLimits(MeterState& state, const QString& value, QString& error) {
    const auto bytes = parseHexBytes(value, kLimitsLength);
    if (!bytes) {
        error = QStringLiteral("bad limits '%1' (16 bytes as 32 hex digits)").arg(value);
        return false;
    }
    state.limits = *bytes;
    return true;
}

bool setClock(MeterState& state, const QString& value, QString& error) {
    const auto clock = parseClock(value, error);
    if (clock) {
        state.clock = *clock;
        state.weekday = 0;
        state.frozenClock.clear();
    }
    return clock.has_value();
}

bool setClockBytes(MeterState& state, const QString& value, QString& error) {
    const auto bytes = parseHexBytes(value, kClockFrameLength);
    if (!bytes) {
        error = QStringLiteral("bad clockbytes '%1' (7 bytes as 14 hex digits)").arg(value);
        return false;
    }
    state.frozenClock = *bytes;
    return true;
}

bool setJournal(MeterState& state, const QString& value, QString& error) {
    const QString trimmed = value.trimmed();
    const qsizetype space = trimmed.indexOf(u' ');
    const auto number =
        parseNumber(QStringView(trimmed).first(space < 0 ? 0 : space), 0, kJournalCount - 1);
    const auto bytes = parseHexBytes(space < 0 ? QStringView() : QStringView(trimmed).sliced(space),
                                     kJournalLength);
    if (!number || !bytes) {
        error = QStringLiteral("bad journal '%1' (J 0..%2, then 50 bytes as 100 hex digits)")
                    .arg(value)
                    .arg(kJournalCount - 1);
        return false;
    }
    state.journals[*number] = *bytes;
    return true;
}

using Setter = bool (*)(MeterState&, const QString&, QString&);

constexpr std::array<std::pair<const char*, Setter>, 17> kSetters = {{
    {"factory", setFactory},
    {"model", setModel},
    {"version", setVersion},
    {"place", setPlace},
    {"password", setPassword},
    {"dst", setDst},
    {"clock", setClock},
    {"clockbytes", setClockBytes},
    {"journal", setJournal},
    {"limits", setLimits},
    {"calibration", setCalibration},
    {"energy", setEnergy},
    {"month", setMonth},
    {"rmonth", setReactiveMonth},
    {"profile", setProfile},
    {"zones", setZones},
    {"calendar", setCalendar},
}};

// Frozen bytes that are no date are shown as they go out.
QString clockText(VirtualMeter& meter) {
    if (meter.state().frozenClock.isEmpty()) {
        return formatMeterTime(meter.clockNow());
    }
    const QByteArray frame = meter.clockFrame();
    const auto time = decodeClockFrame(frame);
    return time ? formatMeterTime(*time)
                : QStringLiteral("invalid ") + QString::fromLatin1(frame.toHex(' '));
}

QString hexText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex()).toUpper();
}

std::optional<qint64> numberState(const MeterState& state, QStringView name) {
    if (name == u"password") {
        return state.password;
    }
    if (name == u"serial") {
        return state.serialNumber;
    }
    if (name == u"speed") {
        return state.speedCode;
    }
    if (name == u"resets") {
        return state.resets;
    }
    if (name == u"out512") {
        return state.out512;
    }
    return std::nullopt;
}

}  // namespace

std::optional<qint64> parseNumber(QStringView text, qint64 min, qint64 max) {
    bool ok = false;
    qint64 value = 0;
    if (text.startsWith(u"0x", Qt::CaseInsensitive)) {
        value = text.mid(2).toLongLong(&ok, 16);
        ok = ok && text.size() > 2 && text[2] != u'-' && text[2] != u'+';
    } else {
        value = text.toLongLong(&ok, 10);
    }
    if (!ok || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<QByteArray> parseHexBytes(QStringView text, qsizetype count) {
    QByteArray digits;
    for (const QChar ch : text) {
        if (ch.isSpace()) {
            continue;
        }
        const char latin = ch.toLatin1();  // 0 for anything outside Latin-1
        if (std::isxdigit(static_cast<unsigned char>(latin)) == 0) {
            return std::nullopt;
        }
        digits.append(latin);
    }
    if (digits.size() != count * 2) {
        return std::nullopt;
    }
    return QByteArray::fromHex(digits);
}

std::optional<QByteArray> encodePlace(const QString& text, QString& error) {
    QStringEncoder encoder(kCodec, QStringConverter::Flag::Stateless);
    if (!encoder.isValid()) {
        error = QStringLiteral("this Qt cannot encode Windows-1251");
        return std::nullopt;
    }
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) {
        error = QStringLiteral("place '%1' has characters Windows-1251 cannot hold").arg(text);
        return std::nullopt;
    }
    if (bytes.size() > kPlaceLength) {
        error = QStringLiteral("place '%1' is %2 bytes in Windows-1251, at most %3 fit")
                    .arg(text)
                    .arg(bytes.size())
                    .arg(kPlaceLength);
        return std::nullopt;
    }
    return bytes;
}

std::optional<QDateTime> parseClock(QStringView text, QString& error) {
    const QList<QStringView> parts = text.split(u' ', Qt::SkipEmptyParts);
    QDate date;
    QTime time;
    if (parts.size() == 2) {
        date = QDate::fromString(parts[0].toString(), u"yyyy-MM-dd");
        time = QTime::fromString(parts[1].toString(), u"HH:mm:ss");
    }
    if (!date.isValid() || !time.isValid() || date.year() < kFirstYear || date.year() > kLastYear) {
        error = QStringLiteral("bad clock '%1' (YYYY-MM-DD HH:MM:SS, years %2..%3)")
                    .arg(text)
                    .arg(kFirstYear)
                    .arg(kLastYear);
        return std::nullopt;
    }
    return wallClock(date, time);
}

bool setMeterField(MeterState& state, QStringView name, const QString& value, QString& error) {
    for (const auto& [field, setter] : kSetters) {
        if (name == QLatin1StringView(field)) {
            return setter(state, value, error);
        }
    }
    error = QStringLiteral(
                "unknown field '%1' (factory model version place password dst clock "
                "clockbytes journal limits calibration energy month rmonth profile zones calendar "
                "latency)")
                .arg(name);
    return false;
}

std::optional<QString> meterFieldText(VirtualMeter& meter, QStringView name, QString& error) {
    const MeterState& state = meter.state();
    if (name == u"clock") {
        return clockText(meter);
    }
    if (name == u"dst" || name == u"calibration") {
        return hexText(
            QByteArray(1, static_cast<char>(name == u"dst" ? state.dst : state.calibration)));
    }
    if (name == u"limits") {
        return hexText(state.limits);
    }
    if (name == u"calendar") {
        return calendarText(state);
    }
    if (name == u"place") {
        QStringDecoder decoder(kCodec, QStringConverter::Flag::Stateless);
        return QString(decoder.decode(state.place));
    }
    if (const auto number = numberState(state, name)) {
        return QString::number(*number);
    }
    error = QStringLiteral(
                "unknown state '%1' (clock dst place password speed resets limits calibration "
                "serial out512 calendar, or energy month rmonth profile zones with a key)")
                .arg(name);
    return std::nullopt;
}

}  // namespace vilt::sim
