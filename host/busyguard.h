// TBusyGuard: the busy animation over the main form for as long as a scope lasts.
#pragma once

namespace host {

/// The busy animations the screens show, by what the user waits for. The values are the kinds
/// the host's animation takes (Showavi::ActiveShowAvi); the host chooses how each one looks.
enum class TBusyKind : int {
    Opening = 0,    ///< a screen being created and connected to its server
    Processing = 1, ///< a server call or a long pass over the list
    Searching = 6,  ///< the filter dialog's query
};

/// Shows the busy animation of one kind over the application's main form and hides it exactly
/// once: at Stop() or when the guard goes out of scope, also when an exception leaves it. The
/// hide is never repeated, because an extra DeactiveShowAvi would stop an enclosing animation.
/// Stop() is for handlers that hide the animation before the work that must not run under it
/// (a message box, a hand-over to another screen).
class TBusyGuard {
public:
    explicit TBusyGuard(TBusyKind kind);
    ~TBusyGuard();
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;

    /// Hides the animation if this guard still shows it; later calls do nothing.
    void Stop();
    /// True until the animation of this guard was hidden.
    bool Active() const { return active_; }

private:
    bool active_ = false;
};

} // namespace host
