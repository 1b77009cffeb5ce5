// The key names of the script language and the keystrokes they stand for.
#include "scripted/keystroke.h"

#include <string>
#include <utility>

#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/sysutils.h"

namespace scripted {

std::optional<TKeyStroke> ParseKeyStroke(std::string_view text) {
    std::vector<platform::TKeyChar> chars = platform::Utf8Decode(text);
    if (chars.size() == 1) return TKeyStroke{true, chars[0], 0, 0};
    std::string name = platform::LowerCase(text);
    static const std::pair<const char*, platform::TKeyChar> typed[] = {
        {"space", U' '}, {"enter", U'\r'}, {"return", U'\r'}, {"esc", 27},
        {"escape", 27},  {"tab", U'\t'},   {"backspace", 8},  {"bksp", 8},
    };
    for (const auto& [word, ch] : typed)
        if (name == word) return TKeyStroke{true, ch, 0, 0};
    // Longer spellings of the shortcut key names.
    static const std::pair<const char*, const char*> synonyms[] = {
        {"delete", "del"},
        {"insert", "ins"},
        {"pageup", "pgup"},
        {"pagedown", "pgdn"},
    };
    std::size_t plus = name.rfind('+');
    std::string last = plus == std::string::npos ? name : name.substr(plus + 1);
    for (const auto& [longName, shortName] : synonyms)
        if (last == longName)
            name = name.substr(0, plus == std::string::npos ? 0 : plus + 1) + shortName;
    platform::TShortCut shortCut = platform::TextToShortCut(name);
    if (shortCut == 0) return std::nullopt;
    TKeyStroke stroke;
    platform::ShortCutToKey(shortCut, stroke.key, stroke.shift);
    return stroke;
}

} // namespace scripted
