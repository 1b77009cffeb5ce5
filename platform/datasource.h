// The data source between a dataset and the controls bound to it, and the link those controls use.
#pragma once

#include <functional>
#include <vector>

#include "platform/classes.h"

namespace platform {

class TDataSet;
class TDataSource;
class TField;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

/// What a data-aware control (grid, data-aware text) inherits to hear about its data source.
/// Notifications are withheld while the dataset's controls are disabled; when the outermost
/// EnableControls runs, each link hears DataSetChanged once.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const { return source_; }
    TDataSet* DataSet() const;
    /// True while the data source has an open dataset.
    bool Active() const;

protected:
    friend class TDataSource;
    /// The dataset opened or closed.
    virtual void ActiveChanged() {}
    /// Rows were replaced, inserted or deleted, or controls were re-enabled: repaint everything.
    virtual void DataSetChanged() {}
    /// The current row moved.
    virtual void DataSetScrolled() {}
    /// A field of the current row changed (field is nullptr for the whole row).
    virtual void RecordChanged(TField* /*field*/) {}
    /// The dataset entered or left edit/insert state.
    virtual void EditingChanged() {}

private:
    TDataSource* source_ = nullptr;
};

/// Connects a dataset to data-aware controls and reports its state changes.
class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* owner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    TDataSetState State() const;

    /// Runs on every change of the dataset's state (opened, closed, edit, browse...).
    TNotifyEvent OnStateChange;
    /// Runs when the current row moved or its data changed (field nullptr = whole row).
    std::function<void(TObject* sender, TField* field)> OnDataChange;

    // Called by the dataset (not by screens).
    void NotifyStateChange();
    void NotifyActiveChanged();
    /// The dataset entered or left edit/insert state.
    void NotifyEditingChanged();
    void NotifyDataSetChanged();
    void NotifyScrolled();
    void NotifyRecordChanged(TField* field);

private:
    friend class TDataLink;
    friend class TDataSet;
    TDataSet* dataSet_ = nullptr;
    std::vector<TDataLink*> links_;
};

} // namespace platform
