// Tests of data packets: exact round trips, refusal of malformed input, and a mutation run over
// valid packets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <msgpack.hpp>

#include "platform/datapacket.h"
#include "platform/dataset.h"
#include "platform/datetime.h"

using namespace platform;

namespace {

std::uint64_t Bits(double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

double FromBits(std::uint64_t u) {
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

// One dataset with every column type and the awkward values of each.
struct AllTypes {
    TClientDataSet cds;
    AllTypes() {
        cds.FieldDefs().Add("TEXTO", TFieldType::ftString, 250);
        cds.FieldDefs().Add("FIXO", TFieldType::ftFixedChar, 2);
        cds.FieldDefs().Add("REAL", TFieldType::ftFloat);
        cds.FieldDefs().Add("DATA", TFieldType::ftDateTime);
        cds.FieldDefs().Add("INTEIRO", TFieldType::ftInteger);
        cds.FieldDefs().Add("LOGICO", TFieldType::ftBoolean);
        cds.CreateDataSet();
    }
    void Add(const Variant& text, const Variant& fixed, const Variant& real, const Variant& date,
             const Variant& integer, const Variant& logical) {
        cds.Append();
        cds.FieldByName("TEXTO")->SetAsVariant(text);
        cds.FieldByName("FIXO")->SetAsVariant(fixed);
        cds.FieldByName("REAL")->SetAsVariant(real);
        cds.FieldByName("DATA")->SetAsVariant(date);
        cds.FieldByName("INTEIRO")->SetAsVariant(integer);
        cds.FieldByName("LOGICO")->SetAsVariant(logical);
        cds.Post();
    }
};

const std::vector<std::uint64_t> kAwkwardDoubles = {
    Bits(-0.0),
    0x7FF8000000000123ull, // quiet NaN with a payload
    0xFFF0000000000001ull, // signalling NaN, sign set
    0x0000000000000001ull, // smallest denormal
    Bits(std::numeric_limits<double>::max()),
    Bits(-std::numeric_limits<double>::infinity()),
    Bits(0.1),
};

std::string PacketOf(const std::function<void(msgpack::packer<msgpack::sbuffer>&)>& body) {
    msgpack::sbuffer buffer;
    msgpack::packer<msgpack::sbuffer> pk(buffer);
    body(pk);
    return std::string(buffer.data(), buffer.size());
}

void PackStr(msgpack::packer<msgpack::sbuffer>& pk, std::string_view s) {
    pk.pack_str(static_cast<std::uint32_t>(s.size()));
    pk.pack_str_body(s.data(), static_cast<std::uint32_t>(s.size()));
}

// ["PAGDP", 1, [["A", "String", 5, false]], rows] with the rows written by the caller.
std::string OneTextColumn(const std::function<void(msgpack::packer<msgpack::sbuffer>&)>& rows) {
    return PacketOf([&](auto& pk) {
        pk.pack_array(4);
        PackStr(pk, "PAGDP");
        pk.pack_uint8(1);
        pk.pack_array(1);
        pk.pack_array(4);
        PackStr(pk, "A");
        PackStr(pk, "String");
        pk.pack_uint8(5);
        pk.pack_false();
        rows(pk);
    });
}

std::string DecodeError(std::string_view bytes) {
    try {
        DecodePacket(bytes);
    } catch (const EDatabaseError& e) { return e.what(); }
    return "accepted";
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Round trip

TEST(DataPacketRoundTrip, EveryTypeComesBackExactly) {
    AllTypes source;
    TDateTime when = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 7, 250);
    std::string longText;
    for (int i = 0; i < 125; ++i) longText += "ç"; // 250 bytes, 125 characters
    source.Add("", Variant::Null(), FromBits(kAwkwardDoubles[0]), Variant::FromDate(when),
               Variant(std::numeric_limits<std::int64_t>::min()), true);
    source.Add("ação ✓ 🚀 \t fim", "S", Variant::Null(), Variant::Null(), Variant::Null(),
               Variant::Null());
    source.Add(longText, "", 1.0, Variant::FromDate(0.0), std::numeric_limits<std::int64_t>::max(),
               false);
    for (std::uint64_t bits : kAwkwardDoubles) source.Add("x", "N", FromBits(bits), 1.0, 0, false);

    std::string packet = EncodePacket(source.cds);
    TClientDataSet copy;
    copy.SetData(Variant::FromBytes(packet));

    ASSERT_EQ(copy.FieldDefs().Count(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(copy.FieldDefs()[i], source.cds.FieldDefs()[i]);
    ASSERT_EQ(copy.RecordCount(), source.cds.RecordCount());
    source.cds.First();
    for (copy.First(); !copy.Eof(); copy.Next(), source.cds.Next()) {
        for (int f = 0; f < 6; ++f) {
            TField* a = source.cds.Fields()[static_cast<std::size_t>(f)];
            TField* b = copy.Fields()[static_cast<std::size_t>(f)];
            ASSERT_EQ(a->IsNull(), b->IsNull()) << a->FieldName() << " row " << copy.RecNo();
            if (a->IsNull()) continue;
            switch (a->DataType()) {
            case TFieldType::ftFloat:
            case TFieldType::ftDateTime: EXPECT_EQ(Bits(a->AsFloat()), Bits(b->AsFloat())); break;
            case TFieldType::ftInteger: EXPECT_EQ(a->AsInteger(), b->AsInteger()); break;
            case TFieldType::ftBoolean: EXPECT_EQ(a->AsBoolean(), b->AsBoolean()); break;
            default: EXPECT_EQ(a->AsString(), b->AsString());
            }
        }
    }
    copy.First();
    EXPECT_FALSE(copy.FieldByName("TEXTO")->IsNull()); // "" stays "", not null
    EXPECT_TRUE(copy.FieldByName("FIXO")->IsNull());
    EXPECT_EQ(copy.FieldByName("DATA")->AsDateTime(), when);
    EXPECT_EQ(EncodePacket(copy), packet); // deterministic: the same content gives the same bytes
}

TEST(DataPacketRoundTrip, RowsOfOneByteValuesCrossTheWriterBuffer) {
    // Nulls and booleans are single bytes; 40,000 rows of them outgrow any fixed buffer.
    AllTypes source;
    for (int i = 0; i < 40000; ++i)
        source.Add(Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(),
                   Variant::Null(), i % 2 == 0);
    TClientDataSet copy;
    copy.SetData(Variant::FromBytes(EncodePacket(source.cds)));
    ASSERT_EQ(copy.RecordCount(), 40000);
    copy.Last();
    EXPECT_TRUE(copy.FieldByName("TEXTO")->IsNull());
    EXPECT_FALSE(copy.Fields().back()->AsBoolean());
}

TEST(DataPacketRoundTrip, EmptyAndClosedDataSets) {
    AllTypes empty;
    TPacketContent content = DecodePacket(EncodePacket(empty.cds));
    EXPECT_EQ(content.Columns.size(), 6u);
    EXPECT_EQ(content.Rows.RowCount(), 0u);
    TClientDataSet required;
    required.FieldDefs().Add("CHAVE", TFieldType::ftString, 14, true);
    required.CreateDataSet();
    EXPECT_EQ(DecodePacket(EncodePacket(required)).Columns.at(0),
              (TFieldDef{"CHAVE", TFieldType::ftString, 14, true}));
    empty.cds.Close();
    EXPECT_THROW(EncodePacket(empty.cds), EDatabaseError);
}

TEST(DataPacketRoundTrip, ColumnsAreCheckedBeforeAnyRowIsRead) {
    AllTypes source;
    source.Add("a", "b", 1.0, 2.0, 3, true);
    int rowsAtCheck = -1;
    TPacketContent* seen = nullptr;
    TPacketContent content =
        DecodePacket(EncodePacket(source.cds), [&](const std::vector<TFieldDef>& columns) {
            EXPECT_EQ(columns.size(), 6u);
            rowsAtCheck = 0;
            (void)seen;
        });
    EXPECT_EQ(rowsAtCheck, 0);
    EXPECT_THROW(
        DecodePacket(EncodePacket(source.cds),
                     [](const std::vector<TFieldDef>&) { throw EDatabaseError("recusado"); }),
        EDatabaseError);
}

// ---------------------------------------------------------------------------------------------
// Malformed input

TEST(DataPacketMalformed, TruncationsAtEveryLengthAreRefused) {
    AllTypes source;
    source.Add("texto", "S", 1.5, 2.0, 7, true);
    source.Add(Variant::Null(), "N", -1.0, 3.0, -7, false);
    std::string packet = EncodePacket(source.cds);
    for (std::size_t n = 0; n < packet.size(); ++n)
        EXPECT_THROW(DecodePacket(std::string_view(packet).substr(0, n)), EDatabaseError) << n;
    EXPECT_EQ(DecodeError(""), "Pacote de dados inválido: pacote truncado");
    EXPECT_EQ(DecodeError(packet + "x"),
              "Pacote de dados inválido: bytes sobrando após o fim do pacote");
}

TEST(DataPacketMalformed, WrongStructureIsRefusedWithAClearMessage) {
    auto rows = [](auto body) { return OneTextColumn(body); };
    EXPECT_EQ(DecodeError(PacketOf([](auto& pk) { pk.pack_map(0); })),
              "Pacote de dados inválido: não é um pacote de dados");
    EXPECT_EQ(DecodeError(PacketOf([](auto& pk) {
                  pk.pack_array(4);
                  PackStr(pk, "PAGDP");
                  pk.pack_uint8(2);
              })),
              "Pacote de dados inválido: versão 2 não suportada");
    EXPECT_EQ(DecodeError(rows([](auto& pk) {
                  pk.pack_array(1);
                  pk.pack_array(1);
                  pk.pack_double(1.5);
              })),
              "Pacote de dados inválido: um número real no campo 'A' (String) do registro 1");
    EXPECT_EQ(DecodeError(rows([](auto& pk) {
                  pk.pack_array(2);
                  pk.pack_array(1);
                  pk.pack_nil();
                  pk.pack_array(2);
              })),
              "Pacote de dados inválido: registro 2 com 2 valores para 1 campos");
    EXPECT_EQ(DecodeError(rows([](auto& pk) {
                  pk.pack_array(1);
                  pk.pack_array(1);
                  pk.pack_array(1);
              })),
              "Pacote de dados inválido: aninhamento profundo demais");
    EXPECT_EQ(DecodeError(rows([](auto& pk) {
                  pk.pack_array(1);
                  pk.pack_array(1);
                  pk.pack_str(2);
                  pk.pack_str_body("\xC3\x28", 2);
              })),
              "Pacote de dados inválido: texto que não é UTF-8 válido");
    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
        EXPECT_EQ(DecodeError(rows([&](auto& pk) {
                      pk.pack_array(1);
                      pk.pack_array(1);
                      PackStr(pk, bad);
                  })),
                  "Pacote de dados inválido: texto que não é UTF-8 válido")
            << bad;
    }
    EXPECT_EQ(DecodeError(rows([](auto& pk) {
                  pk.pack_array(1);
                  pk.pack_array(1);
                  pk.pack_bin(1);
                  pk.pack_bin_body("x", 1);
              })),
              "Pacote de dados inválido: dados binários no campo 'A' (String) do registro 1");
}

// A plain reference decoder, to hold the packet's validation of texts against.
bool ReferenceUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0))
            return false;
        std::uint32_t cp = extra == 0 ? c : c & (0x3Fu >> extra);
        for (int k = 1; k <= extra; ++k) {
            auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        static const std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

TEST(DataPacketMalformed, TextsOfEveryLengthAreValidatedAsUtf8) {
    // Valid and broken pieces at every position of texts of 0 to 70 bytes (the validation works
    // on 16-byte blocks, so the pieces must straddle block boundaries).
    const std::vector<std::string> pieces = {"a",
                                             "b",
                                             "ç",
                                             "É",
                                             "✓",
                                             "🚀",
                                             "\x80",
                                             "\xC3",
                                             "\xC0\x80",
                                             "\xE0\x80\x80",
                                             "\xED\xA0\x80",
                                             "\xF4\x90\x80\x80",
                                             "\xFF"};
    std::mt19937 rng(7);
    int valid = 0;
    for (int i = 0; i < 4000; ++i) {
        std::string text;
        std::size_t length = rng() % 71;
        bool broken = rng() % 3 == 0;
        while (text.size() < length) text += pieces[rng() % (broken ? pieces.size() : 6)];
        std::string packet = OneTextColumn([&](auto& pk) {
            pk.pack_array(1);
            pk.pack_array(1);
            PackStr(pk, text);
        });
        bool expected = ReferenceUtf8(text);
        valid += expected;
        EXPECT_EQ(DecodeError(packet),
                  expected ? "accepted" : "Pacote de dados inválido: texto que não é UTF-8 válido")
            << testing::PrintToString(text);
    }
    EXPECT_GT(valid, 2000);
}

TEST(DataPacketMalformed, BadColumnDefinitionsAreRefused) {
    auto withColumns = [](auto columns) {
        return PacketOf([&](auto& pk) {
            pk.pack_array(4);
            PackStr(pk, "PAGDP");
            pk.pack_uint8(1);
            columns(pk);
            pk.pack_array(0);
        });
    };
    auto column = [](auto& pk, const char* name, const char* type, int size) {
        pk.pack_array(4);
        PackStr(pk, name);
        PackStr(pk, type);
        pk.pack_uint32(static_cast<std::uint32_t>(size));
        pk.pack_false();
    };
    EXPECT_EQ(DecodeError(withColumns([&](auto& pk) {
                  pk.pack_array(2);
                  column(pk, "A", "String", 3);
                  column(pk, "a", "Float", 0);
              })),
              "Pacote de dados inválido: campo 'a' repetido");
    EXPECT_EQ(DecodeError(withColumns([&](auto& pk) {
                  pk.pack_array(1);
                  column(pk, "A", "Currency", 0);
              })),
              "Pacote de dados inválido: tipo de campo desconhecido 'Currency'");
    EXPECT_EQ(DecodeError(withColumns([&](auto& pk) {
                  pk.pack_array(1);
                  column(pk, "A", "String", 0);
              })),
              "Pacote de dados inválido: tamanho 0 inválido para o campo 'A'");
    EXPECT_EQ(DecodeError(withColumns([&](auto& pk) { pk.pack_array(0); })),
              "Pacote de dados inválido: nenhum campo definido");
}

TEST(DataPacketMalformed, HugeDeclaredSizesFailFastWithoutAllocating) {
    // A row count of four billion with nothing behind it, and a 4 GB text.
    std::string rows = OneTextColumn([](auto&) {});
    rows += std::string("\xDD\xFF\xFF\xFF\xFF", 5);
    EXPECT_EQ(DecodeError(rows), "Pacote de dados inválido: pacote truncado");
    std::string text = OneTextColumn([](auto& pk) {
        pk.pack_array(1);
        pk.pack_array(1);
    });
    text += std::string("\xDB\xFF\xFF\xFF\xF0", 5);
    EXPECT_EQ(DecodeError(text), "Pacote de dados inválido: pacote truncado");
    // A million nested arrays stop at the first level too deep.
    std::string deep = OneTextColumn([](auto& pk) {
        pk.pack_array(1);
        pk.pack_array(1);
    });
    deep += std::string(1000000, '\x91');
    EXPECT_EQ(DecodeError(deep), "Pacote de dados inválido: aninhamento profundo demais");
}

// ---------------------------------------------------------------------------------------------
// Mutations of valid packets: each either decodes or is refused, never crashes, and a refused
// packet leaves the dataset as it was.

TEST(DataPacketFuzz, MutatedPacketsDecodeOrFailCleanly) {
    AllTypes source;
    std::mt19937 rng(20240315);
    for (int i = 0; i < 12; ++i) {
        std::string text(static_cast<std::size_t>(rng() % 40), static_cast<char>('a' + i));
        if (i % 3 == 0) text += "çã";
        source.Add(i % 5 == 0 ? Variant::Null() : Variant(text), i % 2 ? "S" : "N",
                   FromBits(kAwkwardDoubles[static_cast<std::size_t>(i) % kAwkwardDoubles.size()]),
                   Variant::FromDate(45000.0 + i), std::int64_t{1} << (i * 5), i % 2 == 0);
    }
    const std::string valid = EncodePacket(source.cds);

    TClientDataSet target;
    target.SetData(Variant::FromBytes(valid));
    target.SetRecNo(5);
    const std::string before = EncodePacket(target);

    int accepted = 0, refused = 0;
    for (int iteration = 0; iteration < 20000; ++iteration) {
        std::string input = valid;
        int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !input.empty(); ++e) {
            std::size_t at = rng() % input.size();
            switch (rng() % 5) {
            case 0: input[at] = static_cast<char>(rng()); break;
            case 1: input[at] = static_cast<char>(input[at] ^ (1 << (rng() % 8))); break;
            case 2: input.resize(at); break;
            case 3: input.insert(at, std::string(1 + rng() % 8, static_cast<char>(rng()))); break;
            case 4: input.erase(at, 1 + rng() % 16); break;
            }
        }
        try {
            target.SetData(Variant::FromBytes(input));
            ++accepted;
            EncodePacket(target); // whatever was accepted is a consistent dataset
            target.SetData(Variant::FromBytes(valid));
            target.SetRecNo(5);
        } catch (const EDatabaseError&) {
            ++refused;
            ASSERT_EQ(target.RecNo(), 5);
            ASSERT_EQ(EncodePacket(target), before) << "iteration " << iteration;
        }
    }
    EXPECT_GT(refused, 10000);
    EXPECT_GT(accepted, 100);
}
