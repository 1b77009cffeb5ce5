// The application object: forms, activation, cursor, window locking, key routing and the
// exception boundary through which every outside entry passes.
#include "platform/application.h"

#include <algorithm>
#include <utility>

#include "platform/recordingservices.h"
#include "platform/sysutils.h"

namespace platform {

// ---- Message box helpers ----

namespace {

struct ButtonInfo {
    TMsgDlgBtn button;
    TModalResult result;
    const char* name;
};

constexpr ButtonInfo kButtons[] = {
    {mbYes, mrYes, "Yes"},          {mbNo, mrNo, "No"},          {mbOK, mrOk, "OK"},
    {mbCancel, mrCancel, "Cancel"}, {mbAbort, mrAbort, "Abort"}, {mbRetry, mrRetry, "Retry"},
    {mbIgnore, mrIgnore, "Ignore"}, {mbAll, mrAll, "All"},
};

} // namespace

TModalResult ButtonResult(TMsgDlgBtn button) {
    for (const ButtonInfo& b : kButtons)
        if (b.button == button) return b.result;
    return mrNone;
}

TMsgDlgButtons ResultButton(TModalResult result) {
    for (const ButtonInfo& b : kButtons)
        if (b.result == result) return b.button;
    return 0;
}

TModalResult DefaultButtonResult(TMsgDlgButtons buttons) {
    if (buttons & mbOK) return mrOk;
    if (buttons & mbYes) return mrYes;
    if (buttons & mbRetry) return mrRetry;
    for (const ButtonInfo& b : kButtons)
        if (buttons & b.button) return b.result;
    return mrOk;
}

const char* ModalResultName(TModalResult result) {
    for (const ButtonInfo& b : kButtons)
        if (b.result == result) return b.name;
    return "None";
}

TModalResult ModalResultFromName(std::string_view name) {
    for (const ButtonInfo& b : kButtons)
        if (SameText(name, b.name)) return b.result;
    return mrNone;
}

// ---- TApplication ----

TApplication& Application() {
    static TApplication application;
    return application;
}

bool LockWindowUpdate(THandle handle) {
    return Application().LockWindowUpdate(handle);
}

TApplication::TApplication() : builtInServices_(std::make_unique<TRecordingServices>()) {
    services_ = builtInServices_.get();
    // The window registry must outlive the application, which may still delete windows.
    TWinControl::FindControl(0);
}

TApplication::~TApplication() {
    DestroyForms();
}

void TApplication::SetServices(platform::Services* services) {
    services_ = services ? services : builtInServices_.get();
}

void TApplication::SetCursor(int cursor) {
    if (cursor_ == cursor) return;
    cursor_ = cursor;
    services_->CursorChanged(cursor);
}

void TApplication::HandleException() {
    HandleException(std::current_exception());
}

void TApplication::HandleException(std::exception_ptr error) {
    if (!error) return;
    try {
        std::rethrow_exception(std::move(error));
    } catch (const EAbort&) {
        // The silent abort: whoever raised it has shown what there was to show.
    } catch (const std::exception& e) { services_->ShowError(e.what()); } catch (...) {
        services_->ShowError("Erro desconhecido");
    }
}

bool TApplication::Run(const std::function<void()>& action) {
    ++runDepth_;
    bool ok = true;
    try {
        action();
    } catch (...) {
        ok = false;
        HandleException();
    }
    --runDepth_;
    if (runDepth_ == 0 && modalLevel_ == 0) ProcessMessages();
    return ok;
}

std::vector<TForm*> TApplication::MDIChildren() const {
    std::vector<TForm*> list;
    for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it)
        if ((*it)->IsMDIChild()) list.push_back(*it);
    return list;
}

TForm* TApplication::FindForm(std::string_view name) const {
    for (TForm* f : forms_)
        if (SameText(f->Name(), name)) return f;
    return nullptr;
}

bool TApplication::PressKey(Word key, TShiftState shift, TKeyChar ch) {
    if (!activeForm_) return false;
    activeForm_->PressKey(key, shift, ch);
    return true;
}

