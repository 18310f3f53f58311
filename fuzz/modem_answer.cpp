// The search of the modem's answer on any bytes, both as an area of the input's own length
// (so a look past its end is caught) and as the modem area of the exchange buffer the dial
// reads into. Each word is found exactly when it starts within the first positions, and the
// text is the area up to its first zero byte.

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

#include "dialup/answer.h"
#include "link/exchange.h"

using namespace vilt;

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& word) {
    std::fprintf(stderr, "modem_answer: %s (%s)\n", what, word.constData());
    std::abort();
}

// The search put another way, as the reference: the word somewhere in the bytes that a word
// starting at one of the searched positions can cover.
bool expectedHas(std::span<const uint8_t> area, const QByteArray& word) {
    const std::string_view bytes(reinterpret_cast<const char*>(area.data()), area.size());
    const size_t reach = size_t(dialup::kSearchedPositions) - 1 + size_t(word.size());
    return bytes.substr(0, std::min(reach, bytes.size()))
               .find(std::string_view(word.constData(), size_t(word.size()))) !=
           std::string_view::npos;
}

void check(std::span<const uint8_t> area) {
    for (const QByteArray& word :
         {dialup::kOk, dialup::k9600, dialup::kConnect, dialup::kNoCarrier}) {
        if (dialup::answerHas(area, word) != expectedHas(area, word))
            fail("the search disagrees", word);
    }
    const QString text = dialup::answerText(area);
    const auto zero = std::find(area.begin(), area.end(), uint8_t{0});
    const auto length = static_cast<qsizetype>(zero - area.begin());
    if (text.size() != length) fail("the text does not end at the first zero byte", {});
    for (qsizetype i = 0; i < length; ++i)
        if (text[i].unicode() != area[size_t(i)]) fail("the text is not the bytes", {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check(std::span<const uint8_t>(data, size));
    std::array<uint8_t, link::Exchange::kBufferSize - link::Exchange::kModemArea> area{};
    std::copy_n(data, std::min(size, area.size()), area.begin());
    check(area);
    return 0;
}
