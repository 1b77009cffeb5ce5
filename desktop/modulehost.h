// The desktop's hold on the PAG00900 module: loaded at start-up, initialised once, finalised at
// exit.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace module {
class TModuleLibrary;
}

namespace desktop {

/// Loads the module with dlopen (through module::TModuleLibrary) and runs its entries as the
/// host runtime does: Initialize once, IniProc for each opening of the screen, Finalize once
/// when the desktop ends, after every form was destroyed. Also registers the screens other
/// modules open through LoadBPL.
class TModuleHost {
public:
    /// Loads the library; raises platform::Exception (Portuguese) when it cannot.
    explicit TModuleHost(const std::string& fileName);
    ~TModuleHost();
    TModuleHost(const TModuleHost&) = delete;
    TModuleHost& operator=(const TModuleHost&) = delete;

    /// Runs Initialize the first time; later calls do nothing.
    void Initialize();
    /// Opens the screen (Initialize first when it has not run).
    void IniProc();
    /// Destroys every form, then runs Finalize (when Initialize ran). Later calls do nothing.
    void Shutdown();
    bool Initialized() const { return initialized_; }
    const std::string& FileName() const;
    std::string Name() const;

    /// Registers a screen opened by LoadBPL from a library ("CODE=FILE"); raises
    /// platform::Exception for a malformed text.
    static void RegisterScreen(const std::string& registration);
    /// Registers CTB10200 from <program dir>/../lib/libCTB10200.so when that file exists;
    /// otherwise opening it shows that the accounting screen is not installed. False when the
    /// library was not found.
    static bool RegisterAccountingScreen();

private:
    std::unique_ptr<module::TModuleLibrary> library_;
    bool initialized_ = false;
    bool finished_ = false;
};

} // namespace desktop