bool TApplication::LockWindowUpdate(THandle handle) {
    if (handle != 0 && lockedWindow_ != 0 && lockedWindow_ != handle) return false;
    if (handle == lockedWindow_) return true;
    lockedWindow_ = handle;
    services_->LockWindowUpdate(handle);
    return true;
}

void TApplication::ProcessMessages() {
    while (!released_.empty()) {
        TForm* form = released_.front();
        released_.erase(released_.begin());
        form->BeforeDestruction();
        delete form;
    }
}

void TApplication::DestroyForms() {
    released_.clear();
    while (!forms_.empty()) {
        TForm* form = forms_.back();
        form->BeforeDestruction();
        delete form; // unregisters itself
    }
}

void TApplication::RegisterForm(TForm* form) {
    forms_.push_back(form);
}

void TApplication::UnregisterForm(TForm* form) {
    services_->FormDestroyed(*form);
    forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), form), zOrder_.end());
    modalStack_.erase(std::remove(modalStack_.begin(), modalStack_.end(), form), modalStack_.end());
    released_.erase(std::remove(released_.begin(), released_.end(), form), released_.end());
    if (mainForm_ == form) mainForm_ = nullptr;
    if (activeMDIChild_ == form) activeMDIChild_ = nullptr;
    if (activeForm_ == form) activeForm_ = NextActiveForm(form);
    if (lockedWindow_ == form->Handle()) lockedWindow_ = 0;
}

void TApplication::FormShown(TForm* form) {
    if (std::find(zOrder_.begin(), zOrder_.end(), form) == zOrder_.end()) zOrder_.push_back(form);
    services_->FormShown(*form);
}

void TApplication::FormHidden(TForm* form) {
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), form), zOrder_.end());
    services_->FormHidden(*form);
    if (activeMDIChild_ == form) {
        activeMDIChild_ = nullptr;
        for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it)
            if ((*it)->IsMDIChild()) {
                ActivateForm(*it); // the next child becomes the active child
                break;
            }
    }
    if (activeForm_ == form) {
        activeForm_ = nullptr;
        if (TForm* next = NextActiveForm(form)) {
            if (next->IsMDIChild())
                activeForm_ = next; // an MDI child already active runs no activation again
            else
                ActivateForm(next);
        }
    }
}

TForm* TApplication::NextActiveForm(TForm* leaving) const {
    for (auto it = modalStack_.rbegin(); it != modalStack_.rend(); ++it)
        if (*it != leaving && (*it)->Visible()) return *it;
    for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it)
        if (*it != leaving && (*it)->Visible()) return *it;
    return nullptr;
}

void TApplication::ActivateForm(TForm* form) {
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), form), zOrder_.end());
    zOrder_.push_back(form);
    bool blockedByModal = !modalStack_.empty() && modalStack_.back() != form;
    if (form->IsMDIChild()) {
        if (!blockedByModal) activeForm_ = form;
        if (activeMDIChild_ != form) {
            TForm* old = activeMDIChild_;
            activeMDIChild_ = form;
            if (old) old->Deactivated();
            services_->FormActivated(*form);
            form->Activated();
        }
        return;
    }
    if (blockedByModal || activeForm_ == form) return;
    TForm* old = activeForm_;
    activeForm_ = form;
    if (old && !old->IsMDIChild()) old->Deactivated();
    services_->FormActivated(*form);
    form->Activated();
}

void TApplication::FormReleased(TForm* form) {
    if (std::find(released_.begin(), released_.end(), form) == released_.end())
        released_.push_back(form);
}

void TApplication::EnterModal(TForm* form) {
    modalStack_.push_back(form);
    ++modalLevel_;
}

void TApplication::LeaveModal(TForm* form) {
    modalStack_.erase(std::remove(modalStack_.begin(), modalStack_.end(), form), modalStack_.end());
    if (modalLevel_ > 0) --modalLevel_;
}

} // namespace platform
