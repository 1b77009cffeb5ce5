// The hosts' shared command line: the options, what they change at start-up, and their checks.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "host/hostoptions.h"
#include "host/moduleregistry.h"
#include "host/session.h"
#include "platform/datetime.h"
#include "platform/sysutils.h"

using namespace host;
using platform::Exception;

namespace {

// Parses `args` (without the program name) with the shared options declared on a fresh app.
void Parse(THostOptions& options, CLI::App& app, std::vector<std::string> args) {
    options.DeclareSession(app, "servidor");
    options.DeclareModule(app, "telas");
    std::vector<char*> argv{const_cast<char*>("host")};
    for (std::string& arg : args) argv.push_back(arg.data());
    app.parse(static_cast<int>(argv.size()), argv.data());
}

// Restores what a start-up changes, for the next test.
struct StartUpReset {
    ~StartUpReset() {
        ResetSession();
        platform::SetClock({});
        ModuleRegistry().Unregister("CTB10200");
        ModuleRegistry().Unregister("FAK00002");
    }
};

std::string ReadAll(const std::string& fileName) {
    std::ifstream in(fileName);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

TEST(HostOptions, GivenValuesReplaceTheSessionsAndAbsentOnesLeaveItAlone) {
    StartUpReset reset;
    Session().operatorCode = "SALVO";
    Session().databaseUrl = "sqlite:salvo.db";
    THostOptions options;
    CLI::App app;
    Parse(options, app,
          {"--server", "servidor.local:9000", "--company", "02", "--branch", "0003", "--today",
           "2024-02-29", "--module", "/tmp/mod.so"});
    options.Prepare();
    options.ApplyTo(Session());

    EXPECT_EQ(Session().serverHost, "servidor.local");
    EXPECT_EQ(Session().serverPort, 9000);
    EXPECT_EQ(Session().company, "02");
    EXPECT_EQ(Session().branch, "0003");
    EXPECT_EQ(Session().operatorCode, "SALVO");
    EXPECT_EQ(Session().databaseUrl, "sqlite:salvo.db");
    EXPECT_EQ(options.modulePath, "/tmp/mod.so");
    EXPECT_EQ(platform::Date(), platform::EncodeDate(2024, 2, 29));
}

TEST(HostOptions, AServerDefaultIsShownAndAlwaysUsedWhileWithoutOneAnEmptyServerIsAbsent) {
    StartUpReset reset;
    {
        THostOptions options;
        options.server = "127.0.0.1:8211";
        CLI::App app;
        Parse(options, app, {"--server", ""});
        EXPECT_NE(app.help().find("--server TEXT=127.0.0.1:8211"), std::string::npos);
        EXPECT_THROW(options.Prepare(), Exception);
    }
    {
        Session().serverHost = "configurado";
        THostOptions options;
        CLI::App app;
        Parse(options, app, {"--server", ""});
        EXPECT_EQ(app.help().find("--server TEXT="), std::string::npos);
        options.Prepare();
        options.ApplyTo(Session());
        EXPECT_EQ(Session().serverHost, "configurado");
    }
}

TEST(HostOptions, BadServerOrDayIsRefusedBeforeTheClockChanges) {
    StartUpReset reset;
    THostOptions options;
    CLI::App app;
    Parse(options, app, {"--server", "servidor", "--today", "2024-01-01"});
    try {
        options.Prepare();
        FAIL() << "a server without a port was accepted";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "--server espera HOST:PORTA, não \"servidor\"");
    }
    EXPECT_NE(platform::Date(), platform::EncodeDate(2024, 1, 1));

    for (const char* day : {"2023-02-29", "2024-1-01", "2024-01-01x", "01/02/2024", "2024-13-01"})
        EXPECT_THROW(ParseDay(day), Exception) << day;
    EXPECT_EQ(ParseDay("2000-12-31"), platform::EncodeDate(2000, 12, 31));
}

TEST(HostOptions, ServerTextNeedsAHostAndAPortInRangeAndLeavesTheOutputsOnFailure) {
    std::string host = "antes";
    int port = 1;
    for (const char* text : {"10.0.0.5", ":80", "h:0", "h:65536", "h:porta", "h:"}) {
        EXPECT_THROW(ParseServer(text, host, port), Exception) << text;
        EXPECT_EQ(host, "antes");
        EXPECT_EQ(port, 1);
    }
    ParseServer("::1:65535", host, port); // the port is after the last colon
    EXPECT_EQ(host, "::1");
    EXPECT_EQ(port, 65535);
}

TEST(HostOptions, RegistrationsNeedACodeAndAFileAndReplaceTheHostsAccountingScreen) {
    StartUpReset reset;
    for (const char* text : {"FAK00002", "=arquivo.so", "FAK00002="})
        EXPECT_THROW(RegisterScreen(text), Exception) << text;
    EXPECT_FALSE(ModuleRegistry().IsRegistered("FAK00002"));

    // Missing library: the host's own opening is registered instead.
    int missingOpened = 0;
    EXPECT_FALSE(RegisterAccountingScreen("/nao/existe/libCTB10200.so",
                                          [&](const platform::Variant&) { ++missingOpened; }));
    ModuleRegistry().Open("CTB10200", platform::Variant());
    EXPECT_EQ(missingOpened, 1);
    EXPECT_TRUE(RegisterAccountingScreen(PAG_FAKE_MODULE_PATH, {}));

    // --register comes after the host's registration and wins over it.
    RegisterAccountingScreen("/nao/existe/libCTB10200.so",
                             [&](const platform::Variant&) { ++missingOpened; });
    THostOptions options;
    CLI::App app;
    Parse(options, app, {"--register", std::string("CTB10200=") + PAG_FAKE_MODULE_PATH});
    options.Prepare();
    const std::string out = testing::TempDir() + "hostoptions_ctb.txt";
    platform::Variant params = platform::VarArrayCreate({0, 1});
    params[0] = out;
    params[1] = "aberta";
    ModuleRegistry().Open("CTB10200", params);
    EXPECT_EQ(missingOpened, 1);
    EXPECT_EQ(ReadAll(out), "CTB10200 aberta");
    std::remove(out.c_str());
}

TEST(HostOptions, ServerAddressFormsChooseTlsOnlyForHttpsAndRefuseOtherSchemes) {
    struct Case {
        const char* text;
        const char* host;
        int port;
        bool tls;
    };
    for (const Case& c : {Case{"servidor:8211", "servidor", 8211, false},
                          Case{"http://servidor:80", "servidor", 80, false},
                          Case{"https://servidor.local:8443", "servidor.local", 8443, true},
                          Case{"HTTPS://10.0.0.5:1", "10.0.0.5", 1, true},
                          Case{"https://::1:65535", "::1", 65535, true}}) {
        const TServerAddress address = ParseServerAddress(c.text);
        EXPECT_EQ(address.host, c.host) << c.text;
        EXPECT_EQ(address.port, c.port) << c.text;
        EXPECT_EQ(address.tls, c.tls) << c.text;
    }
    auto messageOf = [](const std::string& text) {
        try {
            ParseServerAddress(text);
        } catch (const Exception& e) { return std::string(e.what()); }
        return std::string("accepted");
    };
    EXPECT_EQ(messageOf("https://servidor"), "--server espera https://HOST:PORTA, não "
                                             "\"https://servidor\"");
    EXPECT_EQ(messageOf("https://:8443"), "--server espera https://HOST:PORTA, não "
                                          "\"https://:8443\"");
    EXPECT_EQ(messageOf("ftp://servidor:21"),
              "--server aceita http:// ou https://, não \"ftp://servidor:21\"");
    for (const char* text : {"https://servidor:8443/rpc", "https://servidor:0", "http://s:-1"})
        EXPECT_EQ(messageOf(text), std::string("--server: porta inválida em \"") + text + "\"");

    // The plain splitter cannot carry TLS, so it refuses https:// instead of dropping it.
    std::string host = "antes";
    int port = 1;
    EXPECT_THROW(ParseServer("https://servidor:8443", host, port), Exception);
    EXPECT_EQ(host, "antes");
    ParseServer("http://servidor:8080", host, port);
    EXPECT_EQ(host, "servidor");
    EXPECT_EQ(port, 8080);
}

TEST(HostOptions, HttpsServerAndCaReachTheSessionAndAPlainServerTurnsTlsOff) {
    StartUpReset reset;
    const std::string ca = testing::TempDir() + "hostoptions_ca.pem";
    std::ofstream(ca) << "-----BEGIN CERTIFICATE-----\n";
    {
        THostOptions options;
        CLI::App app;
        Parse(options, app, {"--server", "https://servidor.local:8443", "--ca", ca});
        options.Prepare();
        options.ApplyTo(Session());
        EXPECT_EQ(Session().serverHost, "servidor.local");
        EXPECT_EQ(Session().serverPort, 8443);
        EXPECT_TRUE(Session().serverTls);
        EXPECT_EQ(Session().serverCaFile, ca);
    }
    {
        // --ca alone keeps the session's server (the desktop's saved https one).
        THostOptions options;
        CLI::App app;
        Parse(options, app, {"--ca", ca});
        options.Prepare();
        options.ApplyTo(Session());
        EXPECT_TRUE(Session().serverTls);
        EXPECT_EQ(Session().serverPort, 8443);
    }
    {
        THostOptions options;
        CLI::App app;
        Parse(options, app, {"--server", "servidor.local:8211"});
        options.Prepare();
        options.ApplyTo(Session());
        EXPECT_FALSE(Session().serverTls);
        EXPECT_EQ(Session().serverPort, 8211);
    }
    auto messageOf = [](std::vector<std::string> args) {
        THostOptions options;
        CLI::App app;
        Parse(options, app, std::move(args));
        try {
            options.Prepare();
        } catch (const Exception& e) { return std::string(e.what()); }
        return std::string("accepted");
    };
    EXPECT_EQ(messageOf({"--server", "servidor:8211", "--ca", ca}),
              "--ca só se aplica a um servidor https://HOST:PORTA");
    const std::string missing = testing::TempDir() + "nao-existe.pem";
    EXPECT_EQ(messageOf({"--server", "https://s:1", "--ca", missing}),
              "--ca: não foi possível ler o arquivo \"" + missing + "\"");
    EXPECT_EQ(messageOf({"--server", "https://s:1", "--ca", testing::TempDir()}),
              "--ca: não foi possível ler o arquivo \"" + testing::TempDir() + "\"");
    std::remove(ca.c_str());
}

TEST(HostOptions, ADatabaseUrlWithAPasswordIsRefusedAndLibpqsOwnMeansPass) {
    for (const char* url : {"postgresql://pag:segredo@db:5432/pag", "postgres://pag:@db/pag",
                            "POSTGRESQL://pag:x@db", "postgresql://pag@db/pag?password=segredo",
                            "postgresql://db/pag?sslmode=require&password=x"})
        EXPECT_TRUE(DatabaseUrlHasPassword(url)) << url;
    for (const char* url : {"postgresql://pag@db:5432/pag", "postgresql://db/pag?sslmode=require",
                            "postgresql://pag@[::1]:5432/pag", "sqlite:/tmp/a:b@c.db",
                            "postgresql://pag@db/pag?passfile=/home/pag/.pgpass"})
        EXPECT_FALSE(DatabaseUrlHasPassword(url)) << url;

    StartUpReset reset;
    THostOptions options;
    CLI::App app;
    Parse(options, app, {"--db", "postgresql://pag:segredo@db/pag"});
    try {
        options.Prepare();
        FAIL() << "a password on the command line was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()).find("segredo"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(".pgpass"), std::string::npos) << e.what();
    }
}
