// TKeyList: a set of text keys, each carrying an integer value.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

namespace host {

/// A set of keys (compared exactly, case included) with an integer value per key.
/// Invariant: no key appears twice. Add of a present key changes nothing (its value stays);
/// Remove of an absent key does nothing. Neither ever fails.
class TKeyList {
public:
    TKeyList() = default;

    /// Adds `key` with `value`; true when it was added, false when it was already present.
    bool Add(const std::string& key, int value);
    /// Removes `key`; true when it was present.
    bool Remove(const std::string& key);
    bool Exists(const std::string& key) const { return items_.count(key) != 0; }
    /// The value of a present key; `fallback` for an absent one.
    int Value(const std::string& key, int fallback = 0) const;
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear() { items_.clear(); }
    /// Room for `count` keys without rehashing (large mark-all loops).
    void Reserve(std::size_t count) { items_.reserve(count); }

private:
    std::unordered_map<std::string, int> items_;
};

} // namespace host
