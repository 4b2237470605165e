// CPropertyPage: one page of the options sheet that edits stored settings. The sheet loads a
// page from the store the first time its tab is shown and, when the sheet is confirmed,
// stores only the pages that were loaded, so a page never shown writes nothing.
#pragma once

#include <QWidget>

namespace tarnwick {

class CPropertyPage : public QWidget {
public:
    using QWidget::QWidget;

    // Loads the page unless it was loaded already.
    void LoadOnce()
    {
        if (!m_bLoaded) {
            m_bLoaded = true;
            Load();
        }
    }
    [[nodiscard]] bool IsLoaded() const { return m_bLoaded; }

    // Reads the page's settings into its controls.
    virtual void Load() = 0;
    // Writes the controls back into the store.
    virtual void Store() = 0;
    // Why the controls cannot be stored as they stand, or empty when they can. The sheet asks
    // every loaded page before it stores any, so a refusal leaves the store as it was.
    [[nodiscard]] virtual QString Refusal() const { return {}; }

private:
    bool m_bLoaded = false;
};

} // namespace tarnwick
