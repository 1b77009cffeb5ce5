// The desktop's Services: message boxes, pick lists, busy animation, cursor, modal loops and
// window locking with Qt, and the form notifications handed to the renderer.
#pragma once

#include <QPointer>

#include <functional>
#include <memory>

#include "platform/services.h"

class QWidget;

namespace desktop {

class TBusyIndicator;
class TRenderer;
class TReplyWaiter;

/// Everything a person sees or answers, in real windows. Boxes speak Portuguese: captions
/// "Aviso", "Erro", "Informação", "Confirmação" and buttons "Sim", "Não", "OK", "Cancelar"...
/// Install it with platform::Application().SetServices for as long as it lives.
class TQtServices : public platform::Services {
public:
    /// `parent` is the window boxes are centred on (the main window; may be nullptr).
    TQtServices(TRenderer& renderer, QWidget* parent);
    ~TQtServices() override;

    void ShowError(const std::string& text) override;
    platform::TModalResult MessageDlg(const std::string& text, platform::TMsgDlgType type,
                                      platform::TMsgDlgButtons buttons, int helpContext) override;
    bool PickList(platform::TDataSet& data, const std::string& keyField, const std::string& title,
                  std::vector<std::string>& codes) override;
    bool PickRow(platform::TDataSet& data, const std::string& keyField,
                 const std::string& title) override;
    void BusyOn(int kind) override;
    void BusyOff() override;
    void CursorChanged(int cursor) override;
    platform::TModalResult ShowModal(platform::TForm& form) override;
    void LockWindowUpdate(platform::THandle handle) override;
    bool ShowHelp(platform::TForm& form) override;
    void StatusNote(const std::string& text) override;
    void ModuleOpened(const std::string& code, const platform::Variant& params) override;
    void FormShown(platform::TForm& form) override;
    void FormHidden(platform::TForm& form) override;
    void FormActivated(platform::TForm& form) override;
    void FormDestroyed(platform::TForm& form) override;

    TBusyIndicator& Busy() const { return *busy_; }
    /// Heard when another screen module is opened (the main window shows it in its status bar).
    std::function<void(const std::string& code)> OnModuleOpened;
    /// Heard with each status note (the main window shows it in its status bar).
    std::function<void(const std::string& text)> OnStatusNote;

    /// The caption of a message box of a type.
    static const char* DialogCaption(platform::TMsgDlgType type);
    /// The Portuguese text of a button ("Sim", "Não", "OK", "Cancelar"...).
    static const char* ButtonText(platform::TMsgDlgBtn button);

private:
    TRenderer& renderer_;
    QPointer<QWidget> parent_;
    std::unique_ptr<TBusyIndicator> busy_;
    std::unique_ptr<TReplyWaiter> waiter_;
    bool hourglass_ = false;
};

} // namespace desktop
