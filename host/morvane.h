// Morvane: the logged-in session as the screens read it, and LoadBPL to open another screen module.
#pragma once

#include <string>

#include "platform/variant.h"

namespace host::Morvane {

/// The logged-in operator's code.
std::string Operador();
/// The current company's code.
std::string EmprProc();
/// The current branch's code.
std::string FiliProc();
/// The application server's host name or address.
std::string WebURL();
/// The application server's TCP port.
int WebPort();
/// True when the application server is reached over HTTPS.
bool WebTls();
/// The file of authorities trusted for the server's certificate; empty: the system's.
std::string WebCaFile();

/// Opens the screen module registered under `screenCode` (see host/moduleregistry.h) with
/// `params`, a variant array the opened screen reads, after telling the host's Services
/// (ModuleOpened). Returns normally once the screen is open. An unknown code raises before
/// anything is announced.
/// An unknown code or a module that cannot be loaded raises platform::Exception.
void LoadBPL(const std::string& screenCode, const platform::Variant& params);

} // namespace host::Morvane
