// TfrmFiltroPadrao: the host's base filter dialog, with saved options per operator and screen.
#pragma once

#include <string>

#include "host/messages.h"
#include "host/optionvalues.h"
#include "platform/forms.h"
#include "platform/stdctrls.h"

namespace host {

/// A modal dialog. Layout: the criteria group box grbPadrao fills the client area; the side
/// panel panLateral (right) holds sbtConfirma, sbtHelp, btfSaveOpc (save options), btfLoadOpc
/// (load options) and, at its foot, the screen-code label lblCodTela. Catalogue msgPadrao.
///
/// Options: OptionValues holds name=value lines (an empty value removes the name; an absent
/// name reads empty). btfSaveOpcClick writes them to the file of the logged-in operator and
/// the screen code (lblCodTela's caption) in the user's configuration folder; btfLoadOpcClick
/// reads them back (see host/optionstore.h for the file).
///
/// Handlers are virtual; a derived dialog replaces one by overriding and calls the base's
/// first where it wants its behaviour.
class TfrmFiltroPadrao : public platform::TForm {
public:
    explicit TfrmFiltroPadrao(platform::TComponent* owner);

    platform::TGroupBox* grbPadrao = nullptr;
    platform::TPanel* panLateral = nullptr;
    platform::TSpeedButton* sbtConfirma = nullptr;
    platform::TSpeedButton* sbtHelp = nullptr;
    platform::TSpeedButton* btfSaveOpc = nullptr;
    platform::TSpeedButton* btfLoadOpc = nullptr;
    platform::TLabel* lblCodTela = nullptr;
    TMessages* msgPadrao = nullptr;

    TOptionValues& OptionValues() { return optionValues_; }
    const TOptionValues& OptionValues() const { return optionValues_; }
    /// The screen code the options are saved under: lblCodTela's caption, else the form's name.
    std::string ScreenCode() const;
    /// The file the options of the logged-in operator are saved in.
    std::string OptionsFile() const;

    /// Creation (OnCreate): the base has nothing to prepare; derived dialogs call it first.
    virtual void FormCreate(platform::TObject* sender);
    /// Closing (OnClose): the dialog is hidden, not freed, so it can be shown again.
    virtual void FormClose(platform::TObject* sender, platform::TCloseAction& action);
    /// Confirm: ends the modal dialog with mrOk.
    virtual void sbtConfirmaClick(platform::TObject* sender);
    /// Help: tells the user which help topic belongs to the dialog.
    virtual void sbtHelpClick(platform::TObject* sender);
    /// Saves OptionValues. A failure raises platform::Exception naming the file.
    virtual void btfSaveOpcClick(platform::TObject* sender);
    /// Replaces OptionValues with the saved ones. Without saved options it shows
    /// "Não há opções salvas para esta tela." and ends with the silent abort; a damaged file
    /// raises platform::Exception. Either way OptionValues is left as it was.
    virtual void btfLoadOpcClick(platform::TObject* sender);

private:
    TOptionValues optionValues_;
};

} // namespace host
