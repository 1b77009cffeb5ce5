// Benchmarks of the client dataset and its data packet on 100,000 write-off rows, with their
// baselines.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstring>
#include <memory>
#include <string>
#include <unordered_set>

#include <msgpack.hpp>

#include "bench/plain_mark_loop.h"
#include "bench/writeoff_rows.h"
#include "platform/datapacket.h"
#include "platform/dataset.h"

using namespace platform;

namespace {

// The packet of `rows` write-offs, built once per size.
const std::string& Packet(int rows) {
    static std::string packet;
    static int built = -1;
    if (built != rows) {
        TClientDataSet cds;
        bench::AddWriteOffFields(cds);
        cds.CreateDataSet();
        bench::FillWriteOffs(cds, rows);
        packet = EncodePacket(cds);
        built = rows;
    }
    return packet;
}

std::size_t HeapInUse() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

std::unique_ptr<TClientDataSet> LoadedWriteOffs(int rows) {
    auto cds = std::make_unique<TClientDataSet>();
    bench::AddWriteOffFields(*cds);
    cds->SetData(Variant::FromBytes(Packet(rows)));
    return cds;
}

void BM_Memcpy(benchmark::State& state) {
    const std::string& packet = Packet(static_cast<int>(state.range(0)));
    std::string target(packet.size(), '\0');
    for (auto _ : state) {
        std::memcpy(target.data(), packet.data(), packet.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.counters["packet_bytes"] = static_cast<double>(packet.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * packet.size()));
}

void BM_MsgpackUnpack(benchmark::State& state) {
    const std::string& packet = Packet(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        msgpack::object_handle handle = msgpack::unpack(packet.data(), packet.size());
        benchmark::DoNotOptimize(handle.get().type);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * packet.size()));
}

// The floor of any decoding built on the library's parser: its events, discarded.
void BM_MsgpackNullParse(benchmark::State& state) {
    const std::string& packet = Packet(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        msgpack::null_visitor visitor;
        benchmark::DoNotOptimize(msgpack::parse(packet.data(), packet.size(), visitor));
    }
}

void BM_PacketDecode(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    Variant packet = Variant::FromBytes(Packet(rows));
    TClientDataSet cds;
    bench::AddWriteOffFields(cds);
    for (auto _ : state) {
        cds.SetData(packet);
        benchmark::DoNotOptimize(cds.RecordCount());
    }
    // Memory of the open dataset, measured two ways: the heap it takes from a closed start, and
    // the capacities its storage holds.
    cds.Close();
    std::size_t before = HeapInUse();
    cds.SetData(packet);
    std::size_t heap = HeapInUse() - before;
    if (cds.RecordCount() != rows) state.SkipWithError("wrong row count");
    state.counters["packet_bytes"] = static_cast<double>(packet.AsBytes().size());
    state.counters["dataset_bytes"] = static_cast<double>(heap);
    state.counters["storage_capacity_bytes"] = static_cast<double>(cds.AllocatedBytes());
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * packet.AsBytes().size()));
}

void BM_PacketEncode(benchmark::State& state) {
    std::unique_ptr<TClientDataSet> cds = LoadedWriteOffs(static_cast<int>(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string packet = EncodePacket(*cds);
        bytes = packet.size();
        benchmark::DoNotOptimize(packet.data());
    }
    state.counters["packet_bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// Marks (or unmarks) every row as the mark-all command does: controls disabled, one Edit/Post
// per row, an after-post handler keeping the set of marked keys.
void BM_EditPostWalk(benchmark::State& state) {
    std::unique_ptr<TClientDataSet> cds = LoadedWriteOffs(static_cast<int>(state.range(0)));
    TDataSource source;
    source.SetDataSet(cds.get());
    TField* filial = cds->FieldByName("CDFILIAL");
    TField* baixa = cds->FieldByName("NRBAIXAPAG");
    TField* marcado = cds->FieldByName("IDMARCADO");
    std::unordered_set<std::string> marked;
    marked.reserve(static_cast<std::size_t>(state.range(0)));
    cds->AfterPost = [&](TDataSet*) {
        std::string key = filial->AsString() + baixa->AsString();
        if (marcado->AsString() == "S")
            marked.insert(std::move(key));
        else
            marked.erase(key);
    };
    const char* mark = "S";
    for (auto _ : state) {
        cds->DisableControls();
        cds->First();
        while (!cds->Eof()) {
            cds->Edit();
            marcado->SetAsString(mark);
            cds->Post();
            cds->Next();
        }
        cds->EnableControls();
        state.PauseTiming();
        if (marked.size() != (mark[0] == 'S' ? static_cast<std::size_t>(state.range(0)) : 0u))
            state.SkipWithError("marked set out of step");
        cds->MergeChangeLog();
        mark = mark[0] == 'S' ? "N" : "S";
        state.ResumeTiming();
    }
}

void BM_Locate(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    std::unique_ptr<TClientDataSet> cds = LoadedWriteOffs(rows);
    int i = 0;
    for (auto _ : state) {
        // Keys spread over the whole list, in lower case: the search ignores case.
        int n = (i++ * 7919) % rows;
        char filial[8], baixa[16];
        std::snprintf(filial, sizeof filial, "%04d", 1 + n % 20);
        std::snprintf(baixa, sizeof baixa, "%010d", 1000000 + n);
        if (!cds->Locate("CDFILIAL;NRBAIXAPAG", {filial, baixa}, loCaseInsensitive))
            state.SkipWithError("not found");
    }
}

} // namespace

BENCHMARK(BM_Memcpy)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MsgpackUnpack)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MsgpackNullParse)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacketDecode)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacketEncode)->Arg(100000)->Unit(benchmark::kMillisecond);
using bench::BM_PlainMarkLoop;
BENCHMARK(BM_PlainMarkLoop)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditPostWalk)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Locate)->Arg(100000)->Unit(benchmark::kMillisecond);
