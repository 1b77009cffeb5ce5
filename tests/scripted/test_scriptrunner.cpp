// The script runner against a small in-process screen: actions, modal loops, expectations,
// the transcript and stopping at the first failure.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/application.h"
#include "platform/netconnection.h"
#include "platform/stdctrls.h"
#include "scripted/scriptrunner.h"

namespace {

using platform::Application;
using platform::TObject;

// A dialog with an OK button, shown modally by the screen.
class TFakeDialog : public platform::TForm {
public:
    explicit TFakeDialog(platform::TComponent* owner) : TForm(owner) {
        SetName("dlgFake");
        SetCaption("Diálogo");
        auto* ok = new platform::TButton(this);
        ok->SetName("btnOk");
        ok->SetParent(this);
        ok->SetModalResult(platform::mrOk);
    }
};

// A screen with an edit, a label and buttons that open a dialog, ask a question, fail, and
// call a server that is not there.
class TFakeScreen : public platform::TForm {
public:
    explicit TFakeScreen(platform::TComponent* owner) : TForm(owner) {
        SetName("frmFake");
        SetCaption("Tela de teste");
        SetFormStyle(platform::TFormStyle::fsMDIChild);
        edit = Add<platform::TEdit>("edtA");
        edit->SetTabStop(true);
        label = Add<platform::TLabel>("lblResult");
        Add<platform::TButton>("btnOpen")->OnClick = [this](TObject*) {
            auto* dialog = platform::CreateForm<TFakeDialog>(this);
            label->SetCaption(platform::IntToStr(dialog->ShowModal()));
            delete dialog;
        };
        Add<platform::TButton>("btnAsk")->OnClick = [this](TObject*) {
            platform::TModalResult answer = Application().Services().MessageDlg(
                "Continuar?", platform::TMsgDlgType::mtConfirmation, platform::mbYesNo, 0);
            label->SetCaption(platform::ModalResultName(answer));
        };
        Add<platform::TButton>("btnHidden")->SetVisible(false);
        Add<platform::TButton>("btnFail")->OnClick = [](TObject*) {
            throw platform::Exception("Falhou");
        };
        net = new platform::TNetConnection(this);
        net->SetName("netFake");
        net->SetServerName("TESTE.rdmFake");
        net->SetPort(1); // nothing listens there
        Add<platform::TButton>("btnCall")->OnClick = [this](TObject*) {
            net->Call("GetAlgo", {platform::Variant("01"), platform::Variant(2.5)});
        };
    }

    template <class C> C* Add(const char* name) {
        auto* control = new C(this);
        control->SetName(name);
        control->SetParent(this);
        return control;
    }

    platform::TEdit* edit = nullptr;
    platform::TLabel* label = nullptr;
    platform::TNetConnection* net = nullptr;
};

struct RunResult {
    int status;
    std::string transcript;
    int failedLine;
};

RunResult RunScript(const std::string& script) {
    std::ostringstream out;
    bool created = false;
    scripted::TModuleHooks hooks;
    hooks.initialize = [] {};
    hooks.finalize = [] {};
    hooks.iniProc = [&created] {
        if (!created) platform::CreateForm<TFakeScreen>(&Application());
        created = true;
    };
    hooks.global = [&created](const std::string& name) -> std::optional<std::string> {
        if (name == "boStCriado") return created ? "true" : "false";
        return std::nullopt;
    };
    scripted::TScriptRunner runner(out, hooks);
    int status = runner.Run(scripted::ParseScript(script));
    runner.Shutdown();
    return {status, out.str(), runner.FailedLine()};
}

} // namespace

TEST(ScriptRunner, DrivesAScreenAndPrintsWhatAPersonWouldSee) {
    RunResult r = RunScript(R"(
open
type edtA "12"
expect edtA.Text = "12"
expect edtA.Focused = true
click btnOpen
expect dlgFake.Caption = "Diálogo"   # the dialog is the active form now
click btnOk
expect lblResult.Caption = "1"
answer No
click btnAsk
expect lblResult.Caption = "No"
click btnFail
expect boStCriado = true
print frmFake.Caption
)");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.transcript, "ok expect edtA.Text = \"12\"\n"
                            "ok expect edtA.Focused = true\n"
                            "ok expect dlgFake.Caption = \"Diálogo\"\n"
                            "ok expect lblResult.Caption = \"1\"\n"
                            "question \"Continuar?\" -> No\n"
                            "ok expect lblResult.Caption = \"No\"\n"
                            "error \"Falhou\"\n"
                            "ok expect boStCriado = true\n"
                            "frmFake.Caption = \"Tela de teste\"\n");
}

TEST(ScriptRunner, StopsAtTheFirstFailedExpectationWithExpectedAndActual) {
    RunResult r = RunScript(R"(
open
expect edtA.Text = "x"
expect edtA.Text = ""
)");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.failedLine, 3);
    EXPECT_EQ(r.transcript, "FAILED expect edtA.Text = \"x\": expected \"x\", got \"\"\n");
}

TEST(ScriptRunner, AFailureInsideAModalDialogEndsTheWholeRun) {
    RunResult r = RunScript(R"(
open
click btnOpen
expect btnOk.Caption = "nope"
click btnOk
expect lblResult.Caption = "1"
)");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.transcript,
              "FAILED expect btnOk.Caption = \"nope\": expected \"nope\", got \"\"\n");
}

TEST(ScriptRunner, TheScriptEndingInsideADialogCancelsIt) {
    RunResult r = RunScript("open\nclick btnOpen\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.transcript, "");
    RunResult closed = RunScript("open\nclick btnOpen\nclose\nexpect lblResult.Caption = 2\n");
    EXPECT_EQ(closed.transcript, "ok expect lblResult.Caption = 2\n");
}

TEST(ScriptRunner, ControlsThatAreMissingOrCannotActAreFailures) {
    RunResult missing = RunScript("open\nclick sbtNada\n");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.transcript, "FAILED click sbtNada: não há sbtNada em frmFake\n");
    RunResult noForm = RunScript("expect edtA.Text = \"\"\n");
    EXPECT_EQ(noForm.status, 1);
    EXPECT_EQ(noForm.transcript, "FAILED expect edtA.Text = \"\": nenhuma janela ativa\n");
    RunResult unknownGlobal = RunScript("expect boNada = true\n");
    EXPECT_EQ(unknownGlobal.transcript,
              "FAILED expect boNada = true: o módulo não exporta boNada\n");
    RunResult label = RunScript("open\nfocus lblResult\n");
    EXPECT_EQ(label.transcript, "FAILED focus lblResult: lblResult não recebe o foco\n");
    // A person cannot click what is not on the screen: the script fails instead of the click
    // being dropped without a word.
    RunResult hidden = RunScript("open\nclick btnHidden\n");
    EXPECT_EQ(hidden.status, 1);
    EXPECT_EQ(hidden.transcript, "FAILED click btnHidden: btnHidden não está visível na tela\n");
}

TEST(ScriptRunner, ServerCallsAreListedWithTheirArgumentsBeforeTheirOutcome) {
    RunResult r = RunScript("open\nclick btnCall\nexpect netFake.Connected = false\n");
    EXPECT_EQ(r.status, 0);
    std::istringstream lines(r.transcript);
    std::string first, second, third;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    EXPECT_EQ(first, R"(call GetAlgo("01", 2.5))");
    EXPECT_EQ(second.rfind("error \"", 0), 0u) << second;
    EXPECT_EQ(third, "ok expect netFake.Connected = false");
}
