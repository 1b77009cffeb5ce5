// The grid: a model over the dataset that reads rows on demand, cells painted by the grid's
// own drawing, input turned into grid events, repainting stopped while controls are disabled.
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>

#include "bench/writeoff_rows.h"
#include <QSettings>
#include <QTemporaryDir>

#include "desktop/gridmodel.h"
#include "desktop/gridview.h"
#include "desktop/layoutmemory.h"
#include "desktop/views.h"
#include "desktop_fixture.h"
#include "host/frmpadraogrid.h"
#include "platform/dbctrls.h"
#include "platform/fields.h"
#include "platform/formats.h"

namespace {

using namespace platform;
using desktoptest::DesktopTest;

constexpr int kRows = 100000;

/// A form with the write-off list in a grid laid out as the recalculation screen's.
class GridTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        form = ShowForm(560, 340);
        cds = form->Create<TClientDataSet>();
        bench::AddWriteOffFields(*cds);
        cds->FieldByName("VRBAIXAPAG")->SetDisplayFormat("#,##0.00 ");
        cds->FieldByName("DTBAIXAPAG")->SetDisplayLabel("Pagamento");
        cds->FieldByName("VRBAIXAPAG")->SetDisplayLabel("Valor");
        cds->CreateDataSet();
        bench::FillWriteOffs(*cds, kRows);
        source = form->Create<TDataSource>();
        source->SetDataSet(cds);
        grid = form->Create<TDBGrid>();
        grid->SetName("dbgPadrao");
        grid->SetParent(form);
        grid->SetAlign(TAlign::alClient);
        grid->SetDataSource(source);
        grid->SetOptions({dgTitles, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect,
                          dgAlwaysShowSelection});
        grid->AddColumn("DTBAIXAPAG")->SetWidth(98);
        grid->AddColumn("NMTPBAIXAPAG")->SetWidth(85);
        TColumn* value = grid->AddColumn("VRBAIXAPAG");
        value->SetWidth(72);
        mark = grid->AddColumn("IDMARCADO");
        mark->SetWidth(20);
        TFont glyph;
        glyph.Name = "Monotype Sorts";
        glyph.Charset = SYMBOL_CHARSET;
        mark->Title().SetFont(glyph);
        mark->Title().SetCaption("4");
        mark->Title().SetAlignment(TAlignment::taCenter);
        Activate(form);
        view = dynamic_cast<desktop::TGridControlView*>(renderer->ViewOf(grid))->GridView();
        ASSERT_NE(view, nullptr);
    }

    TForm* form = nullptr;
    TClientDataSet* cds = nullptr;
    TDataSource* source = nullptr;
    TDBGrid* grid = nullptr;
    TColumn* mark = nullptr;
    desktop::TGridView* view = nullptr;
};

TEST_F(GridTest, TheModelShowsAHundredThousandRowsWithoutCopyingThem) {
    desktop::TGridModel& model = view->Model();
    EXPECT_EQ(model.rowCount(), kRows);
    EXPECT_EQ(model.columnCount(), 4);
    const std::size_t bytesBefore = cds->AllocatedBytes();

    // The last row is read from the dataset itself, without moving its cursor.
    ASSERT_EQ(cds->RecNo(), 1);
    QString lastValue = model.data(model.index(kRows - 1, 2)).toString();
    {
        TRecordPeek peek(*cds, kRows);
        EXPECT_EQ(lastValue.toStdString(), cds->FieldByName("VRBAIXAPAG")->DisplayText());
    }
    EXPECT_EQ(cds->RecNo(), 1);

    // Scrolling to the end paints only what is on screen.
    const long long paintsBefore = view->CellPaints();
    view->scrollToBottom();
    view->viewport()->repaint();
    const long long painted = view->CellPaints() - paintsBefore;
    EXPECT_GT(painted, 0);
    EXPECT_LT(painted, 4 * 40) << "only the visible rows are painted";
    EXPECT_EQ(cds->AllocatedBytes(), bytesBefore) << "nothing was copied out of the dataset";

    // A change of a row is seen through the model at once, without a reset.
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    cds->SetRecNo(kRows);
    cds->Edit();
    cds->FieldByName("VRBAIXAPAG")->SetAsFloat(1234.56);
    cds->Post();
    EXPECT_EQ(model.data(model.index(kRows - 1, 2)).toString(), QStringLiteral("1.234,56 "));
    EXPECT_EQ(resets.count(), 0);
}

