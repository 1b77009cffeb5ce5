// Controls: focus events across nested containers, edits and masked edits, radio buttons and
// radio groups, page controls.
#include <gtest/gtest.h>

#include "platform/comctrls.h"
#include "platform/forms.h"
#include "platform/stdctrls.h"
#include "ui_fixture.h"

using namespace platform;
using uitest::EventLog;
using uitest::UiTest;

namespace {

// A shown form with two panels: panA holds edA1 and panInner (holding edInner); panB holds edB.
struct FocusForm {
    EventLog log;
    TForm* form;
    TPanel *panA, *panInner, *panB;
    TEdit *edA1, *edInner, *edB;

    FocusForm() {
        form = CreateForm<TForm>(&Application());
        panA = Add<TPanel>("panA", form);
        edA1 = Add<TEdit>("edA1", panA);
        panInner = Add<TPanel>("panInner", panA);
        edInner = Add<TEdit>("edInner", panInner);
        panB = Add<TPanel>("panB", form);
        edB = Add<TEdit>("edB", panB);
        form->Show(); // gives the focus to the first control in tab order: edA1
        log.Clear();
    }
    template <class C> C* Add(const std::string& name, TWinControl* parent) {
        C* c = form->Create<C>();
        c->SetName(name);
        c->SetParent(parent);
        c->OnEnter = [this, name](TObject*) { log("enter " + name); };
        c->OnExit = [this, name](TObject*) { log("exit " + name); };
        return c;
    }
};

} // namespace

class Focus : public UiTest {};

TEST_F(Focus, ShowingAFormFocusesTheFirstControlEnteringItsContainersOutermostFirst) {
    TForm* form = CreateForm<TForm>(&Application());
    EventLog log;
    auto* pan = form->Create<TPanel>();
    pan->SetParent(form);
    pan->OnEnter = [&](TObject*) { log("enter pan"); };
    auto* edit = form->Create<TEdit>();
    edit->SetParent(pan);
    edit->OnEnter = [&](TObject*) { log("enter edit"); };
    form->Show();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"enter pan", "enter edit"}));
    EXPECT_TRUE(edit->Focused());
}

TEST_F(Focus, MovingBetweenNestedPanelsExitsInnermostFirstThenEntersOutermostFirst) {
    FocusForm f;
    f.edInner->SetFocus();
    EXPECT_EQ(f.log.entries,
              (std::vector<std::string>{"exit edA1", "enter panInner", "enter edInner"}));
    f.log.Clear();
    f.edB->SetFocus();
    EXPECT_EQ(f.log.entries, (std::vector<std::string>{"exit edInner", "exit panInner", "exit panA",
                                                       "enter panB", "enter edB"}));
    EXPECT_TRUE(f.edB->Focused());
    EXPECT_EQ(f.form->ActiveControl(), f.edB);
    f.log.Clear();
    f.edB->SetFocus(); // already there: nothing runs
    EXPECT_TRUE(f.log.entries.empty());
}

TEST_F(Focus, AHandlerThatMovesTheFocusBackWins) {
    FocusForm f;
    f.panA->OnExit = [&](TObject*) {
        f.log("exit panA");
        f.edA1->SetFocus();
    };
    EXPECT_FALSE(f.form->FocusControl(f.edB));
    // The panel is entered again by the handler's own move; panB is never entered.
    EXPECT_EQ(f.log.entries,
              (std::vector<std::string>{"exit edA1", "exit panA", "enter panA", "enter edA1"}));
    EXPECT_TRUE(f.edA1->Focused());
}

TEST_F(Focus, AHandlerThatMovesTheFocusBackAndAbortsKeepsItsFocusAndIsSilent) {
    FocusForm f;
    f.panA->OnExit = [&](TObject*) {
        f.edA1->SetFocus();
        Abort();
    };
    bool completed = Application().Run([&] { f.edB->UserClick(); });
    EXPECT_FALSE(completed);
    EXPECT_TRUE(f.edA1->Focused());
    EXPECT_TRUE(Lines().empty());
}

TEST_F(Focus, AnExceptionInOnExitKeepsTheFocusOnTheControlBeingLeftAndIsShownOnce) {
    FocusForm f;
    f.edInner->SetFocus();
    f.panInner->OnExit = [&](TObject*) { throw Exception("Valor inválido"); };
    f.log.Clear();
    EXPECT_FALSE(Application().Run([&] { f.edB->SetFocus(); }));
    EXPECT_TRUE(f.edInner->Focused());
    EXPECT_EQ(f.form->ActiveControl(), f.edInner);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"error \"Valor inválido\""}));
    EXPECT_EQ(f.log.entries, (std::vector<std::string>{"exit edInner"})); // panB never entered
}

