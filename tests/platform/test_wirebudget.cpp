// The memory a request's decode takes, measured by counting this program's allocations: hostile
// requests of tiny elements are refused within the decode budget, and the biggest requests the
// hosts send decode in about their own size.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "platform/datapacket.h"
#include "platform/datetime.h"
#include "platform/wire.h"

namespace {

// Bytes of heap in use and the most since Measure started; counted only while measuring.
std::atomic<bool> counting{false};
std::atomic<long long> liveBytes{0};
std::atomic<long long> peakBytes{0};

void Count(void* block, bool allocated) {
    if (block == nullptr || !counting.load(std::memory_order_relaxed)) return;
    const auto size = static_cast<long long>(malloc_usable_size(block));
    if (!allocated) {
        liveBytes -= size;
        return;
    }
    const long long now = liveBytes += size;
    long long peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {}
}

} // namespace

// Every operator new and delete of the program passes here (the array and sized forms of the
// standard library call these). Never inlined, so that the compiler does not pair a new it sees
// with the free inside.
[[gnu::noinline]] void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    Count(block, true);
    return block;
}
[[gnu::noinline]] void operator delete(void* block) noexcept {
    Count(block, false);
    std::free(block);
}
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept {
    Count(block, false);
    std::free(block);
}

namespace platform {
namespace {

using ::testing::HasSubstr;

// The peak growth of the heap while `work` runs.
template <class Work> long long PeakOf(Work&& work) {
    liveBytes = 0;
    peakBytes = 0;
    counting = true;
    try {
        work();
    } catch (...) {
        counting = false;
        throw;
    }
    counting = false;
    return peakBytes.load();
}

// A request of one by-value argument whose encoding follows the array header.
std::string OneArgumentRequest(std::uint32_t count, const std::string& elements) {
    std::string bytes = "\x92\xc2"; // [false, value]
    bytes += '\xdd';                // array 32
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((count >> shift) & 0xff);
    bytes += '\x00'; // the low bound
    bytes += elements;
    return bytes;
}

TEST(WireBudget, HostileRequestsOfTinyElementsAreRefusedWithinTheBudget) {
    constexpr std::uint32_t kNils = 3'999'990; // within the element limit
    constexpr std::uint32_t kTinyArrays = 1'333'330;
    std::string tiny;
    for (std::uint32_t i = 0; i < kTinyArrays; ++i) tiny.append("\x91\x00", 2); // [0]: empty
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"4 milhões de nulos", OneArgumentRequest(kNils + 1, std::string(kNils, '\xc0'))},
        {"arrays vazios repetidos", OneArgumentRequest(kTinyArrays + 1, tiny)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const long long peak = PeakOf([&] {
            EXPECT_THAT([&] { DecodeRequest(c.bytes); },
                        testing::ThrowsMessage<EWireError>(HasSubstr("vezes o seu tamanho")));
        });
        std::printf("[ memória ] %s: %zu bytes, pico %lld bytes (%.1f vezes)\n", c.name,
                    c.bytes.size(), peak,
                    static_cast<double>(peak) / static_cast<double>(c.bytes.size()));
        EXPECT_LT(peak, 10 * static_cast<long long>(c.bytes.size()));
    }
    // The same bytes decode when the caller lifts the budget: the refusal is the budget's.
    TWireLimits unbounded;
    unbounded.memoryPerInputByte = 1000;
    EXPECT_EQ(DecodeRequest(cases[1].bytes, unbounded).at(0).value.HighBound(),
              static_cast<int>(kTinyArrays) - 1);
}

// A list string of `count` codes as the hosts write them: '0001','0002',...
std::string ListString(int count) {
    std::string out;
    char code[16];
    for (int i = 1; i <= count; ++i) {
        std::snprintf(code, sizeof code, "%s'%010d'", i == 1 ? "" : ",", i);
        out += code;
    }
    return out;
}

// A data packet of `rows` rows of 29 columns: texts of several lengths, amounts and dates.
std::string BigPacket(int rows) {
    std::vector<TFieldDef> columns;
    for (int c = 0; c < 29; ++c) {
        const TFieldType type = c % 4 == 1   ? TFieldType::ftFloat
                                : c % 4 == 2 ? TFieldType::ftDateTime
                                             : TFieldType::ftString;
        columns.push_back(
            {"CAMPO" + std::to_string(c), type, type == TFieldType::ftString ? 250 : 0, false});
    }
    TDataPacketWriter writer(columns);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 29; ++c) {
            if (c % 4 == 1)
                writer.AppendFloat(r * 0.01 + c);
            else if (c % 4 == 2)
                writer.AppendDateTime(45000.0 + r % 365);
            else
                writer.AppendString(std::string(static_cast<std::size_t>(c % 3 == 0 ? 8 : 40),
                                                static_cast<char>('A' + (r + c) % 26)));
        }
    }
    return writer.Finish();
}

TEST(WireBudget, TheBiggestRequestsTheHostsSendDecodeInAboutTheirOwnSize) {
    // SetConfirmar with a list of 100,000 write-offs, every one marked; and the filter's 23
    // arguments with each of its seven lists holding 49,999 codes.
    const std::vector<TWireArg> confirm = {{Variant::FromBytes(BigPacket(100000)), false},
                                           {Variant("01"), false},
                                           {Variant("0001"), false},
                                           {Variant("OPERADOR"), false},
                                           {Variant("0000000001"), true},
                                           {Variant("Pagamento"), false},
                                           {Variant::FromBytes(BigPacket(20)), false}};
    const std::string list = ListString(49999);
    std::vector<Variant> filterValues;
    for (int i = 0; i < 23; ++i) {
        if (i == 1 || i == 4 || i == 5 || i == 8 || i == 9 || i == 14 || i == 19)
            filterValues.emplace_back(list);
        else if (i == 6 || i == 7)
            filterValues.push_back(Variant::FromDate(45000.0 + i));
        else
            filterValues.emplace_back(std::int64_t{i});
    }
    std::vector<TWireArg> filter(filterValues.size());
    for (std::size_t i = 0; i < filter.size(); ++i) filter[i].value = filterValues[i];
    const std::vector<TWireArg>* requests[] = {&confirm, &filter};
    for (const std::vector<TWireArg>* request : requests) {
        const std::string bytes = EncodeRequest(*request);
        std::vector<TWireArg> decoded;
        const long long peak = PeakOf([&] { decoded = DecodeRequest(bytes); });
        std::printf("[ memória ] requisição legítima: %zu bytes, pico %lld bytes (%.2f vezes)\n",
                    bytes.size(), peak,
                    static_cast<double>(peak) / static_cast<double>(bytes.size()));
        ASSERT_EQ(decoded.size(), request->size());
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            EXPECT_EQ(decoded[i].value, (*request)[i].value) << "argumento " << i + 1;
            EXPECT_EQ(decoded[i].byRef, (*request)[i].byRef) << "argumento " << i + 1;
        }
        // Nothing is copied twice: the values themselves and little more.
        EXPECT_LT(peak, 2 * static_cast<long long>(bytes.size()) + 64 * 1024);
    }
}

} // namespace
} // namespace platform
