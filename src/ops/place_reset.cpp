#include "ops/place_reset.h"

#include <algorithm>

#include "link/text1251.h"

namespace vilt::ops {

namespace {
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

link::Check RxdWrPlace(link::Exchange& exchange, const PlaceField& field) {
    return exchange.run(link::Command::WritePlace, field);
}

link::Check RxdReset(link::Exchange& exchange) {
    return exchange.run(link::Command::Reset);
}

}  // namespace vilt::ops