TEST_F(Focus, AClickThatCannotTakeTheFocusIsLost) {
    FocusForm f;
    auto* button = f.form->Create<TButton>();
    button->SetParent(f.panB);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    f.edA1->OnExit = [](TObject*) { Abort(); };
    Application().Run([&] { button->UserClick(); });
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(f.edA1->Focused());
}

TEST_F(Focus, SpeedButtonsDoNotTakeTheFocus) {
    FocusForm f;
    auto* sbt = f.form->Create<TSpeedButton>();
    sbt->SetParent(f.panB);
    int clicks = 0;
    sbt->OnClick = [&](TObject*) { ++clicks; };
    sbt->UserClick();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(f.edA1->Focused());
    EXPECT_TRUE(f.log.entries.empty());
    sbt->SetEnabled(false);
    sbt->UserClick(); // a disabled button ignores a person's click
    EXPECT_EQ(clicks, 1);
}

TEST_F(Focus, FocusingAHiddenOrDisabledControlIsRefused) {
    FocusForm f;
    f.edB->SetEnabled(false);
    EXPECT_THROW(f.edB->SetFocus(), EInvalidOperation);
    f.edB->SetEnabled(true);
    f.panB->Hide();
    EXPECT_THROW(f.edB->SetFocus(), EInvalidOperation);
    EXPECT_TRUE(f.edA1->Focused());
}

TEST_F(Focus, DisablingTheFocusedControlMovesTheFocusToTheForm) {
    FocusForm f;
    f.edA1->SetEnabled(false);
    EXPECT_EQ(f.form->FocusedControl(), nullptr);
    EXPECT_EQ(f.log.entries, (std::vector<std::string>{"exit edA1", "exit panA"}));
}

TEST_F(Focus, AHiddenFormRemembersTheFocusAndRunsTheEventsWhenActivated) {
    TForm* form = CreateForm<TForm>(&Application());
    EventLog log;
    auto* first = form->Create<TEdit>();
    first->SetParent(form);
    auto* second = form->Create<TEdit>();
    second->SetParent(form);
    second->OnEnter = [&](TObject*) { log("enter second"); };
    second->SetFocus();
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(form->ActiveControl(), second);
    form->Show();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"enter second"}));
    EXPECT_TRUE(second->Focused());
}

TEST_F(Focus, TabMovesThroughTabStopsInTabOrderAcrossContainers) {
    FocusForm f;
    f.edB->SetTabOrder(0); // inside panB: no effect on the panels' own order
    f.form->PressKey(VK_TAB, 0);
    EXPECT_TRUE(f.edInner->Focused());
    f.form->PressKey(VK_TAB, 0);
    EXPECT_TRUE(f.edB->Focused());
    f.form->PressKey(VK_TAB, 0);
    EXPECT_TRUE(f.edA1->Focused());
    f.form->PressKey(VK_TAB, ssShift);
    EXPECT_TRUE(f.edB->Focused());
}

class Edits : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        form = CreateForm<TForm>(&Application());
        edit = form->Create<TEdit>();
        edit->SetParent(form);
        edit->OnChange = [this](TObject*) { changes.push_back(edit->Text()); };
        form->Show();
    }
    TForm* form = nullptr;
    TEdit* edit = nullptr;
    std::vector<std::string> changes;
};

TEST_F(Edits, OnChangeRunsForTypedAndAssignedChangesButNotForTheSameText) {
    edit->SetText("ab");
    edit->SetText("ab");
    form->TypeText("c");
    edit->TypeKey(8); // backspace
    EXPECT_EQ(changes, (std::vector<std::string>{"ab", "abc", "ab"}));
    EXPECT_EQ(edit->SelStart(), 2);
}

TEST_F(Edits, EnteringSelectsAllSoTypingReplacesTheText) {
    edit->SetText("velho");
    auto* other = form->Create<TEdit>();
    other->SetParent(form);
    other->SetFocus();
    edit->SetFocus();
    EXPECT_EQ(edit->SelLength(), 5);
    form->TypeText("novo");
    EXPECT_EQ(edit->Text(), "novo");
}

