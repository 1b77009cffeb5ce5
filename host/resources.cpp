// Satellite resource modules: finding, reading and applying a module's translated texts.
#include "host/resources.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "host/messages.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/sysutils.h"

namespace module {

namespace {

constexpr std::uintmax_t kMaxSatelliteBytes = 4u << 20;

// A component owned by `root` directly or through its components, by name ignoring case.
platform::TComponent* FindOwned(const platform::TComponent& root, std::string_view name) {
    for (platform::TComponent* c : root.Components()) {
        if (platform::SameText(c->Name(), name)) return c;
        if (platform::TComponent* inner = FindOwned(*c, name)) return inner;
    }
    return nullptr;
}

// Replaces the text of catalogue line `key` (ignoring case), or adds the line.
void SetCatalogueText(host::TMessages& messages, const std::string& key, const std::string& text) {
    for (int i = 0; i < messages.GetMsgCount(); ++i) {
        if (platform::SameText(messages.KeyAt(i), key)) {
            messages.Lines()[static_cast<std::size_t>(i)] = messages.KeyAt(i) + "|" + text;
            return;
        }
    }
    messages.Lines().push_back(key + "|" + text);
}

bool SetProperty(platform::TComponent& target, std::string_view property, const std::string& text) {
    if (auto* control = dynamic_cast<platform::TControl*>(&target)) {
        if (property == "Caption" || property == "Text") {
            control->SetText(text);
            return true;
        }
        if (property == "Hint") {
            control->SetHint(text);
            return true;
        }
        return false;
    }
    if (auto* item = dynamic_cast<platform::TMenuItem*>(&target)) {
        if (property == "Caption") {
            item->SetCaption(text);
            return true;
        }
        if (property == "Hint") {
            item->SetHint(text);
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<TResourceModule> TResourceModule::Load(const std::string& fileName) {
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec)) return std::nullopt;
    std::uintmax_t size = std::filesystem::file_size(fileName, ec);
    if (ec)
        throw platform::Exception("Não foi possível ler o arquivo de recursos " + fileName + ": " +
                                  ec.message());
    if (size > kMaxSatelliteBytes)
        throw platform::Exception("O arquivo de recursos " + fileName + " excede 4 MB.");
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw platform::Exception("Não foi possível abrir o arquivo de recursos " + fileName + ".");
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        throw platform::Exception("Erro de leitura no arquivo de recursos " + fileName + ".");
    return Parse(buffer.str(), fileName);
}

TResourceModule TResourceModule::Parse(std::string_view text, const std::string& fileName) {
    TResourceModule module;
    module.fileName_ = fileName;
    std::size_t start = 0;
    int lineNumber = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t bar = line.find('|');
        if (bar == std::string_view::npos || bar == 0)
            throw platform::Exception("Linha " + platform::IntToStr(lineNumber) +
                                      " do arquivo de recursos " + fileName +
                                      " não tem a forma NOME|TEXTO.");
        std::string name(line.substr(0, bar));
        std::string value(line.substr(bar + 1));
        bool replaced = false;
        for (auto& entry : module.entries_) {
            if (entry.first == name) {
                entry.second = value;
                replaced = true;
                break;
            }
        }
        if (!replaced) module.entries_.emplace_back(std::move(name), std::move(value));
    }
    return module;
}

const std::string* TResourceModule::Find(std::string_view name) const {
    for (const auto& entry : entries_)
        if (entry.first == name) return &entry.second;
    return nullptr;
}

int TResourceModule::ApplyTo(platform::TComponent& form) const {
    int applied = 0;
    for (const auto& [name, text] : entries_) {
        std::size_t dot = name.find('.');
        if (dot == std::string::npos ||
            !platform::SameText(std::string_view(name).substr(0, dot), form.Name()))
            continue;
        std::string_view rest = std::string_view(name).substr(dot + 1);
        std::size_t second = rest.find('.');
        if (second == std::string_view::npos) {
            if (SetProperty(form, rest, text)) ++applied;
            continue;
        }
        platform::TComponent* target = FindOwned(form, rest.substr(0, second));
        if (target == nullptr) continue;
        std::string member(rest.substr(second + 1));
        if (auto* messages = dynamic_cast<host::TMessages*>(target)) {
            SetCatalogueText(*messages, member, text);
            ++applied;
        } else if (SetProperty(*target, member, text)) {
            ++applied;
        }
    }
    return applied;
}

std::vector<std::string> LocaleCandidates(std::string_view localeValue) {
    std::string_view locale = localeValue;
    std::size_t cut = locale.find_first_of(".@");
    if (cut != std::string_view::npos) locale = locale.substr(0, cut);
    if (locale.empty() || locale == "C" || locale == "POSIX") return {};
    // Only names a file name can carry: letters, digits, '_' and '-'.
    for (char c : locale) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '_' || c == '-';
        if (!ok) return {};
    }
    std::vector<std::string> candidates{std::string(locale)};
    std::size_t underscore = locale.find('_');
    if (underscore != std::string_view::npos && underscore > 0)
        candidates.emplace_back(locale.substr(0, underscore));
    return candidates;
}

std::string EnvironmentLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return value;
    }
    return "";
}

std::string SatelliteFileName(const std::string& moduleFile, const std::string& locale) {
    std::filesystem::path path(moduleFile);
    path.replace_extension(locale);
    return path.string();
}

TSatelliteLookup FindSatellite(const std::string& moduleFile, std::string_view localeValue) {
    TSatelliteLookup lookup;
    for (const std::string& locale : LocaleCandidates(localeValue)) {
        std::string fileName = SatelliteFileName(moduleFile, locale);
        try {
            std::optional<TResourceModule> found = TResourceModule::Load(fileName);
            if (!found) continue;
            lookup.resources = std::make_shared<const TResourceModule>(std::move(*found));
        } catch (const std::exception& e) { lookup.note = e.what(); }
        return lookup; // the first satellite that exists decides, usable or not
    }
    return lookup;
}

} // namespace module
