#pragma once
// The event journal page: which journal, and its records as last read from the meter.

#include <QWidget>

#include "app/frame/services.h"
#include "ops/events.h"

namespace vilt::app {

class RadioGroup;
class StringGrid;

class JournalPage : public QWidget {
    Q_OBJECT
  public:
    JournalPage(Services& services, const ops::Journals& events, QWidget* parent = nullptr);

    // Shows journal j; a record that is not a real date or time is told in a message box,
    // leaving the rows numbered and blank.
    void showJournal(int journal);
    void journalChosen();
    int selectedJournal() const;

  private:
    Services& m_services;
    const ops::Journals& m_events;
    RadioGroup* m_journals = nullptr;
    StringGrid* m_grid = nullptr;
};

}  // namespace vilt::app
