// Runs a parsed script against the loaded module as a person would, printing the transcript.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/recordingservices.h"
#include "scripted/scriptparser.h"

namespace platform {
class TComponent;
class TForm;
} // namespace platform

namespace scripted {

/// What the runner needs of the module it drives (the host fills it from the module's exports).
struct TModuleHooks {
    std::function<void()> initialize;
    std::function<void()> iniProc;
    std::function<void()> finalize;
    /// The value of an exported global as a script compares it ("true"/"false" for flags,
    /// "nil"/"set" for references); nullopt for a name the module does not export.
    std::function<std::optional<std::string>(const std::string& name)> global;
};

/// A value read for expect/print: `text` as compared; `isText` when it prints quoted.
struct TReadValue {
    std::string text;
    bool isText = false;
    /// The value as the transcript prints it.
    std::string Printed() const;
};

/// Whether an expected word matches a value read: a text read compares exactly with the word
/// (quoted or not); a quoted word matches texts only; otherwise numbers compare by value, and
/// true/false, nil/set, null and names (dsBrowse...) ignoring case.
bool ValueMatches(const TWord& expected, const TReadValue& actual);

/// Drives the application object through Services of its own, recording every event and
/// answering from the queues the script fills. Installs itself as the application's Services
/// for its lifetime. Everything runs on the calling thread.
/// Invariant: after the first failure nothing more runs and nothing more is printed.
class TScriptRunner {
public:
    TScriptRunner(std::ostream& out, TModuleHooks hooks);
    ~TScriptRunner();
    TScriptRunner(const TScriptRunner&) = delete;
    TScriptRunner& operator=(const TScriptRunner&) = delete;

    /// Runs the commands in order; a modal dialog opened by one of them keeps reading the
    /// following commands until it closes. Returns 0 when every expectation and command held,
    /// 1 at the first that did not (after printing its FAILED line).
    int Run(const std::vector<TCommand>& commands);

    /// Destroys the forms and runs the module's Finalize when Initialize ran. Printing stops.
    void Shutdown();

    bool Failed() const { return failed_; }
    /// The script line of the first failure; 0 when nothing failed.
    int FailedLine() const { return failedLine_; }
    platform::TRecordingServices& Services() { return services_; }

private:
    /// A command that cannot be carried out (unknown control, disabled control...).
    struct TCommandFailure {
        std::string message;
    };

    void Execute(const TCommand& command);
    /// Fails a user action on a control that is not on the screen.
    static void RequireShowing(platform::TComponent& c, const std::string& target);
    platform::TModalResult ModalLoop(platform::TForm& form);
    void Emit(const std::string& line);
    void Fail(const TCommand& command, const std::string& message);
    /// Runs a person's action inside the application's exception boundary.
    void Act(const std::function<void()>& action);
    void HookConnections();

    platform::TForm& ActiveForm() const;
    platform::TComponent& FindTarget(const std::string& name) const;
    TReadValue Read(const std::string& reference) const;
    void Focus(const std::string& name);
    void PressKeyText(const std::string& key);

    std::ostream& out_;
    TModuleHooks hooks_;
    platform::TRecordingServices services_;
    const std::vector<TCommand>* commands_ = nullptr;
    std::size_t next_ = 0;
    bool initialized_ = false;
    bool failed_ = false;
    int failedLine_ = 0;
    bool printing_ = true;
};

} // namespace scripted
