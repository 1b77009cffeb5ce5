// Command lines in Portuguese: the help and the parse errors of a CLI11 application as the
// system's programs show them.
#pragma once

#include <string>

namespace CLI {
class App;
class Error;
} // namespace CLI

namespace platform {

/// Makes `app` (and the subcommands added to it afterwards) write its help and its errors in
/// Portuguese: "Uso:", "Opções:", "Subcomandos:", the help flag's text and the failures. Call it
/// right after creating the application, before declaring options.
void UsePortuguese(CLI::App& app);

/// The Portuguese text of a parse failure, ending with a hint at --help.
std::string PortugueseFailure(const CLI::App& app, const CLI::Error& error);

} // namespace platform
