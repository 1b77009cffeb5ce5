// Fields of a dataset: typed access to one column of the current row, and how it is shown.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/classes.h"
#include "platform/fielddefs.h"
#include "platform/variant.h"

namespace platform {

class TDataSet;
class TField;

/// Supplies a field's text: displayText is true for what grids and labels show, false for editing.
using TFieldGetTextEvent = std::function<void(TField* sender, std::string& text, bool displayText)>;
using TFieldNotifyEvent = std::function<void(TField* sender)>;

/// One column of a dataset as screens see it. A field added to a dataset is owned by it.
/// Reading gives the value of the dataset's current row (null when the dataset is closed or
/// has no rows); writing requires the dataset to be in edit or insert state.
/// Conversions a type does not support raise EDatabaseError naming the field.
class TField : public TObject {
public:
    ~TField() override = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const std::string& FieldName() const { return def_.Name; }
    TFieldType DataType() const { return def_.DataType; }
    /// Characters for text fields, 0 for the others.
    int Size() const { return def_.Size; }
    const TFieldDef& Def() const { return def_; }
    TDataSet* DataSet() const { return dataSet_; }
    /// Position in the dataset's Fields(), 0-based; -1 before the field is added.
    int Index() const { return index_; }

    /// The caption grids use; the field name unless set.
    const std::string& DisplayLabel() const {
        return displayLabel_.empty() ? def_.Name : displayLabel_;
    }
    void SetDisplayLabel(std::string label) { displayLabel_ = std::move(label); }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool Required() const { return def_.Required; }
    void SetRequired(bool required) { def_.Required = required; }
    /// FormatFloat pattern for numbers ("#,##0.00 "); empty = plain text.
    const std::string& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(std::string format) { displayFormat_ = std::move(format); }
    /// Edit mask of text fields; the display text goes through FormatMaskText when it is set.
    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(std::string mask) { editMask_ = std::move(mask); }
    /// Width in characters a grid gives the column by default.
    int DisplayWidth() const;
    void SetDisplayWidth(int width) { displayWidth_ = width; }

    /// Replaces the text and display text of the field when set.
    TFieldGetTextEvent OnGetText;
    /// Runs after every assignment to the field.
    TFieldNotifyEvent OnChange;

    // Values of the current row.
    bool IsNull() const;
    virtual std::string AsString() const;
    virtual double AsFloat() const;
    virtual TDateTime AsDateTime() const;
    virtual std::int64_t AsInteger() const;
    virtual bool AsBoolean() const;
    /// Null when the value is null; otherwise a variant of the field's type (Date for dates).
    virtual Variant AsVariant() const;
    Variant Value() const { return AsVariant(); }

    virtual void SetAsString(std::string_view value);
    virtual void SetAsFloat(double value);
    virtual void SetAsDateTime(TDateTime value);
    virtual void SetAsInteger(std::int64_t value);
    virtual void SetAsBoolean(bool value);
    /// Null or Empty clears the field; any other variant is converted to the field's type.
    virtual void SetAsVariant(const Variant& value);
    void SetValue(const Variant& value) { SetAsVariant(value); }
    /// Makes the value null.
    void Clear();

    /// The text for editing: OnGetText(false) when set, else the value as text.
    std::string Text() const;
    /// Assigns text typed by a user (parsed with the workstation's formats).
    void SetText(std::string_view text) { SetAsString(text); }
    /// The text shown: OnGetText(true) when set, else the display format or edit mask applied.
    std::string DisplayText() const;

protected:
    explicit TField(TFieldDef def);

    /// The text of the value, without OnGetText; null gives "".
    virtual std::string GetText(bool displayText) const;
    [[noreturn]] void AccessError(const char* typeName) const;

    // Raw access to this field's column in the current record (see TDataSet).
    const std::byte* ReadRecord() const;
    std::byte* WriteRecord();
    void Changed();
    std::string_view ReadText(const std::byte* record) const;
    void WriteText(std::byte* record, std::string_view text);
    double ReadDouble(const std::byte* record) const;
    void WriteDouble(std::byte* record, double value);
    std::int64_t ReadInt(const std::byte* record) const;
    void WriteInt(std::byte* record, std::int64_t value);

private:
    friend class TDataSet;
    friend class TRowAppender;
    TFieldDef def_;
    TDataSet* dataSet_ = nullptr;
    int index_ = -1;
    int column_ = -1; // storage column while the dataset is open, else -1
    std::string displayLabel_;
    std::string displayFormat_;
    std::string editMask_;
    int displayWidth_ = 0;
    bool visible_ = true;
};

/// Text of at most Size characters; longer assignments are cut to Size (UTF-8 characters).
class TStringField : public TField {
public:
    TStringField(std::string name, int size);
    std::string AsString() const override;
    double AsFloat() const override;
    TDateTime AsDateTime() const override;
    std::int64_t AsInteger() const override;
    bool AsBoolean() const override;
    Variant AsVariant() const override;
    void SetAsString(std::string_view value) override;
    void SetAsFloat(double value) override;
    void SetAsDateTime(TDateTime value) override;
    void SetAsInteger(std::int64_t value) override;
    void SetAsBoolean(bool value) override;

protected:
    TStringField(std::string name, TFieldType type, int size);
    std::string GetText(bool displayText) const override;
};

/// Fixed-width text: assignments are cut or padded with blanks to exactly Size characters.
class TFixedCharField : public TStringField {
public:
    TFixedCharField(std::string name, int size);
    void SetAsString(std::string_view value) override;
};

class TFloatField : public TField {
public:
    explicit TFloatField(std::string name);
    std::string AsString() const override;
    double AsFloat() const override;
    std::int64_t AsInteger() const override;
    Variant AsVariant() const override;
    void SetAsString(std::string_view value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(std::int64_t value) override;

protected:
    std::string GetText(bool displayText) const override;
};

/// A date and time (automation date); the display text leaves the time out at midnight.
class TDateTimeField : public TField {
public:
    explicit TDateTimeField(std::string name);
    std::string AsString() const override;
    double AsFloat() const override;
    TDateTime AsDateTime() const override;
    Variant AsVariant() const override;
    void SetAsString(std::string_view value) override;
    void SetAsFloat(double value) override;
    void SetAsDateTime(TDateTime value) override;
};

class TIntegerField : public TField {
public:
    explicit TIntegerField(std::string name);
    std::string AsString() const override;
    double AsFloat() const override;
    std::int64_t AsInteger() const override;
    Variant AsVariant() const override;
    void SetAsString(std::string_view value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(std::int64_t value) override;

protected:
    std::string GetText(bool displayText) const override;
};

/// A truth value; its text is "True" or "False".
class TBooleanField : public TField {
public:
    explicit TBooleanField(std::string name);
    std::string AsString() const override;
    bool AsBoolean() const override;
    Variant AsVariant() const override;
    void SetAsString(std::string_view value) override;
    void SetAsBoolean(bool value) override;
};

/// A field object of the class that fits the definition's type.
std::unique_ptr<TField> CreateField(const TFieldDef& def);

} // namespace platform
