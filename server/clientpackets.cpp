// Reads the data packets the client sends: its write-off list and its message catalogue.
#include "server/clientpackets.h"

#include "platform/datapacket.h"

namespace server {

using platform::TFieldType;

namespace {

platform::TPacketContent Decode(std::string_view bytes) {
    try {
        return platform::DecodePacket(bytes);
    } catch (const platform::Exception& e) { throw EClientPacket(e.Message()); }
}

// Column of a field with one of the accepted types; EClientPacket when there is none.
int Column(const platform::TPacketContent& packet, std::string_view name, bool text) {
    for (std::size_t i = 0; i < packet.Columns.size(); ++i) {
        const platform::TFieldDef& def = packet.Columns[i];
        if (!platform::SameText(def.Name, name)) continue;
        const bool ok =
            text ? platform::IsTextType(def.DataType) : def.DataType == TFieldType::ftFloat;
        if (!ok)
            throw EClientPacket("o campo " + std::string(name) + " é do tipo " +
                                platform::FieldTypeName(def.DataType) + ".");
        return static_cast<int>(i);
    }
    throw EClientPacket("falta o campo " + std::string(name) + ".");
}

std::string Text(const platform::TRecordStore& rows, std::size_t row, int column) {
    const std::byte* record = rows.Row(row);
    if (rows.IsNull(record, column)) return {};
    return std::string(rows.GetText(record, column));
}

} // namespace

std::vector<TListedWriteOff> ReadListPacket(std::string_view bytes) {
    const platform::TPacketContent packet = Decode(bytes);
    const int branch = Column(packet, "CDFILIAL", true);
    const int number = Column(packet, "NRBAIXAPAG", true);
    const int company = Column(packet, "CDEMPRESA", true);
    const int mark = Column(packet, "IDMARCADO", true);
    const int status = Column(packet, "IDSTATUSBPAG", true);
    const int accounted = Column(packet, "IDCTBLBXPAG", true);
    const int entry = Column(packet, "NRLCTBBPAG", true);
    const int amount = Column(packet, "VRBAIXAPAG", false);

    const platform::TRecordStore& rows = packet.Rows;
    std::vector<TListedWriteOff> list;
    list.reserve(rows.RowCount());
    for (std::size_t r = 0; r < rows.RowCount(); ++r) {
        TListedWriteOff w;
        w.branch = Text(rows, r, branch);
        w.number = Text(rows, r, number);
        w.company = Text(rows, r, company);
        w.marked = platform::Trim(Text(rows, r, mark)) == "S";
        w.status = Text(rows, r, status);
        w.accounted = Text(rows, r, accounted);
        w.entryNumber = Text(rows, r, entry);
        const std::byte* record = rows.Row(r);
        w.amount = rows.IsNull(record, amount) ? 0.0 : rows.GetDouble(record, amount);
        list.push_back(std::move(w));
    }
    return list;
}

std::string CatalogueText(std::string_view bytes, std::string_view key) {
    const platform::TPacketContent packet = Decode(bytes);
    const int code = Column(packet, "CDMESSAGE", true);
    const int text = Column(packet, "DSMESSAGE", true);
    for (std::size_t r = 0; r < packet.Rows.RowCount(); ++r)
        if (platform::SameText(Text(packet.Rows, r, code), key)) return Text(packet.Rows, r, text);
    return {};
}

} // namespace server
