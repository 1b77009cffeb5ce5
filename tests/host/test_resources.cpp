// Satellite resource modules: the locale rule, the file format, and applying texts to a form.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "host/libmodules.h"
#include "host/messages.h"
#include "host/resources.h"
#include "platform/application.h"
#include "platform/menus.h"
#include "platform/stdctrls.h"

using module::FindSatellite;
using module::LocaleCandidates;
using module::TResourceModule;

namespace {

struct TempDir {
    std::filesystem::path path;
    TempDir() {
        char pattern[] = "/tmp/pag-resources.XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(path / name, std::ios::binary) << text;
        return (path / name).string();
    }
};

} // namespace

TEST(SatelliteRule, LocaleGivesFullNameThenLanguage) {
    EXPECT_EQ(LocaleCandidates("pt_BR.UTF-8"), (std::vector<std::string>{"pt_BR", "pt"}));
    EXPECT_EQ(LocaleCandidates("pt_BR.ISO-8859-1@euro"), (std::vector<std::string>{"pt_BR", "pt"}));
    EXPECT_EQ(LocaleCandidates("en"), (std::vector<std::string>{"en"}));
    EXPECT_TRUE(LocaleCandidates("C").empty());
    EXPECT_TRUE(LocaleCandidates("POSIX").empty());
    EXPECT_TRUE(LocaleCandidates("C.UTF-8").empty());
    EXPECT_TRUE(LocaleCandidates("").empty());
    EXPECT_TRUE(LocaleCandidates("../../etc/passwd").empty());
    EXPECT_EQ(module::SatelliteFileName("/opt/pag/lib/libPKG_PAG00900.so", "pt_BR"),
              "/opt/pag/lib/libPKG_PAG00900.pt_BR");
}

TEST(SatelliteRule, TheMostSpecificExistingSatelliteIsUsed) {
    TempDir dir;
    std::string module = (dir.path / "libPKG_TESTE.so").string();
    EXPECT_EQ(FindSatellite(module, "pt_BR.UTF-8").resources, nullptr); // none: built-in texts
    EXPECT_EQ(FindSatellite(module, "pt_BR.UTF-8").note, "");
    dir.Write("libPKG_TESTE.pt", "frmX.Caption|Idioma\n");
    auto language = FindSatellite(module, "pt_BR.UTF-8");
    ASSERT_NE(language.resources, nullptr);
    EXPECT_EQ(*language.resources->Find("frmX.Caption"), "Idioma");
    dir.Write("libPKG_TESTE.pt_BR", "frmX.Caption|Brasil\n");
    EXPECT_EQ(*FindSatellite(module, "pt_BR").resources->Find("frmX.Caption"), "Brasil");
}

TEST(SatelliteRule, AnUnusableSatelliteFallsBackWithANote) {
    TempDir dir;
    std::string module = (dir.path / "libPKG_TESTE.so").string();
    dir.Write("libPKG_TESTE.pt_BR", "frmX.Caption|ok\nsem barra\n");
    auto lookup = FindSatellite(module, "pt_BR");
    EXPECT_EQ(lookup.resources, nullptr);
    EXPECT_NE(lookup.note.find("Linha 2"), std::string::npos) << lookup.note;
    // The more specific satellite decides even when unusable: the language file is not tried.
    dir.Write("libPKG_TESTE.pt", "frmX.Caption|pt\n");
    EXPECT_EQ(FindSatellite(module, "pt_BR").resources, nullptr);
}

TEST(SatelliteFormat, TextsRunToTheLineEndAndTheLastDuplicateWins) {
    TResourceModule r = TResourceModule::Parse(
        "# comment\r\n\nfrmX.msg.A|a|b\t \r\nfrmX.msg.A|second\nfrmX.Caption|\n", "teste");
    ASSERT_EQ(r.Entries().size(), 2u);
    EXPECT_EQ(*r.Find("frmX.msg.A"), "second");
    EXPECT_EQ(*r.Find("frmX.Caption"), "");
    EXPECT_EQ(r.Find("frmX.msg.a"), nullptr);
    EXPECT_THROW(TResourceModule::Parse("|sem nome\n", "teste"), platform::Exception);
}

TEST(SatelliteFormat, TextsApplyToTheNamedFormItsControlsMenusAndCatalogues) {
    platform::TForm form(nullptr);
    form.SetName("frmTeste");
    form.SetCaption("Original");
    auto* label = new platform::TLabel(&form);
    label->SetName("Label1");
    auto* item = new platform::TMenuItem(&form);
    item->SetName("mnuFiltro");
    auto* messages = new host::TMessages(&form);
    messages->SetName("msgPadrao");
    messages->SetLines({"Emp_nr|Operador sem acesso", "Outra|fica"});
    TResourceModule r = TResourceModule::Parse("frmTeste.Caption|Traduzida\n"
                                               "frmTeste.Label1.Caption|Company\n"
                                               "frmTeste.Label1.Hint|Dica\n"
                                               "frmTeste.mnuFiltro.Caption|&Filter\n"
                                               "frmTeste.msgPadrao.EMP_NR|No access\n"
                                               "frmTeste.msgPadrao.Nova|New\n"
                                               "frmOutro.Caption|not this form\n"
                                               "frmTeste.lblNada.Caption|no such control\n",
                                               "teste");
    EXPECT_EQ(r.ApplyTo(form), 6);
    EXPECT_EQ(form.Caption(), "Traduzida");
    EXPECT_EQ(label->Caption(), "Company");
    EXPECT_EQ(label->Hint(), "Dica");
    EXPECT_EQ(item->Caption(), "&Filter");
    EXPECT_EQ(messages->Msg("Emp_Nr"), "No access");
    EXPECT_EQ(messages->Msg("Outra"), "fica");
    EXPECT_EQ(messages->Msg("nova"), "New");
}

TEST(LoadedModules, RegistrationIsKeyedByInstance) {
    int a = 0, b = 0;
    module::RegisterModule({"PKG_A", "a.so", &a, &a, &a, nullptr, ""});
    module::RegisterModule({"PKG_B", "b.so", &b, &b, &b, nullptr, "nota"});
    module::RegisterModule({"PKG_A", "a2.so", &a, &a, &a, nullptr, ""});
    ASSERT_NE(module::FindLibModule("pkg_a"), nullptr);
    EXPECT_EQ(module::FindLibModule("PKG_A")->fileName, "a2.so");
    module::UnregisterModule(&a);
    module::UnregisterModule(&a);
    EXPECT_EQ(module::FindLibModule("PKG_A"), nullptr);
    EXPECT_EQ(module::FindLibModule("PKG_B")->resourceNote, "nota");
    module::UnregisterModule(&b);
}
