// The transcript of the scripted host: one line per thing a person would have seen, in order.
//
// Lines:  error "TEXT"   info "TEXT"   warning "TEXT"   question "TEXT" -> ANSWER
//         pick "TITLE" -> CODES (or -> cancelled)   call METHOD(ARG, ...)
//         loadbpl CODE [ARG, ...]   busy on KIND   busy off   cursor CODE
//         ok LINE   FAILED LINE: expected VALUE, got VALUE   NAME.PROPERTY = VALUE (print)
// Values: texts double-quoted with \" \\ \t \n \r escapes; integers as digits; doubles as the
// shortest decimal that reads back exactly, always with a point (0.0, 100.5); dates as
// YYYY-MM-DD (with Thh:mm:ss when they carry a time; a date of 0 as 0); booleans true/false;
// Null as null; Empty as empty; a data packet as <packet N rows>; other bytes as <bytes N>;
// arrays as [A, B].
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/recordingservices.h"
#include "platform/variant.h"

namespace scripted {

std::string FormatDouble(double value);
std::string FormatDate(platform::TDateTime value);
std::string FormatValue(const platform::Variant& value);
/// call METHOD(ARG, ...)
std::string FormatCall(const std::string& method, const std::vector<platform::Variant>& args);
/// The transcript line of a Services event; nullopt for events the transcript leaves out
/// (modal loops, window locking, form notifications).
std::optional<std::string> FormatEvent(const platform::TServiceEvent& event);

} // namespace scripted
