#pragma once
// Texts to and from the meter travel as single-byte Windows-1251; this is the one place
// that converts them.

#include <QByteArray>
#include <QString>
#include <optional>
#include <span>

namespace vilt::link {

// Up to the first zero byte, at most maxBytes bytes.
QString decode1251(std::span<const uint8_t> bytes, int maxBytes);
// None when a character has no Windows-1251 code.
std::optional<QByteArray> encode1251(const QString& text);

}  // namespace vilt::link
