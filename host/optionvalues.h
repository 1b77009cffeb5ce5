// TOptionValues: the name=value lines of a filter dialog's saved options.
#pragma once

#include <string>
#include <vector>

namespace host {

/// Lines "name=value", names compared ignoring case. Invariants: every line holds a non-empty
/// name without '=' and a non-empty value (setting an empty value removes the name); no name
/// appears twice. Order is that of first setting.
class TOptionValues {
public:
    /// The value of `name`; empty when the name is absent.
    std::string Value(const std::string& name) const;
    /// Sets `name` to `value`, keeping its place when present; an empty value removes it.
    /// A name that is empty or holds '=' raises platform::Exception.
    void SetValue(const std::string& name, const std::string& value);
    bool Contains(const std::string& name) const;

    const std::vector<std::string>& Lines() const { return lines_; }
    /// Replaces every line; each must be "name=value" as above (platform::Exception otherwise;
    /// nothing changes then). A later duplicate name replaces the earlier one's value.
    void SetLines(const std::vector<std::string>& lines);
    int Count() const { return static_cast<int>(lines_.size()); }
    void Clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
    int IndexOf(const std::string& name) const;
};

} // namespace host
