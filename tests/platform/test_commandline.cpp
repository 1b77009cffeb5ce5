// Command lines in Portuguese: the help's headings and the parse errors.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/commandline.h"

namespace {

struct TProgram {
    CLI::App app{"Programa de teste"};
    std::string server;
    int workers = 1;
    TProgram() {
        platform::UsePortuguese(app);
        app.add_option("--server", server, "Servidor")->required();
        app.add_option("--workers", workers, "Trabalhadores")->check(CLI::Range(1, 8));
        app.add_subcommand("passwd", "Troca a senha");
    }
    // The text CLI11 prints for the failure of parsing `args`.
    std::string Failure(std::vector<std::string> args) {
        std::reverse(args.begin(), args.end());
        try {
            app.parse(args);
        } catch (const CLI::ParseError& e) { return platform::PortugueseFailure(app, e); }
        return "";
    }
};

TEST(PortugueseCommandLine, TheHelpHasPortugueseHeadingsAndNoEnglishOnes) {
    TProgram program;
    const std::string help = program.app.help();
    for (const char* wanted : {"Uso:", "[OPÇÕES]", "Opções:", "Subcomandos:",
                               "Mostra esta ajuda e sai", "(obrigatória)"})
        EXPECT_NE(help.find(wanted), std::string::npos) << wanted << " in\n" << help;
    for (const char* english :
         {"Usage", "Options", "OPTIONS", "Subcommands", "Print this help", "REQUIRED"})
        EXPECT_EQ(help.find(english), std::string::npos) << english << " in\n" << help;
}

TEST(PortugueseCommandLine, ParseErrorsAreWordedInPortugueseWithAHintAtTheHelp) {
    TProgram program;
    EXPECT_NE(program.Failure({}).find("--server é obrigatória"), std::string::npos);
    TProgram extra;
    const std::string unexpected = extra.Failure({"--server", "a:1", "sobra"});
    EXPECT_NE(unexpected.find("Argumento não esperado: sobra"), std::string::npos) << unexpected;
    EXPECT_NE(unexpected.find("Use --help para ver as opções."), std::string::npos);
    TProgram range;
    const std::string outOfRange = range.Failure({"--server", "a:1", "--workers", "9"});
    EXPECT_NE(outOfRange.find("fora do intervalo"), std::string::npos) << outOfRange;
}

// "--config=" is no configuration file, as "--config ''" is: the next option stays an option;
// a named file that cannot be read is refused in Portuguese, naming it.
TEST(PortugueseCommandLine, AnEmptyConfigMeansNoFileAndAnUnreadableOneIsNamed) {
    TProgram program;
    program.app.set_config("--config", "/nao/existe/padrao.conf", "Configuração");
    const char* const empty[] = {"prog", "--config=", "--server", "s1"};
    const std::vector<std::string> kept = platform::WithEmptyValuesKept(4, empty);
    EXPECT_EQ(kept, (std::vector<std::string>{"prog", "--config", "", "--server", "s1"}));
    std::vector<const char*> argv;
    for (const std::string& arg : kept) argv.push_back(arg.c_str());
    EXPECT_NO_THROW(program.app.parse(static_cast<int>(argv.size()), argv.data()));
    EXPECT_EQ(program.server, "s1");

    TProgram named;
    named.app.set_config("--config", "", "Configuração");
    const std::string failure = named.Failure({"--config", "/nao/existe.conf", "--server", "s"});
    EXPECT_NE(failure.find("Não foi possível ler o arquivo de configuração \"/nao/existe.conf\""),
              std::string::npos)
        << failure;
    EXPECT_EQ(failure.find("readable"), std::string::npos) << failure;
}

} // namespace
