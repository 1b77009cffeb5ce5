// libPKG_PAG00900.so loaded with dlopen as a host loads it: exports, descriptor, registration,
// unit start-up, and the screen's single-instance rule.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <memory>

#include "host/libmodules.h"
#include "host/moduleloader.h"
#include "host/session.h"
#include "host/unitlist.h"
#include "platform/application.h"
#include "platform/netconnection.h"
#include "platform/recordingservices.h"
#include "tests/support/freeport.h"

using platform::Application;

namespace {

// The module stays loaded for the whole test program, as in a host.
module::TModuleLibrary& Library() {
    static module::TModuleLibrary library(PAG_MODULE_PATH);
    return library;
}

bool& BoStCriado() {
    return *Library().Global<bool>("boStCriado");
}
void* FrmRecContBaixaPag() {
    return *Library().Global<void*>("frmRecContBaixaPag");
}

// Every live recalculation screen.
std::vector<platform::TForm*> Screens() {
    std::vector<platform::TForm*> screens;
    for (platform::TForm* form : Application().Forms())
        if (form->Name() == "frmRecContBaixaPag") screens.push_back(form);
    return screens;
}

// Runs the host's call of IniProc inside the application's exception boundary.
bool IniProc() {
    return Application().Run([] { Library().IniProc(); });
}

class ModuleLoaded : public ::testing::Test {
protected:
    void SetUp() override {
        services_.ClearEvents();
        Application().SetServices(&services_);
        host::Session().serverPort = 1; // nothing listens there: the screen's connect fails quietly
        Library().Initialize();
    }
    void TearDown() override {
        Application().DestroyForms();
        Library().Finalize();
        Application().SetServices(nullptr);
        host::ResetSession();
    }
    std::vector<std::string> Cursors() const {
        std::vector<std::string> lines;
        for (const auto& e : services_.Events())
            if (e.kind == platform::TServiceEvent::Cursor) lines.push_back(e.line);
        return lines;
    }
    platform::TRecordingServices services_;
};

} // namespace

TEST(ModuleExports, EveryExportIsFoundByName) {
    void* handle = dlopen(PAG_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    for (const char* name : {"IniProc", "Initialize", "Finalize", "GetPackageInfoTable",
                             "frmRecContBaixaPag", "boStCriado", "frmFiltroBaixa", "boFiltro"})
        EXPECT_NE(dlsym(handle, name), nullptr) << name;
    dlclose(handle);
    EXPECT_EQ(*Library().Global<bool>("boFiltro"), false);
    EXPECT_EQ(*Library().Global<void*>("frmFiltroBaixa"), nullptr);
}

TEST(ModuleExports, TheDescriptorDeclaresRequirementsUnitsAndVersion) {
    const TPackageInfoTable& info = Library().PackageInfo();
    EXPECT_STREQ(info.name, "PKG_PAG00900");
    EXPECT_EQ(info.flags & pfRunOnly, pfRunOnly);
    EXPECT_EQ(info.flags & pfDesignOnly, 0u);
    std::vector<std::string> required(info.requiredModules,
                                      info.requiredModules + info.requiredCount);
    EXPECT_EQ(required, (std::vector<std::string>{"_mrv", "_rtl", "_qr", "_lib", "_ger", "_frm",
                                                  "_db", "_vcl"}));
    std::vector<std::string> units(info.containedUnits, info.containedUnits + info.containedCount);
    EXPECT_EQ(units, (std::vector<std::string>{"PKG_PAG00900", "Cli_PAG00901", "Cli_PAG00900"}));
    const TVersionRecord& version = *info.version;
    EXPECT_EQ(std::vector<int>(version.fileVersion, version.fileVersion + 4),
              (std::vector<int>{6, 29, 12, 0}));
    EXPECT_EQ(std::vector<int>(version.productVersion, version.productVersion + 4),
              (std::vector<int>{6, 29, 12, 0}));
    EXPECT_STREQ(version.versionText, "6.29.012");
    EXPECT_EQ(version.language, 0x0416);
    EXPECT_EQ(version.codePage, 1252);
    bool hasFileVersion = false;
    for (std::uint32_t i = 0; i < version.textCount; ++i)
        if (std::strcmp(version.texts[i].name, "FileVersion") == 0)
            hasFileVersion = std::strcmp(version.texts[i].value, "6.29.012") == 0;
    EXPECT_TRUE(hasFileVersion);
}

TEST(ModuleExports, LoadingRegistersTheModuleWithTheHostsRuntime) {
    const module::TLibModule* loaded = module::FindLibModule(Library().Name());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->fileName, PAG_MODULE_PATH);
    EXPECT_NE(loaded->instance, nullptr);
    EXPECT_EQ(loaded->codeInstance, loaded->instance);
    // No satellite beside the built module: its own texts are the resources.
    EXPECT_EQ(loaded->resources, nullptr);
    EXPECT_EQ(loaded->resInstance, loaded->instance);
}

