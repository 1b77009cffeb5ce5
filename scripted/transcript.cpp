// The transcript of the scripted host: one line per thing a person would have seen, in order.
#include "scripted/transcript.h"

#include <charconv>
#include <cmath>

#include "platform/datapacket.h"
#include "platform/datetime.h"

namespace scripted {

using platform::QuoteText;
using platform::TServiceEvent;
using platform::Variant;
using platform::VarType;

namespace {

std::string TwoDigits(int n) {
    return (n < 10 ? "0" : "") + platform::IntToStr(n);
}

std::string JoinCodes(const std::vector<std::string>& codes) {
    std::string out;
    for (const std::string& code : codes) {
        if (!out.empty()) out += ' ';
        out += code;
    }
    return out;
}

std::string BytesText(const std::string& bytes) {
    try {
        platform::TPacketContent packet = platform::DecodePacket(bytes);
        return "<packet " + platform::IntToStr(static_cast<std::int64_t>(packet.Rows.RowCount())) +
               " rows>";
    } catch (const std::exception&) {
        return "<bytes " + platform::IntToStr(static_cast<std::int64_t>(bytes.size())) + ">";
    }
}

} // namespace

std::string FormatDouble(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::string text = ec == std::errc() ? std::string(buffer, end) : std::string("?");
    if (text.find('.') == std::string::npos) text += ".0";
    return text;
}

std::string FormatDate(platform::TDateTime value) {
    if (value == 0) return "0";
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    try {
        platform::DecodeDate(value, year, month, day);
        platform::DecodeTime(value, hour, minute, second, ms);
    } catch (const std::exception&) {
        return FormatDouble(value); // outside the calendar: the day count itself
    }
    std::string text = platform::IntToStr(year);
    while (text.size() < 4) text.insert(text.begin(), '0');
    text += "-" + TwoDigits(month) + "-" + TwoDigits(day);
    if (hour || minute || second || ms) {
        text += "T" + TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second);
        if (ms) {
            std::string millis = platform::IntToStr(ms);
            while (millis.size() < 3) millis.insert(millis.begin(), '0');
            text += "." + millis;
        }
    }
    return text;
}

std::string FormatValue(const Variant& value) {
    switch (value.Type()) {
    case VarType::Empty: return "empty";
    case VarType::Null: return "null";
    case VarType::Boolean: return value.AsBoolean() ? "true" : "false";
    case VarType::Integer: return platform::IntToStr(value.AsInteger());
    case VarType::Double: return FormatDouble(value.AsDouble());
    case VarType::String: return QuoteText(value.AsString());
    case VarType::Date: return FormatDate(value.AsDate());
    case VarType::Bytes: return BytesText(value.AsBytes());
    case VarType::Array: {
        std::string out = "[";
        for (int i = value.LowBound(); i <= value.HighBound(); ++i) {
            if (i > value.LowBound()) out += ", ";
            out += FormatValue(value[i]);
        }
        return out + "]";
    }
    }
    return "?";
}

std::string FormatCall(const std::string& method, const std::vector<Variant>& args) {
    std::string out = "call " + method + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) out += ", ";
        out += FormatValue(args[i]);
    }
    return out + ")";
}

std::optional<std::string> FormatEvent(const TServiceEvent& event) {
    switch (event.kind) {
    case TServiceEvent::Error: return "error " + QuoteText(event.text);
    case TServiceEvent::Message: {
        bool choice = (event.buttons & (event.buttons - 1)) != 0;
        if (choice || event.dlgType == platform::TMsgDlgType::mtConfirmation) {
            std::string line = "question " + QuoteText(event.text) + " -> " +
                               platform::ModalResultName(event.answer);
            if (event.defaulted) line += " (default)";
            return line;
        }
        switch (event.dlgType) {
        case platform::TMsgDlgType::mtError: return "error " + QuoteText(event.text);
        case platform::TMsgDlgType::mtWarning: return "warning " + QuoteText(event.text);
        default: return "info " + QuoteText(event.text);
        }
    }
    case TServiceEvent::PickList:
    case TServiceEvent::PickRow: {
        std::string line = "pick " + QuoteText(event.text) + " -> " +
                           (event.picked ? JoinCodes(event.codes) : "cancelled");
        if (!event.unknownCodes.empty())
            line += " (not in list: " + JoinCodes(event.unknownCodes) + ")";
        return line;
    }
    case TServiceEvent::BusyOn: return "busy on " + platform::IntToStr(event.number);
    case TServiceEvent::BusyOff: return std::string("busy off");
    case TServiceEvent::Cursor: return "cursor " + platform::IntToStr(event.number);
    case TServiceEvent::Module: {
        std::string line = "loadbpl " + event.text;
        if (!event.params.IsEmpty()) line += " " + FormatValue(event.params);
        return line;
    }
    default: return std::nullopt;
    }
}

} // namespace scripted
