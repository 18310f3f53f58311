#pragma once
// The service page: the 512 Hz test output, the calibration byte and the meter's number.
// Hidden from ordinary use; each button acts only with its operation selected.

#include <QWidget>
#include <functional>

#include "app/frame/services.h"
#include "ops/operations.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vilt::app {

class ServicePage : public QWidget {
    Q_OBJECT
  public:
    ServicePage(Services& services, std::function<ops::Group()> selectedGroup,
                QWidget* parent = nullptr);

    void startOutput512();
    void readCalibration();
    void writeCalibration();
    void toggleSign();
    void writeMeterNumber();
    // Leaving for another page empties the results and brings back the defaults.
    void resetControls();

  private:
    QPushButton* addButton(const char* name, const QString& label, bool red, int row);
    void showSign(bool minus);

    Services& m_services;
    std::function<ops::Group()> m_selectedGroup;
    QLabel* m_sign = nullptr;  // the sign of the calibration read
    QLineEdit* m_read = nullptr;
    QPushButton* m_signButton = nullptr;
    QLineEdit* m_write = nullptr;
    QLineEdit* m_serial = nullptr;
};

}  // namespace vilt::app
