// libCTB10200.so loaded by path through LoadBPL, as a host loads it: the program exports its
// symbols, so the module's screen lives in this program's application object.
#include <gtest/gtest.h>

#include "accountingkit.h"
#include "host/moduleregistry.h"
#include "host/morvane.h"
#include "platform/application.h"
#include "platform/dataset.h"
#include "platform/recordingservices.h"

namespace {

using platform::Application;

TEST(Ctb10200Module, LoadBplOpensTheModulesScreenInTheHostsApplication) {
    platform::TRecordingServices services;
    Application().SetServices(&services);
    host::ModuleRegistry().RegisterLibrary("CTB10200", PAG_CTB10200_MODULE_PATH);
    host::Morvane::LoadBPL("ctb10200",
                           accountingtest::Params("01", "", accountingtest::OutcomeWithErrors()));
    platform::TForm* form = Application().ActiveMDIChild();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Name(), "frmLancContabil");
    auto* errors = dynamic_cast<platform::TClientDataSet*>(form->FindComponent("cdsErros"));
    ASSERT_NE(errors, nullptr);
    EXPECT_EQ(errors->RecordCount(), 3);
    EXPECT_EQ(services.Lines().at(0).substr(0, 16), "loadbpl ctb10200") << services.Lines().at(0);

    // The library stays loaded: a second opening reuses the same screen.
    host::Morvane::LoadBPL("CTB10200", accountingtest::ParamsWithoutData("01", ""));
    EXPECT_EQ(Application().MDIChildren().size(), 1u);
    EXPECT_EQ(errors->RecordCount(), 0);

    // Parameters of another shape reach the caller as a Portuguese error.
    try {
        host::Morvane::LoadBPL("CTB10200", platform::Variant("01"));
        FAIL();
    } catch (const platform::Exception& e) {
        EXPECT_NE(e.Message().find("cinco parâmetros"), std::string::npos);
    }
    Application().DestroyForms();
    Application().SetServices(nullptr);
}

} // namespace
