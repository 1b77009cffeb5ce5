// Reads the data packets the client sends: its write-off list and its message catalogue.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/sysutils.h"
#include "server/recalculation.h"

namespace server {

/// A packet that cannot be read, or lacks a field the server needs; the message says which.
class EClientPacket : public platform::Exception {
    using Exception::Exception;
};

/// The rows of the client's write-off list with the fields a run reads. Their texts must be
/// valid UTF-8 without control characters, and the keys fit their columns.
std::vector<TListedWriteOff> ReadListPacket(std::string_view bytes);

/// The text of a catalogue entry (key compared without regard to case) in the client's
/// catalogue packet (CDMESSAGE, DSMESSAGE); empty when the key is absent. Every entry must be
/// valid UTF-8 without control characters (a tab allowed in DSMESSAGE) within its width.
std::string CatalogueText(std::string_view bytes, std::string_view key);

} // namespace server