TEST_F(Edits, KeyPressMayCancelAKeyBySettingItToZeroOrByTheSilentAbort) {
    edit->OnKeyPress = [](TObject*, TKeyChar& key) {
        if (key == '-') Abort();
        if (key == 'x') key = 0;
        if (key == 'a') key = 'A';
    };
    form->TypeText("1-x2a");
    EXPECT_EQ(edit->Text(), "12A");
    EXPECT_TRUE(Lines().empty()); // the silent abort shows nothing
}

TEST_F(Edits, MaxLengthLimitsTypingOnlyAndReadOnlyRefusesIt) {
    edit->SetMaxLength(3);
    form->TypeText("abcdef");
    EXPECT_EQ(edit->Text(), "abc");
    edit->SetText("abcdef"); // code is not limited
    EXPECT_EQ(edit->Text(), "abcdef");
    edit->SetReadOnly(true);
    edit->SelectAll();
    form->TypeText("z");
    EXPECT_EQ(edit->Text(), "abcdef");
}

TEST_F(Edits, AccentedCharactersAreTypedAsOneCharacter) {
    edit->SetMaxLength(4);
    form->TypeText("Ação!");
    EXPECT_EQ(edit->Text(), "Ação");
    edit->TypeKey(8);
    EXPECT_EQ(edit->Text(), "Açã");
}

TEST_F(Edits, MaskedEditTypesThroughItsMask) {
    auto* med = form->Create<TMaskEdit>();
    med->SetParent(form);
    med->SetEditMask("99;0; ");
    med->SetMaxLength(2);
    int changed = 0;
    med->OnChange = [&](TObject*) { ++changed; };
    med->SetFocus(); // selects all
    form->TypeText("1");
    EXPECT_EQ(med->Text(), "1");
    EXPECT_EQ(med->EditText(), "1 ");
    form->TypeText("a"); // a letter does not fit a digit position
    form->TypeText("2");
    EXPECT_EQ(med->Text(), "12");
    form->TypeText("3"); // no position left
    EXPECT_EQ(med->Text(), "12");
    EXPECT_EQ(changed, 2);
    med->SetText("5");
    EXPECT_EQ(med->EditText(), "5 ");
    EXPECT_EQ(changed, 3);
}

TEST_F(Edits, MaskedEditWithARequiredPositionUnfilledKeepsTheFocus) {
    auto* med = form->Create<TMaskEdit>();
    med->SetParent(form);
    med->SetEditMask("00/00;1;_");
    med->SetFocus();
    form->TypeText("1");
    EXPECT_FALSE(Application().Run([&] { edit->SetFocus(); }));
    EXPECT_TRUE(med->Focused());
    ASSERT_EQ(Lines().size(), 1u);
    form->PressChar(27); // Esc gives back the text the edit had when entered
    EXPECT_TRUE(Application().Run([&] { edit->SetFocus(); }));
    EXPECT_TRUE(edit->Focused());
}

class Radio : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        form = CreateForm<TForm>(&Application());
        group = form->Create<TGroupBox>();
        group->SetParent(form);
        all = Add("all", group);
        list = Add("list", group);
        other = Add("other", form);
        form->Show();
        log.Clear();
    }
    TRadioButton* Add(const std::string& name, TWinControl* parent) {
        auto* rb = form->Create<TRadioButton>();
        rb->SetParent(parent);
        rb->OnClick = [this, name](TObject*) { log("click " + name); };
        return rb;
    }
    TForm* form = nullptr;
    TGroupBox* group = nullptr;
    TRadioButton *all = nullptr, *list = nullptr, *other = nullptr;
    EventLog log;
};

TEST_F(Radio, CheckingFromCodeClicksOnlyWhenItWasNotCheckedAndUnchecksSiblings) {
    all->SetChecked(true);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"click all"}));
    all->SetChecked(true); // already checked: nothing
    list->SetChecked(true);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"click all", "click list"}));
    EXPECT_FALSE(all->Checked()); // unchecked silently
    EXPECT_TRUE(list->Checked());
    list->SetChecked(false); // unchecking runs nothing
    EXPECT_EQ(log.entries.size(), 2u);
    other->SetChecked(true); // another parent: the group is untouched
    EXPECT_FALSE(list->Checked());
    EXPECT_TRUE(other->Checked());
}

