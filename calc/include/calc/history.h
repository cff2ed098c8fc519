// An entry of the session's history as the window lists it: the keys of a
// finished calculation as an expression and the result as the display
// showed it. The values themselves stay in the engine, which recalls them
// by serial number.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct historyentry {
    std::uint64_t serial = 0;  // 1, 2, ... in the order of the session
    std::string expression;    // "2 + 3 × 4 =", "2 sin"
    std::string result;        // the display: "14"
    std::string copy;          // the result without group separators
    std::string spoken;        // "2 plus 3 times 4 equals 14"
};

// Oldest first; the entries are shared, never changed, between the engine
// and the window, which therefore never copies their texts.
using historylist = std::vector<std::shared_ptr<const historyentry>>;
