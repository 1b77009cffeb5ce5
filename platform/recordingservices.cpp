// Services for tests and the scripted host: records every event in order and answers from queues.
#include "platform/recordingservices.h"

#include <bit>

#include "platform/dataset.h"
#include "platform/jointext.h"

namespace platform {

namespace {

const char* DialogWord(TMsgDlgType type) {
    switch (type) {
    case TMsgDlgType::mtError: return "error";
    case TMsgDlgType::mtInformation: return "info";
    case TMsgDlgType::mtWarning: return "warning";
    case TMsgDlgType::mtConfirmation: return "question";
    case TMsgDlgType::mtCustom: return "message";
    }
    return "message";
}

std::string ValueText(const Variant& v) {
    switch (v.Type()) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::String: return QuoteText(v.AsString());
    case VarType::Bytes:
        return "<bytes " + IntToStr(static_cast<std::int64_t>(v.AsBytes().size())) + ">";
    case VarType::Array: {
        std::string out = "[";
        for (int i = v.LowBound(); i <= v.HighBound(); ++i) {
            if (i > v.LowBound()) out += ", ";
            out += ValueText(v[i]);
        }
        return out + "]";
    }
    default: return v.AsString();
    }
}

// Row numbers (1-based) of the rows whose key field holds `code`, read without moving the cursor.
int FindCode(TDataSet& data, TField* key, const std::string& code) {
    if (!data.Active() || !key) return 0;
    int count = data.RecordCount();
    for (int recNo = 1; recNo <= count; ++recNo) {
        TRecordPeek peek(data, recNo);
        if (Trim(key->AsString()) == Trim(code)) return recNo;
    }
    return 0;
}

// The event of a form shown, hidden or activated: its caption, after `verb` in the line.
TServiceEvent FormEvent(TServiceEvent::Kind kind, const char* verb, const TForm& form) {
    TServiceEvent e;
    e.kind = kind;
    e.text = form.Caption();
    e.line = std::string(verb) + " " + QuoteText(e.text);
    return e;
}

} // namespace

std::string QuoteText(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out + "\"";
}

std::vector<std::string> TRecordingServices::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(events_.size());
    for (const TServiceEvent& e : events_) lines.push_back(e.line);
    return lines;
}

void TRecordingServices::Reset() {
    events_.clear();
    answers_.clear();
    picks_.clear();
    busyDepth_ = 0;
}

void TRecordingServices::Record(TServiceEvent event) {
    events_.push_back(std::move(event));
    if (OnEvent) OnEvent(events_.back());
}

void TRecordingServices::ShowError(const std::string& text) {
    if (!answers_.empty() && answers_.front() == mrOk) answers_.pop_front();
    TServiceEvent e;
    e.kind = TServiceEvent::Error;
    e.text = text;
    e.dlgType = TMsgDlgType::mtError;
    e.buttons = mbOK;
    e.answer = mrOk;
    e.line = "error " + QuoteText(text);
    Record(std::move(e));
}

TModalResult TRecordingServices::MessageDlg(const std::string& text, TMsgDlgType type,
                                            TMsgDlgButtons buttons, int helpContext) {
    if (buttons == 0) buttons = mbOK;
    bool choice = std::popcount(buttons) > 1;
    TServiceEvent e;
    e.kind = TServiceEvent::Message;
    e.text = text;
    e.dlgType = type;
    e.buttons = buttons;
    e.helpContext = helpContext;
    if (!answers_.empty() && (ResultButton(answers_.front()) & buttons)) {
        e.answer = answers_.front();
        answers_.pop_front();
    } else {
        // A box with one button needs no queued answer; one with a choice takes the default.
        e.answer = DefaultButtonResult(buttons);
        e.defaulted = choice;
    }
    e.line = std::string(DialogWord(type)) + " " + QuoteText(text);
    if (choice || type == TMsgDlgType::mtConfirmation) {
        e.line += " -> ";
        e.line += ModalResultName(e.answer);
        if (e.defaulted) e.line += " (default)";
    }
    TModalResult answer = e.answer;
    Record(std::move(e));
    return answer;
}

