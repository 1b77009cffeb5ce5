// Runs a parsed script against the loaded module as a person would, printing the transcript.
#include "scripted/scriptrunner.h"

#include <charconv>
#include <cstdlib>

#include "platform/application.h"
#include "platform/comctrls.h"
#include "platform/dataset.h"
#include "platform/dbctrls.h"
#include "platform/menus.h"
#include "platform/netconnection.h"
#include "platform/stdctrls.h"
#include "scripted/keystroke.h"
#include "scripted/transcript.h"

namespace scripted {

using platform::Application;
using platform::TComponent;
using platform::TForm;

namespace {

const char* BoolText(bool value) {
    return value ? "true" : "false";
}

TReadValue Flag(bool value) {
    return TReadValue{BoolText(value), false};
}
TReadValue Number(std::int64_t value) {
    return TReadValue{platform::IntToStr(value), false};
}
TReadValue Text(std::string value) {
    return TReadValue{std::move(value), true};
}
TReadValue Word(std::string value) {
    return TReadValue{std::move(value), false};
}

const char* StateName(platform::TDataSetState state) {
    switch (state) {
    case platform::TDataSetState::dsInactive: return "dsInactive";
    case platform::TDataSetState::dsBrowse: return "dsBrowse";
    case platform::TDataSetState::dsEdit: return "dsEdit";
    case platform::TDataSetState::dsInsert: return "dsInsert";
    }
    return "?";
}

const char* WindowStateName(platform::TWindowState state) {
    switch (state) {
    case platform::TWindowState::wsNormal: return "wsNormal";
    case platform::TWindowState::wsMinimized: return "wsMinimized";
    case platform::TWindowState::wsMaximized: return "wsMaximized";
    }
    return "?";
}

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && ptr == end;
}

TComponent* FindOwned(const TComponent& root, std::string_view name) {
    for (TComponent* c : root.Components()) {
        if (platform::SameText(c->Name(), name)) return c;
        if (TComponent* inner = FindOwned(*c, name)) return inner;
    }
    return nullptr;
}

void CollectConnections(const TComponent& root, std::vector<platform::TNetConnection*>& out) {
    for (TComponent* c : root.Components()) {
        if (auto* net = dynamic_cast<platform::TNetConnection*>(c)) out.push_back(net);
        CollectConnections(*c, out);
    }
}

std::string Describe(const TComponent& c) {
    return c.Name().empty() ? std::string("(sem nome)") : c.Name();
}

TReadValue FieldValue(const platform::TField& field) {
    if (field.IsNull()) return Word("null");
    switch (field.DataType()) {
    case platform::TFieldType::ftFloat: return Word(FormatDouble(field.AsFloat()));
    case platform::TFieldType::ftDateTime: return Word(FormatDate(field.AsDateTime()));
    case platform::TFieldType::ftInteger: return Number(field.AsInteger());
    case platform::TFieldType::ftBoolean: return Flag(field.AsBoolean());
    default: return Text(field.AsString());
    }
}

} // namespace

std::string TReadValue::Printed() const {
    return isText ? platform::QuoteText(text) : text;
}

bool ValueMatches(const TWord& expected, const TReadValue& actual) {
    if (actual.isText) return expected.text == actual.text;
    if (expected.quoted) return false; // a quoted word is a text; the value read is not
    if (platform::SameText(expected.text, actual.text)) return true;
    double a = 0, b = 0;
    return ParseNumber(expected.text, a) && ParseNumber(actual.text, b) && a == b;
}

TScriptRunner::TScriptRunner(std::ostream& out, TModuleHooks hooks)
    : out_(out), hooks_(std::move(hooks)) {
    services_.OnEvent = [this](const platform::TServiceEvent& event) {
        if (std::optional<std::string> line = FormatEvent(event)) Emit(*line);
    };
    services_.OnShowModal = [this](TForm& form) { return ModalLoop(form); };
    Application().SetServices(&services_);
}

TScriptRunner::~TScriptRunner() {
    // Connections may outlive the runner only if Shutdown was not called; forget them then.
    printing_ = false;
    for (TForm* form : Application().Forms()) {
        std::vector<platform::TNetConnection*> connections;
        CollectConnections(*form, connections);
        for (platform::TNetConnection* net : connections) net->OnCall = nullptr;
    }
    Application().SetServices(nullptr);
}

void TScriptRunner::Emit(const std::string& line) {
    if (!printing_) return;
    out_ << line << '\n';
    out_.flush();
}

