// The LoadBPL registry: callbacks and shared libraries opened with dlopen.
#include "host/moduleregistry.h"

#include <dlfcn.h>

namespace host {

using platform::Exception;
using platform::UpperCase;

void TModuleRegistry::Register(const std::string& screenCode, TModuleOpener opener) {
    if (!opener) throw Exception("Registro da tela " + screenCode + " sem rotina de abertura.");
    entries_[UpperCase(screenCode)] = Entry{std::move(opener), {}};
}

void TModuleRegistry::RegisterLibrary(const std::string& screenCode,
                                      const std::string& libraryPath) {
    if (libraryPath.empty())
        throw Exception("Registro da tela " + screenCode + " sem o arquivo do módulo.");
    entries_[UpperCase(screenCode)] = Entry{{}, libraryPath};
}

void TModuleRegistry::Unregister(const std::string& screenCode) {
    entries_.erase(UpperCase(screenCode));
}

bool TModuleRegistry::IsRegistered(const std::string& screenCode) const {
    return entries_.count(UpperCase(screenCode)) != 0;
}

void TModuleRegistry::CheckRegistered(const std::string& screenCode) const {
    if (!IsRegistered(screenCode))
        throw Exception("A tela " + screenCode +
                        " não está disponível: nenhum módulo registrado para ela.");
}

void TModuleRegistry::Open(const std::string& screenCode, const platform::Variant& params) {
    CheckRegistered(screenCode);
    auto it = entries_.find(UpperCase(screenCode));
    Entry& entry = it->second;
    if (!entry.opener) {
        // Loaded once and never unloaded: screens of the library may outlive this call.
        void* handle = dlopen(entry.libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* reason = dlerror();
            throw Exception("Não foi possível carregar o módulo da tela " + screenCode + " (" +
                            entry.libraryPath + "): " + (reason ? reason : "erro desconhecido"));
        }
        auto entryPoint = reinterpret_cast<TModuleEntry>(dlsym(handle, ModuleEntryName));
        if (entryPoint == nullptr)
            throw Exception("O módulo " + entry.libraryPath + " não exporta a rotina " +
                            ModuleEntryName + " para abrir a tela " + screenCode + ".");
        // The opener outlives this call, so it keeps its own copy of the code.
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
        entry.opener = [entryPoint, code = screenCode](const platform::Variant& p) {
            entryPoint(code.c_str(), &p);
        };
    }
    TModuleOpener opener = entry.opener; // a copy: the opener may change the registry
    opener(params);
}

TModuleRegistry& ModuleRegistry() {
    static TModuleRegistry registry;
    return registry;
}

} // namespace host
