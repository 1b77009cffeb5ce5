// TKeyList: set semantics over a hash map.
#include "host/keylist.h"

namespace host {

bool TKeyList::Add(const std::string& key, int value) {
    return items_.emplace(key, value).second;
}

bool TKeyList::Remove(const std::string& key) {
    return items_.erase(key) != 0;
}

int TKeyList::Value(const std::string& key, int fallback) const {
    auto it = items_.find(key);
    return it == items_.end() ? fallback : it->second;
}

} // namespace host
