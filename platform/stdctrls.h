// Standard controls: labels, edits, masked edits, buttons, check and radio buttons, panels,
// group boxes, radio groups, speed buttons and images.
#pragma once

#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/editmask.h"
#include "platform/forms.h"

namespace platform {

enum class TTextLayout { tlTop, tlCenter, tlBottom };

/// A text on a form. It never takes the focus; FocusControl names the control it labels.
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner);
    const char* ClassName() const override { return "TLabel"; }

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value) { autoSize_ = value; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value) { wordWrap_ = value; }
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout layout) { layout_ = layout; }
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* control) { focusControl_ = control; }

private:
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool autoSize_ = true;
    bool transparent_ = false;
    bool wordWrap_ = false;
    TTextLayout layout_ = TTextLayout::tlTop;
    TWinControl* focusControl_ = nullptr;
};

/// A one-line text edit. Invariants: 0 <= SelStart() <= length of the text (in characters) and
/// SelStart() + SelLength() <= that length. OnChange runs after every change of the text,
/// whether typed or assigned by code (assigning the same text is no change).
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);
    const char* ClassName() const override { return "TEdit"; }

    std::string Text() const override { return shown_; }
    /// Assigning the text puts the caret after its end.
    void SetText(const std::string& text) override;
    /// Most characters a person may type; 0 = no limit. Text assigned by code is kept whole.
    int MaxLength() const { return maxLength_; }
    virtual void SetMaxLength(int length);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    /// Whether entering the edit selects all its text (the platform's default).
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool value) { autoSelect_ = value; }
    /// Set by every change of the text; the program may clear it.
    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }

    int SelStart() const { return selStart_; }
    int SelLength() const { return selLength_; }
    /// Moves the caret (clamped to the text) and empties the selection.
    void SetSelStart(int start);
    /// Selects from SelStart (clamped to the text).
    void SetSelLength(int length);
    std::string SelText() const;
    void SelectAll();
    void Clear() { SetText(""); }

    TNotifyEvent OnChange;

    /// A person typing one character into this edit (focused or not): OnKeyPress, then the
    /// edit's own handling (backspace deletes; other control characters do nothing; a
    /// printable character replaces the selection within MaxLength unless ReadOnly).
    /// Returns the key as handled (0 when cancelled).
    TKeyChar TypeKey(TKeyChar key) { return KeyPress(key); }
    /// Types each character of a UTF-8 text with TypeKey.
    void TypeText(std::string_view text);

protected:
    void DoEnter() override;
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleKeyPress(TKeyChar key) override;
    /// The text shown in the box (for a masked edit: with literals and blanks).
    virtual const std::string& Shown() const { return shown_; }
    /// Replaces the text shown after a person's key, with the caret there; runs OnChange.
    void ApplyEdit(std::string shown, int caret);
    /// Replaces the text shown from code; runs OnChange when it differs.
    void AssignShown(std::string shown);
    /// A printable character typed, or a deletion (backspace or Delete), on the shown text.
    virtual bool EditKey(std::string_view key, std::string& shown, int& caret);
    virtual bool EditDelete(bool backspace, std::string& shown, int& caret);
    /// Runs OnChange and tells the observers.
    virtual void Change();

    std::string shown_;

private:
    void ClampSelection();
    int maxLength_ = 0;
    bool readOnly_ = false;
    bool autoSelect_ = true;
    bool modified_ = false;
    int selStart_ = 0;
    int selLength_ = 0;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

/// An edit whose text follows an edit mask (see editmask.h). Text() is the value (the mask's
/// save-literals rule applied); EditText() is what the box shows, literals and blanks included.
/// Without a mask it behaves as a plain edit limited by MaxLength.
class TMaskEdit : public TCustomEdit {
public:
    explicit TMaskEdit(TComponent* owner);
    const char* ClassName() const override { return "TMaskEdit"; }

    const std::string& EditMask() const { return mask_.Source(); }
    /// Sets the mask; the current value is laid into it again.
    void SetEditMask(const std::string& mask);
    const TEditMask& Mask() const { return mask_; }
    bool IsMasked() const { return !mask_.IsEmpty(); }

