// Reads the data packets the client sends: its write-off list and its message catalogue.
#include "server/clientpackets.h"

#include "platform/datapacket.h"
#include "server/columnwidths.h"

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

// A text of a packet row that is valid UTF-8 without control characters (but the tab when
// `allowTab`) and at most `width` characters long (0: any length); EClientPacket otherwise.
std::string CheckedText(const platform::TRecordStore& rows, std::size_t row, int column,
                        std::string_view field, std::size_t width, bool allowTab = false) {
    std::string value = Text(rows, row, column);
    const auto where = [&] {
        return "o campo " + std::string(field) + " da linha " + std::to_string(row + 1);
    };
    if (std::size_t bad = platform::FindBadTextByte(value, allowTab); bad != std::string::npos)
        throw EClientPacket(where() + " tem um caractere inválido na posição " +
                            std::to_string(bad + 1) + ".");
    if (width > 0 && platform::Utf8Length(value) > width)
        throw EClientPacket(where() + " tem mais de " + std::to_string(width) + " caracteres.");
    return value;
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
        w.branch = CheckedText(rows, r, branch, "CDFILIAL", kBranchWidth);
        w.number = CheckedText(rows, r, number, "NRBAIXAPAG", kWriteOffNumberWidth);
        w.company = CheckedText(rows, r, company, "CDEMPRESA", kCompanyWidth);
        w.marked = platform::Trim(Text(rows, r, mark)) == "S";
        w.status = CheckedText(rows, r, status, "IDSTATUSBPAG", 0);
        w.accounted = CheckedText(rows, r, accounted, "IDCTBLBXPAG", 0);
        w.entryNumber = CheckedText(rows, r, entry, "NRLCTBBPAG", 0);
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
    // Every entry is checked, not only the one looked up: the catalogue travels as a whole.
    std::string found;
    bool seen = false;
    for (std::size_t r = 0; r < packet.Rows.RowCount(); ++r) {
        const std::string entry = CheckedText(packet.Rows, r, code, "CDMESSAGE", kMessageCodeWidth);
        std::string value = CheckedText(packet.Rows, r, text, "DSMESSAGE", kMessageWidth, true);
        if (!seen && platform::SameText(entry, key)) {
            found = std::move(value);
            seen = true;
        }
    }
    return found;
}

} // namespace server