TEST_F(ModuleLoaded, NestedInitializeAndFinalizeRunEachUnitOnce) {
    std::vector<std::string> heard;
    module::SetUnitObserver([&](const std::string& event, const std::string& unit) {
        heard.push_back(event + " " + unit);
    });
    Library().Finalize(); // undo SetUp's start-up: the units stop
    Library().Initialize();
    Library().Initialize();
    ASSERT_TRUE(IniProc());
    Library()
        .Initialize(); // nested: Cli_pag00900's start-up (boStCriado := false) must not run again
    EXPECT_TRUE(BoStCriado());
    Library().Finalize();
    Library().Finalize();
    Library().Finalize();
    Library().Initialize(); // for TearDown
    module::SetUnitObserver({});
    EXPECT_EQ(heard, (std::vector<std::string>{"shutdown Cli_pag00900", "shutdown Cli_pag00901",
                                               "startup Cli_pag00901", "startup Cli_pag00900",
                                               "shutdown Cli_pag00900", "shutdown Cli_pag00901",
                                               "startup Cli_pag00901", "startup Cli_pag00900"}));
}

TEST_F(ModuleLoaded, IniProcTwiceGivesOneScreen) {
    EXPECT_FALSE(BoStCriado());
    ASSERT_TRUE(IniProc());
    ASSERT_EQ(Screens().size(), 1u);
    platform::TForm* screen = Screens().front();
    EXPECT_EQ(FrmRecContBaixaPag(), static_cast<void*>(screen));
    EXPECT_TRUE(BoStCriado());
    EXPECT_TRUE(screen->IsMDIChild());
    EXPECT_EQ(screen->Caption(), "Recálculo da Contabilização da Baixa (Pagamento)");
    screen->SetTag(77);
    ASSERT_TRUE(IniProc());
    ASSERT_EQ(Screens().size(), 1u);
    EXPECT_EQ(Screens().front()->Tag(), 77);
    EXPECT_EQ(Cursors(),
              (std::vector<std::string>{"cursor -11", "cursor 0", "cursor -11", "cursor 0"}));
}

TEST_F(ModuleLoaded, AMaximisedOrMinimisedScreenComesBackNormalAndInFront) {
    ASSERT_TRUE(IniProc());
    platform::TForm* screen = Screens().front();
    screen->SetWindowState(platform::TWindowState::wsMaximized);
    ASSERT_TRUE(IniProc());
    EXPECT_EQ(screen->WindowState(), platform::TWindowState::wsNormal);
    screen->SetWindowState(platform::TWindowState::wsMinimized);
    ASSERT_TRUE(IniProc());
    EXPECT_EQ(screen->WindowState(), platform::TWindowState::wsNormal);
    EXPECT_TRUE(screen->Visible());
    EXPECT_EQ(Application().ActiveMDIChild(), screen);
}

TEST_F(ModuleLoaded, ClosingFreesTheScreenAndIniProcOpensAFreshOne) {
    ASSERT_TRUE(IniProc());
    platform::TForm* screen = Screens().front();
    screen->SetTag(77);
    ASSERT_TRUE(Application().Run([screen] { screen->Close(); }));
    EXPECT_TRUE(Screens().empty());
    EXPECT_FALSE(BoStCriado());
    EXPECT_EQ(FrmRecContBaixaPag(), nullptr); // no dangling reference to the freed screen
    ASSERT_TRUE(IniProc());
    ASSERT_EQ(Screens().size(), 1u);
    EXPECT_EQ(Screens().front()->Tag(), 0);
    EXPECT_TRUE(BoStCriado());
}

