// Morvane and LoadBPL: session settings read on every call, the screen-module registry.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "fake_services.h"
#include "host/moduleregistry.h"
#include "host/morvane.h"
#include "host/session.h"
#include "host/showavi.h"
#include "platform/sysutils.h"

using namespace host;

TEST(Morvane, ReadsTheHostSessionAnewOnEveryCall) {
    ResetSession();
    EXPECT_EQ(Morvane::Operador(), "OPERADOR");
    EXPECT_EQ(Morvane::EmprProc(), "01");
    EXPECT_EQ(Morvane::FiliProc(), "0001");
    EXPECT_EQ(Morvane::WebURL(), "127.0.0.1");
    EXPECT_EQ(Morvane::WebPort(), 8211);

    Session().operatorCode = "MARIA";
    Session().company = "02";
    Session().serverHost = "servidor.local";
    Session().serverPort = 9000;
    EXPECT_EQ(Morvane::Operador(), "MARIA");
    EXPECT_EQ(Morvane::EmprProc(), "02");
    EXPECT_EQ(Morvane::WebURL(), "servidor.local");
    EXPECT_EQ(Morvane::WebPort(), 9000);
    ResetSession();
    EXPECT_EQ(Morvane::Operador(), "OPERADOR");
}

TEST(Session, DefaultFoldersFollowTheXdgVariables) {
    std::string savedData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    std::string savedConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    ::setenv("XDG_DATA_HOME", "/dados", 1);
    ::setenv("XDG_CONFIG_HOME", "/conf", 1);
    EXPECT_EQ(DefaultDatabaseUrl(), "sqlite:/dados/pag00900/pag00900.db");
    EXPECT_EQ(ConfigFolder(), "/conf/pag00900");
    ::setenv("XDG_DATA_HOME", "", 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", std::getenv("HOME") ? std::getenv("HOME") : "/root", 1);
    std::string home = std::getenv("HOME");
    EXPECT_EQ(DefaultDatabaseUrl(), "sqlite:" + home + "/.local/share/pag00900/pag00900.db");
    EXPECT_EQ(ConfigFolder(), home + "/.config/pag00900");
    if (savedData.empty())
        ::unsetenv("XDG_DATA_HOME");
    else
        ::setenv("XDG_DATA_HOME", savedData.c_str(), 1);
    if (savedConfig.empty())
        ::unsetenv("XDG_CONFIG_HOME");
    else
        ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
}

TEST(LoadBPL, OpensTheRegisteredScreenWithItsParameters) {
    hosttest::FakeServices services;
    platform::Variant received;
    int calls = 0;
    ModuleRegistry().Register("CTB10200", [&](const platform::Variant& params) {
        received = params;
        ++calls;
    });
    platform::Variant params = platform::VarArrayCreate({0, 4});
    params[0] = "01";
    params[4] = 2;
    Morvane::LoadBPL("ctb10200", params); // screen codes ignore case
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(received, params);
    EXPECT_EQ(services.log, std::vector<std::string>{"loadbpl ctb10200"});
    ModuleRegistry().Unregister("CTB10200");
    EXPECT_FALSE(ModuleRegistry().IsRegistered("CTB10200"));
}

TEST(LoadBPL, UnknownScreensAndUnloadableLibrariesRaiseClearErrors) {
    hosttest::FakeServices services;
    try {
        Morvane::LoadBPL("XYZ00000", platform::Variant());
        ADD_FAILURE();
    } catch (const platform::Exception& e) {
        EXPECT_NE(e.Message().find("XYZ00000"), std::string::npos);
        EXPECT_NE(e.Message().find("nenhum módulo registrado"), std::string::npos);
    }
    EXPECT_TRUE(services.log.empty()); // nothing announced for an unknown screen
    ModuleRegistry().RegisterLibrary("CTB99999", "/nao/existe/libCTB99999.so");
    try {
        Morvane::LoadBPL("CTB99999", platform::Variant());
        ADD_FAILURE();
    } catch (const platform::Exception& e) {
        EXPECT_NE(e.Message().find("Não foi possível carregar o módulo da tela CTB99999"),
                  std::string::npos);
    }
    ModuleRegistry().Unregister("CTB99999");
}

TEST(LoadBPL, LoadsARegisteredLibraryAndCallsItsEntry) {
    std::string out = ::testing::TempDir() + "pag_fake_module_" + std::to_string(::getpid());
    ModuleRegistry().RegisterLibrary("FAK00001", PAG_FAKE_MODULE_PATH);
    platform::Variant params = platform::VarArrayCreate({0, 1});
    params[0] = out;
    params[1] = "primeira";
    Morvane::LoadBPL("FAK00001", params);
    params[1] = "segunda";
    Morvane::LoadBPL("FAK00001", params); // loaded once, entered again
    std::ifstream in(out);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "FAK00001 segunda");
    std::remove(out.c_str());
    ModuleRegistry().Unregister("FAK00001");
}

TEST(Showavi, PairsBusyOnAndOffAndIgnoresAnUnmatchedStop) {
    hosttest::FakeServices services;
    Showavi::DeactiveShowAvi(); // nothing running: harmless
    Showavi::ActiveShowAvi(nullptr, 6);
    Showavi::ActiveShowAvi(nullptr, 1);
    Showavi::DeactiveShowAvi();
    Showavi::DeactiveShowAvi();
    Showavi::DeactiveShowAvi();
    EXPECT_EQ(services.log,
              (std::vector<std::string>{"busy on 6", "busy on 1", "busy off", "busy off"}));
    EXPECT_EQ(Showavi::ActiveCount(), 0);
}
