// The descriptor and version record of a loadable screen module, as hosts read them with dlsym.
//
// Plain C-compatible structures: a host finds `GetPackageInfoTable` in the shared library,
// calls it and reads the table without linking anything of the module. Every pointer in a
// table points at static data of the module and stays valid until the module is unloaded.
#pragma once

#include <cstdint>

extern "C" {

/// Layout version of TPackageInfoTable; a host refuses tables of another layout.
#define PAG_PACKAGE_INFO_LAYOUT 1u

/// TPackageInfoTable::flags bits.
enum TPackageFlag : std::uint32_t {
    pfRunOnly = 1u << 0,    // a run-time module: loaded by hosts, never by a design tool
    pfDesignOnly = 1u << 1, // a design-time module (never set here)
};

/// One name/value text entry of a version record ("CompanyName", "FileDescription"...).
struct TVersionText {
    const char* name;
    const char* value;
};

/// The version record of a module. Invariant: fileVersion and productVersion hold the four
/// numbers major, minor, release, build; texts[0..textCount) are the text entries, in the
/// language and code page given.
struct TVersionRecord {
    std::uint16_t fileVersion[4];
    std::uint16_t productVersion[4];
    const char* versionText; // the version as shown to people, e.g. "6.29.012"
    std::uint16_t language;  // Windows language id: 0x0416 = Portuguese (Brazil)
    std::uint16_t codePage;  // code page the record declares (texts here are UTF-8)
    std::uint32_t textCount;
    const TVersionText* texts;
};

/// What a module declares to the host runtime. Invariants: requiredModules[0..requiredCount)
/// are the modules needed, in load order; containedUnits[0..containedCount) are the units
/// carried, the module unit first; name equals containedUnits[0].
struct TPackageInfoTable {
    std::uint32_t layout; // PAG_PACKAGE_INFO_LAYOUT
    std::uint32_t flags;  // TPackageFlag bits
    const char* name;
    std::uint32_t requiredCount;
    const char* const* requiredModules;
    std::uint32_t containedCount;
    const char* const* containedUnits;
    const TVersionRecord* version;
};

// The signatures of a module's exports, for hosts that find them with dlsym.
typedef void (*TModuleProc)(void); // IniProc, Initialize, Finalize
typedef const TPackageInfoTable* (*TGetPackageInfoTable)(void);

} // extern "C"
