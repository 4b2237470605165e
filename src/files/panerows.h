// The rows of a pane as the refreshers see them. The GUI's list widget implements it (and
// keeps its rows sorted); tests and the command-line front end collect them in order.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

class CPaneRows {
public:
    virtual ~CPaneRows() = default;
    // Removes every row.
    virtual void ResetContent() = 0;
    // Appends one row.
    virtual void AddString(const std::string& text) = 0;
};

// Rows kept in the order they were added.
class CRowList : public CPaneRows {
public:
    void ResetContent() override { rows.clear(); }
    void AddString(const std::string& text) override { rows.push_back(text); }
    std::vector<std::string> rows;
};

} // namespace tarnwick
