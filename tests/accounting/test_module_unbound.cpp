// libCTB10200.so loaded by a program that does not export its symbols: the module would run on
// copies of the framework of its own, so it refuses to open its screen.
#include <gtest/gtest.h>

#include "host/moduleregistry.h"
#include "host/morvane.h"
#include "platform/application.h"

namespace {

TEST(Ctb10200Module, RefusesToRunWhenNotBoundToTheHost) {
    platform::Variant params = platform::VarArrayCreate({0, 4});
    host::ModuleRegistry().RegisterLibrary("CTB10200", PAG_CTB10200_MODULE_PATH);
    try {
        host::Morvane::LoadBPL("CTB10200", params);
        FAIL() << "o módulo abriu a tela sem estar ligado ao hospedeiro";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("não está ligado ao programa hospedeiro"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(platform::Application().MDIChildren().empty());
}

} // namespace
