#include "link/text1251.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace vilt::link {

namespace {
constexpr const char* kCodePage = "Windows-1251";
}

QString decode1251(std::span<const uint8_t> bytes, int maxBytes) {
    const auto limited = bytes.first(std::min<size_t>(bytes.size(), static_cast<size_t>(maxBytes)));
    const auto end = std::find(limited.begin(), limited.end(), uint8_t{0});
    QStringDecoder decoder(kCodePage);
    return decoder(QByteArrayView(limited.data(), end - limited.begin()));
}

std::optional<QByteArray> encode1251(const QString& text) {
    QStringEncoder encoder(kCodePage);
    QByteArray bytes = encoder(text);
    if (encoder.hasError()) return std::nullopt;
    return bytes;
}

}  // namespace vilt::link
