// Marking write-offs in the grid: one by one by double-click or space, all at once from the mark
// column's title; the marked set and the confirm command that follow the marks.
#include <gtest/gtest.h>

#include "host/showavi.h"
#include "screen_fixture.h"

using rectest::ScreenTest;
using rectest::TRow;

namespace {

class Marking : public ScreenTest {
protected:
    // The fixture's opening with `rows`, then a transcript that starts empty.
    void OpenWith(const std::vector<TRow>& rows) {
        ScreenTest::OpenWith(rows);
        services.ClearEvents();
    }
    bool DblClick() {
        return Act([this] { screen->dbgPadrao->UserDblClick(); });
    }
    bool Space() {
        return Act([this] { screen->PressKey(platform::VK_SPACE, 0, U' '); });
    }
    bool Title(const char* field) {
        return Act([this, field] {
            screen->dbgPadrao->ClickTitle(screen->dbgPadrao->ColumnByFieldName(field));
        });
    }
    void GoTo(int recNo) {
        ASSERT_TRUE(Act([this, recNo] { screen->dbgPadrao->ClickRow(recNo); }));
    }
    std::string Marks() {
        std::string marks;
        platform::TDataSet& list = *screen->cdsBaixaPag;
        for (int r = 1; r <= list.RecordCount(); ++r) {
            platform::TRecordPeek peek(list, r);
            marks += screen->cdsBaixaPagIDMARCADO->AsString();
        }
        return marks;
    }
    bool ConfirmOn() const {
        EXPECT_EQ(screen->sbtConfirmar->Enabled(), screen->mnuConfirmar->Enabled());
        return screen->mnuConfirmar->Enabled();
    }
    int Marked() const { return screen->BaixasMarcadas()->Count(); }

    static std::vector<TRow> Mixed() {
        std::vector<TRow> rows = rectest::RealRows(4);
        rows[1].status = "P";
        rows[2].status = "C";
        return rows;
    }
};

} // namespace

TEST_F(Marking, DoubleClickOnARealRowTogglesItsMarkAndTheConfirmCommandFollows) {
    OpenWith(Mixed());
    ASSERT_TRUE(DblClick());
    EXPECT_EQ(Marks(), "SNNN");
    EXPECT_EQ(Marked(), 1);
    EXPECT_TRUE(screen->BaixasMarcadas()->Exists("00010000000001"));
    EXPECT_TRUE(ConfirmOn());
    ASSERT_TRUE(DblClick());
    EXPECT_EQ(Marks(), "NNNN");
    EXPECT_EQ(Marked(), 0);
    EXPECT_FALSE(ConfirmOn());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Marking, PlannedAndCnabRowsRefuseTheMarkWithTheStatusMessage) {
    OpenWith(Mixed());
    for (int recNo : {2, 3}) {
        GoTo(recNo);
        EXPECT_FALSE(DblClick());
        EXPECT_FALSE(Space());
    }
    EXPECT_EQ(
        Errors(),
        std::vector<std::string>(
            4, "A baixa deve ser real para que possa ser feito o recálculo da contabilização."));
    EXPECT_EQ(Marks(), "NNNN");
    EXPECT_FALSE(ConfirmOn());
}

TEST_F(Marking, SpaceTogglesTheCurrentRealRowAndDoesNothingOnAnEmptyList) {
    OpenWith(Mixed());
    GoTo(4);
    ASSERT_TRUE(Space());
    EXPECT_EQ(Marks(), "NNNS");
    EXPECT_TRUE(ConfirmOn());
    // An unexpected mark counts as unmarked.
    std::vector<TRow> odd = rectest::RealRows(1);
    odd[0].marca = "X";
    LoadRows(odd);
    EXPECT_FALSE(ConfirmOn()); // a reload starts with nothing marked
    ASSERT_TRUE(Space());
    EXPECT_EQ(Marks(), "S");
    LoadRows({});
    services.ClearEvents();
    EXPECT_TRUE(Space());
    EXPECT_TRUE(DblClick());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Marking, TitleClickWithNothingMarkedMarksEveryRowWhateverItsStatus) {
    std::vector<TRow> rows = Mixed();
    rows.push_back(rectest::RealRows(5)[4]);
    rows.back().marca = "?"; // neither mark: left alone
    OpenWith(rows);
    services.QueueAnswer(platform::mrYes);
    ASSERT_TRUE(Title("IDMARCADO"));
    EXPECT_EQ(Questions(), std::vector<std::string>{"Deseja marcar todas as baixas?"});
    EXPECT_EQ(Marks(), "SSSS?");
    EXPECT_EQ(Marked(), 4);
    EXPECT_TRUE(ConfirmOn());
    EXPECT_EQ(screen->cdsBaixaPag->RecNo(), 5); // the loop ends on the last row
    EXPECT_FALSE(screen->cdsBaixaPag->ControlsDisabled());
    EXPECT_FALSE(services.Busy());
    bool busyKindOne = false;
    for (const platform::TServiceEvent& e : services.Events())
        busyKindOne = busyKindOne || (e.kind == platform::TServiceEvent::BusyOn && e.number == 1);
    EXPECT_TRUE(busyKindOne);
}

