// TOptionValues: lookups ignoring case, empty values removing their line.
#include "host/optionvalues.h"

#include "platform/sysutils.h"

namespace host {

int TOptionValues::IndexOf(const std::string& name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string_view line = lines_[i];
        std::size_t eq = line.find('=');
        if (platform::SameText(line.substr(0, eq), name)) return static_cast<int>(i);
    }
    return -1;
}

std::string TOptionValues::Value(const std::string& name) const {
    int i = IndexOf(name);
    if (i < 0) return {};
    const std::string& line = lines_[static_cast<std::size_t>(i)];
    return line.substr(line.find('=') + 1);
}

bool TOptionValues::Contains(const std::string& name) const {
    return IndexOf(name) >= 0;
}

void TOptionValues::SetValue(const std::string& name, const std::string& value) {
    if (name.empty() || name.find('=') != std::string::npos)
        throw platform::Exception("Nome de opção inválido: '" + name + "'.");
    int i = IndexOf(name);
    if (value.empty()) {
        if (i >= 0) lines_.erase(lines_.begin() + i);
    } else if (i >= 0) {
        lines_[static_cast<std::size_t>(i)] = name + "=" + value;
    } else {
        lines_.push_back(name + "=" + value);
    }
}

void TOptionValues::SetLines(const std::vector<std::string>& lines) {
    TOptionValues fresh;
    for (const std::string& line : lines) {
        std::size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0)
            throw platform::Exception("Linha de opção inválida: '" + line + "'.");
        fresh.SetValue(line.substr(0, eq), line.substr(eq + 1));
    }
    lines_ = std::move(fresh.lines_);
}

} // namespace host
