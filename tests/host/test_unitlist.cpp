// Unit start-up and shut-down: order, counting of nested calls, and failures.
#include <gtest/gtest.h>

#include <stdexcept>

#include "host/unitlist.h"

namespace {

struct Trace {
    std::vector<std::string> events;
    module::TUnitWork Unit(const std::string& name, bool failStartup = false,
                           bool failShutdown = false) {
        return {name,
                [this, name, failStartup] {
                    if (failStartup) throw std::runtime_error("start-up of " + name + " failed");
                    events.push_back("start " + name);
                },
                [this, name, failShutdown] {
                    events.push_back("stop " + name);
                    if (failShutdown) throw std::runtime_error("shut-down of " + name + " failed");
                }};
    }
};

using Events = std::vector<std::string>;

} // namespace

TEST(UnitList, StartsInOrderAndStopsInExactReverse) {
    Trace trace;
    module::TUnitList units(
        {trace.Unit("host"), trace.Unit("Cli_pag00901"), trace.Unit("Cli_pag00900")});
    units.Initialize();
    units.Finalize();
    EXPECT_EQ(trace.events, (Events{"start host", "start Cli_pag00901", "start Cli_pag00900",
                                    "stop Cli_pag00900", "stop Cli_pag00901", "stop host"}));
}

TEST(UnitList, NestedCallsRunEachUnitsWorkOnce) {
    Trace trace;
    module::TUnitList units({trace.Unit("A"), trace.Unit("B")});
    units.Initialize();
    units.Initialize();
    EXPECT_EQ(units.StartupCount("A"), 2);
    units.Finalize();
    EXPECT_EQ(trace.events, (Events{"start A", "start B"})); // the inner shut-down does nothing
    units.Finalize();
    units.Finalize(); // unmatched: nothing
    EXPECT_EQ(trace.events, (Events{"start A", "start B", "stop B", "stop A"}));
    EXPECT_EQ(units.StartupCount("B"), 0);
    EXPECT_EQ(units.StartupCount("Z"), -1);
}

TEST(UnitList, AFailedStartUpStopsWhatThatCallStartedAndReachesTheCaller) {
    Trace trace;
    module::TUnitList units({trace.Unit("A"), trace.Unit("B"), trace.Unit("C", true)});
    EXPECT_THROW(units.Initialize(), std::runtime_error);
    EXPECT_EQ(trace.events, (Events{"start A", "start B", "stop B", "stop A"}));
    EXPECT_EQ(units.StartupCount("A"), 0);
    EXPECT_EQ(units.StartupCount("C"), 0);
}

TEST(UnitList, AFailedStartUpLeavesEarlierStartUpsRunning) {
    Trace trace;
    bool failC = false;
    module::TUnitList units({trace.Unit("A"),
                             {"C",
                              [&] {
                                  if (failC) throw std::runtime_error("C");
                              },
                              {}}});
    units.Initialize();
    failC = true;
    // C is running already, so the nested call does not start it again and cannot fail.
    EXPECT_NO_THROW(units.Initialize());
    EXPECT_EQ(units.StartupCount("A"), 2);
}

TEST(UnitList, EveryUnitStopsEvenWhenOneShutDownFails) {
    Trace trace;
    module::TUnitList units({trace.Unit("A"), trace.Unit("B", false, true), trace.Unit("C")});
    units.Initialize();
    EXPECT_THROW(units.Finalize(), std::runtime_error);
    EXPECT_EQ(trace.events,
              (Events{"start A", "start B", "start C", "stop C", "stop B", "stop A"}));
}

TEST(UnitList, TheObserverHearsTheWorkThatRuns) {
    Events heard;
    module::SetUnitObserver([&](const std::string& event, const std::string& unit) {
        heard.push_back(event + " " + unit);
    });
    module::TUnitList units(std::vector<module::TUnitWork>{{"A", {}, {}}});
    units.Initialize();
    units.Initialize();
    units.Finalize();
    units.Finalize();
    module::SetUnitObserver({});
    EXPECT_EQ(heard, (Events{"startup A", "shutdown A"}));
}

TEST(UnitList, OnlyTheLatestObserverHearsAndNoneAfterClearing) {
    Trace trace;
    module::TUnitList units({trace.Unit("A")});
    module::SetUnitObserver({}); // clearing when there is no observer is harmless
    units.Initialize();
    Events first, second;
    module::SetUnitObserver(
        [&](const std::string& event, const std::string&) { first.push_back(event); });
    units.Finalize();
    module::SetUnitObserver(
        [&](const std::string& event, const std::string&) { second.push_back(event); });
    units.Initialize();
    module::SetUnitObserver({});
    units.Finalize();
    EXPECT_EQ(first, (Events{"shutdown"}));
    EXPECT_EQ(second, (Events{"startup"}));
    EXPECT_EQ(trace.events, (Events{"start A", "stop A", "start A", "stop A"}));
}
