// The data-aware grid and text: painting with the owner-draw hook, title clicks without sorting,
// following the dataset, staying quiet while controls are disabled; and the recording canvas.
#include <gtest/gtest.h>

#include "platform/dataset.h"
#include "platform/dbctrls.h"
#include "platform/forms.h"
#include "platform/recordingservices.h"
#include "ui_fixture.h"

using namespace platform;
using uitest::UiTest;

namespace {

// Three write-offs in a client dataset shown by a grid with customised columns.
class GridTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        form = CreateForm<TForm>(&Application());
        cds = form->Create<TClientDataSet>();
        numero = cds->AddStringField("NRBAIXAPAG", 10);
        marcado = cds->AddFixedCharField("IDMARCADO", 1);
        marcado->SetVisible(false);
        valor = cds->AddFloatField("VRBAIXAPAG");
        valor->SetDisplayLabel("Valor");
        valor->SetDisplayFormat("#,##0.00 ");
        cds->CreateDataSet();
        Add("0000000003", "S", 1234.5);
        Add("0000000001", "N", 10);
        Add("0000000002", "N", 0.5);
        cds->First();
        dts = form->Create<TDataSource>();
        dts->SetDataSet(cds);
        grid = form->Create<TDBGrid>();
        grid->SetParent(form);
        grid->SetOptions({dgTitles, dgRowSelect, dgAlwaysShowSelection, dgColLines, dgRowLines});
        colNumero = grid->AddColumn("NRBAIXAPAG");
        colValor = grid->AddColumn("VRBAIXAPAG");
        colMarca = grid->AddColumn("IDMARCADO");
        colMarca->Title().SetCaption("4");
        colMarca->SetWidth(20);
        grid->SetDataSource(dts);
        form->Show();
    }
    void Add(const std::string& n, const std::string& m, double v) {
        cds->Append();
        numero->SetAsString(n);
        marcado->SetAsString(m);
        valor->SetAsFloat(v);
        cds->Post();
    }
    std::vector<std::string> Order() {
        std::vector<std::string> list;
        for (int recNo = 1; recNo <= cds->RecordCount(); ++recNo) {
            TRecordPeek peek(*cds, recNo);
            list.push_back(numero->AsString());
        }
        return list;
    }

    TForm* form = nullptr;
    TClientDataSet* cds = nullptr;
    TStringField* numero = nullptr;
    TFixedCharField* marcado = nullptr;
    TFloatField* valor = nullptr;
    TDataSource* dts = nullptr;
    TDBGrid* grid = nullptr;
    TColumn *colNumero = nullptr, *colValor = nullptr, *colMarca = nullptr;
};

} // namespace

TEST_F(GridTest, CustomColumnsShowHiddenFieldsAndTakeTitlesFromLabelsWhenNotSet) {
    EXPECT_EQ(grid->VisibleColumns().size(), 3u);
    EXPECT_EQ(colValor->Title().Caption(), "Valor");
    EXPECT_EQ(colNumero->Title().Caption(), "NRBAIXAPAG");
    EXPECT_EQ(colMarca->Title().Caption(), "4");
    EXPECT_EQ(colValor->Alignment(), TAlignment::taRightJustify);
    EXPECT_EQ(colMarca->Field(), marcado);
    colNumero->SetVisible(false);
    EXPECT_EQ(grid->VisibleColumns(), (std::vector<TColumn*>{colValor, colMarca}));
}

TEST_F(GridTest, DefaultColumnsFollowTheVisibleFields) {
    auto* plain = form->Create<TDBGrid>();
    plain->SetParent(form);
    plain->SetDataSource(dts);
    ASSERT_EQ(plain->ColumnCount(), 2); // IDMARCADO is hidden
    EXPECT_EQ(plain->Column(0)->Field(), numero);
    EXPECT_EQ(plain->Column(1)->Field(), valor);
}

