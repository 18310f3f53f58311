#include "link/identity.h"

#include "link/text1251.h"

namespace vilt::link {

namespace {
uint16_t word(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}
}  // namespace

Identity decodeIdentity(std::span<const uint8_t> reply) {
    Identity identity;
    identity.address = static_cast<uint32_t>(reply[0] | reply[1] << 8 | reply[2] << 16);
    identity.model = word(reply, 4);
    identity.version = word(reply, 6);
    identity.place = decode1251(reply.subspan(10, kPlaceBytes), kPlaceBytes);
    return identity;
}

QString versionText(uint16_t version) {
    const QString s = QString::number(version);
    // mid() counts from 0 and yields nothing past the end.
    return s.mid(3, 2) + QLatin1Char('.') + s.mid(1, 2) + QLatin1Char('.') + s.mid(0, 1);
}

}  // namespace vilt::link
