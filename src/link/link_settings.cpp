#include "link/link_settings.h"

#include <array>

#include "link/outcome_texts.h"

namespace vilt::link {

Check sendPassword(Exchange& exchange, int32_t password) {
    std::array<uint8_t, 4> payload{};
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(static_cast<uint32_t>(password) >> (8 * i));
    return exchange.run(Command::WritePassword, payload);
}

Outcome ChangePassword(Exchange& exchange, const QString& newPassword, const QString& repeated) {
    Outcome outcome(Operation::ChangePassword);
    bool firstIsNumber = false;
    bool secondIsNumber = false;
    const int32_t value = newPassword.trimmed().toInt(&firstIsNumber, 10);
    const int32_t again = repeated.trimmed().toInt(&secondIsNumber, 10);
    if (!firstIsNumber || !secondIsNumber || value != again) {
        outcome.status = Status::Refused;
        outcome.messages << (firstIsNumber && secondIsNumber ? texts::kPasswordsDiffer
                                                             : texts::kNotANumber)
                         << texts::kPasswordNotChanged;
        return outcome;
    }
    if (outcome.add(Command::WritePassword, sendPassword(exchange, value)) != Check::Ok) {
        outcome.status = Status::NoLink;
        outcome.messages << texts::kPasswordNotChanged;
        return outcome;
    }
    outcome.messages << texts::kPasswordChanged;
    return outcome;
}

uint8_t speedCode(int itemIndex) {
    return itemIndex >= 0 && itemIndex <= 2 ? static_cast<uint8_t>(itemIndex) : 0;
}

Check sendSpeed(Exchange& exchange, uint8_t code) {
    const std::array<uint8_t, 1> payload{code};
    return exchange.run(Command::WriteSpeed, payload);
}

}  // namespace vilt::link
