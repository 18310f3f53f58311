#include "link_settings.h"

#include <array>

#include "session_texts.h"

namespace vilt::link {

namespace {
constexpr uint8_t kWritePassword = 0x21;
constexpr uint8_t kWriteSpeed = 0x1D;
}  // namespace

int Rxd_wr_password(Exchange& exchange, Display& display, const QString& newPassword,
                    const QString& repeated) {
    bool firstIsNumber = false;
    bool secondIsNumber = false;
    const int32_t value = newPassword.trimmed().toInt(&firstIsNumber, 10);
    const int32_t again = repeated.trimmed().toInt(&secondIsNumber, 10);
    if (!firstIsNumber || !secondIsNumber) {
        display.message(texts::kNotANumber);
        return 1;
    }
    if (value != again) {
        display.message(texts::kPasswordsDiffer);
        return 1;
    }
    std::array<uint8_t, 4> payload{};
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
    const bool accepted =
        exchange.runCoded(acknowledged(kWritePassword, payload, kPasswordAccepted));
    return accepted ? 0 : 1;
}

int ChangePassword(Exchange& exchange, Display& display, const QString& newPassword,
                   const QString& repeated, const std::function<void()>& closeSession) {
    display.setStatus(0, texts::kBlankStatus);
    display.setStatus(1, texts::kBlankStatus);
    const int result = Rxd_wr_password(exchange, display, newPassword, repeated);
    if (result != 0) {
        display.message(texts::kPasswordNotChanged);
        return result;
    }
    display.setPanelVisible(Panel::Net_cv, true);
    display.message(texts::kPasswordChanged);
    closeSession();
    display.setPanelVisible(Panel::Ok_wr_password, true);
    return 0;
}

uint8_t speedCode(int itemIndex) {
    return itemIndex >= 0 && itemIndex <= 2 ? static_cast<uint8_t>(itemIndex) : 0;
}

void WrSkor(Exchange& exchange, uint8_t code) {
    const std::array<uint8_t, 1> payload{code};
    exchange.runCoded(acknowledged(kWriteSpeed, payload));
}

}  // namespace vilt::link
