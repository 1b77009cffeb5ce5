// TBusyGuard: one busy on and exactly one busy off per guard, whichever way its scope ends.
#include <gtest/gtest.h>

#include <stdexcept>

#include "fake_services.h"
#include "host/busyguard.h"
#include "host/showavi.h"

using host::TBusyGuard;
using host::TBusyKind;

namespace {
using Log = std::vector<std::string>;
}

TEST(BusyGuard, ShowsEachKindWithTheHostsNumberAndHidesItAtTheEndOfTheScope) {
    hosttest::FakeServices services;
    { TBusyGuard opening(TBusyKind::Opening); }
    { TBusyGuard processing(TBusyKind::Processing); }
    {
        TBusyGuard searching(TBusyKind::Searching);
        EXPECT_TRUE(searching.Active());
        EXPECT_EQ(host::Showavi::ActiveCount(), 1);
    }
    EXPECT_EQ(services.log,
              (Log{"busy on 0", "busy off", "busy on 1", "busy off", "busy on 6", "busy off"}));
    EXPECT_EQ(host::Showavi::ActiveCount(), 0);
}

TEST(BusyGuard, StopsEarlyOnceAndLeavesAnEnclosingAnimationRunning) {
    hosttest::FakeServices services;
    host::Showavi::ActiveShowAvi(nullptr, 6); // an animation the guard does not own
    {
        TBusyGuard guard(TBusyKind::Processing);
        guard.Stop();
        EXPECT_FALSE(guard.Active());
        services.log.push_back("box"); // what a handler shows once the animation is gone
        guard.Stop();                  // a second stop, then the destructor: nothing more
    }
    EXPECT_EQ(host::Showavi::ActiveCount(), 1);
    host::Showavi::DeactiveShowAvi();
    EXPECT_EQ(services.log, (Log{"busy on 6", "busy on 1", "busy off", "box", "busy off"}));
}

TEST(BusyGuard, HidesTheAnimationWhenAnExceptionLeavesTheScope) {
    hosttest::FakeServices services;
    try {
        TBusyGuard outer(TBusyKind::Searching);
        TBusyGuard inner(TBusyKind::Searching);
        throw std::runtime_error("falhou");
    } catch (const std::runtime_error&) {
        // Both animations are gone before the failure is handled.
        EXPECT_EQ(host::Showavi::ActiveCount(), 0);
        services.log.push_back("handled");
    }
    EXPECT_EQ(services.log, (Log{"busy on 6", "busy on 6", "busy off", "busy off", "handled"}));
}
