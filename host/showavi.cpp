// Showavi: busy on/off through Services, with a depth count that absorbs unmatched stops.
#include "host/showavi.h"

#include "platform/application.h"

namespace host::Showavi {

namespace {
int depth = 0;
}

void ActiveShowAvi(platform::TForm* /*form*/, int kind) {
    platform::Application().Services().BusyOn(kind);
    ++depth;
}

void DeactiveShowAvi() {
    if (depth == 0) return;
    --depth;
    platform::Application().Services().BusyOff();
}

int ActiveCount() {
    return depth;
}

} // namespace host::Showavi
