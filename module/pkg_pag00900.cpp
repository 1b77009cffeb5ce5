// PKG_PAG00900: the loadable module's entry — descriptor, version record, load and unload
// registration, unit start-up and shut-down, and the exported entry routine IniProc.
//
// Exports (C linkage): IniProc, Initialize, Finalize, GetPackageInfoTable, and the globals
// frmRecContBaixaPag and boStCriado (unit Cli_pag00900), frmFiltroBaixa and boFiltro (unit
// Cli_pag00901), defined with their units.
#include <dlfcn.h>

#include "filter/cli_pag00901.h"
#include "host/libmodules.h"
#include "host/packageinfo.h"
#include "host/unitlist.h"
#include "recalculation/cli_pag00900.h"

namespace {

constexpr const char* kModuleName = recalculation::kPackageName;

// The host packages this module is built against, in the order they must be loaded. On this
// platform they are linked into the hosting program, whose exported symbols the module binds to.
constexpr const char* kRequiredModules[] = {"_mrv", "_rtl", "_qr", "_lib",
                                            "_ger", "_frm", "_db", "_vcl"};
constexpr const char* kContainedUnits[] = {kModuleName, "Cli_PAG00901", "Cli_PAG00900"};

constexpr TVersionText kVersionTexts[] = {
    {"CompanyName", "Contas a Pagar"},
    {"FileDescription", "Recálculo da Contabilização da Baixa (Pagamento)"},
    {"FileVersion", "6.29.012"},
    {"InternalName", kModuleName},
    {"OriginalFilename", "libPKG_PAG00900.so"},
    {"ProductName", "Contas a Pagar - PAG00900"},
    {"ProductVersion", "6.29.012"},
};

constexpr TVersionRecord kVersion = {
    {6, 29, 12, 0}, {6, 29, 12, 0},
    "6.29.012",
    0x0416, // Portuguese (Brazil)
    1252,           sizeof kVersionTexts / sizeof kVersionTexts[0],
    kVersionTexts,
};

constexpr TPackageInfoTable kPackageInfo = {
    PAG_PACKAGE_INFO_LAYOUT,
    pfRunOnly,
    kModuleName,
    sizeof kRequiredModules / sizeof kRequiredModules[0],
    kRequiredModules,
    sizeof kContainedUnits / sizeof kContainedUnits[0],
    kContainedUnits,
    &kVersion,
};

// The module's own units, in start-up order. The units of the host packages come before
// them: they are the hosting program's, started when it started and stopped when it ends.
module::TUnitList& Units() {
    static module::TUnitList units({
        {"Cli_pag00901", filter::UnitStartup, filter::UnitShutdown},
        {"Cli_pag00900", recalculation::UnitStartup, recalculation::UnitShutdown},
    });
    return units;
}

const void* moduleInstance = nullptr;

// Module load: record the module's instance (its load address), look for the satellite
// resource module of the user's locale beside the module's file, and register the module
// with the host runtime. Runs inside dlopen; it must not raise.
__attribute__((constructor)) void ModuleLoad() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&kPackageInfo), &info) == 0) return;
    module::TLibModule entry;
    entry.name = kModuleName;
    entry.fileName = info.dli_fname ? info.dli_fname : "";
    entry.instance = info.dli_fbase;
    entry.codeInstance = info.dli_fbase;
    module::TSatelliteLookup satellite =
        module::FindSatellite(entry.fileName, module::EnvironmentLocale());
    entry.resources = satellite.resources;
    entry.resourceNote = satellite.note;
    entry.resInstance =
        entry.resources ? static_cast<const void*>(entry.resources.get()) : entry.instance;
    moduleInstance = entry.instance;
    try {
        module::RegisterModule(std::move(entry));
    } catch (...) {
        moduleInstance = nullptr; // out of memory: the host will find the module unregistered
    }
}

// Module unload: leave the host runtime's list; the satellite's texts go with the entry.
__attribute__((destructor)) void ModuleUnload() {
    if (moduleInstance != nullptr) module::UnregisterModule(moduleInstance);
    moduleInstance = nullptr;
}

} // namespace

extern "C" {

const TPackageInfoTable* GetPackageInfoTable() {
    return &kPackageInfo;
}

void Initialize() {
    Units().Initialize();
}

void Finalize() {
    Units().Finalize();
}

void IniProc() {
    recalculation::CriaRecContBaixaPag();
}

} // extern "C"
