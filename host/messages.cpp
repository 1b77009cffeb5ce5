// TMessages: lookups of catalogue lines ignoring the key's case.
#include "host/messages.h"

#include "platform/application.h"
#include "platform/sysutils.h"

namespace host {

namespace {

std::string_view KeyOf(std::string_view line) {
    return line.substr(0, line.find('|'));
}

std::string TextOf(std::string_view line) {
    std::size_t bar = line.find('|');
    return bar == std::string_view::npos ? std::string() : std::string(line.substr(bar + 1));
}

} // namespace

TMessages::TMessages(platform::TComponent* owner) : platform::TComponent(owner) {}

const std::string* TMessages::Find(const std::string& key) const {
    for (const std::string& line : lines_)
        if (platform::SameText(KeyOf(line), key)) return &line;
    return nullptr;
}

std::string TMessages::Msg(const std::string& key) const {
    const std::string* line = Find(key);
    return line ? TextOf(*line) : std::string();
}

bool TMessages::HasMsg(const std::string& key) const {
    return Find(key) != nullptr;
}

std::string TMessages::KeyAt(int index) const {
    if (index < 0 || index >= GetMsgCount())
        throw platform::ERangeError("Índice de mensagem fora dos limites: " +
                                    std::to_string(index));
    return std::string(KeyOf(lines_[static_cast<std::size_t>(index)]));
}

std::string TMessages::TextAt(int index) const {
    if (index < 0 || index >= GetMsgCount())
        throw platform::ERangeError("Índice de mensagem fora dos limites: " +
                                    std::to_string(index));
    return TextOf(lines_[static_cast<std::size_t>(index)]);
}

platform::TModalResult TMessages::ShowMsg(const std::string& key, platform::TMsgDlgType type,
                                          platform::TMsgDlgButtons buttons, int helpContext) const {
    return platform::Application().Services().MessageDlg(Msg(key), type, buttons, helpContext);
}

} // namespace host
