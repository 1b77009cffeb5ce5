// How a text column stores a text: cut to the column's size and, when fixed-width, padded.
#include "platform/fieldtext.h"

#include "platform/sysutils.h"

namespace platform {

std::string_view FitText(const TFieldDef& column, std::string_view text, std::string& scratch) {
    const auto size = static_cast<std::size_t>(column.Size);
    // A text of no more bytes than the size has no more characters either.
    if (text.size() <= size && column.DataType == TFieldType::ftString) return text;
    scratch = Utf8Length(text) > size ? Utf8Copy(text, 0, size) : std::string(text);
    if (column.DataType == TFieldType::ftFixedChar) {
        const std::size_t length = Utf8Length(scratch);
        if (length < size) scratch.append(size - length, ' ');
    }
    return scratch;
}

} // namespace platform
