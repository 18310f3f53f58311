#include "service/service.h"

#include <array>

#include "link/numbers.h"
#include "link/retry.h"

namespace vilt::service {

namespace {

constexpr uint8_t kMinus = 0x20;
constexpr int kLargestValue = 31;

}  // namespace

Calibration decodeCalibration(uint8_t byte) {
    if (byte < kMinus) return {false, byte};
    return {true, byte - kMinus};
}

std::optional<uint8_t> calibrationByte(const QString& text, bool minus) {
    // A negative entry would reach the sign bit by the back door: refused like 32 and more.
    const auto value = link::parseNumber(text.trimmed(), {0, kLargestValue});
    if (!value) return std::nullopt;
    return static_cast<uint8_t>(*value + (minus ? kMinus : 0));
}

link::Check sendOutput512(link::Exchange& exchange) {
    return exchange.run(link::Command::Out512);
}

link::Result<uint8_t> requestCalibration(link::Exchange& exchange) {
    const link::Check check = exchange.run(link::Command::ReadCalibration);
    if (check != link::Check::Ok) return {check};
    return {check, exchange.replyData(1)[0]};
}

link::Check sendCalibration(link::Exchange& exchange, uint8_t byte) {
    const std::array<uint8_t, 1> payload{byte};
    return exchange.run(link::Command::WriteCalibration, payload);
}

link::Check sendSerialNumberStart(link::Exchange& exchange) {
    return exchange.run(link::Command::SerialNumber12);
}

link::Check sendSerialNumber(link::Exchange& exchange, int32_t number) {
    std::array<uint8_t, 4> payload{};
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(static_cast<uint32_t>(number) >> (8 * i));
    return exchange.run(link::Command::SerialNumber34, payload);
}

link::Outcome switch512(link::Exchange& exchange) {
    return link::Outcome::single(link::Operation::Out512, link::Command::Out512,
                                 sendOutput512(exchange));
}

CalibrationOutcome readCalibration(link::Exchange& exchange) {
    CalibrationOutcome outcome;
    outcome.operation = link::Operation::ReadCalibration;
    const auto reply = link::retried(outcome, link::Command::ReadCalibration,
                                     [&] { return requestCalibration(exchange); });
    if (reply.ok()) {
        outcome.calibration = decodeCalibration(reply.value);
    } else {
        outcome.status = link::Status::NoLink;  // the attempts before the last do not count
    }
    return outcome;
}

link::Outcome writeCalibration(link::Exchange& exchange, const QString& text, bool minus) {
    const auto byte = calibrationByte(text, minus);
    if (!byte) return link::Outcome::refused(link::Operation::WriteCalibration, kBadInput);
    return link::Outcome::single(link::Operation::WriteCalibration, link::Command::WriteCalibration,
                                 sendCalibration(exchange, *byte));
}

link::Outcome writeSerialNumber(link::Exchange& exchange, const QString& text) {
    const auto number = link::parseNumber(text.trimmed(), {0, kLargestSerialNumber});
    if (!number) return link::Outcome::refused(link::Operation::WriteSerialNumber, kBadInput);
    link::Outcome outcome(link::Operation::WriteSerialNumber);
    outcome.add(link::Command::SerialNumber12, sendSerialNumberStart(exchange));
    outcome.add(link::Command::SerialNumber34,
                sendSerialNumber(exchange, static_cast<int32_t>(*number)));
    return outcome.concluded();
}

}  // namespace vilt::service
