// Forms, menus and the application object: creation and activation, modal loops, closing,
// shortcut routing, the exception boundary and the recording services.
#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/forms.h"
#include "platform/menus.h"
#include "platform/stdctrls.h"
#include "ui_fixture.h"

using namespace platform;
using uitest::EventLog;
using uitest::UiTest;

namespace {

// A form whose handlers log what runs; an MDI child when asked.
class LoggingForm : public TForm {
public:
    LoggingForm(TComponent* owner, EventLog* log, const std::string& name, bool mdiChild)
        : TForm(owner), log_(log) {
        SetName(name);
        SetCaption(name);
        if (mdiChild) SetFormStyle(TFormStyle::fsMDIChild);
        edit = Create<TEdit>();
        edit->SetParent(this);
        edit->OnEnter = [this](TObject*) { (*log_)(Name() + ".edit enter"); };
        OnCreate = [this](TObject*) { (*log_)(Name() + " create"); };
        OnShow = [this](TObject*) { (*log_)(Name() + " show"); };
        OnActivate = [this](TObject*) { (*log_)(Name() + " activate"); };
        OnDeactivate = [this](TObject*) { (*log_)(Name() + " deactivate"); };
        OnDestroy = [this](TObject*) { (*log_)(Name() + " destroy"); };
    }
    TEdit* edit;

private:
    EventLog* log_;
};

} // namespace

class Forms : public UiTest {
protected:
    EventLog log;
};

TEST_F(Forms, AnMDIChildIsCreatedShownAndActivatedWithItsFocusGiven) {
    auto* child = CreateForm<LoggingForm>(&Application(), &log, "a", true);
    EXPECT_EQ(log.entries,
              (std::vector<std::string>{"a create", "a show", "a activate", "a.edit enter"}));
    EXPECT_EQ(Application().ActiveMDIChild(), child);
    EXPECT_EQ(Application().ActiveForm(), child);
    log.Clear();
    child->Show(); // already shown and active: nothing runs again
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(Forms, ActivationRunsWhenAnotherMDIChildBecomesActiveAndAfterTheActiveOneCloses) {
    auto* a = CreateForm<LoggingForm>(&Application(), &log, "a", true);
    auto* b = CreateForm<LoggingForm>(&Application(), &log, "b", true);
    log.Clear();
    a->BringToFront();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"b deactivate", "a activate"}));
    log.Clear();
    a->OnClose = [](TObject*, TCloseAction& action) { action = TCloseAction::caFree; };
    a->Close();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"b activate"}));
    EXPECT_EQ(Application().ActiveMDIChild(), b);
    EXPECT_TRUE(a->Released());
    EXPECT_EQ(Application().Forms().size(), 2u); // deleted later, never under its own handlers
    log.Clear();
    Application().ProcessMessages();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"a destroy"}));
    EXPECT_EQ(Application().Forms().size(), 1u);
}

TEST_F(Forms, AFormReleasedInsideRunIsDeletedWhenTheOutermostRunEnds) {
    auto* a = CreateForm<LoggingForm>(&Application(), &log, "a", true);
    a->OnClose = [](TObject*, TCloseAction& action) { action = TCloseAction::caFree; };
    Application().Run([&] {
        Application().Run([&] { a->Close(); });
        EXPECT_EQ(Application().Forms().size(), 1u);
    });
    EXPECT_TRUE(Application().Forms().empty());
}

TEST_F(Forms, CloseActionsHideMinimiseOrKeepTheForm) {
    auto* a = CreateForm<LoggingForm>(&Application(), &log, "a", true);
    a->Close(); // an MDI child minimises by default
    EXPECT_EQ(a->WindowState(), TWindowState::wsMinimized);
    EXPECT_TRUE(a->Visible());
    a->OnClose = [](TObject*, TCloseAction& action) { action = TCloseAction::caNone; };
    a->Close();
    EXPECT_TRUE(a->Visible());
    a->OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
    a->OnClose = [](TObject*, TCloseAction& action) { action = TCloseAction::caHide; };
    a->Close();
    EXPECT_TRUE(a->Visible());
    a->OnCloseQuery = nullptr;
    a->Close();
    EXPECT_FALSE(a->Visible());
    EXPECT_EQ(Application().ActiveMDIChild(), nullptr);
}

