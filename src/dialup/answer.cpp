#include "dialup/answer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vilt::dialup {

QString answerText(std::span<const uint8_t> area) {
    const auto end = std::find(area.begin(), area.end(), uint8_t{0});
    return QString::fromLatin1(reinterpret_cast<const char*>(area.data()),
                               static_cast<qsizetype>(end - area.begin()));
}

bool answerHas(std::span<const uint8_t> area, const QByteArray& word) {
    for (int i = 0; i < kSearchedPositions; ++i) {
        if (size_t(i) + size_t(word.size()) > area.size()) break;
        if (std::memcmp(area.data() + i, word.constData(), size_t(word.size())) == 0) return true;
    }
    return false;
}

bool answerDecides(std::span<const uint8_t> area) {
    static const std::array<QByteArray, 6> kWords = {
        kConnect,           kNoCarrier,           QByteArrayLiteral("BUSY"),
        QByteArrayLiteral("NO DIAL"), QByteArrayLiteral("NO ANSW"), QByteArrayLiteral("ERROR")};
    return std::any_of(kWords.begin(), kWords.end(),
                       [&](const QByteArray& word) { return answerHas(area, word); });
}

}  // namespace vilt::dialup
