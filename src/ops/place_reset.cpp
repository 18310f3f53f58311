#include "ops/place_reset.h"

#include <QList>
#include <algorithm>

#include "link/text1251.h"

namespace vilt::ops {

namespace {
// Names the first character the meter cannot hold, whole even where it takes two UTF-16
// units (an emoji).
QString unwritable(const QString& text) {
    for (const uint c : text.toUcs4()) {
        const char32_t point = c;
        const QString character = QString::fromUcs4(&point, 1);
        if (!link::encode1251(character))
            return QStringLiteral("Символ «%1» нельзя записать в место установки").arg(character);
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

link::Check sendPlace(link::Exchange& exchange, const PlaceField& field) {
    return exchange.run(link::Command::WritePlace, field);
}

link::Check sendReset(link::Exchange& exchange) {
    return exchange.run(link::Command::Reset);
}

}  // namespace vilt::ops
