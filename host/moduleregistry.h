// The registry through which LoadBPL opens another screen module by its screen code.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "platform/variant.h"

namespace host {

/// Opens a screen with the parameters handed over by the calling screen (a variant array).
using TModuleOpener = std::function<void(const platform::Variant& params)>;

/// The entry a shared library registered by path must export with C linkage under the name
/// ModuleEntryName: it opens the screen `screenCode` with `params` and returns. Exceptions it
/// raises reach the caller of LoadBPL.
using TModuleEntry = void (*)(const char* screenCode, const platform::Variant* params);
inline constexpr const char* ModuleEntryName = "OpenModule";

/// Screen codes (compared ignoring case) mapped to how each screen is opened: an opener
/// callback, or a shared library loaded on first use and kept loaded for the rest of the
/// process. Invariant: a code has at most one registration; registering again replaces it.
class TModuleRegistry {
public:
    void Register(const std::string& screenCode, TModuleOpener opener);
    void RegisterLibrary(const std::string& screenCode, const std::string& libraryPath);
    void Unregister(const std::string& screenCode);
    bool IsRegistered(const std::string& screenCode) const;
    /// Raises the error of Open for a code that is not registered; nothing otherwise.
    void CheckRegistered(const std::string& screenCode) const;

    /// Opens the screen. An unknown code, a library that cannot be loaded or lacks the entry
    /// raise platform::Exception with a Portuguese message naming the screen.
    void Open(const std::string& screenCode, const platform::Variant& params);

private:
    struct Entry {
        TModuleOpener opener;    // set for callbacks, and for libraries once loaded
        std::string libraryPath; // empty for callbacks
    };
    std::map<std::string, Entry> entries_; // keyed by the upper-cased screen code
};

/// The process-wide registry that Morvane::LoadBPL uses.
TModuleRegistry& ModuleRegistry();

} // namespace host
