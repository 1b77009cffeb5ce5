// The recalculation screen as designed, before its creation handler runs: grid columns,
// commands, check pictures, the run's result order, and the catalogue with its copy in cdsMsg.
#include <gtest/gtest.h>

#include <memory>

#include "platform/application.h"
#include "platform/formats.h"
#include "platform/menus.h"
#include "platform/sysutils.h"
#include "recalculation/cli_pag00900.h"

using recalculation::TfrmRecContBaixaPag;

namespace {

class ScreenDesign : public ::testing::Test {
protected:
    void SetUp() override {
        screen = std::make_unique<TfrmRecContBaixaPag>(&platform::Application());
    }
    std::unique_ptr<TfrmRecContBaixaPag> screen;
};

} // namespace

TEST_F(ScreenDesign, TheGridShowsEightColumnsWithTheCheckMarkTitleLast) {
    platform::TDBGrid* grid = screen->dbgPadrao;
    std::vector<std::string> fields;
    for (platform::TColumn* column : grid->VisibleColumns()) fields.push_back(column->FieldName());
    // Status and mark are hidden fields, shown all the same by their columns.
    EXPECT_EQ(fields,
              (std::vector<std::string>{"DTBAIXAPAG", "NMTPBAIXAPAG", "CDBANCO", "CDAGENCIA",
                                        "CDCONTCORR", "VRBAIXAPAG", "IDSTATUSBPAG", "IDMARCADO"}));
    EXPECT_EQ(grid->ColumnByFieldName("IDSTATUSBPAG")->Title().Caption(), "Status");
    EXPECT_EQ(grid->ColumnByFieldName("CDAGENCIA")->Title().Caption(), "Agência");
    // The mark column's title is the check-mark glyph of the symbol font, not the digit 4.
    const platform::TColumnTitle& mark = grid->ColumnByFieldName("IDMARCADO")->Title();
    EXPECT_EQ(mark.Caption(), "4");
    EXPECT_EQ(mark.Font().Name, "Monotype Sorts");
    EXPECT_EQ(mark.Font().Charset, platform::SYMBOL_CHARSET);
    EXPECT_FALSE(grid->Options().Contains(platform::dgIndicator));
    EXPECT_FALSE(grid->Options().Contains(platform::dgEditing));
}

TEST_F(ScreenDesign, FilterAndAccountingCommandsAndTheInheritedOnesStartDisabled) {
    EXPECT_FALSE(screen->sbtFiltro->Enabled());
    EXPECT_FALSE(screen->sbtContab->Enabled());
    EXPECT_FALSE(screen->mnuFiltro->Enabled());
    EXPECT_EQ(platform::ShortCutToText(screen->mnuFiltro->ShortCut()), "Ctrl+L");
    const auto& items = screen->mnuManutencao->Items();
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items.back(), screen->mnuFiltro);
    EXPECT_TRUE(items[items.size() - 2]->IsLine());
    for (platform::TMenuItem* item :
         {screen->mnuListagem, screen->mnuConfigImpressora, screen->mnuIncluir, screen->mnuAlterar,
          screen->mnuExcluir, screen->mnuVerificar, screen->mnuCancelar, screen->mnuConfirmar})
        EXPECT_FALSE(item->Enabled()) << item->Name();
    EXPECT_FALSE(screen->sbtImprimir->Enabled());
}

TEST_F(ScreenDesign, TheCheckPicturesAreBoxesOnOliveTheFirstTicked) {
    const platform::TColor olive = platform::RGB(128, 128, 0);
    EXPECT_EQ(recalculation::kCorFundoCheck, 0x8080);
    EXPECT_EQ(recalculation::kCorFundoCheck, olive);
    for (platform::TImage* image : {screen->imgCheck, screen->imgUncheck}) {
        SCOPED_TRACE(image->Name());
        EXPECT_FALSE(image->Visible());
        EXPECT_TRUE(image->AutoSize());
        EXPECT_EQ(image->Parent(), screen->panMenu);
        const platform::TBitmap& picture = image->Picture();
        ASSERT_EQ(picture.Width(), 16);
        ASSERT_EQ(picture.Height(), 16);
        EXPECT_EQ(image->Width(), 16);
        EXPECT_EQ(picture.Pixel(0, 0), olive);
        EXPECT_EQ(picture.Pixel(15, 15), olive);
        // Black top and left edge, grey right and bottom line, around a white 9 x 9 square.
        for (int i = 2; i <= 11; ++i) {
            EXPECT_EQ(picture.Pixel(i, 2), platform::clBlack);
            EXPECT_EQ(picture.Pixel(2, i), platform::clBlack);
        }
        for (int i = 2; i <= 12; ++i) {
            EXPECT_EQ(picture.Pixel(12, i), platform::RGB(192, 192, 192));
            EXPECT_EQ(picture.Pixel(i, 12), platform::RGB(192, 192, 192));
        }
        EXPECT_EQ(picture.Pixel(3, 3), platform::clWhite);
        EXPECT_EQ(picture.Pixel(11, 11), platform::clWhite);
    }
    int blackInside[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        const platform::TBitmap& picture =
            (k == 0 ? screen->imgCheck : screen->imgUncheck)->Picture();
        for (int y = 3; y <= 11; ++y)
            for (int x = 3; x <= 11; ++x) {
                platform::TColor c = picture.Pixel(x, y);
                EXPECT_TRUE(c == platform::clWhite || c == platform::clBlack);
                blackInside[k] += c == platform::clBlack;
            }
    }
    EXPECT_GT(blackInside[0], 10); // the tick
    EXPECT_EQ(blackInside[1], 0);  // an empty box
}