TEST_F(Forms, AFailureInOnCreateIsShownOnceAndTheFormIsCreatedAllTheSame) {
    struct Failing : TForm {
        explicit Failing(TComponent* owner) : TForm(owner) {
            SetFormStyle(TFormStyle::fsMDIChild);
            OnCreate = [](TObject*) { throw Exception("Empresa não cadastrada."); };
        }
    };
    auto* form = CreateForm<Failing>(&Application());
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(Lines(), (std::vector<std::string>{"error \"Empresa não cadastrada.\""}));
}

TEST_F(Forms, ShowModalRunsTheHostLoopAndReturnsTheModalResult) {
    auto* main = CreateForm<LoggingForm>(&Application(), &log, "main", true);
    auto* dialog = CreateForm<LoggingForm>(&Application(), &log, "dialog", false);
    auto* ok = dialog->Create<TButton>();
    ok->SetParent(dialog);
    ok->SetModalResult(mrOk);
    int closes = 0;
    dialog->OnClose = [&](TObject*, TCloseAction&) { ++closes; };
    services.OnShowModal = [&](TForm& form) {
        EXPECT_EQ(&form, dialog);
        EXPECT_EQ(Application().ActiveForm(), dialog);
        EXPECT_EQ(Application().ModalLevel(), 1);
        Application().Run([&] { ok->UserClick(); });
        return mrNone;
    };
    log.Clear();
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(dialog->Visible());
    EXPECT_EQ(Application().ActiveForm(), main);
    // The MDI child was the active child all along: no activation when the dialog goes.
    EXPECT_EQ(log.entries,
              (std::vector<std::string>{"dialog show", "dialog activate", "dialog.edit enter"}));

    // Closing a modal form cancels it; a host loop that ends by itself cancels too.
    services.OnShowModal = [&](TForm& form) {
        form.Close();
        return mrNone;
    };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    services.OnShowModal = nullptr;
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_EQ(closes, 3);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"modal \"dialog\"", "modal \"dialog\"",
                                                 "modal \"dialog\""}));
}

TEST_F(Forms, ShowModalOfAVisibleFormIsRefused) {
    auto* a = CreateForm<LoggingForm>(&Application(), &log, "a", true);
    EXPECT_THROW(a->ShowModal(), EInvalidOperation);
}

TEST_F(Forms, AHiddenDialogShownAgainKeepsItsFocusedControlWithoutNewEnterEvents) {
    auto* dialog = CreateForm<LoggingForm>(&Application(), &log, "d", false);
    dialog->Show();
    dialog->Hide();
    log.Clear();
    dialog->Show();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"d show", "d activate"}));
    EXPECT_TRUE(dialog->edit->Focused());
}

class Menus : public UiTest {};

TEST(ShortCuts, TextsAndCodesConvertBothWays) {
    EXPECT_EQ(TextToShortCut("Ctrl+L"), 16460);
    EXPECT_EQ(TextToShortCut("ctrl+d"), 16452);
    EXPECT_EQ(ShortCut('L', ssCtrl), 16460);
    EXPECT_EQ(ShortCutToText(16452), "Ctrl+D");
    EXPECT_EQ(TextToShortCut("Shift+Ctrl+F5"), scShift | scCtrl | (VK_F1 + 4));
    EXPECT_EQ(ShortCutToText(TextToShortCut("Alt+Enter")), "Alt+Enter");
    EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
    EXPECT_EQ(TextToShortCut("Ctrl+Qualquer"), 0);
}

