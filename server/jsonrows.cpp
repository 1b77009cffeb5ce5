// A JSON array of rows, the form in which the server binds many rows as one parameter.
#include "server/jsonrows.h"

#include <charconv>
#include <cmath>

#include "platform/sysutils.h"

namespace server {

void AppendJsonString(std::string& out, std::string_view text) {
    static const char* hex = "0123456789abcdef";
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

void TJsonRows::BeginRow() {
    if (rows_ > 0) out_ += "],";
    out_ += '[';
    ++rows_;
    rowEmpty_ = true;
}

void TJsonRows::Separate() {
    if (rows_ == 0) throw platform::Exception("TJsonRows: valor fora de uma linha");
    if (!rowEmpty_) out_ += ',';
    rowEmpty_ = false;
}

void TJsonRows::Text(std::string_view text) {
    Separate();
    AppendJsonString(out_, text);
}

void TJsonRows::TextOrNull(std::string_view text) {
    if (text.empty())
        Null();
    else
        Text(text);
}

void TJsonRows::Number(double value) {
    if (!std::isfinite(value)) throw platform::Exception("TJsonRows: número não finito");
    Separate();
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, result.ptr);
}

void TJsonRows::Null() {
    Separate();
    out_ += "null";
}

std::string TJsonRows::Take() {
    if (rows_ > 0) out_ += ']';
    out_ += ']';
    std::string result = std::move(out_);
    out_ = "[";
    rows_ = 0;
    rowEmpty_ = true;
    return result;
}

} // namespace server
