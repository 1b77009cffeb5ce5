// Standard controls: labels, edits, masked edits, buttons, check and radio buttons, panels,
// group boxes, radio groups, speed buttons and images.
#include "platform/stdctrls.h"

#include <algorithm>

namespace platform {

namespace {

int CharCount(const std::string& text) {
    return static_cast<int>(Utf8Length(text));
}

// Hands an edit's accepted keystroke back: the new text in `shown`, the caret in `caret`.
// Returns whether the key was accepted; a refused key leaves both as they were.
bool Accept(TMaskEditChange change, std::string& shown, int& caret) {
    if (!change.accepted) return false;
    shown = std::move(change.editText);
    caret = change.cursor;
    return true;
}

} // namespace

// ---- TLabel ----

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {}

void TLabel::SetAlignment(TAlignment alignment) {
    if (AssignIfChanged(alignment_, alignment)) Changed(TChange::Caption);
}

// ---- TCustomEdit ----

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    color_ = clWindow;
}

void TCustomEdit::SetText(const std::string& text) {
    AssignShown(text);
}

void TCustomEdit::SetMaxLength(int length) {
    length = std::max(0, length);
    if (AssignIfChanged(maxLength_, length)) Changed(TChange::EditMask);
}

void TCustomEdit::SetReadOnly(bool value) {
    if (AssignIfChanged(readOnly_, value)) Changed(TChange::ReadOnly);
}

void TCustomEdit::ClampSelection() {
    int length = CharCount(Shown());
    selStart_ = std::clamp(selStart_, 0, length);
    selLength_ = std::clamp(selLength_, 0, length - selStart_);
}

void TCustomEdit::SetSelStart(int start) {
    selStart_ = start;
    selLength_ = 0;
    ClampSelection();
    Changed(TChange::Selection);
}

void TCustomEdit::SetSelLength(int length) {
    selLength_ = length;
    ClampSelection();
    Changed(TChange::Selection);
}

std::string TCustomEdit::SelText() const {
    return Utf8Copy(Shown(), static_cast<std::size_t>(selStart_),
                    static_cast<std::size_t>(selLength_));
}

void TCustomEdit::SelectAll() {
    selStart_ = 0;
    selLength_ = CharCount(Shown());
    Changed(TChange::Selection);
}

void TCustomEdit::TypeText(std::string_view text) {
    for (TKeyChar ch : Utf8Decode(text)) TypeKey(ch);
}

void TCustomEdit::DoEnter() {
    if (autoSelect_) SelectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::Change() {
    Changed(TChange::Caption);
    if (OnChange) OnChange(this);
}

void TCustomEdit::ApplyEdit(std::string shown, int caret) {
    bool changed = shown != shown_;
    shown_ = std::move(shown);
    selStart_ = caret;
    selLength_ = 0;
    ClampSelection();
    Changed(TChange::Selection);
    if (changed) {
        modified_ = true;
        Change();
    }
}

void TCustomEdit::AssignShown(std::string shown) {
    if (shown == shown_) return;
    shown_ = std::move(shown);
    selStart_ = CharCount(shown_);
    selLength_ = 0;
    Change();
}

bool TCustomEdit::EditKey(std::string_view key, std::string& shown, int& caret) {
    return Accept(PlainTypeKey(shown_, selStart_, selLength_, key, maxLength_), shown, caret);
}

bool TCustomEdit::EditDelete(bool backspace, std::string& shown, int& caret) {
    return Accept(PlainDeleteKey(shown_, selStart_, selLength_, backspace), shown, caret);
}

void TCustomEdit::HandleKeyPress(TKeyChar key) {
    if (readOnly_) return;
    std::string shown;
    int caret = 0;
    if (key == 8) {
        if (EditDelete(true, shown, caret)) ApplyEdit(std::move(shown), caret);
        return;
    }
    if (key < 32 || key == 127) return; // Enter, Esc and other control characters
    if (EditKey(Utf8Encode(key), shown, caret)) ApplyEdit(std::move(shown), caret);
}

void TCustomEdit::HandleKeyDown(Word& key, TShiftState /*shift*/) {
    int length = CharCount(Shown());
    switch (key) {
    case VK_DELETE:
        if (!readOnly_) {
            std::string shown;
            int caret = 0;
            if (EditDelete(false, shown, caret)) ApplyEdit(std::move(shown), caret);
        }
        break;
    case VK_LEFT: SetSelStart(selLength_ > 0 ? selStart_ : selStart_ - 1); break;
    case VK_RIGHT: SetSelStart(selLength_ > 0 ? selStart_ + selLength_ : selStart_ + 1); break;
    case VK_HOME: SetSelStart(0); break;
    case VK_END: SetSelStart(length); break;
    default: break;
    }
}

// ---- TMaskEdit ----

TMaskEdit::TMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

void TMaskEdit::SetEditMask(const std::string& mask) {
    if (mask == mask_.Source()) return;
    std::string value = Text();
    mask_ = TEditMask(mask);
    Changed(TChange::EditMask);
    AssignShown(IsMasked() ? mask_.EditTextFromValue(value) : value);
}

std::string TMaskEdit::Text() const {
    return IsMasked() ? mask_.ValueFromEditText(shown_) : shown_;
}

void TMaskEdit::SetText(const std::string& text) {
    AssignShown(IsMasked() ? mask_.EditTextFromValue(text) : text);
}

void TMaskEdit::SetEditText(const std::string& editText) {
    AssignShown(IsMasked() ? mask_.Normalize(editText) : editText);
}

bool TMaskEdit::EditKey(std::string_view key, std::string& shown, int& caret) {
    if (!IsMasked()) return TCustomEdit::EditKey(key, shown, caret);
    return Accept(MaskTypeKey(mask_, shown_, SelStart(), SelLength(), key), shown, caret);
}

bool TMaskEdit::EditDelete(bool backspace, std::string& shown, int& caret) {
    if (!IsMasked()) return TCustomEdit::EditDelete(backspace, shown, caret);
    return Accept(MaskDeleteKey(mask_, shown_, SelStart(), SelLength(), backspace), shown, caret);
}

void TMaskEdit::DoEnter() {
    shownAtEnter_ = shown_;
    SetModified(false);
    TCustomEdit::DoEnter();
}

void TMaskEdit::HandleKeyPress(TKeyChar key) {
    if (key == 27 && IsMasked() && Modified()) {
        AssignShown(shownAtEnter_);
        SetModified(false);
        SelectAll();
        return;
    }
    TCustomEdit::HandleKeyPress(key);
}

void TMaskEdit::DoExit() {
    if (IsMasked() && Modified()) {
        int missing = mask_.FirstMissingRequired(shown_);
        if (missing >= 0) {
            SetSelStart(missing);
            throw Exception(
                "Valor informado inválido. Use a tecla Esc para abandonar as alterações.");
        }
    }
    TCustomEdit::DoExit();
}

// ---- Buttons ----

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
}