TEST_F(Menus, APopupMenuShortcutWorksAnywhereInTheFormWithoutPoppingUp) {
    TForm* form = CreateForm<TForm>(&Application());
    auto* panel = form->Create<TPanel>();
    panel->SetParent(form);
    auto* edit = form->Create<TEdit>();
    edit->SetParent(panel);
    auto* pmn = form->Create<TPopupMenu>();
    pmn->SetAutoPopup(false);
    form->SetPopupMenu(pmn);
    auto* undo = form->Create<TMenuItem>();
    undo->SetShortCut(TextToShortCut("Ctrl+D"));
    pmn->Items()->Add(undo);
    int undone = 0;
    undo->OnClick = [&](TObject*) { ++undone; };
    form->Show();
    ASSERT_TRUE(edit->Focused());

    edit->SetText("abc");
    form->PressKey('D', ssCtrl);
    EXPECT_EQ(undone, 1);
    EXPECT_EQ(edit->Text(), "abc"); // the key went to the menu, not into the edit
    form->TypeText("d");            // without Ctrl it is just a letter
    EXPECT_EQ(undone, 1);
    EXPECT_EQ(edit->Text(), "abcd");
    undo->SetEnabled(false);
    form->PressKey('D', ssCtrl);
    EXPECT_EQ(undone, 1);
}

TEST_F(Menus, AMainMenuItemRunsByItsShortcutAndSeparatorsAndCaptionsBehave) {
    TForm* form = CreateForm<TForm>(&Application());
    auto* menu = form->Create<TMainMenu>();
    form->SetMenu(menu);
    auto* manutencao = form->Create<TMenuItem>();
    manutencao->SetCaption("&Manutenção");
    menu->Items()->Add(manutencao);
    auto* line = form->Create<TMenuItem>();
    line->SetCaption("-");
    manutencao->Add(line);
    auto* filtro = form->Create<TMenuItem>();
    filtro->SetCaption("&Filtrar");
    filtro->SetShortCut(16460);
    manutencao->Add(filtro);
    int filtered = 0;
    filtro->OnClick = [&](TObject*) { ++filtered; };
    form->Show();
    EXPECT_TRUE(Application().PressKey('L', ssCtrl));
    EXPECT_EQ(filtered, 1);
    EXPECT_TRUE(line->IsLine());
    EXPECT_EQ(filtro->DisplayCaption(), "Filtrar");
    EXPECT_EQ(manutencao->IndexOf(filtro), 1);
    delete filtro; // an item freed by code leaves its menu
    EXPECT_EQ(manutencao->Count(), 1);
    EXPECT_FALSE(form->IsShortCut(16460));
}

class Boundary : public UiTest {};

TEST_F(Boundary, TheSilentAbortIsDroppedAndAnyOtherExceptionIsShownOnce) {
    EXPECT_FALSE(Application().Run([] { Abort(); }));
    EXPECT_TRUE(Lines().empty());
    EXPECT_FALSE(Application().Run([] {
        Application().Run([] { throw EDatabaseError("Falha na consulta"); });
        throw std::runtime_error("Servidor indisponível");
    }));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"error \"Falha na consulta\"",
                                                 "error \"Servidor indisponível\""}));
    EXPECT_TRUE(Application().Run([] {}));
    EXPECT_EQ(Lines().size(), 2u);
}

TEST_F(Boundary, CursorAndWindowLockAreReportedThroughServices) {
    TForm* form = CreateForm<TForm>(&Application());
    Application().SetCursor(crHourGlass);
    Application().SetCursor(crHourGlass); // no change, nothing reported
    Application().SetCursor(crDefault);
    EXPECT_TRUE(LockWindowUpdate(form->Handle()));
    TForm* other = CreateForm<TForm>(&Application());
    EXPECT_FALSE(LockWindowUpdate(other->Handle())); // one window at a time
    EXPECT_EQ(TWinControl::FindControl(form->Handle()), form);
    EXPECT_TRUE(LockWindowUpdate(0));
    EXPECT_TRUE(LockWindowUpdate(0)); // unlocking twice changes nothing
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"cursor -11", "cursor 0",
                                        "lock " + std::to_string(form->Handle()), "unlock"}));
}

