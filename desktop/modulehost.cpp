// The desktop's hold on the PAG00900 module: loaded at start-up, initialised once, finalised at exit.
#include "desktop/modulehost.h"

#include <filesystem>

#include "host/moduleloader.h"
#include "host/moduleregistry.h"
#include "platform/application.h"
#include "platform/sysutils.h"

namespace desktop {

namespace {

std::filesystem::path ProgramLibDir() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return self.parent_path().parent_path() / "lib";
}

} // namespace

TModuleHost::TModuleHost(const std::string& fileName) : library_(std::make_unique<module::TModuleLibrary>(fileName)) {}

TModuleHost::~TModuleHost() { Shutdown(); }

void TModuleHost::Initialize() {
    if (initialized_ || finished_) return;
    library_->Initialize();
    initialized_ = true;
}

void TModuleHost::IniProc() {
    if (finished_) throw platform::Exception("O módulo " + library_->Name() + " já foi finalizado");
    Initialize();
    library_->IniProc();
}

void TModuleHost::Shutdown() {
    if (finished_) return;
    finished_ = true;
    platform::Application().DestroyForms();
    if (initialized_) library_->Finalize();
}

const std::string& TModuleHost::FileName() const { return library_->FileName(); }

std::string TModuleHost::Name() const { return library_->Name(); }

std::string TModuleHost::DefaultModulePath() {
    std::filesystem::path dir = ProgramLibDir();
    return dir.empty() ? std::string("libPKG_PAG00900.so") : (dir / "libPKG_PAG00900.so").string();
}

void TModuleHost::RegisterScreen(const std::string& registration) {
    std::size_t equals = registration.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == registration.size())
        throw platform::Exception("--register espera CODIGO=ARQUIVO, não \"" + registration + "\"");
    host::ModuleRegistry().RegisterLibrary(registration.substr(0, equals), registration.substr(equals + 1));
}

bool TModuleHost::RegisterAccountingScreen() {
    std::filesystem::path library = ProgramLibDir() / "libCTB10200.so";
    std::error_code ec;
    if (!library.empty() && std::filesystem::exists(library, ec)) {
        host::ModuleRegistry().RegisterLibrary("CTB10200", library.string());
        return true;
    }
    host::ModuleRegistry().Register("CTB10200", [](const platform::Variant&) {
        throw platform::Exception("A tela CTB10200 (Contabilização) não está instalada neste computador.");
    });
    return false;
}

} // namespace desktop
