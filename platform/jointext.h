// JoinText: a list of texts joined into one with a separator, as codes and query lines are.
#pragma once

#include <string>
#include <vector>

namespace platform {

/// The texts of `items` one after the other, `separator` before each one that follows some
/// text: empty items at the start add nothing, later ones add their separator.
inline std::string JoinText(const std::vector<std::string>& items, char separator) {
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty()) out += separator;
        out += item;
    }
    return out;
}

} // namespace platform
