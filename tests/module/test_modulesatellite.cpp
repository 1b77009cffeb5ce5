// The satellite resource module of the user's locale, found beside a copy of the module; and
// one module name per process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host/libmodules.h"
#include "host/moduleloader.h"
#include "platform/application.h"
#include "platform/recordingservices.h"

TEST(ModuleSatellite, TextsOfTheLocalesSatelliteReplaceTheBuiltInOnes) {
    char pattern[] = "/tmp/pag-satellite.XXXXXX";
    std::filesystem::path dir = mkdtemp(pattern);
    std::filesystem::path copy = dir / "libPKG_PAG00900.so";
    std::filesystem::copy_file(PAG_MODULE_PATH, copy);
    std::ofstream(dir / "libPKG_PAG00900.xx_YY")
        << "# teste\n"
        << "frmRecContBaixaPag.Caption|Write-off posting recalculation\n";
    setenv("LC_ALL", "xx_YY.UTF-8", 1);

    platform::TRecordingServices services;
    platform::Application().SetServices(&services);
    {
        module::TModuleLibrary library(copy.string());
        const module::TLibModule* loaded = module::FindLibModule("PKG_PAG00900");
        ASSERT_NE(loaded, nullptr);
        ASSERT_NE(loaded->resources, nullptr) << loaded->resourceNote;
        EXPECT_EQ(loaded->resInstance, static_cast<const void*>(loaded->resources.get()));
        EXPECT_EQ(loaded->resources->FileName(), (dir / "libPKG_PAG00900.xx_YY").string());
        // A second module of the same name, from another file, is refused.
        try {
            module::TModuleLibrary original(PAG_MODULE_PATH);
            ADD_FAILURE() << "a second PKG_PAG00900 was accepted";
        } catch (const platform::Exception& e) {
            EXPECT_NE(std::string(e.what()).find("já está carregado"), std::string::npos)
                << e.what();
        }
        ASSERT_EQ(module::LibModules().size(), 1u);
        EXPECT_EQ(module::LibModules().front().fileName, copy.string());
        library.Initialize();
        ASSERT_TRUE(platform::Application().Run([&] { library.IniProc(); }));
        platform::TForm* screen = platform::Application().FindForm("frmRecContBaixaPag");
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(screen->Caption(), "Write-off posting recalculation");
        platform::Application().DestroyForms();
        library.Finalize();
    }
    platform::Application().SetServices(nullptr);
    unsetenv("LC_ALL");
    std::filesystem::remove_all(dir);
}
