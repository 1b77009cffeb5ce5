// The in-memory dataset: fields, rows, cursor, states, events, index, locate; and the client
// dataset.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes.h"
#include "platform/datasource.h"
#include "platform/fielddefs.h"
#include "platform/fields.h"
#include "platform/recordstore.h"
#include "platform/variant.h"

namespace platform {

using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;

enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TOptionSet<TLocateOption>;

class TRowAppender;

/// A dataset held in memory. Rows are kept compactly (TRecordStore) in insertion order; an
/// active index gives the order in which they are read. The cursor is a position in that order.
///
/// Invariants: State() is dsInactive exactly when closed; while open, 0 <= cursor < RecordCount()
/// or the dataset is empty; in dsEdit/dsInsert the current values live in an edit buffer that
/// Post copies into the row and Cancel drops. Fields added by code before opening are persistent
/// and keep their objects for the dataset's whole life; without them, the fields are made from
/// the columns at each open (objects of the same name and type are kept).
///
/// Controls: while DisableControls is in force, linked data sources hear nothing (events of the
/// dataset itself still run); the outermost EnableControls reports a state change if the state
/// differs from when controls were disabled, then DataSetChanged once if the dataset is open.
class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* owner = nullptr);
    ~TDataSet() override;

    // Persistent fields, declared by code while the dataset is closed.
    TStringField* AddStringField(std::string name, int size);
    TFixedCharField* AddFixedCharField(std::string name, int size);
    TFloatField* AddFloatField(std::string name);
    TDateTimeField* AddDateTimeField(std::string name);
    TIntegerField* AddIntegerField(std::string name);
    TBooleanField* AddBooleanField(std::string name);
    /// Adds a field object; EDatabaseError when open or when the name is taken.
    TField* AddField(std::unique_ptr<TField> field);

    const std::vector<TField*>& Fields() const { return fields_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    /// A field by name ignoring case; EDatabaseError "Campo 'X' não encontrado" when absent.
    TField* FieldByName(std::string_view name) const;
    /// A field by name ignoring case; nullptr when absent.
    TField* FindField(std::string_view name) const;

    // Opening and state.
    bool Active() const { return state_ != TDataSetState::dsInactive; }
    void SetActive(bool active);
    /// Opens the dataset from what it holds; a dataset with nothing to open raises EDatabaseError.
    virtual void Open();
    /// Closes the dataset, dropping pending edits and every row.
    void Close();
    TDataSetState State() const { return state_; }

    // Editing.
    /// Puts the current row into edit state; on an empty dataset, appends.
    void Edit();
    /// Starts a new row at the end (posted at its place in the active index).
    void Append();
    /// Writes the edit buffer into the row: BeforePost, state browse, AfterPost.
    void Post();
    /// Drops the edit buffer and goes back to browse state.
    void Cancel();
    /// Posts pending edits when a field changed, else cancels them.
    void CheckBrowseMode();
    /// True while in edit/insert state after a field was assigned.
    bool Modified() const { return modified_; }

    // Navigation, in the order of the active index.
    void First();
    void Last();
    void Next();
    void Prior();
    /// Moves by distance rows, stopping at the ends; returns the rows actually moved.
    int MoveBy(int distance);
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    /// Position of the current row, 1-based; 0 when there is none.
    int RecNo() const;
    void SetRecNo(int recNo);
    int RecordCount() const;
    bool IsEmpty() const { return RecordCount() == 0; }
    /// Moves to the first row, in the current order, whose fields keyFields ("A;B") equal
    /// keyValues (one value, or a variant array with one element per field). Returns whether
    /// such a row exists; when none does, the cursor stays.
    bool Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options = {});
    bool Locate(std::string_view keyFields, std::initializer_list<Variant> keyValues,
                TLocateOptions options = {});

    // Linked controls.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    /// Bytes held by the rows, index and buffers (allocated capacities).
    std::size_t AllocatedBytes() const;

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeEdit, AfterEdit, BeforeInsert, AfterInsert;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeScroll, AfterScroll;