TEST_F(ScreenDesign, TheRunResultReadsInResultTypeOrder) {
    platform::TClientDataSet& result = *screen->cdsResult;
    result.CreateDataSet();
    for (const char* type : {"3", "1", "2"}) {
        result.Append();
        result.FieldByName("IDTPRESULT")->SetAsString(type);
        result.FieldByName("DSRESULT")->SetAsString(std::string("chave ") + type);
        result.Post();
    }
    result.First();
    EXPECT_EQ(result.FieldByName("DSRESULT")->AsString(), "chave 1");
}

TEST(Catalogue, HoldsThirtyEntriesInOrderWithTheirExactTexts) {
    const std::vector<std::string>& lines = recalculation::CatalogoRecContBaixaPag();
    std::vector<std::string> keys;
    for (const std::string& line : lines) keys.push_back(line.substr(0, line.find('|')));
    EXPECT_EQ(
        keys,
        (std::vector<std::string>{
            "Excl",        "P",           "C",        "E",          "Emp_Deve",    "Emp_Nc",
            "ALT_BLOQ",    "STATUS_INV",  "Hist_Nc",  "Hist_Conta", "LANCCTB_INV", "1",
            "2",           "3",           "4",        "5",          "6",           "7",
            "BOLT_ALT",    "VRBOL_DIF",   "CNT_PROR", "CNT_PREV",   "BOLBAIXAD",   "DESMARCA_BAIXA",
            "MARCA_BAIXA", "RecCont_suc", "PGTO",     "N_TP_BAIXA", "BOL_ALT",     "Emp_nr"}));
    TfrmRecContBaixaPag screen(nullptr);
    const host::TMessages& msg = *screen.msgPadrao;
    EXPECT_EQ(msg.GetMsgCount(), 30);
    EXPECT_EQ(msg.Msg("Emp_Nr"), "Empresa não relacionada ao operador logado.");
    EXPECT_EQ(msg.Msg("Hist_Nc"), "Histórico padrão para integração contábil não cadastrado\t");
    EXPECT_EQ(msg.Msg("BOL_ALT"), msg.Msg("BOLT_ALT"));
    EXPECT_EQ(
        msg.Msg("BOL_ALT"),
        "O boleto (%s - %s - %s) foi excluído ou associado a outro boleto por outro usuário.");
    EXPECT_EQ(platform::Utf8Length(msg.Msg("CNT_PREV")), 124u);
}

TEST(Catalogue, CdsMsgCarriesEveryLineWithTextsCutTo200Characters) {
    TfrmRecContBaixaPag screen(nullptr);
    screen.Carrega_Msg();
    platform::TClientDataSet& msg = *screen.cdsMsg;
    ASSERT_EQ(msg.RecordCount(), 30);
    msg.First();
    for (const std::string& line : recalculation::CatalogoRecContBaixaPag()) {
        EXPECT_EQ(msg.FieldByName("CDMESSAGE")->AsString() + "|" +
                      msg.FieldByName("DSMESSAGE")->AsString(),
                  line);
        msg.Next();
    }
    ASSERT_TRUE(msg.Locate("CDMESSAGE", platform::Variant("Hist_Nc")));
    EXPECT_EQ(msg.FieldByName("DSMESSAGE")->AsString().back(), '\t');

    // Rebuilding replaces the rows: a longer catalogue, a text of 250 accented characters.
    std::string longText;
    for (int i = 0; i < 250; ++i) longText += "é";
    screen.msgPadrao->Lines().push_back("LONGA|" + longText);
    screen.msgPadrao->Lines().push_back("SEMBARRA");
    screen.Carrega_Msg();
    ASSERT_EQ(msg.RecordCount(), 32);
    ASSERT_TRUE(msg.Locate("CDMESSAGE", platform::Variant("LONGA")));
    EXPECT_EQ(platform::Utf8Length(msg.FieldByName("DSMESSAGE")->AsString()), 200u);
    ASSERT_TRUE(msg.Locate("CDMESSAGE", platform::Variant("SEMBARRA")));
    EXPECT_EQ(msg.FieldByName("DSMESSAGE")->AsString(), "");
}
