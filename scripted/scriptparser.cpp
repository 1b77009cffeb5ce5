// The script language of the scripted host: words, commands and their checks before a run.
#include "scripted/scriptparser.h"

#include <array>

#include "platform/recordingservices.h"

namespace scripted {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

[[noreturn]] void Fail(int number, const std::string& message) {
    throw EScriptError("linha " + platform::IntToStr(number) + ": " + message);
}

struct TCommandInfo {
    const char* name;
    TCommandKind kind;
    bool hasTarget;
    int minArgs;
    int maxArgs; // -1: any number
};

constexpr std::array<TCommandInfo, 15> kCommands{{
    {"open", TCommandKind::Open, false, 0, 0},
    {"focus", TCommandKind::Focus, true, 0, 0},
    {"type", TCommandKind::Type, true, 1, 1},
    {"clear", TCommandKind::Clear, true, 0, 0},
    {"key", TCommandKind::Key, true, 1, 1},
    {"click", TCommandKind::Click, true, 0, 0},
    {"select", TCommandKind::Select, true, 1, 1},
    {"row", TCommandKind::Row, true, 1, 1},
    {"dblclick", TCommandKind::DblClick, true, 0, 0},
    {"title", TCommandKind::Title, true, 1, 1},
    {"answer", TCommandKind::Answer, false, 1, 1},
    {"pick", TCommandKind::Pick, false, 0, -1},
    {"close", TCommandKind::Close, false, 0, 0},
    {"expect", TCommandKind::Expect, true, 2, 2},
    {"print", TCommandKind::Print, true, 0, 0},
}};

bool IsNumber(const TWord& word, bool positive) {
    if (word.text.empty()) return false;
    for (char c : word.text)
        if (c < '0' || c > '9') return false;
    return !positive || platform::StrToIntDef(word.text, 0) > 0;
}

} // namespace

std::vector<TWord> SplitWords(std::string_view line) {
    std::vector<TWord> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') break;
        TWord word;
        if (line[i] == '"') {
            word.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c != '\\') {
                    word.text += c;
                    continue;
                }
                if (i >= line.size()) break;
                char e = line[i++];
                switch (e) {
                case '"': word.text += '"'; break;
                case '\\': word.text += '\\'; break;
                case 't': word.text += '\t'; break;
                default:
                    throw EScriptError(std::string("escape desconhecido \\") + e +
                                       " em texto entre aspas");
                }
            }
            if (!closed) throw EScriptError("texto entre aspas sem as aspas finais");
            if (i < line.size() && !IsBlank(line[i]) && line[i] != '#')
                throw EScriptError("aspas finais seguidas de outros caracteres");
        } else {
            while (i < line.size() && !IsBlank(line[i]) && line[i] != '#') {
                if (line[i] == '"') throw EScriptError("aspas no meio de uma palavra");
                word.text += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string StripComment(std::string_view line) {
    bool inQuotes = false;
    std::size_t end = line.size();
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (inQuotes && c == '\\') {
            ++i;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == '#' && !inQuotes) {
            end = i;
            break;
        }
    }
    return platform::Trim(line.substr(0, end));
}

std::optional<TCommand> ParseLine(std::string_view line, int number) {
    std::vector<TWord> words;
    try {
        words = SplitWords(line);
    } catch (const EScriptError& e) { Fail(number, e.Message()); }
    if (words.empty()) return std::nullopt;
    const TWord& verb = words.front();
    const TCommandInfo* info = nullptr;
    for (const TCommandInfo& candidate : kCommands)
        if (!verb.quoted && platform::SameText(verb.text, candidate.name)) info = &candidate;
    if (info == nullptr) Fail(number, "comando desconhecido " + platform::QuoteText(verb.text));

    TCommand command;
    command.kind = info->kind;
    command.line = number;
    command.source = StripComment(line);
    std::size_t next = 1;
    if (info->hasTarget) {
        if (words.size() < 2 || words[1].text.empty())
            Fail(number, std::string(info->name) + " precisa de um nome");
        command.target = words[1].text;
        next = 2;
    }
    if (command.kind == TCommandKind::Expect) {
        if (words.size() != 4 || words[2].quoted || words[2].text != "=")
            Fail(number, "expect tem a forma: expect NOME.PROPRIEDADE = VALOR");
        command.args.push_back(words[3]);
        return command;
    }
    command.args.assign(words.begin() + static_cast<std::ptrdiff_t>(next), words.end());
    int count = static_cast<int>(command.args.size());
    if (count < info->minArgs || (info->maxArgs >= 0 && count > info->maxArgs))
        Fail(number, std::string("número errado de argumentos para ") + info->name);

    switch (command.kind) {
    case TCommandKind::Select:
        if (!IsNumber(command.args[0], false))
            Fail(number, "select precisa de um índice (0, 1, ...)");
        break;
    case TCommandKind::Row:
        if (!IsNumber(command.args[0], true))
            Fail(number, "row precisa de um número de linha (1, 2, ...)");
        break;
    case TCommandKind::Answer: {
        platform::TModalResult answer = platform::ModalResultFromName(command.args[0].text);
        if (answer == platform::mrNone) Fail(number, "answer aceita Yes, No, OK ou Cancel");
        break;
    }
    default: break;
    }
    return command;
}

std::vector<TCommand> ParseScript(std::string_view text) {
    std::vector<TCommand> commands;
    std::size_t start = 0;
    int number = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        ++number;
        if (std::optional<TCommand> command = ParseLine(text.substr(start, end - start), number))
            commands.push_back(std::move(*command));
        start = end + 1;
    }
    return commands;
}

} // namespace scripted
