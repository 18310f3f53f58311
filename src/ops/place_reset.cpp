#include "place_reset.h"

#include <algorithm>

#include "text1251.h"

namespace vilt::ops {

namespace {
constexpr uint8_t kWritePlace = 0x19;
constexpr uint8_t kReset = 0x23;

// Names the first character the meter cannot hold.
QString unwritable(const QString& text) {
    for (const QChar c : text) {
        if (!link::encode1251(QString(c)))
            return QStringLiteral("Символ «%1» нельзя записать в место установки").arg(c);
    }
    return QStringLiteral("Текст нельзя записать в место установки");
}

}  // namespace

std::variant<PlaceField, QString> placeField(const QString& text) {
    const auto encoded = link::encode1251(text);
    if (!encoded) return unwritable(text);
    const QByteArray& bytes = *encoded;
    if (bytes.size() > kPlaceFieldBytes)
        return QStringLiteral("Место установки не длиннее %1 символов").arg(kPlaceFieldBytes);
    PlaceField field{};
    std::copy(bytes.begin(), bytes.end(), field.begin());
    return field;
}

void RxdWrPlace(link::Exchange& exchange, const PlaceField& field) {
    exchange.runCoded(link::acknowledged(kWritePlace, field));
}

void RxdReset(link::Exchange& exchange) {
    exchange.runCoded(link::acknowledged(kReset));
}

}  // namespace vilt::ops
