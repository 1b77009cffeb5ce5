// Showavi: the busy animation shown around long operations.
#pragma once

namespace platform {
class TForm;
}

namespace host::Showavi {

/// Starts the busy animation of `kind` (the screens use 0, 1 and 6) over `form` (the
/// application's main form; which window it covers is the host's business).
void ActiveShowAvi(platform::TForm* form, int kind);

/// Stops the most recent busy animation still running. Without one running it does nothing,
/// so an unmatched call is harmless.
void DeactiveShowAvi();

/// Number of animations started and not yet stopped.
int ActiveCount();

} // namespace host::Showavi