void TButtonControl::HandleKeyPress(TKeyChar key) {
    if (key == ' ') Click();
}

void TButton::Click() {
    if (modalResult_ != mrNone)
        if (TForm* form = ParentForm()) form->SetModalResult(modalResult_);
    TButtonControl::Click();
}

void TCheckBox::SetChecked(bool checked) {
    if (!AssignIfChanged(checked_, checked)) return;
    Changed(TChange::Checked);
    if (OnClick) OnClick(this);
}

void TRadioButton::SetChecked(bool checked) {
    if (!AssignIfChanged(checked_, checked)) return;
    Changed(TChange::Checked);
    if (!checked) return;
    if (Parent())
        for (TControl* sibling : Parent()->Controls())
            if (auto* rb = dynamic_cast<TRadioButton*>(sibling); rb && rb != this && rb->checked_) {
                rb->checked_ = false;
                rb->Changed(TChange::Checked);
            }
    if (OnClick) OnClick(this);
}

// ---- Containers ----

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {}

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {}

TRadioGroup::TRadioGroup(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
}

void TRadioGroup::SetItems(std::vector<std::string> items) {
    items_ = std::move(items);
    if (itemIndex_ >= static_cast<int>(items_.size()))
        itemIndex_ = static_cast<int>(items_.size()) - 1;
    Changed(TChange::Items);
}

void TRadioGroup::AddItem(std::string item) {
    items_.push_back(std::move(item));
    Changed(TChange::Items);
}

void TRadioGroup::SetItemIndex(int index) {
    int count = static_cast<int>(items_.size());
    if (index >= count) index = count - 1;
    if (index < 0) index = -1;
    if (!AssignIfChanged(itemIndex_, index)) return;
    Changed(TChange::ItemIndex);
    if (itemIndex_ >= 0 && OnClick) OnClick(this);
}

void TRadioGroup::ClickItem(int index) {
    if (!Showing() || !EnabledWithParents()) return;
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    if (!FocusForClick()) return;
    SetItemIndex(index);
}

void TRadioGroup::HandleKeyDown(Word& key, TShiftState /*shift*/) {
    if (items_.empty()) return;
    if (key == VK_UP || key == VK_LEFT)
        SetItemIndex(std::max(0, itemIndex_ - 1));
    else if (key == VK_DOWN || key == VK_RIGHT)
        SetItemIndex(itemIndex_ + 1);
}

// ---- Speed buttons and images ----

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {}

void TSpeedButton::SetFlat(bool value) {
    if (AssignIfChanged(flat_, value)) Changed(TChange::Other);
}

void TSpeedButton::SetGlyph(const TBitmap& glyph) {
    glyph_ = glyph;
    Changed(TChange::Picture);
}

void TSpeedButton::SetDown(bool value) {
    if (down_ == value) return;
    down_ = value;
    if (down_ && groupIndex_ != 0 && Parent())
        for (TControl* sibling : Parent()->Controls())
            if (auto* sb = dynamic_cast<TSpeedButton*>(sibling);
                sb && sb != this && sb->groupIndex_ == groupIndex_ && sb->down_) {
                sb->down_ = false;
                sb->Changed(TChange::Checked);
            }
    Changed(TChange::Checked);
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {}

void TImage::SetPicture(const TBitmap& picture) {
    picture_ = picture;
    if (autoSize_ && !picture_.Empty())
        SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
    Changed(TChange::Picture);
}

void TImage::SetAutoSize(bool value) {
    autoSize_ = value;
    if (autoSize_ && !picture_.Empty())
        SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
}

} // namespace platform
