#pragma once
// Cuts the byte stream from the line into request frames by their known lengths.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace vilt::sim {

class FrameAssembler {
  public:
    // Takes the next bytes from the line and returns the request frames they complete.
    // Bytes that cannot start a frame (unknown code) are dropped one at a time to resync.
    QList<QByteArray> feed(QByteArrayView bytes);

    // Drops a partial frame, e.g. after the line has been idle.
    void reset() { m_buffer.clear(); }

    bool hasPartial() const { return !m_buffer.isEmpty(); }

    // Bytes thrown away while resyncing, for the log.
    qsizetype droppedBytes() const { return m_dropped; }

  private:
    // Length of the frame at the start of the buffer; 0: need more bytes; -1: not a frame start.
    qsizetype frameLength() const;

    QByteArray m_buffer;
    qsizetype m_dropped = 0;
};

}  // namespace vilt::sim
