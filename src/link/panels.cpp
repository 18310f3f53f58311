#include "panels.h"

namespace vilt::link {

void hideAllPanels(Display& display) {
    for (int i = 0; i < kPanelCount; ++i) display.setPanelVisible(static_cast<Panel>(i), false);
}

}  // namespace vilt::link