class Recording : public UiTest {};

TEST_F(Recording, MessageBoxesTakeQueuedAnswersThatFitAndOtherwiseTheDefault) {
    Services& s = Application().Services();
    services.QueueAnswer(mrNo);
    EXPECT_EQ(s.MessageDlg("Só informação", TMsgDlgType::mtInformation, mbOK, 0), mrOk);
    EXPECT_EQ(services.PendingAnswers(), 1u); // an OK box leaves a No for the next question
    EXPECT_EQ(
        s.MessageDlg("Deseja marcar todas as baixas?", TMsgDlgType::mtConfirmation, mbYesNo, 0),
        mrNo);
    EXPECT_EQ(s.MessageDlg("De novo?", TMsgDlgType::mtConfirmation, mbYesNo, 0), mrYes);
    s.ShowError("Histórico\t");
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{
                  "info \"Só informação\"", "question \"Deseja marcar todas as baixas?\" -> No",
                  "question \"De novo?\" -> Yes (default)", "error \"Histórico\\t\""}));
    EXPECT_TRUE(services.Events()[2].defaulted);
}

TEST_F(Recording, BusyAnimationAndModuleOpeningAreRecorded) {
    Services& s = Application().Services();
    s.BusyOn(1);
    EXPECT_TRUE(services.Busy());
    s.BusyOff();
    s.BusyOff(); // an unmatched off is harmless
    EXPECT_FALSE(services.Busy());
    Variant params = VarArrayCreate({0, 1});
    params[0] = "01";
    params[1] = "";
    s.ModuleOpened("CTB10200", params);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"busy on 1", "busy off", "busy off",
                                                 "loadbpl CTB10200 [\"01\", \"\"]"}));
}

TEST_F(Menus, TheFocusedControlsPopupMenuComesBeforeTheFormsMenus) {
    TForm* form = CreateForm<TForm>(&Application());
    auto* edit = form->Create<TEdit>();
    edit->SetParent(form);
    std::vector<std::string> ran;
    auto addMenu = [&](TMenu* menu, const std::string& name) {
        auto* item = form->Create<TMenuItem>();
        item->SetShortCut(TextToShortCut("F5"));
        item->OnClick = [&ran, name](TObject*) { ran.push_back(name); };
        menu->Items()->Add(item);
        return item;
    };
    auto* editMenu = form->Create<TPopupMenu>();
    edit->SetPopupMenu(editMenu);
    TMenuItem* editItem = addMenu(editMenu, "edit");
    auto* mainMenu = form->Create<TMainMenu>();
    form->SetMenu(mainMenu);
    addMenu(mainMenu, "main");
    form->Show();
    form->PressKey(VK_F1 + 4, 0);
    editItem->SetEnabled(false);
    form->PressKey(VK_F1 + 4, 0);
    EXPECT_EQ(ran, (std::vector<std::string>{"edit", "main"}));
}

TEST_F(Forms, ClientSizeSetsTheFrameAroundItAndWindowStateIsObserved) {
    TForm* form = CreateForm<TForm>(&Application());
    form->SetBorderStyle(TBorderStyle::bsDialog);
    form->SetClientWidth(643);
    form->SetClientHeight(226);
    EXPECT_EQ(form->ClientWidth(), 643);
    EXPECT_EQ(form->ClientHeight(), 226);
    EXPECT_GT(form->Width(), 643);
    int heard = 0;
    form->AddObserver([&](TControl*, TChange change) { heard += change == TChange::WindowState; });
    form->SetWindowState(TWindowState::wsMaximized);
    form->SetWindowState(TWindowState::wsNormal);
    EXPECT_EQ(heard, 2);
    form->Repaint();
    EXPECT_EQ(form->RepaintCount(), 1);
}
