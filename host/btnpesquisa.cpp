// TBtnPesquisa: before-search, the pick through Services, after-search, focus on the associate.
#include "host/btnpesquisa.h"

#include "host/consiste.h"
#include "platform/application.h"
#include "platform/dataset.h"
#include "platform/datasource.h"

namespace host {

TBtnPesquisa::TBtnPesquisa(platform::TComponent* owner) : platform::TSpeedButton(owner) {
    SetHint("Pesquisar");
    SetShowHint(true);
}

void TBtnPesquisa::Click() {
    if (!Enabled()) return;
    if (OnClick) {
        platform::TSpeedButton::Click();
        return;
    }
    Pesquisa();
}

bool TBtnPesquisa::Pesquisa() {
    if (OnBeforePesq) OnBeforePesq(this);
    platform::TDataSet* data = dataSource_ ? dataSource_->DataSet() : nullptr;
    if (data == nullptr)
        throw platform::EDatabaseError("O botão de pesquisa " + Name() +
                                       " não tem conjunto de dados.");
    if (!data->Active()) data->Open();
    if (data->IsEmpty())
        Consiste::MensErro(emptyError_.empty() ? "Não há registros para pesquisar." : emptyError_);

    std::string key = keyField_;
    if (key.empty()) {
        for (platform::TField* field : data->Fields())
            if (field->Visible()) {
                key = field->FieldName();
                break;
            }
        if (key.empty() && data->FieldCount() > 0) key = data->Fields()[0]->FieldName();
    } else {
        key = data->FieldByName(key)->FieldName();
    }
    if (!platform::Application().Services().PickRow(*data, key, title_)) return false;

    if (OnAfterPesq) OnAfterPesq(this);
    if (associate_ && associate_->CanFocus() && !associate_->Focused()) associate_->SetFocus();
    return true;
}

} // namespace host