TEST_F(GridTest, TheModelPassesTheItemModelTester) {
    std::vector<QString> problems;
    QtMessageHandler previous = qInstallMessageHandler(nullptr);
    static std::vector<QString>* sink = nullptr;
    sink = &problems;
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtDebugMsg && sink) sink->push_back(message);
    });
    {
        QAbstractItemModelTester tester(&view->Model(),
                                        QAbstractItemModelTester::FailureReportingMode::Warning);
        cds->Close(); // a reset to no rows
        cds->CreateDataSet();
        bench::FillWriteOffs(*cds, 50);
        cds->SetRecNo(10);
    }
    qInstallMessageHandler(previous);
    sink = nullptr;
    EXPECT_TRUE(problems.empty()) << (problems.empty() ? "" : problems.front().toStdString());
    EXPECT_EQ(view->Model().rowCount(), 50);
}

TEST_F(GridTest, TitlesAndValuesAreShownAsABrazilianUserExpects) {
    desktop::TGridModel& model = view->Model();
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Pagamento"));
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), QString::fromUtf8("\u2714"))
        << "the dingbat '4' is the check mark";
    EXPECT_EQ(view->columnWidth(0), 98 + 1);
    EXPECT_EQ(view->columnWidth(3), 20 + 1);
    cds->First();
    cds->Edit();
    cds->FieldByName("VRBAIXAPAG")->SetAsFloat(1234567.5);
    cds->FieldByName("DTBAIXAPAG")->SetAsDateTime(EncodeDate(2024, 3, 5));
    cds->Post();
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), QStringLiteral("1.234.567,50 "));
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("05/03/2024"));
    EXPECT_EQ(model.data(model.index(0, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                  Qt::AlignRight,
              Qt::AlignRight);
}

TEST_F(GridTest, TheOwnerDrawnColumnShowsWhatTheScreenDraws) {
    // The screen draws a green square in the mark cell of marked rows, over the cell's text.
    TBitmap tick(16, 16, RGB(0, 160, 0));
    grid->OnDrawColumnCell = [&](TObject*, const TRect& rect, int, TColumn* column,
                                 TGridDrawState) {
        if (column->FieldName() != "IDMARCADO" || cds->FieldByName("IDMARCADO")->AsString() != "S")
            return;
        grid->Canvas().Draw(rect.Left + (rect.Width() - 16) / 2,
                            rect.Top + (rect.Height() - 16) / 2, tick);
    };
    cds->First();
    cds->Edit();
    cds->FieldByName("IDMARCADO")->SetAsString("S");
    cds->Post();
    view->viewport()->repaint();
    QImage shot = view->viewport()->grab().toImage();
    QRect first = view->visualRect(view->Model().index(0, 3));
    QRect second = view->visualRect(view->Model().index(1, 3));
    EXPECT_EQ(QColor(shot.pixel(first.center())), QColor(0, 160, 0));
    EXPECT_NE(QColor(shot.pixel(second.center())), QColor(0, 160, 0));
}

TEST_F(GridTest, ClicksKeysAndTitleClicksBecomeGridEvents) {
    int doubleClicks = 0;
    TColumn* titleClicked = nullptr;
    std::vector<Word> keys;
    grid->OnDblClick = [&](TObject*) { ++doubleClicks; };
    grid->OnTitleClick = [&](TColumn* column) { titleClicked = column; };
    grid->OnKeyDown = [&](TObject*, Word& key, TShiftState) { keys.push_back(key); };

    QRect third = view->visualRect(view->Model().index(2, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(cds->RecNo(), 3);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_EQ(doubleClicks, 1);

    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(cds->RecNo(), 4) << "the grid's own keys move the dataset";
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(keys, (std::vector<Word>{VK_DOWN, VK_SPACE}));
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(cds->RecNo(), kRows);
    EXPECT_TRUE(
        view->viewport()->rect().intersects(view->visualRect(view->Model().index(kRows - 1, 0))))
        << "the current row is scrolled into view";

    QHeaderView* titles = view->horizontalHeader();
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                      QPoint(titles->sectionViewportPosition(3) + 5, titles->height() / 2));
    EXPECT_EQ(titleClicked, mark);
    EXPECT_EQ(cds->RecNo(), kRows) << "a title click never reorders or moves";
}

TEST_F(GridTest, DisabledControlsStopThePaintingUntilEnabled) {
    view->viewport()->repaint();
    const long long paints = view->CellPaints();
    const long long frozen = view->FrozenPaints();
    cds->DisableControls();
    cds->First();
    cds->Edit();
    cds->FieldByName("NMTPBAIXAPAG")->SetAsString("Alterado sem repintar");
    cds->Post();
    view->viewport()->repaint();
    EXPECT_EQ(view->CellPaints(), paints);
    EXPECT_GT(view->FrozenPaints(), frozen);
    cds->EnableControls();
    view->viewport()->repaint();
    EXPECT_GT(view->CellPaints(), paints);
}

} // namespace

namespace {

TEST_F(GridTest, AColumnWidthThePersonSetComesBackAndACutTitleShowsWholeAsATooltip) {
    QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("layout.conf")), QSettings::IniFormat);
    desktop::SetLayoutStore(&store);
    view->horizontalHeader()->resizeSection(1, 140);
    EXPECT_EQ(grid->Columns()[1]->Width(), 140);

    // Reopened: the design sets its width again, the remembered one wins.
    grid->Columns()[1]->SetWidth(85);
    view->ColumnsChanged();
    EXPECT_EQ(grid->Columns()[1]->Width(), 140);
    EXPECT_EQ(view->columnWidth(1), 141) << "the width and its column line";
    EXPECT_EQ(grid->Columns()[2]->Width(), 72) << "an untouched column keeps its designed width";
    view->window()->grab().save(QStringLiteral(PAG_SCREENSHOT_DIR "/grade-largura-lembrada.png"));
    desktop::SetLayoutStore(nullptr);

    grid->Columns()[2]->Title().SetCaption("Transferência Bancária");
    desktop::TGridModel& model = view->Model();
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::ToolTipRole).toString(),
              QStringLiteral("Transferência Bancária"));
    EXPECT_FALSE(model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid())
        << "a title that fits has no tooltip";
}

TEST_F(DesktopTest, AnEmptyWriteOffListSaysSoInsideTheGridOfTheListScreen) {
    auto* screen = platform::CreateForm<host::TfrmPadraoGrid>(&Application());
    auto* rows = screen->Create<TClientDataSet>();
    bench::AddWriteOffFields(*rows);
    screen->dtsPadrao->SetDataSet(rows);
    Activate(screen);
    auto* view =
        dynamic_cast<desktop::TGridControlView*>(renderer->ViewOf(screen->dbgPadrao))->GridView();
    EXPECT_TRUE(view->EmptyText().isEmpty()) << "no list before a filter";
    rows->CreateDataSet();
    EXPECT_EQ(view->EmptyText(), QStringLiteral("Nenhuma baixa encontrada."));
    renderer->WindowOf(screen)->grab().save(QStringLiteral(PAG_SCREENSHOT_DIR "/lista-vazia.png"));
    bench::FillWriteOffs(*rows, 3);
    EXPECT_TRUE(view->EmptyText().isEmpty());
}

} // namespace