TEST_F(Radio, AUserClickFocusesTheButtonAndClicksOnlyAnUncheckedOne) {
    all->SetChecked(true);
    log.Clear();
    all->UserClick();
    EXPECT_TRUE(log.entries.empty());
    EXPECT_TRUE(all->Focused());
    list->UserClick();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"click list"}));
    EXPECT_TRUE(list->Focused());
    EXPECT_FALSE(all->Checked());
}

TEST_F(Radio, RadioGroupClampsItsIndexAndClicksOnEveryChange) {
    auto* rdg = form->Create<TRadioGroup>();
    rdg->SetParent(form);
    rdg->SetItems({"Contabilizadas", "Não contabilizadas", "Ambos"});
    int clicks = 0;
    rdg->OnClick = [&](TObject*) { ++clicks; };
    rdg->SetItemIndex(7);
    EXPECT_EQ(rdg->ItemIndex(), 2);
    rdg->SetItemIndex(2);
    EXPECT_EQ(clicks, 1);
    rdg->SetItemIndex(-5);
    EXPECT_EQ(rdg->ItemIndex(), -1);
    rdg->ClickItem(1);
    EXPECT_EQ(rdg->ItemIndex(), 1);
    EXPECT_TRUE(rdg->Focused());
    EXPECT_EQ(clicks, 2);
    rdg->SetItems({"Só um"});
    EXPECT_EQ(rdg->ItemIndex(), 0);
}

class Pages : public UiTest {};

TEST_F(Pages, SwitchingPagesTakesTheFocusOutOfTheOldPageAndARefusingExitKeepsThePage) {
    TForm* form = CreateForm<TForm>(&Application());
    auto* pgc = form->Create<TPageControl>();
    pgc->SetParent(form);
    auto* tsh1 = form->Create<TTabSheet>();
    tsh1->SetPageControl(pgc);
    auto* tsh2 = form->Create<TTabSheet>();
    tsh2->SetPageControl(pgc);
    auto* ed1 = form->Create<TEdit>();
    ed1->SetParent(tsh1);
    auto* ed2 = form->Create<TEdit>();
    ed2->SetParent(tsh2);
    form->Show();
    EXPECT_EQ(pgc->ActivePage(), tsh1);
    EXPECT_FALSE(tsh2->Visible());
    EXPECT_THROW(ed2->SetFocus(), EInvalidOperation); // its page is not shown

    ed1->SetFocus();
    bool refuse = true;
    ed1->OnExit = [&](TObject*) {
        if (refuse) Abort();
    };
    EXPECT_THROW(pgc->SetActivePage(tsh2), EAbort);
    EXPECT_EQ(pgc->ActivePage(), tsh1);
    EXPECT_TRUE(ed1->Focused());

    refuse = false;
    int changes = 0;
    pgc->OnChange = [&](TObject*) { ++changes; };
    tsh2->UserClick(); // a person's click on the hidden sheet's tab
    EXPECT_EQ(pgc->ActivePage(), tsh2);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(pgc->Focused());
    ed2->SetFocus();
    pgc->SetActivePageIndex(0); // from code: no OnChange
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(pgc->ActivePageIndex(), 0);
}

TEST(ProgressBar, KeepsThePositionInsideItsRange) {
    TProgressBar bar(nullptr);
    bar.SetPosition(150);
    EXPECT_EQ(bar.Position(), 100);
    bar.SetRange(0, 50);
    EXPECT_EQ(bar.Position(), 50);
    bar.SetPosition(-3);
    EXPECT_EQ(bar.Position(), 0);
}

class Layout : public UiTest {};

TEST_F(Layout, AlignedChildrenShareTheClientAreaTopBottomLeftRightThenClient) {
    TPanel parent(nullptr);
    parent.SetBounds(0, 0, 200, 100);
    auto place = [&](TAlign align, int size) {
        auto* c = parent.Create<TPanel>();
        c->SetBounds(0, 0, size, size);
        c->SetParent(&parent);
        c->SetAlign(align);
        return c;
    };
    TPanel* client = place(TAlign::alClient, 1);
    TPanel* top = place(TAlign::alTop, 35);
    TPanel* bottom = place(TAlign::alBottom, 20);
    TPanel* left = place(TAlign::alLeft, 30);
    EXPECT_EQ(top->BoundsRect(), Bounds(0, 0, 200, 35));
    EXPECT_EQ(bottom->BoundsRect(), Bounds(0, 80, 200, 20));
    EXPECT_EQ(left->BoundsRect(), Bounds(0, 35, 30, 45));
    EXPECT_EQ(client->BoundsRect(), Bounds(30, 35, 170, 45));
    top->Hide(); // a hidden child gives its room back
    EXPECT_EQ(client->BoundsRect(), Bounds(30, 0, 170, 80));
    parent.SetWidth(300);
    EXPECT_EQ(client->BoundsRect(), Bounds(30, 0, 270, 80));
}

