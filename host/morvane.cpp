// Morvane: reads the host session on every call; LoadBPL goes through the module registry.
#include "host/morvane.h"

#include "host/moduleregistry.h"
#include "host/session.h"
#include "platform/application.h"

namespace host::Morvane {

std::string Operador() {
    return Session().operatorCode;
}
std::string EmprProc() {
    return Session().company;
}
std::string FiliProc() {
    return Session().branch;
}
std::string WebURL() {
    return Session().serverHost;
}
int WebPort() {
    return Session().serverPort;
}
bool WebTls() {
    return Session().serverTls;
}
std::string WebCaFile() {
    return Session().serverCaFile;
}

void LoadBPL(const std::string& screenCode, const platform::Variant& params) {
    ModuleRegistry().CheckRegistered(screenCode); // an unknown screen is not announced
    platform::Application().Services().ModuleOpened(screenCode, params);
    ModuleRegistry().Open(screenCode, params);
}

} // namespace host::Morvane
