// The baseline of the mark-all benchmarks: marks flipped in plain structs, keys kept in a set.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace bench {

/// A write-off reduced to its key and its mark.
struct PlainWriteOff {
    std::string cdfilial;
    std::string nrbaixapag;
    char idmarcado = 'N';
};

/// Marks every one of state.range(0) plain write-offs in one iteration and unmarks them all in
/// the next, keeping the set of marked keys (branch + number) as the screen does.
inline void BM_PlainMarkLoop(benchmark::State& state) {
    const auto rows = static_cast<std::size_t>(state.range(0));
    std::vector<PlainWriteOff> list(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%04d", static_cast<int>(1 + i % 20));
        list[i].cdfilial = buffer;
        std::snprintf(buffer, sizeof buffer, "%010d", static_cast<int>(1000000 + i));
        list[i].nrbaixapag = buffer;
    }
    std::unordered_set<std::string> marked;
    marked.reserve(rows);
    char mark = 'S';
    for (auto _ : state) {
        for (PlainWriteOff& w : list) {
            w.idmarcado = mark;
            std::string key = w.cdfilial + w.nrbaixapag;
            if (w.idmarcado == 'S')
                marked.insert(std::move(key));
            else
                marked.erase(key);
        }
        benchmark::DoNotOptimize(marked.size());
        mark = mark == 'S' ? 'N' : 'S';
    }
}

} // namespace bench
