// The tariff file loader on any bytes: it either refuses them with its one message or
// takes them whole, and what it takes saves back to the very same bytes.

#include "tariff/tariff_file.h"

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace vilt::tariff;

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "tariff_file: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto loaded = loadTariffFile(bytes);
    if (const auto* error = std::get_if<QString>(&loaded)) {
        if (*error != kTariffFileDamaged) fail("refused with another message");
        return 0;
    }
    const TariffFile& file = std::get<TariffFile>(loaded);
    if (file.days.count != specDayListLength(file.days.records))
        fail("the count is not the list's length");
    if (saveTariffFile(file.schedule, file.days) != bytes) fail("save(load(x)) differs from x");
    return 0;
}
