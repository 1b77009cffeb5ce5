// A host's handle on a screen module: loads the shared library with dlopen and finds its
// exports by name with dlsym, as every host (desktop, scripted, tests) does.
//
// The host executable must export its symbols (CMake ENABLE_EXPORTS, -rdynamic) so that the
// module binds to the host's platform and framework (application object, session, Services)
// instead of its own copies; the constructor checks that this happened.
#pragma once

#include <string>

#include "host/packageinfo.h"

namespace module {

/// A loaded module. Invariant: while the object lives the library stays loaded and every
/// function pointer below is valid. Not copyable.
class TModuleLibrary {
public:
    /// Loads the library and finds IniProc, Initialize, Finalize and GetPackageInfoTable.
    /// Raises platform::Exception (Portuguese message naming the file) when the library cannot
    /// be loaded, lacks an export, has a descriptor of another layout, did not register itself
    /// in this process's list of loaded modules, or has the name of a module already loaded
    /// from another file. Loading the same file again shares the loaded module.
    explicit TModuleLibrary(const std::string& fileName);
    /// Unloads the library. The host must have run Finalize and destroyed the module's forms.
    ~TModuleLibrary();
    TModuleLibrary(const TModuleLibrary&) = delete;
    TModuleLibrary& operator=(const TModuleLibrary&) = delete;

    const std::string& FileName() const { return fileName_; }
    const TPackageInfoTable& PackageInfo() const { return *info_; }
    /// The module's name from its descriptor ("PKG_PAG00900").
    std::string Name() const { return info_->name; }

    void Initialize() const { initialize_(); }
    void Finalize() const { finalize_(); }
    void IniProc() const { iniProc_(); }

    /// The address of an exported symbol; nullptr when `required` is false and it is absent,
    /// platform::Exception when `required` is true and it is absent.
    void* Symbol(const char* name, bool required = true) const;
    /// An exported global variable of type T.
    template <class T> T* Global(const char* name) const { return static_cast<T*>(Symbol(name)); }

private:
    std::string fileName_;
    void* handle_ = nullptr;
    const TPackageInfoTable* info_ = nullptr;
    TModuleProc iniProc_ = nullptr;
    TModuleProc initialize_ = nullptr;
    TModuleProc finalize_ = nullptr;
};

} // namespace module
