// libCTB10200.so: the accounting screen as a module that the host's LoadBPL opens by screen code.
//
// A host registers it with host::ModuleRegistry().RegisterLibrary("CTB10200", PATH) and must
// export its own symbols (CMake ENABLE_EXPORTS), so that the module binds to the host's
// application object, session, database connection and registry rather than to the copies
// linked into it. The entry refuses to run when that did not happen.
#include "accounting/ctb10200.h"
#include "host/moduleregistry.h"
#include "platform/sysutils.h"

extern "C" __attribute__((visibility("default"))) void OpenModule(const char* screenCode,
                                                                  const platform::Variant* params) {
    const std::string code = screenCode != nullptr ? screenCode : "";
    if (!platform::SameText(code, accounting::kScreenCode))
        throw platform::Exception("O módulo CTB10200 não abre a tela \"" + code + "\".");
    if (params == nullptr) throw platform::Exception("A tela CTB10200 foi aberta sem parâmetros.");
    // The host's registry holds this screen; a registry without it is the module's own copy.
    if (!host::ModuleRegistry().IsRegistered(accounting::kScreenCode))
        throw platform::Exception("O módulo CTB10200 não está ligado ao programa hospedeiro: o "
                                  "programa precisa exportar seus símbolos para carregá-lo.");
    accounting::AbreLancContabil(*params);
}