bool TRecordingServices::PickList(TDataSet& data, const std::string& keyField,
                                  const std::string& title, std::vector<std::string>& codes) {
    TServiceEvent e;
    e.kind = TServiceEvent::PickList;
    e.text = title;
    if (!picks_.empty() && !picks_.front().empty()) {
        TField* key = data.Active() ? data.FindField(keyField) : nullptr;
        for (const std::string& code : picks_.front()) {
            if (FindCode(data, key, code))
                e.codes.push_back(code);
            else
                e.unknownCodes.push_back(code);
        }
        e.picked = true;
    }
    if (!picks_.empty()) picks_.pop_front();
    e.line =
        "pick " + QuoteText(title) + " -> " + (e.picked ? JoinText(e.codes, ' ') : "cancelled");
    if (!e.unknownCodes.empty()) e.line += " (not in list: " + JoinText(e.unknownCodes, ' ') + ")";
    bool picked = e.picked;
    if (picked) codes = e.codes;
    Record(std::move(e));
    return picked;
}

bool TRecordingServices::PickRow(TDataSet& data, const std::string& keyField,
                                 const std::string& title) {
    TServiceEvent e;
    e.kind = TServiceEvent::PickRow;
    e.text = title;
    int recNo = 0;
    if (!picks_.empty() && !picks_.front().empty()) {
        const std::string& code = picks_.front().front();
        recNo = FindCode(data, data.Active() ? data.FindField(keyField) : nullptr, code);
        if (recNo)
            e.codes.push_back(code);
        else
            e.unknownCodes.push_back(code);
    }
    if (!picks_.empty()) picks_.pop_front();
    e.picked = recNo > 0;
    e.line =
        "pick " + QuoteText(title) + " -> " + (e.picked ? JoinText(e.codes, ' ') : "cancelled");
    if (!e.unknownCodes.empty()) e.line += " (not in list: " + JoinText(e.unknownCodes, ' ') + ")";
    Record(std::move(e));
    if (recNo) data.SetRecNo(recNo);
    return recNo > 0;
}

void TRecordingServices::BusyOn(int kind) {
    ++busyDepth_;
    TServiceEvent e;
    e.kind = TServiceEvent::BusyOn;
    e.number = kind;
    e.line = "busy on " + IntToStr(kind);
    Record(std::move(e));
}

void TRecordingServices::BusyOff() {
    if (busyDepth_ > 0) --busyDepth_;
    TServiceEvent e;
    e.kind = TServiceEvent::BusyOff;
    e.line = "busy off";
    Record(std::move(e));
}

void TRecordingServices::CursorChanged(int cursor) {
    TServiceEvent e;
    e.kind = TServiceEvent::Cursor;
    e.number = cursor;
    e.line = "cursor " + IntToStr(cursor);
    Record(std::move(e));
}

TModalResult TRecordingServices::ShowModal(TForm& form) {
    TServiceEvent e;
    e.kind = TServiceEvent::Modal;
    e.text = form.Caption();
    e.line = "modal " + QuoteText(e.text);
    Record(std::move(e));
    if (OnShowModal) return OnShowModal(form);
    return mrCancel;
}

void TRecordingServices::LockWindowUpdate(THandle handle) {
    TServiceEvent e;
    e.kind = TServiceEvent::Lock;
    e.number = static_cast<long long>(handle);
    e.line = handle ? "lock " + IntToStr(static_cast<std::int64_t>(handle)) : std::string("unlock");
    Record(std::move(e));
}

void TRecordingServices::ModuleOpened(const std::string& code, const Variant& params) {
    TServiceEvent e;
    e.kind = TServiceEvent::Module;
    e.text = code;
    e.params = params;
    e.line = "loadbpl " + code;
    if (!params.IsEmpty()) e.line += " " + ValueText(params);
    Record(std::move(e));
}

void TRecordingServices::FormShown(TForm& form) {
    if (RecordForms) Record(FormEvent(TServiceEvent::FormShown, "shown", form));
}

void TRecordingServices::FormHidden(TForm& form) {
    if (RecordForms) Record(FormEvent(TServiceEvent::FormHidden, "hidden", form));
}

void TRecordingServices::FormActivated(TForm& form) {
    if (RecordForms) Record(FormEvent(TServiceEvent::FormActivated, "activated", form));
}

} // namespace platform
