#pragma once
// The tariff file (.tar): the season table and the special-days list as plain bytes, no
// header, no checksum. Every field is one unsigned byte.
//
//   offset 0     12 season blocks of 74 bytes, season n at 74 × (n − 1):
//                  +0 EndDay   +1 EndMonth   +2..+73 zone slots 0-71, one tariff index each
//   offset 888   k special days of 3 bytes (Day, Month, type), 0 ≤ k ≤ 30, in list order
// So a file is 888 + 3k bytes long, 888 to 978.

#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>

#include "tariff/model.h"
#include "tariff/special_days.h"

namespace vilt::tariff {

inline constexpr int kSeasonBlockBytes = 2 + kZoneSlotCount;                 // 74
inline constexpr int kScheduleBytes = kSeasonCount * kSeasonBlockBytes;  // 888
inline constexpr int kSpecDayBytes = 3;
inline constexpr int kLargestFile = kScheduleBytes + kSpecDayMax * kSpecDayBytes;  // 978

inline const QString kTariffFileDamaged = QStringLiteral("Файл тарифов повреждён!");
inline const QString kFileOpenError = QStringLiteral("ошибка открытия файла");
inline const QString kFileWriteError = QStringLiteral("ошибка записи файла");

struct TariffFile {
    Schedule schedule{};
    SpecDays days;  // the file's list alone, every record behind it zero; the count is its length

    bool operator==(const TariffFile&) const = default;
};

// The bytes of a file as a schedule and list, or kTariffFileDamaged when the length is not
// 888 + 3k with k ≤ 30, or an end day is not 1-31, an end month not 1-12, a zone slot not
// 0-3, or a special day has a day outside 1-31, a month outside 1-12 or a type outside 0-3.
// A damaged file gives nothing of itself.
std::variant<TariffFile, QString> loadTariffFile(const QByteArray& bytes);

// The file of a schedule and list. The list ends at the first empty record; after saving,
// count is the list's length (specDayListLength).
QByteArray saveTariffFile(const Schedule& schedule, const SpecDays& days);

// The file at `path`, or kFileOpenError when it cannot be read, or kTariffFileDamaged.
std::variant<TariffFile, QString> readTariffFile(const QString& path);

// Writes a new file beside `path` and renames it over the old one, so a save that fails
// leaves the previous file as it was. The error text when it failed: kFileOpenError when the
// new file cannot be made, kFileWriteError with the system's reason when writing it fails.
std::optional<QString> writeTariffFileAtomically(const QString& path, const QByteArray& bytes);

}  // namespace vilt::tariff
