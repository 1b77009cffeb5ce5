// The 29-field write-off record that the list's data packets carry, declared once for all.
#pragma once

#include <vector>

#include "platform/fielddefs.h"

namespace protocol {

/// The write-off record's field definitions in the record's (and the packet's) order; the server
/// writes its list packets with them and the client's screens read them by these names.
const std::vector<platform::TFieldDef>& WriteOffFields();

} // namespace protocol
