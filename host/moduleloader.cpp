// A host's handle on a screen module: dlopen, dlsym of the exports and the checks on them.
#include "host/moduleloader.h"

#include <dlfcn.h>

#include "host/libmodules.h"
#include "platform/sysutils.h"

namespace module {

namespace {

[[noreturn]] void Fail(const std::string& fileName, const std::string& reason) {
    throw platform::Exception("Não foi possível carregar o módulo " + fileName + ": " + reason);
}

} // namespace

TModuleLibrary::TModuleLibrary(const std::string& fileName) : fileName_(fileName) {
    handle_ = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        Fail(fileName, reason ? reason : "erro desconhecido");
    }
    try {
        auto getInfo = reinterpret_cast<TGetPackageInfoTable>(Symbol("GetPackageInfoTable"));
        iniProc_ = reinterpret_cast<TModuleProc>(Symbol("IniProc"));
        initialize_ = reinterpret_cast<TModuleProc>(Symbol("Initialize"));
        finalize_ = reinterpret_cast<TModuleProc>(Symbol("Finalize"));
        info_ = getInfo();
        if (info_ == nullptr || info_->layout != PAG_PACKAGE_INFO_LAYOUT)
            Fail(fileName, "descritor do módulo em formato desconhecido");
        Dl_info where{};
        if (dladdr(reinterpret_cast<const void*>(getInfo), &where) == 0)
            Fail(fileName, "endereço do módulo desconhecido");
        bool registered = false;
        for (const TLibModule& loaded : LibModules()) {
            if (loaded.instance == where.dli_fbase) {
                registered = true;
            } else if (platform::SameText(loaded.name, info_->name)) {
                // Refused: its registration goes, whether or not dlclose can unmap it.
                std::string reason = std::string("o módulo ") + info_->name +
                                     " já está carregado de " + loaded.fileName;
                UnregisterModule(where.dli_fbase);
                Fail(fileName, reason);
            }
        }
        if (!registered)
            Fail(fileName, "o módulo não se registrou no runtime deste programa (o executável "
                           "hospedeiro precisa exportar seus símbolos)");
    } catch (...) {
        dlclose(handle_);
        throw;
    }
}

TModuleLibrary::~TModuleLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
}

void* TModuleLibrary::Symbol(const char* name, bool required) const {
    dlerror();
    void* address = dlsym(handle_, name);
    if (address == nullptr && required)
        Fail(fileName_, std::string("o módulo não exporta ") + name);
    return address;
}

} // namespace module
