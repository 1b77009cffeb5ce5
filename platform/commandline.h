// Command lines in Portuguese: the help and the parse errors of a CLI11 application as the
// system's programs show them.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
class Error;
} // namespace CLI

namespace platform {

/// Makes `app` (and the subcommands added to it afterwards) write its help and its errors in
/// Portuguese: "Uso:", "Opções:", "Subcomandos:", the help flag's text and the failures. Call it
/// right after creating the application, before declaring options.
void UsePortuguese(CLI::App& app);

/// The Portuguese text of a parse failure, ending with a hint at --help. A configuration file
/// that could not be read is named as such.
std::string PortugueseFailure(const CLI::App& app, const CLI::Error& error);

/// "Não foi possível ler o arquivo de configuração "PATH": …", the refusal of a configuration
/// file that does not exist, is a folder or may not be read.
std::string UnreadableConfigMessage(const std::string& path);

/// The program's arguments (argv[0] included) with every "--name=" that has nothing after the
/// equals sign given as "--name" followed by an empty argument: CLI11 would otherwise take the
/// next argument as the option's value (so "--config=" means no configuration file).
std::vector<std::string> WithEmptyValuesKept(int argc, const char* const* argv);

} // namespace platform
