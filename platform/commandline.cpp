// Command lines in Portuguese (see commandline.h).
#include "platform/commandline.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <utility>

namespace platform {

namespace {

// Replaces every occurrence of `from` in `text` by `to`.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// CLI11's own wording, phrase by phrase, in the order they must be replaced (longer first).
const std::pair<const char*, const char*> kPhrases[] = {
    {"The following arguments were not expected:", "Argumentos não esperados:"},
    {"The following argument was not expected:", "Argumento não esperado:"},
    {"Print this help message and exit", "Mostra esta ajuda e sai"},
    {" is required", " é obrigatória"},
    {"A subcommand is required", "Um subcomando é obrigatório"},
    {" not in range ", " fora do intervalo "},
    {" not in ", " não está em "},
    {"Value ", "Valor "},
    {" to ", " a "},
    {"Could not convert:", "Valor inválido:"},
    {"requires at least", "requer pelo menos"},
    {"requires at most", "aceita no máximo"},
    {"arguments", "argumentos"},
    {"argument", "argumento"},
    {"Expected", "Esperado"},
    {"excludes", "exclui"},
    {"requires", "requer"},
    {"File does not exist:", "Arquivo não encontrado:"},
    {"Directory does not exist:", "Pasta não encontrada:"},
    {"Path does not exist:", "Caminho não encontrado:"},
    {"is not a valid", "não é um valor válido de"},
};

// CLI11's help with its English headings and labels in Portuguese.
class TPortugueseFormatter : public CLI::Formatter {
public:
    TPortugueseFormatter() {
        label("Usage", "Uso");
        label("OPTIONS", "OPÇÕES");
        label("Positionals", "Argumentos");
        label("SUBCOMMAND", "SUBCOMANDO");
        label("SUBCOMMANDS", "SUBCOMANDOS");
        label("REQUIRED", "(obrigatória)");
        label("Env", "Ambiente");
        label("Needs", "Requer");
        label("Excludes", "Exclui");
    }

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override {
        std::string text = CLI::Formatter::make_help(app, std::move(name), mode);
        ReplaceAll(text, "\nOptions:\n", "\nOpções:\n");
        ReplaceAll(text, "\nSubcommands:\n", "\nSubcomandos:\n");
        ReplaceAll(text, "Print this help message and exit", "Mostra esta ajuda e sai");
        return text;
    }
};

} // namespace

void UsePortuguese(CLI::App& app) {
    app.formatter(std::make_shared<TPortugueseFormatter>());
    app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
        return PortugueseFailure(*failed, error);
    });
    app.option_defaults()->group("Opções");
    app.set_help_flag("-h,--help", "Mostra esta ajuda e sai");
}

std::string PortugueseFailure(const CLI::App& app, const CLI::Error& error) {
    std::string text = error.what();
    // CLI11 raises FileError only for a configuration file: "NAME was not readable (missing?)".
    const std::string unreadable = " was not readable (missing?)";
    if (error.get_name() == "FileError" && text.ends_with(unreadable))
        text = UnreadableConfigMessage(text.substr(0, text.size() - unreadable.size()));
    for (const auto& [from, to] : kPhrases) ReplaceAll(text, from, to);
    std::string hint;
    if (app.get_help_ptr() != nullptr)
        hint = "Use " + app.get_help_ptr()->get_name() + " para ver as opções.\n";
    return text + "\n" + hint;
}

std::string UnreadableConfigMessage(const std::string& path) {
    return "Não foi possível ler o arquivo de configuração \"" + path +
           "\": ele não existe, é uma pasta ou não há permissão para lê-lo.";
}

std::vector<std::string> WithEmptyValuesKept(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        const bool emptyValue = i > 0 && arg.size() > 3 && arg.starts_with("--") &&
                                arg.back() == '=' && arg.find('=') == arg.size() - 1;
        if (!emptyValue) {
            args.push_back(std::move(arg));
            continue;
        }
        arg.pop_back();
        args.push_back(std::move(arg));
        args.emplace_back();
    }
    return args;
}

} // namespace platform
