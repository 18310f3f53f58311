#pragma once
// The load-limits dialog: the power limit, the energy limit of each tariff and the fourteen
// flag boxes, read from the meter when it opens and written back on request.

#include <QDialog>
#include <array>

#include "app/frame/services.h"
#include "limits/limits.h"

class QCheckBox;
class QLineEdit;

namespace vilt::app {

class LimitsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit LimitsDialog(Services& services, QWidget* parent = nullptr);

    // The main window's button: read the limits, then show the dialog whatever came of it.
    void openLimits();
    void showLimits();
    void showNextDay();
    void loadFromFile();
    void closeDialog();

    const limits::Limits& values() const { return m_values; }

  private:
    void buildValues();
    void buildFlags();
    void clearFlags();
    // Reads the meter's limits into the values and the boxes; the outcome is shown.
    void readIntoDialog();
    uint8_t flagByte(bool auxiliary) const;

    Services& m_services;
    limits::Limits m_values;
    QLineEdit* m_power = nullptr;
    std::array<QLineEdit*, link::kTariffCount> m_energy{};
    std::array<QCheckBox*, 14> m_boxes{};
};

}  // namespace vilt::app
