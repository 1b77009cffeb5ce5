// TBtnPesquisa: the search button that lets the user pick one row for the control it serves.
#pragma once

#include <string>

#include "platform/stdctrls.h"

namespace platform {
class TDataSource;
}

namespace host {

/// A speed button (it never takes the focus). Clicking it, when it has no OnClick of its own:
///  1. runs OnBeforePesq (the screen prepares or reopens the data);
///  2. opens the data source's dataset if closed; with no rows, shows EmptyError (or
///     "Não há registros para pesquisar." when that is empty) and ends with the silent abort;
///  3. shows the single-row pick titled Title through Services; a cancel ends here;
///  4. with the picked row current, runs OnAfterPesq (the screen copies the row's values);
///  5. puts the focus on Associate when it can take it, so the picked value is checked when the
///     user leaves it, as a typed one is.
/// A screen that sets OnClick takes the click over entirely (its handler runs instead).
class TBtnPesquisa : public platform::TSpeedButton {
public:
    explicit TBtnPesquisa(platform::TComponent* owner);

    platform::TWinControl* Associate() const { return associate_; }
    void SetAssociate(platform::TWinControl* control) { associate_ = control; }
    platform::TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(platform::TDataSource* source) { dataSource_ = source; }
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }
    const std::string& EmptyError() const { return emptyError_; }
    void SetEmptyError(std::string text) { emptyError_ = std::move(text); }
    /// The field whose value identifies the picked row; empty = the first visible field.
    const std::string& KeyField() const { return keyField_; }
    void SetKeyField(std::string field) { keyField_ = std::move(field); }

    platform::TNotifyEvent OnBeforePesq;
    platform::TNotifyEvent OnAfterPesq;

    void Click() override;
    /// Steps 1 to 5 above; true when a row was picked.
    bool Pesquisa();

private:
    platform::TWinControl* associate_ = nullptr;
    platform::TDataSource* dataSource_ = nullptr;
    std::string title_;
    std::string emptyError_;
    std::string keyField_;
};

} // namespace host
