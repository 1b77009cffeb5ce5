// The host session and the per-user folders derived from the environment.
#include "host/session.h"

#include <cstdlib>

namespace host {

namespace {

// An XDG base folder: the variable when set and not empty, otherwise HOME + fallback.
std::string XdgFolder(const char* variable, const char* homeFallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + homeFallback;
}

THostSession DefaultSession() {
    THostSession session;
    session.databaseUrl = DefaultDatabaseUrl();
    return session;
}

} // namespace

THostSession& Session() {
    static THostSession session = DefaultSession();
    return session;
}

void ResetSession() {
    Session() = DefaultSession();
}

std::string DefaultDatabaseUrl() {
    return "sqlite:" + XdgFolder("XDG_DATA_HOME", "/.local/share") + "/pag00900/pag00900.db";
}

std::string ConfigFolder() {
    return XdgFolder("XDG_CONFIG_HOME", "/.config") + "/pag00900";
}

} // namespace host
