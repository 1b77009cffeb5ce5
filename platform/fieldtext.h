// How a text column stores a text: cut to the column's size and, when fixed-width, padded.
#pragma once

#include <string>
#include <string_view>

#include "platform/fielddefs.h"

namespace platform {

/// A text as a column of the definition stores it: cut to the column's size in characters and,
/// for FixedChar, padded with blanks to that size. Returns text itself when it already fits,
/// else a view of scratch, which receives the fitted text. Dataset loads and the packet writer
/// share it so that a text reaches a packet the same way by either path.
std::string_view FitText(const TFieldDef& column, std::string_view text, std::string& scratch);

} // namespace platform
