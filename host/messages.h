// TMessages: a screen's message catalogue of "key|text" lines.
#pragma once

#include <string>
#include <vector>

#include "platform/classes.h"
#include "platform/services.h"

namespace host {

/// A catalogue component. Each line is a key, the separator "|" and the text (the text runs to
/// the end of the line, blanks and tabs included; a line without "|" is a key with an empty
/// text). Keys are looked up ignoring case; when a key appears twice the first line wins.
class TMessages : public platform::TComponent {
public:
    explicit TMessages(platform::TComponent* owner = nullptr);

    std::vector<std::string>& Lines() { return lines_; }
    const std::vector<std::string>& Lines() const { return lines_; }
    void SetLines(std::vector<std::string> lines) { lines_ = std::move(lines); }

    /// The text of `key`; an empty string when no line has that key (nothing is shown).
    std::string Msg(const std::string& key) const;
    /// Whether a line has that key.
    bool HasMsg(const std::string& key) const;
    /// Number of lines of the catalogue.
    int GetMsgCount() const { return static_cast<int>(lines_.size()); }
    /// The key and the text of line `index` (ERangeError outside 0..GetMsgCount()-1).
    std::string KeyAt(int index) const;
    std::string TextAt(int index) const;

    /// Shows the text of `key` in a message box of the given dialog type and buttons through
    /// Services and returns the modal result of the button chosen (mrYes = 6...). A missing key
    /// shows an empty text.
    platform::TModalResult ShowMsg(const std::string& key, platform::TMsgDlgType type,
                                   platform::TMsgDlgButtons buttons, int helpContext = 0) const;

private:
    std::vector<std::string> lines_;
    const std::string* Find(const std::string& key) const;
};

} // namespace host