    std::string Text() const override;
    void SetText(const std::string& text) override;
    std::string EditText() const { return shown_; }
    void SetEditText(const std::string& editText);

protected:
    void DoEnter() override;
    /// Leaving the edit after a change with a required mask position unfilled raises an error
    /// (so the focus stays); Esc gives back the text the edit had when entered.
    void DoExit() override;
    void HandleKeyPress(TKeyChar key) override;
    bool EditKey(std::string_view key, std::string& shown, int& caret) override;
    bool EditDelete(bool backspace, std::string& shown, int& caret) override;

private:
    TEditMask mask_;
    std::string shownAtEnter_;
};

/// Base of push buttons, check boxes and radio buttons: the space bar clicks the focused one.
class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner);

protected:
    void HandleKeyPress(TKeyChar key) override;
};

/// A push button. Clicking one with a ModalResult sets it on its form (ending a modal loop).
class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner) : TButtonControl(owner) {}
    const char* ClassName() const override { return "TButton"; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool Default() const { return default_; }
    void SetDefault(bool value) { default_ = value; }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    void Click() override;

private:
    TModalResult modalResult_ = 0;
    bool default_ = false;
    bool cancel_ = false;
};

/// A check box: Checked toggles on a click; OnClick runs on every change of Checked.
class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* owner) : TButtonControl(owner) {}
    const char* ClassName() const override { return "TCheckBox"; }
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    void Click() override { SetChecked(!checked_); }

private:
    bool checked_ = false;
};

/// A radio button. Checking it (by a click or from code) unchecks the other radio buttons of
/// the same parent and runs OnClick, but only when it was not checked before: a click on a
/// checked button and unchecking from code run nothing.
class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner) : TButtonControl(owner) {}
    const char* ClassName() const override { return "TRadioButton"; }
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    /// Checks the button (see the class comment).
    void Click() override { SetChecked(true); }

private:
    bool checked_ = false;
};

enum class TBevelCut { bvNone, bvLowered, bvRaised };

/// A container with a border and an optional caption.
class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* owner);
    const char* ClassName() const override { return "TPanel"; }
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut cut) { bevelOuter_ = cut; }
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut cut) { bevelInner_ = cut; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment) { alignment_ = alignment; }

private:
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
    TBevelCut bevelInner_ = TBevelCut::bvNone;
    TAlignment alignment_ = TAlignment::taCenter;
};

/// A framed container with a caption on its border.
class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* owner);
    const char* ClassName() const override { return "TGroupBox"; }
};

/// A group box holding a column of radio choices. ItemIndex is the chosen item: setting it
/// beyond the last item chooses the last, below 0 chooses none (-1). OnClick runs whenever the
/// choice changes, by a person or by code.
class TRadioGroup : public TWinControl {
public:
    explicit TRadioGroup(TComponent* owner);
    const char* ClassName() const override { return "TRadioGroup"; }

    const std::vector<std::string>& Items() const { return items_; }
    /// Replaces the items; the choice is clamped to them.
    void SetItems(std::vector<std::string> items);
    void AddItem(std::string item);
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    int Columns() const { return columns_; }
    void SetColumns(int columns) { columns_ = columns < 1 ? 1 : columns; }
    /// A person clicking item `index`: the group takes the focus, then the item is chosen.
    void ClickItem(int index);

protected:
    void HandleKeyDown(Word& key, TShiftState shift) override;

private:
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    int columns_ = 1;
};

/// A tool button without a window: it never takes the focus, so clicking it leaves the focus
/// (and its exit events) alone.
class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);
    const char* ClassName() const override { return "TSpeedButton"; }
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    const TBitmap& Glyph() const { return glyph_; }
    void SetGlyph(const TBitmap& glyph);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count) { numGlyphs_ = count; }
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index) { groupIndex_ = index; }
    bool Down() const { return down_; }
    void SetDown(bool value);

private:
    bool flat_ = false;
    TBitmap glyph_;
    int numGlyphs_ = 1;
    int groupIndex_ = 0;
    bool down_ = false;
};

/// A picture on a form.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    const char* ClassName() const override { return "TImage"; }
    const TBitmap& Picture() const { return picture_; }
    /// Sets the picture; with AutoSize the image takes the picture's size.
    void SetPicture(const TBitmap& picture);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value) { stretch_ = value; }
    bool Center() const { return center_; }
    void SetCenter(bool value) { center_ = value; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }

private:
    TBitmap picture_;
    bool autoSize_ = false;
    bool stretch_ = false;
    bool center_ = false;
    bool transparent_ = false;
};

} // namespace platform
