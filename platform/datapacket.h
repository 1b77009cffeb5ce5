// Data packets: a dataset's whole content (column definitions and rows) as one MessagePack byte string.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fielddefs.h"
#include "platform/recordstore.h"

namespace platform {

class TDataSet;

/// Version written into every packet; decoding refuses other versions.
constexpr int kPacketVersion = 1;

/// The content of a decoded packet, ready to become a dataset's rows.
struct TPacketContent {
    std::vector<TFieldDef> Columns;
    TRecordStore Rows;
};

/// Called with the packet's column definitions before any row is decoded; throws to refuse.
using TPacketColumnsCheck = std::function<void(const std::vector<TFieldDef>& columns)>;

/// The stored rows of an open dataset (pending edits excluded) with every column definition:
/// ["PAGDP", version, [[name, type, size, required]...], [[value...]...]], nulls as nil, texts
/// as UTF-8 strings, numbers and dates as 64-bit floats (bit-exact), integers and booleans as
/// such. EDatabaseError when the dataset is closed.
std::string EncodePacket(const TDataSet& dataSet);

/// Decodes a packet. Never reads out of bounds and allocates no more than a bounded multiple
/// of the input; truncated, oversized, wrongly typed, badly nested or otherwise malformed
/// input raises EDatabaseError with a clear message.
TPacketContent DecodePacket(std::string_view bytes, const TPacketColumnsCheck& check = {});

} // namespace platform
