// The key names of the script language and the keystrokes they stand for.
#pragma once

#include <optional>
#include <string_view>

#include "platform/keys.h"

namespace scripted {

/// A keystroke as a person makes it: a character typed (isChar) or a key with modifiers.
struct TKeyStroke {
    bool isChar = false;
    platform::TKeyChar ch = 0; // isChar: the character
    platform::Word key = 0;    // otherwise: the virtual key
    platform::TShiftState shift = 0;
    bool operator==(const TKeyStroke&) const = default;
};

/// A key as scripts name it: one character ("a", ","); space, enter, esc, tab, backspace
/// (typed as their characters); or a key with modifiers as a menu shortcut is written
/// (ctrl+L, shift+tab, F5, del, home...), case ignored. nullopt for anything else.
std::optional<TKeyStroke> ParseKeyStroke(std::string_view text);

} // namespace scripted