void TScriptRunner::Fail(const TCommand& command, const std::string& message) {
    Emit("FAILED " + command.source + ": " + message);
    failed_ = true;
    failedLine_ = command.line;
    printing_ = false;
}

int TScriptRunner::Run(const std::vector<TCommand>& commands) {
    commands_ = &commands;
    next_ = 0;
    while (!failed_ && next_ < commands.size()) Execute(commands[next_++]);
    return failed_ ? 1 : 0;
}

void TScriptRunner::Shutdown() {
    printing_ = false;
    Application().Run([] { Application().DestroyForms(); });
    if (initialized_) {
        initialized_ = false;
        Application().Run([this] { hooks_.finalize(); });
    }
}

// A person can only use what is on the screen: a script acting on a control that is not
// showing (a hidden control, or one on a tab page not in front) fails instead of the action
// being silently dropped. Tab sheets are the exception: their tab is clicked while hidden.
void TScriptRunner::RequireShowing(TComponent& c, const std::string& target) {
    auto* control = dynamic_cast<platform::TControl*>(&c);
    if (control == nullptr || dynamic_cast<platform::TTabSheet*>(control) != nullptr) return;
    if (!control->Showing()) throw TCommandFailure{target + " não está visível na tela"};
}

platform::TModalResult TScriptRunner::ModalLoop(TForm& form) {
    HookConnections();
    while (!failed_ && commands_ != nullptr && next_ < commands_->size()) {
        if (form.ModalResult() != platform::mrNone || !form.Visible()) break;
        Execute((*commands_)[next_++]);
    }
    // At the end of the script (or after a failure) the host gives the dialog up.
    return form.ModalResult() != platform::mrNone ? form.ModalResult() : platform::mrCancel;
}

void TScriptRunner::Act(const std::function<void()>& action) {
    Application().Run(action);
    HookConnections();
}

void TScriptRunner::HookConnections() {
    for (TForm* form : Application().Forms()) {
        std::vector<platform::TNetConnection*> connections;
        CollectConnections(*form, connections);
        for (platform::TNetConnection* net : connections) {
            if (net->OnCall) continue;
            net->OnCall = [this](const std::string& method,
                                 const std::vector<platform::Variant>& args) {
                Emit(FormatCall(method, args));
            };
        }
    }
}

TForm& TScriptRunner::ActiveForm() const {
    TForm* form = Application().ActiveForm();
    if (form == nullptr) throw TCommandFailure{"nenhuma janela ativa"};
    return *form;
}