TEST_F(GridTest, PaintingWritesEachCellsDefaultTextThenCallsTheDrawHookOnThePaintedRow) {
    std::vector<std::string> hooked;
    grid->OnDrawColumnCell = [&](TObject* sender, const TRect& rect, int dataCol, TColumn* column,
                                 TGridDrawState state) {
        EXPECT_EQ(sender, grid);
        const TCanvasOp& last = grid->Canvas().Operations().back();
        EXPECT_EQ(last.kind, TCanvasOp::TextRect); // the grid's text came first
        EXPECT_EQ(last.rect, rect);
        EXPECT_EQ(last.text, column->Field()->DisplayText());
        hooked.push_back(std::to_string(dataCol) + ":" + numero->AsString() +
                         ((state & gdSelected) ? "*" : ""));
        if (column == colMarca)
            grid->Canvas().Draw(rect.Left + 2, rect.Top, TBitmap(16, 16, clOlive), clOlive);
    };
    cds->Next(); // the second row is current
    grid->Paint();
    EXPECT_EQ(hooked, (std::vector<std::string>{"0:0000000003", "1:0000000003", "2:0000000003",
                                                "0:0000000001*", "1:0000000001*", "2:0000000001*",
                                                "0:0000000002", "1:0000000002", "2:0000000002"}));
    std::vector<std::string> texts;
    for (const TCanvasOp& op : grid->Canvas().Operations())
        if (op.kind == TCanvasOp::TextRect) texts.push_back(op.text);
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_EQ(texts[0], "NRBAIXAPAG");
    EXPECT_EQ(texts[1], "Valor");
    EXPECT_EQ(texts[2], "4");
    EXPECT_EQ(texts[4], "1.234,50 "); // the field's display format
    EXPECT_EQ(cds->RecNo(), 2);       // painting never moves the cursor
    EXPECT_EQ(grid->PaintCount(), 1);
}

TEST_F(GridTest, TheDrawnBitmapLandsOverTheCellWithItsTransparentColour) {
    grid->OnDrawColumnCell = [&](TObject*, const TRect& rect, int, TColumn* column,
                                 TGridDrawState) {
        if (column == colMarca)
            grid->Canvas().Draw(rect.Left + 2, rect.Top + 1, TBitmap(16, 16, clOlive), clOlive);
    };
    grid->PaintRow(1);
    const auto& ops = grid->Canvas().Operations();
    ASSERT_FALSE(ops.empty());
    const TCanvasOp& draw = ops.back();
    EXPECT_EQ(draw.kind, TCanvasOp::Draw);
    EXPECT_EQ(draw.transparentColor, 32896);
    TRect cell = grid->CellRect(colMarca, 1);
    EXPECT_EQ(draw.x, cell.Left + 2);
    EXPECT_EQ(draw.y, cell.Top + 1);
}

TEST_F(GridTest, ATitleClickRunsTheHandlerAndNeverReordersTheRows) {
    TColumn* clicked = nullptr;
    grid->OnTitleClick = [&](TColumn* column) { clicked = column; };
    std::vector<std::string> before = Order();
    grid->ClickTitle(colValor);
    EXPECT_EQ(clicked, colValor);
    EXPECT_EQ(Order(), before);
    EXPECT_TRUE(grid->Focused());
}

TEST_F(GridTest, KeysAndClicksMoveTheCurrentRowAndReachOnKeyDownFirst) {
    std::vector<Word> keys;
    grid->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
        keys.push_back(key);
        if (key == VK_SPACE) key = 0;
    };
    grid->ClickRow(3);
    EXPECT_EQ(cds->RecNo(), 3);
    form->PressKey(VK_UP, 0);
    EXPECT_EQ(cds->RecNo(), 2);
    form->PressChar(' ');
    form->PressKey(VK_HOME, ssCtrl);
    EXPECT_EQ(cds->RecNo(), 1);
    EXPECT_EQ(keys, (std::vector<Word>{VK_UP, VK_SPACE, VK_HOME}));
    int doubles = 0;
    grid->OnDblClick = [&](TObject*) { ++doubles; };
    grid->UserDblClick();
    EXPECT_EQ(doubles, 1);
}

TEST_F(GridTest, WithControlsDisabledTheGridHearsNothingUntilTheyAreEnabledOnce) {
    int observed = 0;
    grid->AddObserver([&](TControl*, TChange change) {
        if (change == TChange::Data || change == TChange::Scroll) ++observed;
    });
    int before = grid->RefreshCount();
    cds->DisableControls();
    for (cds->First(); !cds->Eof(); cds->Next()) {
        cds->Edit();
        marcado->SetAsString("S");
        cds->Post();
    }
    EXPECT_EQ(grid->RefreshCount(), before);
    EXPECT_EQ(observed, 0);
    cds->EnableControls();
    EXPECT_EQ(grid->RefreshCount(), before + 1);
    EXPECT_EQ(observed, 1);
    EXPECT_EQ(grid->TopRow(), 1);
}

