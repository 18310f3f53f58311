#include "sim/phonebook.h"

#include "sim/state_text.h"

namespace vilt::sim {

namespace {

// One line's entry, its fields checked as the meter's own options check them.
std::optional<PhonebookEntry> parseEntry(const QList<QStringView>& fields, QString& error) {
    if (fields.size() < 2 || fields.size() > 3) {
        error = QStringLiteral("%1 fields where PHONE FACTORY [PASSWORD] are 2 or 3")
                    .arg(fields.size());
        return std::nullopt;
    }
    MeterState state;
    if (!setMeterField(state, u"factory", fields[1].toString(), error)) return std::nullopt;
    PhonebookEntry entry{fields[0].toString().toLower(), state.factory, std::nullopt};
    if (fields.size() == 3) {
        if (!setMeterField(state, u"password", fields[2].toString(), error)) return std::nullopt;
        entry.password = state.password;
    }
    return entry;
}

}  // namespace

std::optional<Phonebook> Phonebook::parse(const QByteArray& text, QString& error) {
    Phonebook book;
    int number = 0;
    for (const QString& line : QString::fromUtf8(text).split(u'\n')) {
        ++number;
        const QString trimmed = line.simplified();  // tabs and runs of blanks are one space
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;
        auto entry = parseEntry(QStringView(trimmed).split(u' ', Qt::SkipEmptyParts), error);
        if (entry && book.find(entry->phone)) error = QStringLiteral("number listed twice");
        if (!entry || !error.isEmpty()) {
            error = QStringLiteral("line %1: %2").arg(number).arg(error);
            return std::nullopt;
        }
        book.m_entries.append(*entry);
    }
    if (book.m_entries.isEmpty()) {
        error = QStringLiteral("no numbers in it");
        return std::nullopt;
    }
    return book;
}

const PhonebookEntry* Phonebook::find(QStringView number) const {
    for (const PhonebookEntry& entry : m_entries)
        if (entry.phone == number) return &entry;
    return nullptr;
}

QStringList Phonebook::numbers() const {
    QStringList numbers;
    for (const PhonebookEntry& entry : m_entries) numbers << entry.phone;
    return numbers;
}

void Phonebook::answerAs(MeterState& state, const PhonebookEntry& entry, int32_t ownPassword) {
    state.factory = entry.factory;
    state.password = entry.password.value_or(ownPassword);
}

}  // namespace vilt::sim
