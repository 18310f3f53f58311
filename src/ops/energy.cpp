#include "ops/energy.h"

namespace vilt::ops {

namespace {

constexpr int kCountBytes = 4;

link::Result<Counts> countsOf(link::Exchange& exchange, link::Check check) {
    if (check != link::Check::Ok) return {check};
    const auto data = exchange.replyData(link::kTariffCount * kCountBytes);
    Counts counts{};
    for (size_t t = 0; t < counts.size(); ++t) {
        uint32_t value = 0;
        for (int i = kCountBytes - 1; i >= 0; --i)
            value = (value << 8) | data[t * kCountBytes + static_cast<size_t>(i)];
        counts[t] = static_cast<int32_t>(value);
    }
    return {check, counts};
}

}  // namespace

link::Result<Counts> requestEnergy(link::Exchange& exchange, EnergyKind kind) {
    const std::array<uint8_t, 1> payload{static_cast<uint8_t>(kind)};
    return countsOf(exchange, exchange.run(link::Command::ReadEnergy, payload));
}

link::Result<Counts> requestMonthEnd(link::Exchange& exchange, int month) {
    const std::array<uint8_t, 2> payload{static_cast<uint8_t>(month),
                                         static_cast<uint8_t>(EnergyKind::Active)};
    return countsOf(exchange, exchange.run(link::Command::ReadMonth, payload));
}

int64_t countTotal(const Counts& counts) {
    int64_t total = 0;
    for (const int32_t count : counts) total += count;
    return total;
}

double countValue(int64_t count) {
    return static_cast<double>(count) * 0.01;
}

}  // namespace vilt::ops
