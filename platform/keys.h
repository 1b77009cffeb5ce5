// Keyboard vocabulary shared by controls, forms and menus: virtual key codes, shift state, key
// events.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/classes.h"

namespace platform {

using Word = std::uint16_t;
/// A typed character (a Unicode code point); 0 means "no key" (a cancelled key press).
using TKeyChar = char32_t;

/// Modifier keys held while a key goes down: a set of these bits.
enum TShiftStateFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = unsigned;

// Virtual key codes. Letters and digits use their upper-case ASCII codes ('A' = 65, '0' = 48).
constexpr Word VK_BACK = 8;
constexpr Word VK_TAB = 9;
constexpr Word VK_RETURN = 13;
constexpr Word VK_SHIFT = 16;
constexpr Word VK_CONTROL = 17;
constexpr Word VK_MENU = 18;
constexpr Word VK_ESCAPE = 27;
constexpr Word VK_SPACE = 32;
constexpr Word VK_PRIOR = 33;
constexpr Word VK_NEXT = 34;
constexpr Word VK_END = 35;
constexpr Word VK_HOME = 36;
constexpr Word VK_LEFT = 37;
constexpr Word VK_UP = 38;
constexpr Word VK_RIGHT = 39;
constexpr Word VK_DOWN = 40;
constexpr Word VK_INSERT = 45;
constexpr Word VK_DELETE = 46;
constexpr Word VK_F1 = 112;
constexpr Word VK_F12 = 123;

/// OnKeyDown: the handler may set `key` to 0 to stop the control's own handling of it.
using TKeyEvent = std::function<void(TObject* sender, Word& key, TShiftState shift)>;
/// OnKeyPress: the handler may set `key` to 0, or raise the silent abort, to cancel the key.
using TKeyPressEvent = std::function<void(TObject* sender, TKeyChar& key)>;

/// A key with its modifiers as one number: the key code plus scShift, scCtrl, scAlt.
using TShortCut = std::uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

} // namespace platform