TEST_F(Layout, AnchoredChildrenMoveOrStretchWithTheirParentAndOthersStayPut) {
    TPanel parent(nullptr);
    auto place = [&](TAnchors anchors) {
        auto* c = parent.Create<TPanel>();
        c->SetParent(&parent);
        c->SetBounds(150, 60, 40, 30);
        c->SetAnchors(anchors);
        return c;
    };
    TPanel* still = place(kDefaultAnchors);
    TPanel* corner = place(akRight | akBottom);
    TPanel* wide = place(akLeft | akTop | akRight);
    TPanel* tall = place(akLeft | akTop | akBottom);
    // A parent not yet sized has no edges to keep: its first size moves nothing.
    parent.SetBounds(0, 0, 200, 100);
    for (TPanel* c : {still, corner, wide, tall})
        EXPECT_EQ(c->BoundsRect(), Bounds(150, 60, 40, 30));
    parent.SetBounds(10, 10, 300, 150);
    EXPECT_EQ(still->BoundsRect(), Bounds(150, 60, 40, 30));
    EXPECT_EQ(corner->BoundsRect(), Bounds(250, 110, 40, 30));
    EXPECT_EQ(wide->BoundsRect(), Bounds(150, 60, 140, 30));
    EXPECT_EQ(tall->BoundsRect(), Bounds(150, 60, 40, 80));
    parent.SetBounds(10, 10, 200, 100); // and back, exactly
    for (TPanel* c : {still, corner, wide, tall})
        EXPECT_EQ(c->BoundsRect(), Bounds(150, 60, 40, 30));
    // Inside an aligned parent the anchors follow the alignment's resizing.
    TPanel form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    auto* bottom = form.Create<TPanel>();
    bottom->SetParent(&form);
    bottom->SetHeight(34);
    bottom->SetAlign(TAlign::alBottom);
    auto* button = bottom->Create<TPanel>();
    button->SetParent(bottom);
    button->SetBounds(320, 5, 75, 25);
    button->SetAnchors(akRight | akBottom);
    form.SetBounds(0, 0, 600, 500);
    EXPECT_EQ(button->BoundsRect(), Bounds(520, 5, 75, 25));
}

TEST_F(Layout, ObserversHearPropertyChangesOnceAndNotForUnchangedValues) {
    TEdit edit(nullptr);
    std::vector<TChange> heard;
    int id = edit.AddObserver([&](TControl* sender, TChange change) {
        EXPECT_EQ(sender, &edit);
        heard.push_back(change);
    });
    edit.SetEnabled(false);
    edit.SetEnabled(false);
    edit.SetHint("Pesquisar");
    edit.SetColor(clInfoBk);
    edit.SetText("01");
    edit.RemoveObserver(id);
    edit.SetVisible(false);
    EXPECT_EQ(heard, (std::vector<TChange>{TChange::Enabled, TChange::Hint, TChange::Color,
                                           TChange::Caption}));
}

TEST_F(Edits, CaretKeysMoveAndDeleteRemovesTheCharacterAfterTheCaret) {
    edit->SetText("abcd");
    form->PressKey(VK_HOME, 0);
    EXPECT_EQ(edit->SelStart(), 0);
    form->PressKey(VK_RIGHT, 0);
    form->PressKey(VK_DELETE, 0);
    EXPECT_EQ(edit->Text(), "acd");
    form->PressKey(VK_END, 0);
    EXPECT_EQ(edit->SelStart(), 3);
    edit->SetSelStart(1);
    edit->SetSelLength(10); // clamped to the text
    EXPECT_EQ(edit->SelText(), "cd");
}

TEST_F(Edits, ButtonsClickWithTheSpaceBarAndCheckBoxesToggle) {
    auto* check = form->Create<TCheckBox>();
    check->SetParent(form);
    int clicks = 0;
    check->OnClick = [&](TObject*) { ++clicks; };
    check->UserClick();
    EXPECT_TRUE(check->Checked());
    form->PressChar(' ');
    EXPECT_FALSE(check->Checked());
    check->SetChecked(false); // no change, no click
    EXPECT_EQ(clicks, 2);
}
