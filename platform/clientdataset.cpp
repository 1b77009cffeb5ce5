// The client dataset: creation from definitions, whole content as a data packet, change log,
// indexes.
#include <memory>

#include "platform/datapacket.h"
#include "platform/dataset.h"
#include "platform/sysutils.h"

namespace platform {

TClientDataSet::TClientDataSet(TComponent* owner) : TDataSet(owner) {}

void TClientDataSet::Open() {
    if (Active()) return;
    throw EDatabaseError("Provedor ou pacote de dados ausente: use CreateDataSet ou atribua Data");
}

void TClientDataSet::CreateDataSet() {
    std::vector<TFieldDef> columns =
        fieldDefs_.Count() > 0 ? fieldDefs_.Items() : PersistentColumns();
    if (columns.empty())
        throw EDatabaseError("Não há definições de campos para criar o conjunto de dados");
    IndexSpec index = ActiveIndexSpec(indexName_, indexFieldNames_);
    std::vector<TFieldType> types;
    for (const TFieldDef& c : columns) types.push_back(c.DataType);
    TRecordStore rows;
    rows.SetLayout(std::move(types));
    OpenWith(std::move(columns), std::move(rows), index.fields, index.options);
}

Variant TClientDataSet::Data() {
    if (!Active()) return Variant::Null();
    CheckBrowseMode();
    return Variant::FromBytes(EncodePacket(*this));
}

void TClientDataSet::SetData(const Variant& data) {
    if (data.IsNull() || data.IsEmpty()) {
        Close();
        return;
    }
    std::shared_ptr<const std::string> bytes;
    if (data.Type() == VarType::Bytes)
        bytes = data.SharedBytes();
    else if (data.Type() == VarType::String)
        bytes = std::make_shared<const std::string>(data.AsString());
    else
        throw EDatabaseError(
            std::string("Os dados de um conjunto de dados devem ser um pacote de dados, não ") +
            Variant::TypeName(data.Type()));
    IndexSpec index = ActiveIndexSpec(indexName_, indexFieldNames_);
    TPacketContent content = DecodePacket(
        *bytes, [this](const std::vector<TFieldDef>& columns) { CheckColumns(columns); });
    std::vector<TFieldDef> columns = content.Columns;
    OpenWith(std::move(content.Columns), std::move(content.Rows), index.fields, index.options);
    fieldDefs_.Clear();
    for (const TFieldDef& c : columns) fieldDefs_.Add(c.Name, c.DataType, c.Size, c.Required);
}

void TClientDataSet::EmptyDataSet() {
    CheckActive();
    CheckBrowseMode();
    Store().Clear();
    RowsReplaced();
}

void TClientDataSet::MergeChangeLog() {
    if (!Active()) return;
    CheckBrowseMode();
    Store().MergeChangeLog();
}

void TClientDataSet::CancelUpdates() {
    if (!Active()) return;
    Cancel();
    Store().CancelUpdates();
    RowsRestored();
}

int TClientDataSet::ChangeCount() const {
    return Active() ? static_cast<int>(Store().ChangeCount()) : 0;
}

// Setting one of IndexName and IndexFieldNames clears the other. A closed dataset only keeps
// the name: the index is looked up when it opens.
void TClientDataSet::SetIndexName(std::string name) {
    if (Active()) {
        IndexSpec index = ActiveIndexSpec(name, "");
        SetIndexFields(index.fields, index.options);
    }
    indexName_ = std::move(name);
    indexFieldNames_.clear();
}

void TClientDataSet::SetIndexFieldNames(std::string fields) {
    if (Active()) SetIndexFields(fields, {});
    indexFieldNames_ = std::move(fields);
    indexName_.clear();
}

TClientDataSet::IndexSpec TClientDataSet::ActiveIndexSpec(const std::string& name,
                                                          const std::string& fields) const {
    if (name.empty()) return IndexSpec{fields, {}};
    const TIndexDef* def = indexDefs_.Find(name);
    if (!def) throw EDatabaseError("Índice '" + name + "' não encontrado");
    return IndexSpec{def->Fields, def->Options};
}

} // namespace platform
