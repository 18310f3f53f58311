#pragma once
// The numbers a modem with a phonebook reaches, and which meter answers each: one line a
// number, "PHONE FACTORY [PASSWORD]"; '#' lines and blank lines are skipped. A number is
// kept as the modem compares it: lower case (the modem lowers its command lines). Nothing
// here does I/O.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <optional>

#include "sim/virtual_meter.h"

namespace vilt::sim {

struct PhonebookEntry {
    QString phone;
    uint32_t factory = 0;
    std::optional<int32_t> password;  // none: the meter's own (--password)
};

class Phonebook {
  public:
    // The book in text; none with `error` naming the first bad line.
    static std::optional<Phonebook> parse(const QByteArray& text, QString& error);

    const PhonebookEntry* find(QStringView number) const;
    QStringList numbers() const;

    // The meter that answers a call to entry: its factory number (its address too) and
    // password; the rest of the meter's state is the one meter's, shared by every number.
    static void answerAs(MeterState& state, const PhonebookEntry& entry, int32_t ownPassword);

  private:
    QList<PhonebookEntry> m_entries;
};

}  // namespace vilt::sim