TEST_F(Marking, TitleClickWithAnyRowMarkedAsksToUnmarkAndClearsEveryMark) {
    OpenWith(rectest::RealRows(5));
    GoTo(3);
    ASSERT_TRUE(DblClick());
    GoTo(1);
    services.ClearEvents();
    services.QueueAnswer(platform::mrYes);
    ASSERT_TRUE(Title("IDMARCADO"));
    EXPECT_EQ(Questions(), std::vector<std::string>{"Deseja desmarcar todas as baixas?"});
    EXPECT_EQ(Marks(), "NNNNN");
    EXPECT_EQ(Marked(), 0);
    EXPECT_FALSE(ConfirmOn());
}

TEST_F(Marking, AnsweringNoChangesNothing) {
    OpenWith(rectest::RealRows(3));
    services.QueueAnswer(platform::mrNo);
    ASSERT_TRUE(Title("IDMARCADO"));
    EXPECT_EQ(Questions().size(), 1u);
    EXPECT_EQ(Marks(), "NNN");
    EXPECT_EQ(screen->cdsBaixaPag->RecNo(), 1);
    EXPECT_FALSE(services.Busy());
    EXPECT_FALSE(screen->cdsBaixaPag->ControlsDisabled());
}

TEST_F(Marking, TitlesOnlyCheckTheCurrentRowAndNeverSort) {
    OpenWith(Mixed());
    GoTo(2); // planned
    EXPECT_FALSE(Title("DTBAIXAPAG"));
    EXPECT_FALSE(Title("IDMARCADO"));
    EXPECT_EQ(Errors().size(), 2u);
    EXPECT_TRUE(Questions().empty());
    GoTo(1); // real: another column's title does nothing at all
    services.ClearEvents();
    ASSERT_TRUE(Title("VRBAIXAPAG"));
    EXPECT_TRUE(services.Events().empty());
    screen->cdsBaixaPag->First();
    EXPECT_EQ(screen->cdsBaixaPagNRBAIXAPAG->AsString(), "0000000001");
    // With the list closed a title click says nothing.
    ASSERT_TRUE(Act([this] { screen->cdsBaixaPag->Close(); }));
    EXPECT_TRUE(Title("IDMARCADO"));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Marking, MarkAllTellsTheGridOnceNotOncePerRow) {
    OpenWith(rectest::RealRows(200));
    const int refreshes = screen->dbgPadrao->RefreshCount();
    const int texts = screen->dbtNome->RefreshCount();
    services.QueueAnswer(platform::mrYes);
    ASSERT_TRUE(Title("IDMARCADO"));
    ASSERT_EQ(Marked(), 200);
    EXPECT_EQ(screen->dbgPadrao->RefreshCount() - refreshes, 1);
    EXPECT_EQ(screen->dbtNome->RefreshCount() - texts, 1);
}

TEST_F(Marking, AFailedPostStopsMarkAllKeepsWhatChangedAndRestoresTheScreen) {
    OpenWith(rectest::RealRows(5));
    screen->cdsBaixaPag->BeforePost = [this](platform::TDataSet*) {
        if (screen->cdsBaixaPagNRBAIXAPAG->AsString() == "0000000003")
            throw platform::EDatabaseError("Registro bloqueado.");
    };
    services.QueueAnswer(platform::mrYes);
    EXPECT_FALSE(Title("IDMARCADO"));
    EXPECT_EQ(Errors(), std::vector<std::string>{"Registro bloqueado."});
    EXPECT_EQ(Marked(), 2);
    EXPECT_TRUE(ConfirmOn());
    EXPECT_FALSE(screen->cdsBaixaPag->ControlsDisabled());
    EXPECT_FALSE(services.Busy());
    EXPECT_EQ(host::Showavi::ActiveCount(), 0);
}
