// Services for tests and the scripted host: records every event in order and answers from queues.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/services.h"

namespace platform {

/// One thing a person would have seen or answered.
struct TServiceEvent {
    enum Kind {
        Error,    // ShowError
        Message,  // MessageDlg
        PickList, // multi-row pick
        PickRow,  // single-row pick
        BusyOn,
        BusyOff,
        Cursor,
        Modal,  // a modal loop started for a form
        Lock,   // LockWindowUpdate (number = handle, 0 = unlocked)
        Module, // another screen module opened
        FormShown,
        FormHidden,
        FormActivated,
    };
    Kind kind = Error;
    std::string text; // message text, pick title, form caption, module code
    TMsgDlgType dlgType = TMsgDlgType::mtInformation;
    TMsgDlgButtons buttons = 0;
    int helpContext = 0;
    TModalResult answer = mrNone;          // Message: the button chosen
    bool defaulted = false;                // no queued answer fitted: the default was used
    bool picked = false;                   // picks: something was chosen
    std::vector<std::string> codes;        // picks: the codes chosen
    std::vector<std::string> unknownCodes; // picks: queued codes the data does not hold
    long long number = 0;                  // busy kind, cursor code, window handle
    Variant params;                        // Module: the parameters
    std::string line;                      // the event as one transcript line
};

/// Records each call as a TServiceEvent with a transcript line:
///   error "TEXT"            info "TEXT"           warning "TEXT"
///   question "TEXT" -> Yes  (boxes with several buttons show the answer; " (default)" is added
///                            when no queued answer fitted and the default button was taken)
///   pick "TITLE" -> 01 02   pick "TITLE" -> cancelled
///   busy on 1   busy off   cursor -11   modal "CAPTION"   lock 12   unlock   loadbpl CTB10200
///   shown "CAPTION"   hidden "CAPTION"   activated "CAPTION"   (only with RecordForms)
/// Texts are quoted with \" \\ \t \n escapes (QuoteText).
class TRecordingServices : public Services {
public:
    /// Queues the answer to the next message box (any type).
    void QueueAnswer(TModalResult answer) { answers_.push_back(answer); }
    /// Queues the codes chosen in the next pick (empty: the pick is cancelled).
    void QueuePick(std::vector<std::string> codes) { picks_.push_back(std::move(codes)); }
    std::size_t PendingAnswers() const { return answers_.size(); }
    std::size_t PendingPicks() const { return picks_.size(); }

    /// Runs the modal loop of ShowModal; without it the form is cancelled at once.
    std::function<TModalResult(TForm& form)> OnShowModal;
    /// Hears each event as it is recorded (a transcript printed as it happens).
    std::function<void(const TServiceEvent& event)> OnEvent;
    /// Whether form shown/hidden/activated notifications are recorded (off by default).
    bool RecordForms = false;

    const std::vector<TServiceEvent>& Events() const { return events_; }
    /// The transcript lines of the events so far.
    std::vector<std::string> Lines() const;
    /// Forgets the events (the queues stay).
    void ClearEvents() { events_.clear(); }
    /// Forgets events and queued answers.
    void Reset();
    /// Whether a busy animation is showing (on without a matching off).
    bool Busy() const { return busyDepth_ > 0; }

    void ShowError(const std::string& text) override;
    TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                            int helpContext) override;
    bool PickList(TDataSet& data, const std::string& keyField, const std::string& title,
                  std::vector<std::string>& codes) override;
    bool PickRow(TDataSet& data, const std::string& keyField, const std::string& title) override;
    void BusyOn(int kind) override;
    void BusyOff() override;
    void CursorChanged(int cursor) override;
    TModalResult ShowModal(TForm& form) override;
    void LockWindowUpdate(THandle handle) override;
    void ModuleOpened(const std::string& code, const Variant& params) override;
    void FormShown(TForm& form) override;
    void FormHidden(TForm& form) override;
    void FormActivated(TForm& form) override;

private:
    void Record(TServiceEvent event);
    std::deque<TModalResult> answers_;
    std::deque<std::vector<std::string>> picks_;
    std::vector<TServiceEvent> events_;
    int busyDepth_ = 0;
};

/// A text between double quotes with \" \\ \t \n \r escapes.
std::string QuoteText(std::string_view text);

} // namespace platform