protected:
    /// Columns of the stored rows, as the dataset was last created or loaded.
    const std::vector<TFieldDef>& Columns() const { return columns_; }
    const TRecordStore& Store() const { return store_; }
    TRecordStore& Store() { return store_; }
    /// Checks that persistent fields find their columns with the same types; EDatabaseError
    /// naming the first field that does not.
    void CheckColumns(const std::vector<TFieldDef>& columns) const;
    /// Closes (with its events) and opens again on the given columns and rows, ordered by the
    /// index fields given. Refusals (persistent fields, index fields) come before any change.
    void OpenWith(std::vector<TFieldDef> columns, TRecordStore rows, const std::string& indexFields,
                  TIndexOptions indexOptions);
    /// The columns persistent fields define (empty when there are none).
    std::vector<TFieldDef> PersistentColumns() const;
    bool HasPersistentFields() const { return !dynamicFields_ && !fields_.empty(); }

    /// Orders the rows by the given fields ("" = insertion order) and keeps the current row.
    void SetIndexFields(const std::string& fields, TIndexOptions options);
    /// Rows were replaced wholesale: rebuild the order, go to the first row, tell the controls.
    void RowsReplaced();
    /// Rows were restored (change log undone): rebuild the order, keep the position if possible.
    void RowsRestored();
    void CheckActive() const;

private:
    friend class TField;
    friend class TDataSource;
    friend class TRowAppender;
    friend class TRecordPeek;
    friend std::string EncodePacket(const TDataSet& dataSet);

    struct IndexKey {
        int column;
        bool descending;
        bool caseInsensitive;
    };

    // Records the fields read and write.
    const std::byte* CurrentRecord() const;
    std::byte* EditRecord();
    void FieldChanged(TField* field);

    std::size_t PhysicalRow(std::size_t position) const {
        return order_.empty() ? position : order_[position];
    }
    void BindFields();
    void SetState(TDataSetState state);
    /// The common end of Insert and Post: an empty edit arena, nothing modified, the cursor at
    /// neither end, `state` entered, the linked sources told the data changed, then `after`.
    void EndEditStep(TDataSetState state, const TDataSetNotifyEvent& after);
    void DoEvent(const TDataSetNotifyEvent& event) {
        if (event) event(this);
    }
    static std::vector<IndexKey> ResolveIndexKeys(const std::vector<TFieldDef>& columns,
                                                  const std::string& fields, TIndexOptions options);
    bool LocateValues(std::string_view keyFields, const Variant* values, std::size_t count,
                      TLocateOptions options);
    void RebuildOrder();
    bool RowLess(std::size_t a, std::size_t b) const;
    void PlaceRow(std::size_t row);

    // Notifications to linked data sources (withheld while controls are disabled).
    void NotifyStateChange(TDataSetState oldState);
    void NotifyDataSetChanged();
    void NotifyScrolled();
    void NotifyRecordChanged(TField* field);

    std::vector<std::unique_ptr<TField>> ownedFields_;
    std::vector<TField*> fields_;
    bool dynamicFields_ = false;

    std::vector<TFieldDef> columns_;
    TRecordStore store_;

    std::string indexFields_;
    TIndexOptions indexOptions_;
    std::vector<IndexKey> indexKeys_;
    std::vector<std::uint32_t> order_; // physical rows in index order; empty = insertion order

    TDataSetState state_ = TDataSetState::dsInactive;
    std::size_t cursor_ = 0;
    bool eof_ = true;
    bool bof_ = true;
    TByteBuffer editBuffer_;
    TByteBuffer editArena_;
    bool modified_ = false;
    std::size_t savedCursor_ = 0;           // cursor before Append, restored by Cancel
    const std::byte* peekRecord_ = nullptr; // the row fields read while peeking
    bool peeking_ = false;

    int disableCount_ = 0;
    TDataSetState disableState_ = TDataSetState::dsInactive;
    std::vector<TDataSource*> sources_;
};

