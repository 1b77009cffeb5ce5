// Start-up and shut-down of a module's units, each counted so that nested calls run its work once.
#include "host/unitlist.h"

#include <exception>
#include <utility>

namespace module {

namespace {

// Allocated by the first SetUnitObserver only and never destroyed: see libmodules.cpp. A module
// links its own copy of this file and, when its host does not, starts and stops its units with
// it; that copy never gets an observer, so it must not allocate one, or the allocation would be
// lost when the module is unloaded.
TUnitObserver* observer = nullptr;

void Notify(const char* event, const std::string& unit) {
    if (observer != nullptr && *observer) (*observer)(event, unit);
}

} // namespace

void SetUnitObserver(TUnitObserver newObserver) {
    if (observer == nullptr) {
        if (!newObserver) return;
        observer = new TUnitObserver;
    }
    *observer = std::move(newObserver);
}

TUnitList::TUnitList(std::vector<TUnitWork> units) {
    units_.reserve(units.size());
    for (TUnitWork& work : units) units_.push_back(Unit{std::move(work), 0});
}

void TUnitList::Initialize() {
    std::size_t started = 0;
    try {
        for (; started < units_.size(); ++started) {
            Unit& unit = units_[started];
            if (unit.count == 0) {
                Notify("startup", unit.work.name);
                if (unit.work.startup) unit.work.startup();
            }
            ++unit.count;
        }
    } catch (...) {
        // Undo this call only: units that were already running keep their earlier start-up.
        while (started > 0) {
            try {
                Stop(units_[--started]);
            } catch (...) {
                // The start-up failure is the one the caller must see.
            }
        }
        throw;
    }
}

void TUnitList::Finalize() {
    std::exception_ptr first;
    for (auto it = units_.rbegin(); it != units_.rend(); ++it) {
        if (it->count == 0) continue;
        try {
            Stop(*it);
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

void TUnitList::Stop(Unit& unit) {
    if (unit.count == 0) return;
    if (--unit.count == 0) {
        Notify("shutdown", unit.work.name);
        if (unit.work.shutdown) unit.work.shutdown();
    }
}

int TUnitList::StartupCount(const std::string& name) const {
    for (const Unit& unit : units_)
        if (unit.work.name == name) return unit.count;
    return -1;
}

std::vector<std::string> TUnitList::Names() const {
    std::vector<std::string> names;
    for (const Unit& unit : units_) names.push_back(unit.work.name);
    return names;
}

} // namespace module