TEST_F(ModuleLoaded, AScreenFreedWithoutClosingLeavesNoTrace) {
    ASSERT_TRUE(IniProc());
    Application().DestroyForms();
    EXPECT_FALSE(BoStCriado());
    EXPECT_EQ(FrmRecContBaixaPag(), nullptr);
    ASSERT_TRUE(IniProc());
    EXPECT_EQ(Screens().size(), 1u);
}

namespace {

// Services whose first MDI window refuses to show, as a host running out of windows would.
class TRefusingServices : public platform::TRecordingServices {
public:
    void FormShown(platform::TForm& form) override {
        if (refuse && form.IsMDIChild()) {
            refuse = false;
            throw platform::Exception("Não há janelas disponíveis.");
        }
    }
    bool refuse = true;
};

} // namespace

TEST_F(ModuleLoaded, AFailureWhileCreatingReachesTheHostAndTheNextCallTriesAgain) {
    TRefusingServices refusing;
    Application().SetServices(&refusing);
    bool reached = false;
    try {
        Library().IniProc();
    } catch (const platform::Exception& e) {
        reached = std::string(e.what()) == "Não há janelas disponíveis.";
    }
    EXPECT_TRUE(reached);
    EXPECT_FALSE(BoStCriado());
    EXPECT_EQ(FrmRecContBaixaPag(), nullptr);
    EXPECT_TRUE(Screens().empty());
    EXPECT_EQ(Application().Cursor(), platform::crDefault);
    ASSERT_TRUE(IniProc());
    EXPECT_TRUE(BoStCriado());
    EXPECT_EQ(Screens().size(), 1u);
    Application().DestroyForms();
    Application().SetServices(&services_);
}

TEST_F(ModuleLoaded, TheConnectionReadsHostAndPortAtEveryConnect) {
    ASSERT_TRUE(IniProc());
    auto* net = dynamic_cast<platform::TNetConnection*>(
        Screens().front()->FindComponent("netRecContBaixaPag"));
    ASSERT_NE(net, nullptr);
    EXPECT_EQ(net->ServerName(), "PAG00900.rdmRecContBaixaPag");
    EXPECT_FALSE(net->ThrowException());
    host::Session().serverHost = "127.0.0.1";
    host::Session().serverPort = testsupport::UnusedLoopbackPort();
    net->SetConnected(false);
    EXPECT_NO_THROW(net->SetConnected(true)); // nothing listens: a failed attempt, no exception
    EXPECT_FALSE(net->Connected());
    EXPECT_EQ(net->Host(), "127.0.0.1");
    EXPECT_EQ(net->Port(), host::Session().serverPort);
    host::Session().serverHost = "localhost";
    host::Session().serverPort =
        host::Session().serverPort == 1 ? 2 : 1; // privileged: nothing there
    net->SetConnected(true);
    EXPECT_EQ(net->Host(), "localhost");
    EXPECT_EQ(net->Port(), host::Session().serverPort);
    host::ResetSession();
}

TEST_F(ModuleLoaded, TheConnectionTakesTheSessionsTlsChoiceAtEveryConnect) {
    ASSERT_TRUE(IniProc());
    auto* net = dynamic_cast<platform::TNetConnection*>(
        Screens().front()->FindComponent("netRecContBaixaPag"));
    ASSERT_NE(net, nullptr);
    host::Session().serverHost = "127.0.0.1";
    host::Session().serverPort = testsupport::UnusedLoopbackPort();
    host::Session().serverTls = true;
    host::Session().serverCaFile = "ca-da-empresa.pem";
    net->SetConnected(false);
    EXPECT_NO_THROW(net->SetConnected(true)); // nothing listens: a failed attempt, no exception
    EXPECT_TRUE(net->UseTls());
    EXPECT_EQ(net->CaFile(), "ca-da-empresa.pem");
    host::Session().serverTls = false;
    host::Session().serverCaFile.clear();
    net->SetConnected(true);
    EXPECT_FALSE(net->UseTls());
    EXPECT_EQ(net->CaFile(), "");
    host::ResetSession();
}
