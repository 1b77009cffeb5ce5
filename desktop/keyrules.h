// The desktop's own keys: what a person expects of desktop windows before a key reaches the
// form (Enter and Esc in dialogs, page changes, pop-ups, help, the keypad's decimal key).
#pragma once

#include "desktop/qtconvert.h"

class QKeyEvent;

namespace platform {
class TForm;
}

namespace desktop {

class TRenderer;

/// Runs the desktop's rule for a key pressed in `form`, if one applies; true when the key was
/// used up. Every action runs inside the application's exception boundary.
bool RunDesktopKey(TRenderer& renderer, platform::TForm& form, const QKeyEvent& event);

/// The key as the form should get it: the keypad's decimal key types the locale's decimal
/// separator in a number edit.
TKeyInput FormKeyInput(platform::TForm& form, const QKeyEvent& event);

} // namespace desktop
