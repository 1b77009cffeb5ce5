// What the grid and the navigator panel show of a write-off: status texts, agency and account
// through the bank's pictures, the amount, the summary, and the check box of the mark column.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/datetime.h"
#include "platform/formats.h"
#include "screen_fixture.h"

using rectest::ScreenTest;
using rectest::TRow;

namespace {

class Display : public ScreenTest {
protected:
    // The display text of a field on row `recNo`.
    std::string Shown(platform::TField* field, int recNo) {
        platform::TRecordPeek peek(*screen->cdsBaixaPag, recNo);
        return field->DisplayText();
    }
    static std::vector<TRow> Rows(int count) { return rectest::RealRows(count); }
};

} // namespace

TEST_F(Display, StatusCodesShowTheirCatalogueTexts) {
    std::vector<TRow> rows = Rows(5);
    rows[0].status = "P";
    rows[1].status = "C";
    rows[2].status = "E";
    rows[3].status = "X"; // no catalogue entry
    rows[4].status = "";
    OpenWith(rows);
    EXPECT_EQ(Shown(screen->cdsBaixaPagIDSTATUSBPAG, 1), "Planejada");
    EXPECT_EQ(Shown(screen->cdsBaixaPagIDSTATUSBPAG, 2), "CNAB");
    EXPECT_EQ(Shown(screen->cdsBaixaPagIDSTATUSBPAG, 3), "Real");
    EXPECT_EQ(Shown(screen->cdsBaixaPagIDSTATUSBPAG, 4), "");
    EXPECT_EQ(Shown(screen->cdsBaixaPagIDSTATUSBPAG, 5), "");
}

TEST_F(Display, AgencyAndAccountAreShownThroughTheBanksPictures) {
    std::vector<TRow> rows = Rows(4);
    rows[1].agencia = "0912";
    rows[1].pictAgencia = "9999";
    rows[1].conta = "7654321";
    rows[1].pictConta = "999999-9";
    rows[2].nullAgency = true;
    rows[2].nullAccount = true;
    rows[3].pictAgencia = ""; // a bank without picture: the code as stored
    rows[3].pictConta = "\\"; // a broken picture never breaks the grid
    OpenWith(rows);
    EXPECT_EQ(Shown(screen->cdsBaixaPagCDAGENCIA, 1), "1234-5");
    EXPECT_EQ(Shown(screen->cdsBaixaPagCDCONTCORR, 1), "12345678-9");
    EXPECT_EQ(Shown(screen->cdsBaixaPagCDAGENCIA, 2), "0912");
    EXPECT_EQ(Shown(screen->cdsBaixaPagCDCONTCORR, 2), "765432-1");
    EXPECT_EQ(Shown(screen->cdsBaixaPagCDAGENCIA, 3), "");
    EXPECT_EQ(Shown(screen->cdsBaixaPagCDCONTCORR, 3), "");
    EXPECT_EQ(Shown(screen->cdsBaixaPagCDAGENCIA, 4), "12345");
    EXPECT_NO_THROW(Shown(screen->cdsBaixaPagCDCONTCORR, 4));
}

TEST_F(Display, TheAmountHasThousandsTwoDecimalsAndOneTrailingBlank) {
    std::vector<TRow> rows = Rows(3);
    rows[0].valor = 1234567.891;
    rows[1].valor = 0.5;
    rows[2].nullAmount = true;
    OpenWith(rows);
    EXPECT_EQ(Shown(screen->cdsBaixaPagVRBAIXAPAG, 1), "1.234.567,89 ");
    EXPECT_EQ(Shown(screen->cdsBaixaPagVRBAIXAPAG, 2), "0,50 ");
    EXPECT_EQ(Shown(screen->cdsBaixaPagVRBAIXAPAG, 3), "");
}

TEST_F(Display, TheNavigatorSummaryJoinsDateTypeAccountAndAmount) {
    std::vector<TRow> rows = Rows(4);
    rows[0].valor = 1234.5;
    rows[1].tipo = "   "; // no type name: no summary
    rows[2].nullDate = true;
    rows[3].nullAmount = true;
    OpenWith(rows);
    EXPECT_EQ(screen->dbtNome->Text(),
              "15/03/2024 - Transferência Bancária - BB Movimento - 1.234,50");
    EXPECT_EQ(Shown(screen->cdsBaixaPagNRMOVBANC, 2), "");
    EXPECT_EQ(Shown(screen->cdsBaixaPagNRMOVBANC, 3),
              " - Transferência Bancária - BB Movimento - 1.234,50");
    EXPECT_EQ(Shown(screen->cdsBaixaPagNRMOVBANC, 4),
              "15/03/2024 - Transferência Bancária - BB Movimento - ");
    // The workstation's separators apply.
    platform::TFormatSettings saved = platform::FormatSettings();
    platform::FormatSettings().DecimalSeparator = '.';
    platform::FormatSettings().ThousandSeparator = ',';
    platform::FormatSettings().ShortDateFormat = "yyyy-mm-dd";
    platform::FormatSettings().DateSeparator = '-';
    std::string summary = Shown(screen->cdsBaixaPagNRMOVBANC, 1);
    platform::FormatSettings() = saved;
    EXPECT_EQ(summary, "2024-03-15 - Transferência Bancária - BB Movimento - 1,234.50");
}

TEST_F(Display, TheMarkColumnDrawsATickedOrEmptyBoxOverTheCellText) {
    std::vector<TRow> rows = Rows(3);
    rows[1].marca = "S";
    rows[2].marca = "Z";
    OpenWith(rows);
    platform::TDBGrid& grid = *screen->dbgPadrao;
    platform::TColumn* mark = grid.ColumnByFieldName("IDMARCADO");
    grid.Paint();
    std::vector<const platform::TCanvasOp*> pictures;
    for (const platform::TCanvasOp& op : grid.Canvas().Operations())
        if (op.kind == platform::TCanvasOp::Draw) pictures.push_back(&op);
    ASSERT_EQ(pictures.size(), 3u);
    for (int recNo = 1; recNo <= 3; ++recNo) {
        const platform::TCanvasOp& op = *pictures[static_cast<std::size_t>(recNo - 1)];
        platform::TRect cell = grid.CellRect(mark, recNo);
        EXPECT_GE(op.x, cell.Left);
        EXPECT_GE(op.y, cell.Top);
        EXPECT_EQ(op.transparentColor, recalculation::kCorFundoCheck);
        EXPECT_EQ(op.bitmap, (recNo == 2 ? screen->imgCheck : screen->imgUncheck)->Picture())
            << recNo;
    }
    // The text of the cell comes first, the picture over it.
    const auto& ops = grid.Canvas().Operations();
    auto draw = std::find_if(ops.begin(), ops.end(), [](const platform::TCanvasOp& op) {
        return op.kind == platform::TCanvasOp::Draw;
    });
    ASSERT_NE(draw, ops.begin());
    EXPECT_EQ(std::prev(draw)->kind, platform::TCanvasOp::TextRect);
    EXPECT_EQ(std::prev(draw)->text, "N");

    // While a row is being edited no picture is drawn.
    ASSERT_TRUE(Act([this] { screen->cdsBaixaPag->Edit(); }));
    grid.Paint();
    for (const platform::TCanvasOp& op : grid.Canvas().Operations())
        EXPECT_NE(op.kind, platform::TCanvasOp::Draw);
    ASSERT_TRUE(Act([this] { screen->cdsBaixaPag->Cancel(); }));
}
