// Start-up and shut-down of a module's units, each counted so that nested calls run its work once.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace module {

/// What a unit does when it starts and when it stops (either may be empty).
struct TUnitWork {
    std::string name;
    std::function<void()> startup;
    std::function<void()> shutdown;
};

/// Hears every unit's start-up or shut-down work as it runs ("startup"/"shutdown", unit name).
/// Hosts and tests set it to follow a module's units; empty by default.
using TUnitObserver = std::function<void(const std::string& event, const std::string& unit)>;
void SetUnitObserver(TUnitObserver observer);

/// The units of one module in start-up order.
///
/// Invariants: each unit has a start-up count >= 0; its start-up work has run and its
/// shut-down work has not exactly while the count is above 0. Initialize raises every count
/// by one (running the work of the units whose count leaves 0, in order); Finalize lowers
/// every count above 0 by one (running the shut-down work of those reaching 0, in reverse
/// order). So nested Initialize/Finalize pairs run each unit's work once.
class TUnitList {
public:
    explicit TUnitList(std::vector<TUnitWork> units);

    /// Starts the units in order. When a unit's start-up raises, the units this call started
    /// are stopped again in reverse order and the exception reaches the caller.
    void Initialize();
    /// Stops the units in reverse order. Every unit is stopped even when one raises; the first
    /// exception then reaches the caller. Without a matching Initialize it does nothing.
    void Finalize();

    /// The start-up count of a unit by name; -1 for a name that is not in the list.
    int StartupCount(const std::string& name) const;
    /// Unit names in start-up order.
    std::vector<std::string> Names() const;

private:
    struct Unit {
        TUnitWork work;
        int count = 0;
    };
    void Stop(Unit& unit);
    std::vector<Unit> units_;
};

} // namespace module
