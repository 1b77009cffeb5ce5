// The Services seam: everything a person sees or answers, implemented by each host.
//
// The desktop implements it with real windows; the scripted host and the tests record what
// would be shown and answer from queues (TRecordingServices). Screens never call it directly:
// they go through the application object and the host framework.
#pragma once

#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/variant.h"

namespace platform {

class TDataSet;

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

/// Buttons of a message box: a set of these bits.
enum TMsgDlgBtn : unsigned {
    mbYes = 1 << 0,
    mbNo = 1 << 1,
    mbOK = 1 << 2,
    mbCancel = 1 << 3,
    mbAbort = 1 << 4,
    mbRetry = 1 << 5,
    mbIgnore = 1 << 6,
    mbAll = 1 << 7,
};
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

/// The modal result of a button (mbYes → mrYes...).
TModalResult ButtonResult(TMsgDlgBtn button);
/// The button whose modal result this is; 0 for mrNone and unknown results.
TMsgDlgButtons ResultButton(TModalResult result);
/// The button that Enter chooses: OK, else Yes, else Retry, else the first one present.
TModalResult DefaultButtonResult(TMsgDlgButtons buttons);
/// "Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All"; "None" for mrNone.
const char* ModalResultName(TModalResult result);
/// The modal result of a name above, ignoring case; mrNone when unknown.
TModalResult ModalResultFromName(std::string_view name);

/// Cursor codes of the application.
constexpr int crDefault = 0;
constexpr int crHourGlass = -11;

/// What a person sees and answers. Every call comes from the user-interface thread.
class Services {
public:
    virtual ~Services() = default;

    /// An error box with one OK button (the application's exception boundary uses it).
    virtual void ShowError(const std::string& text) = 0;
    /// A message box; returns the modal result of the button chosen (mrCancel when closed).
    virtual TModalResult MessageDlg(const std::string& text, TMsgDlgType type,
                                    TMsgDlgButtons buttons, int helpContext) = 0;
    /// Multi-row pick list over an open dataset: `codes` comes in with the codes (values of
    /// keyField) already chosen and goes out with the codes chosen now. False when cancelled
    /// (codes then unchanged).
    virtual bool PickList(TDataSet& data, const std::string& keyField, const std::string& title,
                          std::vector<std::string>& codes) = 0;
    /// Single-row pick over an open dataset: true with the dataset positioned on the row
    /// chosen; false when none was chosen (the position is then unspecified).
    virtual bool PickRow(TDataSet& data, const std::string& keyField, const std::string& title) = 0;
    /// The busy animation of a kind (0, 1, 6...) shown / hidden.
    virtual void BusyOn(int kind) = 0;
    virtual void BusyOff() = 0;
    /// The application's mouse cursor changed (crDefault, crHourGlass).
    virtual void CursorChanged(int cursor) = 0;
    /// Runs a modal loop for a form that is already shown: returns when form.ModalResult() is
    /// not mrNone (or when the host gives up, e.g. at the end of its input). May return a
    /// modal result of its own, used when the form's is still mrNone.
    virtual TModalResult ShowModal(TForm& form) = 0;
    /// Window updating locked for a window (0: unlocked).
    virtual void LockWindowUpdate(THandle handle) = 0;
    /// Shows the help page of a form (its help context, else its screen); false when this host
    /// has no help to show, and the caller tells the user so. Default: false.
    virtual bool ShowHelp(TForm& /*form*/) { return false; }

    // Notifications, for hosts that show windows. Default: nothing.
    /// A short note for the status bar (an operation that ended without a box to say so).
    virtual void StatusNote(const std::string& /*text*/) {}
    /// Another screen module is being opened with these parameters.
    virtual void ModuleOpened(const std::string& /*code*/, const Variant& /*params*/) {}
    virtual void FormShown(TForm& /*form*/) {}
    virtual void FormHidden(TForm& /*form*/) {}
    virtual void FormActivated(TForm& /*form*/) {}
    /// The form is about to be deleted; a renderer drops its window.
    virtual void FormDestroyed(TForm& /*form*/) {}
};

} // namespace platform