TEST_F(GridTest, TheGridKeepsTheCurrentRowOnScreen) {
    grid->SetHeight(3 *
                    (grid->DefaultRowHeight() + 1)); // the titles and two rows, with their lines
    ASSERT_EQ(grid->VisibleRowCount(), 2);
    cds->Last();
    EXPECT_EQ(grid->TopRow(), 2);
    EXPECT_EQ(grid->VisibleRecNos(), (std::vector<int>{2, 3}));
    cds->First();
    EXPECT_EQ(grid->TopRow(), 1);
    cds->Close();
    EXPECT_TRUE(grid->VisibleRecNos().empty());
}

TEST_F(GridTest, DataAwareTextShowsTheDisplayTextOfTheCurrentRow) {
    auto* dbt = form->Create<TDBText>();
    dbt->SetParent(form);
    dbt->SetDataSource(dts);
    dbt->SetDataField("VRBAIXAPAG");
    EXPECT_EQ(dbt->Caption(), "1.234,50 ");
    int heard = 0;
    dbt->AddObserver([&](TControl*, TChange) { ++heard; });
    cds->Next();
    EXPECT_EQ(dbt->Caption(), "10,00 ");
    EXPECT_GT(heard, 0);
    cds->Close();
    EXPECT_EQ(dbt->Caption(), "");
}

TEST(Canvas, RecordsOperationsWithTheBrushAndFontInForce) {
    TCanvas canvas;
    canvas.SetBrushColor(clOlive);
    canvas.FillRect(Rect(0, 0, 10, 10));
    canvas.Font().Color = clBlue;
    canvas.TextOut(1, 2, "Real");
    ASSERT_EQ(canvas.Operations().size(), 2u);
    EXPECT_EQ(canvas.Operations()[0].brushColor, 32896);
    EXPECT_EQ(canvas.Operations()[1].font.Color, clBlue);
    EXPECT_EQ(canvas.Operations()[1].text, "Real");
}

TEST(Bitmaps, AreDrawnFromRowsOfCharactersAndCheckTheirBounds) {
    TBitmap bmp = TBitmap::FromRows({"ooo", "oWo", "ooo"}, {{'o', clOlive}, {'W', clWhite}});
    EXPECT_EQ(bmp.Width(), 3);
    EXPECT_EQ(bmp.Pixel(1, 1), clWhite);
    EXPECT_EQ(bmp.TransparentColor(), clOlive); // the bottom-left pixel
    EXPECT_THROW(bmp.Pixel(3, 0), ERangeError);
    EXPECT_THROW(TBitmap::FromRows({"o?"}, {{'o', clOlive}}), ERangeError);
    EXPECT_THROW(TBitmap::FromRows({"oo", "o"}, {{'o', clOlive}}), ERangeError);
    EXPECT_EQ(GetRValue(ColorToRGB(clOlive)), 128);
    EXPECT_EQ(GetBValue(ColorToRGB(clOlive)), 0);
    EXPECT_TRUE(IsSystemColor(clBtnFace));
}

class Picks : public UiTest {};

TEST_F(Picks, PickListsAnswerQueuedCodesThatTheDataHoldsAndCancelOtherwise) {
    TClientDataSet cds;
    TStringField* code = cds.AddStringField("CDEMPRESA", 2);
    cds.CreateDataSet();
    for (const char* c : {"01", "02", "03"}) {
        cds.Append();
        code->SetAsString(c);
        cds.Post();
    }
    cds.First();
    Services& s = Application().Services();
    std::vector<std::string> codes{"01"};
    services.QueuePick({"02", "99", "03"});
    EXPECT_TRUE(s.PickList(cds, "cdempresa", "Empresa", codes));
    EXPECT_EQ(codes, (std::vector<std::string>{"02", "03"}));
    EXPECT_FALSE(s.PickList(cds, "CDEMPRESA", "Empresa", codes)); // nothing queued: cancelled
    EXPECT_EQ(codes, (std::vector<std::string>{"02", "03"}));
    services.QueuePick({"03"});
    EXPECT_TRUE(s.PickRow(cds, "CDEMPRESA", "Empresa"));
    EXPECT_EQ(code->AsString(), "03");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"pick \"Empresa\" -> 02 03 (not in list: 99)",
                                                 "pick \"Empresa\" -> cancelled",
                                                 "pick \"Empresa\" -> 03"}));
}
