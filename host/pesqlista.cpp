// Pesqlista: prepares the dataset, asks Services for the pick, writes the list string back.
#include "host/pesqlista.h"

#include <algorithm>

#include "host/consiste.h"
#include "host/liststring.h"
#include "platform/application.h"
#include "platform/dataset.h"
#include "platform/datasource.h"

namespace host::Pesqlista {

bool PesquisaLista(platform::TDataSource* source, const std::string& keyField,
                   const std::string& title, bool singleChoice, std::string& list) {
    platform::TDataSet* data = source ? source->DataSet() : nullptr;
    if (data == nullptr)
        throw platform::EDatabaseError("Pesquisa \"" + title + "\" sem conjunto de dados.");

    std::string caption = title;
    std::string emptyText;
    if (std::size_t bar = title.find('|'); bar != std::string::npos) {
        caption = title.substr(0, bar);
        emptyText = title.substr(bar + 1);
    }
    std::vector<std::string> chosen = DecodeCodeList(list);

    if (!data->Active()) data->Open();
    platform::TField* key = data->FieldByName(keyField);
    if (data->IsEmpty())
        Consiste::MensErro(emptyText.empty() ? "Não há registros para pesquisar." : emptyText);

    // The codes present, in row order; read without moving the cursor.
    std::vector<std::string> rowCodes;
    rowCodes.reserve(static_cast<std::size_t>(data->RecordCount()));
    for (int r = 1; r <= data->RecordCount(); ++r) {
        platform::TRecordPeek peek(*data, r);
        rowCodes.push_back(key->AsString());
    }

    std::vector<std::string> codes = chosen;
    if (!platform::Application().Services().PickList(*data, key->FieldName(), caption, codes))
        return false;

    // Keep the dataset's order, drop unknown or empty codes and repeats.
    std::vector<std::string> result;
    for (const std::string& code : rowCodes) {
        if (code.empty()) continue;
        if (std::find(codes.begin(), codes.end(), code) == codes.end()) continue;
        if (std::find(result.begin(), result.end(), code) != result.end()) continue;
        result.push_back(code);
        if (singleChoice) break;
    }
    list = EncodeCodeList(result);
    return true;
}

} // namespace host::Pesqlista
