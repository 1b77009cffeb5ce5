// The desktop's hold on the PAG00900 module: loaded at start-up, initialised once, finalised at
// exit.
#include "desktop/modulehost.h"

#include "host/hostoptions.h"
#include "host/moduleloader.h"
#include "platform/application.h"
#include "platform/sysutils.h"

namespace desktop {

TModuleHost::TModuleHost(const std::string& fileName)
    : library_(std::make_unique<module::TModuleLibrary>(fileName)) {}

TModuleHost::~TModuleHost() {
    Shutdown();
}

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

const std::string& TModuleHost::FileName() const {
    return library_->FileName();
}

std::string TModuleHost::Name() const {
    return library_->Name();
}

void TModuleHost::RegisterScreen(const std::string& registration) {
    host::RegisterScreen(registration);
}

bool TModuleHost::RegisterAccountingScreen() {
    return host::RegisterAccountingScreen(
        host::ProgramLibDir() / "libCTB10200.so", [](const platform::Variant&) {
            throw platform::Exception(
                "A tela CTB10200 (Contabilização) não está instalada neste computador.");
        });
}

} // namespace desktop
