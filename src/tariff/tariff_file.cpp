#include "tariff/tariff_file.h"

#include <QFile>
#include <QSaveFile>

namespace vilt::tariff {

namespace {

bool within(uint8_t value, int low, int high) {
    return value >= low && value <= high;
}

// Reads season blocks into `schedule`; false at the first value out of range.
bool readSchedule(const uint8_t* bytes, Schedule& schedule) {
    for (size_t n = 0; n < kSeasonCount; ++n) {
        const uint8_t* block = bytes + n * kSeasonBlockBytes;
        Season& season = schedule[n];
        if (!within(block[0], 1, 31) || !within(block[1], 1, 12)) return false;
        season.endDay = block[0];
        season.endMonth = block[1];
        for (size_t slot = 0; slot < kZoneSlotCount; ++slot) {
            if (block[2 + slot] >= link::kTariffCount) return false;
            season.zones[slot] = block[2 + slot];
        }
    }
    return true;
}

bool readSpecDays(const uint8_t* bytes, int count, SpecDays& days) {
    for (int i = 0; i < count; ++i) {
        const uint8_t* triple = bytes + i * kSpecDayBytes;
        if (!within(triple[0], 1, 31) || !within(triple[1], 1, 12) || !within(triple[2], 0, 3))
            return false;
        days.records[static_cast<size_t>(i)] = {triple[0], triple[1], triple[2]};
    }
    days.count = count;
    return true;
}

char lowByte(int32_t value) {
    return static_cast<char>(value & 0xFF);
}

}  // namespace

std::variant<TariffFile, QString> loadTariffFile(const QByteArray& bytes) {
    const qsizetype tail = bytes.size() - kScheduleBytes;
    if (tail < 0 || tail % kSpecDayBytes != 0 || tail / kSpecDayBytes > kSpecDayMax)
        return kTariffFileDamaged;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    TariffFile file;
    if (!readSchedule(data, file.schedule) ||
        !readSpecDays(data + kScheduleBytes, static_cast<int>(tail / kSpecDayBytes), file.days))
        return kTariffFileDamaged;
    return file;
}

QByteArray saveTariffFile(const Schedule& schedule, const SpecDays& days) {
    QByteArray bytes;
    bytes.reserve(kLargestFile);
    for (const Season& season : schedule) {
        bytes.append(lowByte(season.endDay));
        bytes.append(lowByte(season.endMonth));
        for (const uint8_t slot : season.zones) bytes.append(static_cast<char>(slot));
    }
    const int count = specDayListLength(days.records);
    for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
        const SpecialDay& day = days.records[i];
        bytes.append(lowByte(day.day));
        bytes.append(lowByte(day.month));
        bytes.append(lowByte(day.type));
    }
    return bytes;
}

std::variant<TariffFile, QString> readTariffFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return kFileOpenError;
    // One byte past the largest file is enough to know it is too long.
    return loadTariffFile(file.read(kLargestFile + 1));
}

// Unbuffered, so a short write shows here: a buffered QSaveFile takes a short write at its
// flush for success and would rename a cut file over the old one. Whatever was not
// committed is removed with the new file.
std::optional<QString> writeTariffFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return kFileOpenError;
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) return QStringLiteral("%1: %2").arg(kFileWriteError, file.errorString());
        done += written;
    }
    if (!file.commit()) return QStringLiteral("%1: %2").arg(kFileWriteError, file.errorString());
    return std::nullopt;
}

}  // namespace vilt::tariff