/// Lets fields read another row without moving the cursor or firing anything, while it lives
/// (a grid painting its visible rows). recNo is 1-based in the current order; the row being
/// edited reads its edit buffer.
class TRecordPeek {
public:
    TRecordPeek(TDataSet& dataSet, int recNo);
    ~TRecordPeek();
    TRecordPeek(const TRecordPeek&) = delete;
    TRecordPeek& operator=(const TRecordPeek&) = delete;

private:
    TDataSet& dataSet_;
    const std::byte* savedRecord_;
    bool savedPeeking_;
};

/// Appends many rows to an open dataset in browse state without per-row events, for loaders
/// (SQL results, the server). Fields are addressed by their index in Fields(). Texts are cut
/// to the field's size as assignments are; a value of the wrong kind raises EDatabaseError.
/// Appended rows count as inserted in the change log. Finish (or destruction) rebuilds the
/// index, moves to the first row and tells linked controls once.
class TRowAppender {
public:
    explicit TRowAppender(TDataSet& dataSet);
    ~TRowAppender();
    TRowAppender(const TRowAppender&) = delete;
    TRowAppender& operator=(const TRowAppender&) = delete;

    /// Starts a new row with every value null.
    void AddRow();
    void SetNull(int field);
    void SetString(int field, std::string_view value);
    void SetFloat(int field, double value);
    void SetDateTime(int field, TDateTime value);
    void SetInteger(int field, std::int64_t value);
    void SetBoolean(int field, bool value);
    /// Converts the variant to the field's type; Null and Empty give null.
    void SetVariant(int field, const Variant& value);
    void Finish();

private:
    std::byte* Row(int field, TFieldType expected);
    /// The storage column of a field that Row() has checked.
    int Column(int field) const;
    TDataSet* dataSet_;
    std::size_t row_ = 0;
    bool started_ = false;
};

/// The client dataset: content created from stored definitions or replaced as a whole by a
/// data packet (Data), a change log, and indexes by name or by fields.
class TClientDataSet : public TDataSet {
public:
    explicit TClientDataSet(TComponent* owner = nullptr);

    TFieldDefs& FieldDefs() { return fieldDefs_; }
    const TFieldDefs& FieldDefs() const { return fieldDefs_; }
    TIndexDefs& IndexDefs() { return indexDefs_; }
    const TIndexDefs& IndexDefs() const { return indexDefs_; }

    /// Opens the dataset empty, laid out by the persistent fields or else by FieldDefs().
    void CreateDataSet();
    /// Raises EDatabaseError: a client dataset opens through CreateDataSet or Data.
    void Open() override;

    /// The whole content as a data packet (a byte string); Null when closed. Posts pending edits.
    Variant Data();
    /// Replaces the whole content with a packet and opens the dataset: AfterClose (when it was
    /// open), then AfterOpen. A malformed packet, or one that lacks a persistent field or carries
    /// it with another type, raises EDatabaseError and leaves the dataset exactly as it was.
    /// Null or Empty closes the dataset.
    void SetData(const Variant& data);

    /// Removes every row (fields kept); the change log is emptied too.
    void EmptyDataSet();
    /// Makes the current rows the base that CancelUpdates returns to.
    void MergeChangeLog();
    /// Puts the rows back as at the last open or merge; nothing on a closed dataset.
    void CancelUpdates();
    int ChangeCount() const;

    /// The active index by name (one of IndexDefs()); "" = insertion order.
    const std::string& IndexName() const { return indexName_; }
    void SetIndexName(std::string name);
    /// The active index by fields ("A;B"); "" = insertion order.
    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(std::string fields);

private:
    struct IndexSpec {
        std::string fields;
        TIndexOptions options;
    };
    IndexSpec ActiveIndexSpec(const std::string& name, const std::string& fields) const;
    TFieldDefs fieldDefs_;
    TIndexDefs indexDefs_;
    std::string indexName_;
    std::string indexFieldNames_;
};

} // namespace platform
