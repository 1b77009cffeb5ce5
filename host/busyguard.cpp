// TBusyGuard: Showavi on at construction, off once at Stop() or destruction.
#include "host/busyguard.h"

#include "host/showavi.h"
#include "platform/application.h"

namespace host {

TBusyGuard::TBusyGuard(TBusyKind kind) {
    Showavi::ActiveShowAvi(platform::Application().MainForm(), static_cast<int>(kind));
    active_ = true; // only an animation that started is stopped again
}

TBusyGuard::~TBusyGuard() {
    Stop();
}

void TBusyGuard::Stop() {
    if (!active_) return;
    active_ = false;
    Showavi::DeactiveShowAvi();
}

} // namespace host
