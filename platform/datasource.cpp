// The data source between a dataset and its data-aware controls, and the link those controls use.
#include "platform/datasource.h"

#include <algorithm>

#include "platform/dataset.h"

namespace platform {

namespace {

// Moves `item` from the list of the object it was linked to (`from`, nullptr: none) to the
// list of the new one (`to`, nullptr: none). Invariant kept: an item is in the list of
// exactly the object it points to.
template <class T, class Owner>
void Relink(T* item, Owner* from, Owner* to, std::vector<T*> Owner::*list) {
    if (from) {
        auto& items = from->*list;
        items.erase(std::remove(items.begin(), items.end(), item), items.end());
    }
    if (to) (to->*list).push_back(item);
}

} // namespace

// ---- TDataLink ----

TDataLink::~TDataLink() {
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == source_) return;
    Relink(this, source_, source, &TDataSource::links_);
    source_ = source;
    ActiveChanged();
}

TDataSet* TDataLink::DataSet() const {
    return source_ ? source_->DataSet() : nullptr;
}

bool TDataLink::Active() const {
    TDataSet* ds = DataSet();
    return ds && ds->Active();
}

// ---- TDataSource ----

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    // Going away is no state change a handler should hear about; linked controls still learn
    // that their data is gone.
    OnStateChange = nullptr;
    OnDataChange = nullptr;
    SetDataSet(nullptr);
    for (TDataLink* link : links_) link->source_ = nullptr;
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    Relink(this, dataSet_, dataSet, &TDataSet::sources_);
    dataSet_ = dataSet;
    NotifyActiveChanged();
    NotifyStateChange();
}

TDataSetState TDataSource::State() const {
    return dataSet_ ? dataSet_->State() : TDataSetState::dsInactive;
}

namespace {

// A handler may unlink (or destroy) controls while being told: go over a copy and skip links
// that left meanwhile.
template <class F> void ForEachLink(const std::vector<TDataLink*>& live, F tell) {
    std::vector<TDataLink*> copy = live;
    for (TDataLink* link : copy)
        if (std::find(live.begin(), live.end(), link) != live.end()) tell(link);
}

} // namespace

void TDataSource::NotifyStateChange() {
    if (OnStateChange) OnStateChange(this);
}

void TDataSource::NotifyActiveChanged() {
    ForEachLink(links_, [&](TDataLink* link) { link->ActiveChanged(); });
}

void TDataSource::NotifyEditingChanged() {
    ForEachLink(links_, [&](TDataLink* link) { link->EditingChanged(); });
}

void TDataSource::NotifyDataSetChanged() {
    ForEachLink(links_, [&](TDataLink* link) { link->DataSetChanged(); });
    if (OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::NotifyScrolled() {
    ForEachLink(links_, [&](TDataLink* link) { link->DataSetScrolled(); });
    if (OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::NotifyRecordChanged(TField* field) {
    ForEachLink(links_, [&](TDataLink* link) { link->RecordChanged(field); });
    if (OnDataChange) OnDataChange(this, field);
}

} // namespace platform
