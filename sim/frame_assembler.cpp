#include "sim/frame_assembler.h"

#include "sim/request_table.h"

namespace vilt::sim {

QList<QByteArray> FrameAssembler::feed(QByteArrayView bytes) {
    m_buffer.append(bytes);
    QList<QByteArray> frames;
    while (!m_buffer.isEmpty()) {
        const qsizetype length = frameLength();
        if (length == 0) {
            break;
        }
        if (length < 0) {
            m_buffer.remove(0, 1);
            ++m_dropped;
            continue;
        }
        frames.append(m_buffer.first(length));
        m_buffer.remove(0, length);
    }
    return frames;
}

qsizetype FrameAssembler::frameLength() const {
    if (m_buffer.size() < kLocalIdentityLength) {
        return 0;
    }
    if (isLocalIdentityRequest(m_buffer)) {
        return kLocalIdentityLength;
    }
    const int length = requestLength(static_cast<uint8_t>(m_buffer[kCodeOffset]));
    if (length == 0) {
        return -1;
    }
    return m_buffer.size() >= length ? length : 0;
}

}  // namespace vilt::sim
