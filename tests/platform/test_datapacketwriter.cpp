// Tests of the data packet writer: its bytes against a dataset's encoding, round trips, fitting and
// refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <msgpack.hpp>

#include "platform/datapacket.h"
#include "platform/dataset.h"
#include "platform/datetime.h"

using namespace platform;

namespace {

using TRow = std::vector<Variant>;

std::vector<TFieldDef> AllTypeColumns() {
    return {{"TEXTO", TFieldType::ftString, 320},  {"FIXO", TFieldType::ftFixedChar, 2},
            {"REAL", TFieldType::ftFloat, 0},      {"DATA", TFieldType::ftDateTime, 0},
            {"INTEIRO", TFieldType::ftInteger, 0}, {"LOGICO", TFieldType::ftBoolean, 0, true}};
}

double FromBits(std::uint64_t u) {
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

// Rows with every type, nulls in every column, accents, texts around the short-string limits,
// integers at each MessagePack width's edges and doubles whose bits must survive.
std::vector<TRow> VariedRows(std::size_t count, unsigned seed = 7) {
    static const std::int64_t kIntegers[] = {0,
                                             1,
                                             -1,
                                             127,
                                             128,
                                             -32,
                                             -33,
                                             255,
                                             256,
                                             65535,
                                             65536,
                                             -32768,
                                             -32769,
                                             4294967295LL,
                                             4294967296LL,
                                             std::numeric_limits<std::int64_t>::min(),
                                             std::numeric_limits<std::int64_t>::max()};
    static const double kDoubles[] = {0.0,
                                      -0.0,
                                      1.5,
                                      100.0,
                                      -1e300,
                                      FromBits(0x7FF8000000000123ull),
                                      std::numeric_limits<double>::infinity()};
    static const char* const kTexts[] = {"",
                                         "a",
                                         "ação",
                                         "Gonçalves & Filhos",
                                         "0123456789012345678901234567890",
                                         "01234567890123456789012345678901"};
    std::mt19937 rng(seed);
    std::vector<TRow> rows;
    for (std::size_t i = 0; i < count; ++i) {
        TRow row(6);
        const unsigned nulls = rng();
        auto pick = [&](int column, Variant v) {
            row[static_cast<std::size_t>(column)] =
                (nulls >> column) % 7 == 0 ? Variant::Null() : std::move(v);
        };
        std::string text = kTexts[rng() % 6];
        if (rng() % 5 == 0) text.append(rng() % 280, 'z'); // str8 and str16 lengths
        pick(0, text);
        pick(1, rng() % 2 ? "SN" : "é ");
        pick(2, kDoubles[rng() % 7]);
        pick(3, Variant::FromDate(EncodeDate(2024, 1, 1) + rng() % 366 + (rng() % 2 ? 0.25 : 0)));
        pick(4, kIntegers[rng() % 17]);
        pick(5, rng() % 2 == 0);
        rows.push_back(std::move(row));
    }
    return rows;
}

// The packet as the format describes it, packed by the MessagePack library alone: texts as str,
// numbers and dates as float 64 (bit for bit), integers in their smallest form, counts in the
// smallest array header.
std::string Reference(const std::vector<TFieldDef>& columns, const std::vector<TRow>& rows) {
    msgpack::sbuffer out;
    msgpack::packer<msgpack::sbuffer> pk(out);
    pk.pack_array(4);
    pk.pack(std::string("PAGDP"));
    pk.pack(1);
    pk.pack_array(static_cast<std::uint32_t>(columns.size()));
    for (const TFieldDef& c : columns) {
        pk.pack_array(4);
        pk.pack(c.Name);
        pk.pack(std::string(FieldTypeName(c.DataType)));
        pk.pack(c.Size);
        pk.pack(c.Required);
    }
    pk.pack_array(static_cast<std::uint32_t>(rows.size()));
    for (const TRow& row : rows) {
        pk.pack_array(static_cast<std::uint32_t>(row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) {
            const Variant& v = row[i];
            if (v.IsNull()) {
                pk.pack_nil();
                continue;
            }
            switch (columns[i].DataType) {
            case TFieldType::ftString:
            case TFieldType::ftFixedChar: pk.pack(v.AsString()); break;
            case TFieldType::ftFloat:
            case TFieldType::ftDateTime: {
                const double d =
                    columns[i].DataType == TFieldType::ftFloat ? v.AsDouble() : v.AsDate();
                std::uint64_t bits;
                std::memcpy(&bits, &d, sizeof bits);
                char bytes[9] = {static_cast<char>(0xCB)};
                for (int b = 0; b < 8; ++b) bytes[1 + b] = static_cast<char>(bits >> (56 - 8 * b));
                out.write(bytes, sizeof bytes);
                break;
            }
            case TFieldType::ftInteger: pk.pack(v.AsInteger()); break;
            case TFieldType::ftBoolean: pk.pack(v.AsBoolean()); break;
            }
        }
    }
    return std::string(out.data(), out.size());
}

// The rows loaded into a dataset, encoded.
std::string ThroughDataset(const std::vector<TFieldDef>& columns, const std::vector<TRow>& rows) {
    TClientDataSet cds;
    for (const TFieldDef& c : columns) cds.FieldDefs().Add(c.Name, c.DataType, c.Size, c.Required);
    cds.CreateDataSet();
    TRowAppender load(cds);
    for (const TRow& row : rows) {
        load.AddRow();
        for (std::size_t c = 0; c < row.size(); ++c) load.SetVariant(static_cast<int>(c), row[c]);
    }
    load.Finish();
    return EncodePacket(cds);
}

std::string Streamed(const std::vector<TFieldDef>& columns, const std::vector<TRow>& rows) {
    TDataPacketWriter writer(columns);
    for (const TRow& row : rows) writer.AppendRow(row);
    EXPECT_EQ(writer.RowCount(), rows.size());
    return writer.Finish();
}

std::string Counted(const std::vector<TFieldDef>& columns, const std::vector<TRow>& rows) {
    TDataPacketWriter writer(columns, rows.size(), 0);
    for (const TRow& row : rows) writer.AppendRow(row);
    return writer.Finish();
}

TEST(DataPacketWriter, WritesTheDatasetsBytesAtEveryRowCountHeaderEdge) {
    const std::vector<TFieldDef> columns = AllTypeColumns();
    const std::vector<TRow> all = VariedRows(65537);
    for (std::size_t count : {0u, 1u, 15u, 16u, 17u, 65535u, 65536u, 65537u}) {
        const std::vector<TRow> rows(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count));
        const std::string expected = Reference(columns, rows);
        ASSERT_TRUE(ThroughDataset(columns, rows) == expected) << count << " rows";
        const std::string streamed = Streamed(columns, rows);
        ASSERT_EQ(streamed.size(), expected.size()) << count << " rows";
        EXPECT_TRUE(streamed == expected) << count << " rows";
        EXPECT_TRUE(Counted(columns, rows) == expected) << count << " rows";
    }
}

TEST(DataPacketWriter, WritesTheDatasetsBytesForRowsOfSixteenColumnsAndForLongTexts) {
    // 15 columns fit a one-byte row header, 16 do not; texts longer than the writer's staging
    // block go around it.
    for (int width : {15, 16}) {
        std::vector<TFieldDef> columns;
        for (int c = 0; c < width; ++c)
            columns.push_back({"C" + std::to_string(c), TFieldType::ftString, 200000});
        std::vector<TRow> rows;
        for (int r = 0; r < 40; ++r) {
            TRow row;
            for (int c = 0; c < width; ++c)
                row.push_back(
                    c == r % width
                        ? Variant(std::string(static_cast<std::size_t>(70000 + r), 'k') + "ã")
                        : Variant("v" + std::to_string(r * c)));
            rows.push_back(std::move(row));
        }
        const std::string expected = Reference(columns, rows);
        EXPECT_TRUE(ThroughDataset(columns, rows) == expected) << width << " columns";
        EXPECT_TRUE(Streamed(columns, rows) == expected) << width << " columns";
        EXPECT_TRUE(Counted(columns, rows) == expected) << width << " columns";
    }
}

TEST(DataPacketWriter, PacketsDecodeBackToTheColumnsAndValuesWritten) {
    const std::vector<TFieldDef> columns = AllTypeColumns();
    TDataPacketWriter writer(columns);
    writer.AppendString("São Paulo");
    writer.AppendString("SN");
    writer.AppendFloat(-0.0);
    writer.AppendDateTime(EncodeDate(2024, 2, 29) + 0.5);
    writer.AppendInteger(std::numeric_limits<std::int64_t>::min());
    writer.AppendBoolean(true);
    for (int c = 0; c < 6; ++c) writer.AppendNull();
    TPacketContent content = DecodePacket(writer.Finish());
    EXPECT_EQ(content.Columns, columns);
    ASSERT_EQ(content.Rows.RowCount(), 2u);
    const std::byte* first = content.Rows.Row(0);
    EXPECT_EQ(content.Rows.GetText(first, 0), "São Paulo");
    EXPECT_EQ(content.Rows.GetText(first, 1), "SN");
    EXPECT_TRUE(std::signbit(content.Rows.GetDouble(first, 2)));
    EXPECT_EQ(content.Rows.GetDouble(first, 3), EncodeDate(2024, 2, 29) + 0.5);
    EXPECT_EQ(content.Rows.GetInt(first, 4), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(content.Rows.GetInt(first, 5), 1);
    for (int c = 0; c < 6; ++c) EXPECT_TRUE(content.Rows.IsNull(content.Rows.Row(1), c)) << c;
}

TEST(DataPacketWriter, FieldTextsAreFittedAsADatasetStoresThem) {
    const std::vector<TFieldDef> columns = {{"NOME", TFieldType::ftString, 4},
                                            {"MARCA", TFieldType::ftFixedChar, 3}};
    TClientDataSet cds;
    for (const TFieldDef& c : columns) cds.FieldDefs().Add(c.Name, c.DataType, c.Size);
    cds.CreateDataSet();
    TDataPacketWriter writer(columns);
    TRowAppender load(cds);
    const std::vector<std::pair<std::string, std::string>> values = {
        {"João Silva", "S"}, {"ãéíõú", "çãoé"}, {"abcd", "abc"}, {"", ""}, {"ab", "ã"}};
    for (const auto& [name, mark] : values) {
        writer.AppendFieldString(name);
        writer.AppendFieldString(mark);
        load.AddRow();
        load.SetString(0, name);
        load.SetString(1, mark);
    }
    load.Finish();
    const std::string packet = writer.Finish();
    EXPECT_TRUE(packet == EncodePacket(cds));
    TPacketContent content = DecodePacket(packet);
    EXPECT_EQ(content.Rows.GetText(content.Rows.Row(0), 0), "João");
    EXPECT_EQ(content.Rows.GetText(content.Rows.Row(0), 1), "S  ");
    EXPECT_EQ(content.Rows.GetText(content.Rows.Row(1), 0), "ãéíõ");
    EXPECT_EQ(content.Rows.GetText(content.Rows.Row(1), 1), "ção");
}

TEST(DataPacketWriter, RefusesValuesThatDoNotFitTheLayout) {
    const std::vector<TFieldDef> columns = {{"TEXTO", TFieldType::ftString, 10},
                                            {"REAL", TFieldType::ftFloat, 0}};
    EXPECT_THROW(TDataPacketWriter(std::vector<TFieldDef>{}), EDatabaseError);
    {
        TDataPacketWriter writer(columns);
        EXPECT_THROW(writer.AppendFloat(1), EDatabaseError); // a number for a text
        writer.AppendString("a");
        EXPECT_THROW(writer.AppendString("b"), EDatabaseError); // a text for a number
        EXPECT_THROW(writer.AppendDateTime(1), EDatabaseError); // a date for a float
        EXPECT_THROW(writer.AppendInteger(1), EDatabaseError);
        EXPECT_THROW(writer.Finish(), EDatabaseError); // the row lacks a value
        writer.AppendFloat(2);
        EXPECT_THROW(writer.AppendRow({Variant("x")}), EDatabaseError);
        std::string packet = writer.Finish();
        EXPECT_EQ(DecodePacket(packet).Rows.RowCount(), 1u);
        EXPECT_THROW(writer.AppendNull(), EDatabaseError); // after Finish
        EXPECT_THROW(writer.Finish(), EDatabaseError);
    }
    {
        TDataPacketWriter writer(columns, 1, 0);
        EXPECT_THROW(writer.Finish(), EDatabaseError); // fewer rows than announced
    }
    {
        TDataPacketWriter writer(columns, 1, 0);
        writer.AppendRow({Variant("a"), Variant(1.0)});
        EXPECT_THROW(writer.AppendNull(), EDatabaseError); // more rows than announced
    }
}

} // namespace
