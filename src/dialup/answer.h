#pragma once
// What the modem answered: the modem area of the exchange buffer, read as text and searched
// for the fixed words the dialogue waits for. A word counts wherever it starts among the
// area's first kSearchedPositions bytes, zero bytes or not: a read lands on what the one
// before left in the area.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

namespace vilt::dialup {

inline constexpr int kSearchedPositions = 80;

inline const QByteArray kOk = QByteArrayLiteral("OK");
inline const QByteArray k9600 = QByteArrayLiteral("9600");
inline const QByteArray kConnect = QByteArrayLiteral("CONNECT");
inline const QByteArray kNoCarrier = QByteArrayLiteral("NO CARR");

// The area as text, up to its first zero byte.
QString answerText(std::span<const uint8_t> area);

// Whether word stands at one of the first kSearchedPositions positions of the area.
bool answerHas(std::span<const uint8_t> area, const QByteArray& word);

// Whether the area holds a word that ends the wait for the answer to a dial: the call came
// through, or it did not (no carrier, busy, no dial tone, no answer, an error).
bool answerDecides(std::span<const uint8_t> area);

}  // namespace vilt::dialup
