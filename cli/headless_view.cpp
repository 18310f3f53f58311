#include "headless_view.h"

#include "session_texts.h"

namespace vilt::cli {

void HeadlessView::setPanelVisible(link::Panel panel, bool visible) {
    if (visible) {
        m_visible.insert(panel);
    } else {
        m_visible.erase(panel);
    }
}

void HeadlessView::setStatus(int statusPanel, const QString& text) {
    if (statusPanel == 0) m_status = text;
}

void HeadlessView::message(const QString& text) {
    m_messages << text.trimmed();
}

void HeadlessView::setFactoryNumber(uint32_t number) {
    // As the factory-number field does when its value changes.
    if (number != m_factory) m_mode = link::kByFactoryNumber;
    m_factory = number;
}

void HeadlessView::setInfo(const QString& place, const QString& model, const QString& version) {
    m_place = place;
    m_model = model;
    m_version = version;
}

QString HeadlessView::failureText() const {
    if (panelVisible(link::Panel::No_pass)) return link::texts::kPasswordRefused;
    return m_status;
}

}  // namespace vilt::cli
