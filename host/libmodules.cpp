// The host runtime's list of loaded modules.
#include "host/libmodules.h"

#include <algorithm>
#include <mutex>

#include "platform/sysutils.h"

namespace module {

namespace {

// Modules register from their load and unload hooks, which run inside dlopen/dlclose on
// whichever thread called them; the lock keeps the list whole.
struct TModuleList {
    std::mutex lock;
    std::vector<TLibModule> modules;
};

// Never destroyed: a module's unload hook may run after the program's static objects are
// gone (a module that cannot be unmapped is unloaded only when the process ends).
TModuleList& List() {
    static TModuleList* list = new TModuleList;
    return *list;
}

} // namespace

void RegisterModule(TLibModule module) {
    TModuleList& list = List();
    std::lock_guard guard(list.lock);
    auto it = std::find_if(list.modules.begin(), list.modules.end(),
                           [&](const TLibModule& m) { return m.instance == module.instance; });
    if (it != list.modules.end())
        *it = std::move(module);
    else
        list.modules.push_back(std::move(module));
}

void UnregisterModule(const void* instance) {
    TModuleList& list = List();
    std::lock_guard guard(list.lock);
    std::erase_if(list.modules, [&](const TLibModule& m) { return m.instance == instance; });
}

std::vector<TLibModule> LibModules() {
    TModuleList& list = List();
    std::lock_guard guard(list.lock);
    return list.modules;
}

const TLibModule* FindLibModule(const std::string& name) {
    TModuleList& list = List();
    std::lock_guard guard(list.lock);
    for (const TLibModule& m : list.modules)
        if (platform::SameText(m.name, name)) return &m;
    return nullptr;
}

void ApplyModuleResources(const std::string& moduleName, platform::TComponent& form) {
    std::shared_ptr<const TResourceModule> resources;
    {
        TModuleList& list = List();
        std::lock_guard guard(list.lock);
        for (const TLibModule& m : list.modules)
            if (platform::SameText(m.name, moduleName)) resources = m.resources;
    }
    if (resources) resources->ApplyTo(form);
}

} // namespace module
