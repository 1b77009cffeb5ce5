// The host runtime's list of loaded modules: each module registers itself when it is loaded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/resources.h"

namespace platform {
class TComponent;
}

namespace module {

/// One loaded module. instance and codeInstance are the module's load address (code and data
/// live in the one shared object); resInstance is the satellite's resources when one is used,
/// else the module's own instance.
struct TLibModule {
    std::string name;     // the module unit, e.g. "PKG_PAG00900"
    std::string fileName; // the shared library's path as loaded
    const void* instance = nullptr;
    const void* codeInstance = nullptr;
    const void* resInstance = nullptr;
    std::shared_ptr<const TResourceModule> resources; // null: built-in texts
    std::string resourceNote;                         // see TSatelliteLookup::note
};

/// Adds a module to the list (replacing an entry with the same instance).
void RegisterModule(TLibModule module);
/// Removes the module with this instance; an unknown instance does nothing.
void UnregisterModule(const void* instance);
/// A copy of the list, in registration order.
std::vector<TLibModule> LibModules();
/// The registered module of this name (ignoring case); nullptr when none. The pointer is
/// valid until the list next changes.
const TLibModule* FindLibModule(const std::string& name);

/// Applies the satellite texts of module `moduleName` to `form` (see TResourceModule::ApplyTo).
/// Does nothing when the module is not registered or uses its own texts.
void ApplyModuleResources(const std::string& moduleName, platform::TComponent& form);

/// Creates a form as platform::CreateForm does, with the satellite texts of `moduleName`
/// applied between construction and OnCreate, as a form's design is loaded. `reference` is
/// set to the form before its OnCreate runs, so that handlers running during creation reach
/// it. When creation fails (showing an MDI child included) the form is freed, `reference` is
/// cleared and the exception reaches the caller.
template <class F>
void CreateModuleForm(platform::TComponent* owner, const std::string& moduleName, F*& reference) {
    std::unique_ptr<F> form(new F(owner));
    ApplyModuleResources(moduleName, *form);
    reference = form.get();
    try {
        form->AfterConstruction();
    } catch (...) {
        reference = nullptr;
        throw; // `form` frees the half-created form
    }
    static_cast<void>(form.release()); // from here on its owner frees it
}

} // namespace module
