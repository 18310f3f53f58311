#pragma once
// The event journal page: which journal, and its records as last read from the meter.

#include <QWidget>

#include "events.h"

namespace vilt::app {

class RadioGroup;
class StringGrid;
class TForm1;

class JournalPage : public QWidget {
    Q_OBJECT
  public:
    JournalPage(TForm1& form, const ops::EventTab& events, QWidget* parent = nullptr);

    // Shows journal j; a record that is not a real date or time throws ConversionError,
    // leaving the rows numbered and blank.
    void EventOut(int journal);
    void EventGroupClick();
    int selectedJournal() const;

  private:
    TForm1& m_form;
    const ops::EventTab& m_events;
    RadioGroup* m_journals = nullptr;
    StringGrid* m_grid = nullptr;
};

}  // namespace vilt::app