TComponent& TScriptRunner::FindTarget(const std::string& name) const {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        std::size_t dot = name.find('.', start);
        parts.push_back(
            name.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    TComponent* current = nullptr;
    std::size_t first = 0;
    if (TForm* named = Application().FindForm(parts[0])) {
        current = named;
        first = 1;
    } else {
        current = &ActiveForm();
    }
    for (std::size_t i = first; i < parts.size(); ++i) {
        TComponent* found = FindOwned(*current, parts[i]);
        if (found == nullptr)
            throw TCommandFailure{"não há " + parts[i] + " em " + Describe(*current)};
        current = found;
    }
    return *current;
}

TReadValue TScriptRunner::Read(const std::string& reference) const {
    std::size_t dot = reference.rfind('.');
    if (dot == std::string::npos) {
        if (hooks_.global)
            if (std::optional<std::string> value = hooks_.global(reference)) return Word(*value);
        throw TCommandFailure{"o módulo não exporta " + reference};
    }
    std::string property = reference.substr(dot + 1);
    TComponent& target = FindTarget(reference.substr(0, dot));
    auto is = [&](const char* name) { return platform::SameText(property, name); };

    if (auto* data = dynamic_cast<platform::TDataSet*>(&target)) {
        if (is("RecordCount")) return Number(data->Active() ? data->RecordCount() : 0);
        if (is("RecNo")) return Number(data->Active() ? data->RecNo() : 0);
        if (is("State")) return Word(StateName(data->State()));
        if (is("Active")) return Flag(data->Active());
        if (platform::TField* field = data->FindField(property)) return FieldValue(*field);
        throw TCommandFailure{Describe(target) + " não tem o campo " + property};
    }
    if (auto* net = dynamic_cast<platform::TNetConnection*>(&target)) {
        if (is("Connected")) return Flag(net->Connected());
        if (is("Host")) return Text(net->Host());
        if (is("Port")) return Number(net->Port());
        if (is("ServerName")) return Text(net->ServerName());
    }
    if (auto* item = dynamic_cast<platform::TMenuItem*>(&target)) {
        if (is("Caption")) return Text(item->Caption());
        if (is("Enabled")) return Flag(item->Enabled());
        if (is("Visible")) return Flag(item->Visible());
        if (is("Checked")) return Flag(item->Checked());
        if (is("ShortCut")) return Text(platform::ShortCutToText(item->ShortCut()));
    }
    if (auto* control = dynamic_cast<platform::TControl*>(&target)) {
        if (auto* form = dynamic_cast<TForm*>(control)) {
            if (is("WindowState")) return Word(WindowStateName(form->WindowState()));
            if (is("Active")) return Flag(form->Active());
            if (is("ActiveControl"))
                return Word(form->ActiveControl() ? form->ActiveControl()->Name()
                                                  : std::string("nil"));
        }
        if (auto* check = dynamic_cast<platform::TCheckBox*>(control); check && is("Checked"))
            return Flag(check->Checked());
        if (auto* radio = dynamic_cast<platform::TRadioButton*>(control); radio && is("Checked"))
            return Flag(radio->Checked());
        if (auto* group = dynamic_cast<platform::TRadioGroup*>(control); group && is("ItemIndex"))
            return Number(group->ItemIndex());
        if (auto* pages = dynamic_cast<platform::TPageControl*>(control)) {
            if (is("ActivePage"))
                return Word(pages->ActivePage() ? pages->ActivePage()->Name() : std::string("nil"));
            if (is("ActivePageIndex")) return Number(pages->ActivePageIndex());
        }
        if (auto* edit = dynamic_cast<platform::TCustomEdit*>(control)) {
            if (is("ReadOnly")) return Flag(edit->ReadOnly());
            if (is("MaxLength")) return Number(edit->MaxLength());
            if (auto* masked = dynamic_cast<platform::TMaskEdit*>(edit); masked && is("EditText"))
                return Text(masked->EditText());
        }
        if (auto* button = dynamic_cast<platform::TSpeedButton*>(control); button && is("Down"))
            return Flag(button->Down());
        if (auto* win = dynamic_cast<platform::TWinControl*>(control); win && is("Focused"))
            return Flag(win->Focused());
        if (is("Text") || is("Caption")) return Text(control->Text());
        if (is("Enabled")) return Flag(control->Enabled());
        if (is("Visible")) return Flag(control->Visible());
        if (is("Hint")) return Text(control->Hint());
        if (is("Left")) return Number(control->Left());
        if (is("Top")) return Number(control->Top());
        if (is("Width")) return Number(control->Width());
        if (is("Height")) return Number(control->Height());
    }
    throw TCommandFailure{Describe(target) + " não tem a propriedade " + property};
}

void TScriptRunner::Focus(const std::string& name) {
    auto* control = dynamic_cast<platform::TWinControl*>(&FindTarget(name));
    if (control == nullptr) throw TCommandFailure{name + " não recebe o foco"};
    if (!control->CanFocus())
        throw TCommandFailure{name + " não pode receber o foco (oculto ou desabilitado)"};
    Act([control] { control->SetFocus(); });
}

void TScriptRunner::Execute(const TCommand& command) {
    try {
        const std::string& target = command.target;
        switch (command.kind) {
        case TCommandKind::Open:
            Act([this] {
                if (!initialized_) {
                    hooks_.initialize();
                    initialized_ = true;
                }
                hooks_.iniProc();
            });
            break;
        case TCommandKind::Focus: Focus(target); break;
        case TCommandKind::Type:
            Focus(target);
            for (platform::TKeyChar ch : platform::Utf8Decode(command.args[0].text)) {
                if (failed_) break;
                Act([ch] {
                    if (TForm* form = Application().ActiveForm()) form->PressChar(ch);
                });
            }
            break;
        case TCommandKind::Clear: {
            if (dynamic_cast<platform::TCustomEdit*>(&FindTarget(target)) == nullptr)
                throw TCommandFailure{target + " não é um campo de texto"};
            Focus(target);
            Act([] {
                TForm* form = Application().ActiveForm();
                if (form == nullptr) return;
                if (auto* edit = dynamic_cast<platform::TCustomEdit*>(form->FocusedControl()))
                    edit->SelectAll();
                form->PressKey(platform::VK_DELETE, 0);
            });
            break;
        }
        case TCommandKind::Key: {
            std::optional<TKeyStroke> stroke = ParseKeyStroke(command.args[0].text);
            if (!stroke)
                throw TCommandFailure{"tecla desconhecida " +
                                      platform::QuoteText(command.args[0].text)};
            Focus(target);
            Act([s = *stroke] {
                TForm* form = Application().ActiveForm();
                if (form == nullptr) return;
                if (s.isChar)
                    form->PressChar(s.ch);
                else
                    form->PressKey(s.key, s.shift);
            });
            break;
        }
        case TCommandKind::Click: {
            TComponent& c = FindTarget(target);
            RequireShowing(c, target);
            if (auto* item = dynamic_cast<platform::TMenuItem*>(&c))
                Act([item] { item->Click(); });
            else if (auto* control = dynamic_cast<platform::TControl*>(&c))
                Act([control] { control->UserClick(); });
            else
                throw TCommandFailure{target + " não é clicável"};
            break;
        }
        case TCommandKind::Select: {
            TComponent& c = FindTarget(target);
            RequireShowing(c, target);
            int index = static_cast<int>(platform::StrToInt(command.args[0].text));
            if (auto* group = dynamic_cast<platform::TRadioGroup*>(&c)) {
                if (index >= static_cast<int>(group->Items().size()))
                    throw TCommandFailure{
                        target + " tem " +
                        platform::IntToStr(static_cast<std::int64_t>(group->Items().size())) +
                        " itens"};
                Act([group, index] { group->ClickItem(index); });
            } else if (auto* pages = dynamic_cast<platform::TPageControl*>(&c)) {
                if (index >= pages->PageCount())
                    throw TCommandFailure{target + " tem " +
                                          platform::IntToStr(pages->PageCount()) + " páginas"};
                Act([pages, index] { pages->SelectPage(pages->Page(index)); });
            } else {
                throw TCommandFailure{target +
                                      " não é um grupo de opções nem um controle de páginas"};
            }
            break;
        }
        case TCommandKind::Row: {
            auto* grid = dynamic_cast<platform::TDBGrid*>(&FindTarget(target));
            if (grid == nullptr) throw TCommandFailure{target + " não é uma grade"};
            RequireShowing(*grid, target);
            int recNo = static_cast<int>(platform::StrToInt(command.args[0].text));
            platform::TDataSet* data = grid->DataSet();
            int count = data && data->Active() ? data->RecordCount() : 0;
            if (recNo > count)
                throw TCommandFailure{target + " tem " + platform::IntToStr(count) + " linhas"};
            Act([grid, recNo] { grid->ClickRow(recNo); });
            break;
        }
        case TCommandKind::DblClick: {
            auto* control = dynamic_cast<platform::TControl*>(&FindTarget(target));
            if (control == nullptr) throw TCommandFailure{target + " não é um controle"};
            RequireShowing(*control, target);
            Act([control] { control->UserDblClick(); });
            break;
        }
        case TCommandKind::Title: {
            auto* grid = dynamic_cast<platform::TDBGrid*>(&FindTarget(target));
            if (grid == nullptr) throw TCommandFailure{target + " não é uma grade"};
            RequireShowing(*grid, target);
            platform::TColumn* column = grid->ColumnByFieldName(command.args[0].text);
            if (column == nullptr)
                throw TCommandFailure{target + " não tem a coluna " + command.args[0].text};
            Act([grid, column] { grid->ClickTitle(column); });
            break;
        }
        case TCommandKind::Answer:
            services_.QueueAnswer(platform::ModalResultFromName(command.args[0].text));
            break;
        case TCommandKind::Pick: {
            std::vector<std::string> codes;
            for (const TWord& word : command.args) codes.push_back(word.text);
            services_.QueuePick(std::move(codes));
            break;
        }
        case TCommandKind::Close: {
            TForm& form = ActiveForm();
            Act([&form] { form.Close(); });
            break;
        }
        case TCommandKind::Expect: {
            TReadValue actual = Read(target);
            const TWord& expected = command.args[0];
            if (ValueMatches(expected, actual)) {
                Emit("ok " + command.source);
            } else {
                std::string shown = actual.isText || expected.quoted
                                        ? platform::QuoteText(expected.text)
                                        : expected.text;
                Fail(command, "expected " + shown + ", got " + actual.Printed());
            }
            break;
        }
        case TCommandKind::Print: Emit(target + " = " + Read(target).Printed()); break;
        }
    } catch (const TCommandFailure& failure) {
        Fail(command, failure.message);
    } catch (const std::exception& e) {
        // Reading a value raised (a field that cannot be read...): the expectation cannot hold.
        Fail(command, e.what());
    }
}

} // namespace scripted
