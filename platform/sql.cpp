// SQL access: what both backends share (URLs, parameters, statement scanning, dates, errors).
#include "platform/sql.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/calldeadline.h"
#include "platform/civildate.h"
#include "platform/sql_backends.h"
#include "platform/sysutils.h"

namespace platform {

// ---- TSqlParams --------------------------------------------------------------------------

TSqlParams::TSqlParams(std::initializer_list<std::pair<std::string, Variant>> items) {
    for (const auto& item : items) Set(item.first, item.second);
}

TSqlParams& TSqlParams::Set(std::string_view name, Variant value) {
    for (auto& item : items_) {
        if (SameText(item.first, name)) {
            item.second = std::move(value);
            return *this;
        }
    }
    items_.emplace_back(std::string(name), std::move(value));
    return *this;
}

const Variant* TSqlParams::Find(std::string_view name) const {
    for (const auto& item : items_)
        if (SameText(item.first, name)) return &item.second;
    return nullptr;
}

// ---- TSqlCursor, TSqlConnection, TSqlTransaction -----------------------------------------

int TSqlCursor::FieldIndex(std::string_view name) const {
    const int count = ColumnCount();
    for (int i = 0; i < count; ++i)
        if (SameText(ColumnName(i), name)) return i;
    return -1;
}

std::unique_ptr<TSqlConnection> TSqlConnection::Open(const std::string& url) {
    std::string redacted = sqlimpl::RedactUrl(url);
    if (url.starts_with("sqlite:")) {
        std::string path = url.substr(7);
        if (path.empty())
            throw EDatabaseError("URL de banco de dados sem o caminho do arquivo: " + redacted);
        return sqlimpl::OpenSqlite(path, std::move(redacted));
    }
    if (url.starts_with("postgresql://") || url.starts_with("postgres://"))
        return sqlimpl::OpenPostgres(url, std::move(redacted));
    throw EDatabaseError("URL de banco de dados não reconhecida: \"" + redacted +
                         "\" (use sqlite:ARQUIVO ou postgresql://...)");
}

// Every statement starts only within the current call's deadline; the backends stop one that is
// running when the deadline passes.
std::int64_t TSqlConnection::Execute(std::string_view sql, const TSqlParams& params) {
    CheckCallDeadline();
    return DoExecute(sql, params);
}

std::unique_ptr<TSqlCursor> TSqlConnection::OpenCursor(std::string_view sql,
                                                       const TSqlParams& params) {
    CheckCallDeadline();
    return DoOpenCursor(sql, params);
}

Variant TSqlConnection::SelectValue(std::string_view sql, const TSqlParams& params) {
    CheckCallDeadline();
    auto cursor = DoOpenCursor(sql, params);
    if (!cursor->Next() || cursor->ColumnCount() == 0) return Variant::Null();
    return cursor->Value(0);
}

void TSqlConnection::ExecuteScript(std::string_view sql) {
    CheckCallDeadline();
    DoExecuteScript(sql);
}

TSqlTransaction::TSqlTransaction(TSqlConnection& connection) : connection_(connection) {
    connection_.Begin();
}

TSqlTransaction::~TSqlTransaction() {
    if (!open_) return;
    try {
        if (connection_.InTransaction()) connection_.Rollback();
    } catch (const std::exception&) {
        // A destructor cannot report; the database undoes an unfinished transaction itself
        // when the connection closes.
    }
}

void TSqlTransaction::Commit() {
    if (!open_) throw EDatabaseError("A transação já foi encerrada");
    connection_.Commit();
    open_ = false;
}

void TSqlTransaction::Rollback() {
    if (!open_) throw EDatabaseError("A transação já foi encerrada");
    open_ = false;
    if (connection_.InTransaction()) connection_.Rollback();
}

// ---- Dates -------------------------------------------------------------------------------

namespace {

constexpr std::int64_t kMsPerDay = 86400000;

[[noreturn]] void BadDate(std::string_view text) {
    throw EConvertError("Data inválida no banco de dados: '" + std::string(text) + "'");
}

// Reads exactly `count` digits at `pos`.
bool ReadDigits(std::string_view text, std::size_t& pos, std::size_t count, unsigned& out) {
    if (pos + count > text.size()) return false;
    unsigned value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    pos += count;
    out = value;
    return true;
}

} // namespace

std::string FormatSqlDate(TDateTime value) {
    // 0001-01-01 .. 9999-12-31, the years that four digits can write.
    if (!std::isfinite(value) || value <= -693594.0 || value >= 2958466.0)
        throw EConvertError("Data fora do intervalo aceito pelo banco de dados");
    // An automation date's integral part is the day (towards zero); the absolute value of the
    // fraction is the time of day, also before 1899-12-30.
    std::int64_t day = static_cast<std::int64_t>(std::trunc(value));
    std::int64_t ms = std::llround(std::fabs(value - static_cast<double>(day)) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ++day;
        ms = 0;
    }
    const TCivilDate date = CivilFromDays(day - kUnixToAutomationDays);
    char buffer[40];
    int n = std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u",
                          static_cast<long long>(date.year), date.month, date.day);
    if (ms != 0) {
        const auto hh = static_cast<unsigned>(ms / 3600000),
                   mi = static_cast<unsigned>(ms / 60000 % 60),
                   ss = static_cast<unsigned>(ms / 1000 % 60),
                   mmm = static_cast<unsigned>(ms % 1000);
        n += std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n),
                           " %02u:%02u:%02u", hh, mi, ss);
        if (mmm != 0)
            std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n), ".%03u", mmm);
    }
    return buffer;
}

TDateTime ParseSqlDate(std::string_view text) {
    std::size_t pos = 0;
    // Year: four or more digits (PostgreSQL writes years past 9999 with more).
    std::int64_t year = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos < 7)
        year = year * 10 + (text[pos++] - '0');
    unsigned month = 0, day = 0;
    if (pos < 4 || pos >= text.size() || text[pos] != '-') BadDate(text);
    ++pos;
    if (!ReadDigits(text, pos, 2, month) || pos >= text.size() || text[pos] != '-') BadDate(text);
    ++pos;
    if (!ReadDigits(text, pos, 2, day)) BadDate(text);
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) BadDate(text);

    std::int64_t ms = 0;
    if (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T')) {
        ++pos;
        unsigned hh = 0, mi = 0, ss = 0;
        if (!ReadDigits(text, pos, 2, hh) || pos >= text.size() || text[pos] != ':') BadDate(text);
        ++pos;
        if (!ReadDigits(text, pos, 2, mi)) BadDate(text);
        if (pos < text.size() && text[pos] == ':') {
            ++pos;
            if (!ReadDigits(text, pos, 2, ss)) BadDate(text);
        }
        if (hh > 23 || mi > 59 || ss > 59) BadDate(text);
        double fraction = 0.0, scale = 0.1;
        if (pos < text.size() && text[pos] == '.') {
            ++pos;
            const std::size_t first = pos;
            for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, scale /= 10)
                fraction += (text[pos] - '0') * scale;
            if (pos == first) BadDate(text);
        }
        ms = (static_cast<std::int64_t>(hh) * 3600 + mi * 60 + ss) * 1000 +
             std::llround(fraction * 1000.0);
        // A zone offset ("+03", "-03:30", "Z") is the session's own: the wall-clock time stays.
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-' || text[pos] == 'Z')) {
            if (text[pos++] != 'Z')
                while (pos < text.size() &&
                       ((text[pos] >= '0' && text[pos] <= '9') || text[pos] == ':'))
                    ++pos;
        }
    }
    if (pos != text.size()) BadDate(text);

    const std::int64_t days = DaysFromCivil(year, month, day) + kUnixToAutomationDays;
    const double time = static_cast<double>(ms) / kMsPerDay;
    return days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time;
}

// ---- Statement scanning, errors, URLs ----------------------------------------------------

namespace sqlimpl {

namespace {

bool IsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool IsIdentChar(char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

// Where a quoted text whose body starts at `i` ends (just past its closing quote, or the end of
// the statement when it is not closed): a doubled quote stands for itself, and with
// `backslashEscapes` (E'...') a backslash takes the next character as it is.
std::size_t QuotedEnd(std::string_view sql, std::size_t i, char quote, bool backslashEscapes) {
    const std::size_t n = sql.size();
    while (i < n) {
        if (backslashEscapes && sql[i] == '\\' && i + 1 < n) {
            i += 2;
        } else if (sql[i] == quote) {
            if (i + 1 < n && sql[i + 1] == quote)
                i += 2;
            else
                return i + 1;
        } else {
            ++i;
        }
    }
    return n;
}

} // namespace

std::vector<TSqlToken> TokenizeSql(std::string_view sql) {
    std::vector<TSqlToken> tokens;
    const std::size_t n = sql.size();
    std::size_t i = 0;
    auto add = [&](TSqlToken::Kind kind, std::size_t begin, std::size_t end) {
        tokens.push_back({kind, begin, end});
    };
    while (i < n) {
        const std::size_t start = i;
        const char c = sql[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            while (i < n && (sql[i] == ' ' || sql[i] == '\t' || sql[i] == '\r' || sql[i] == '\n' ||
                             sql[i] == '\f' || sql[i] == '\v'))
                ++i;
            add(TSqlToken::Space, start, i);
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n') ++i;
            add(TSqlToken::Comment, start, i);
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            int depth = 0;
            while (i < n) {
                if (sql[i] == '/' && i + 1 < n && sql[i + 1] == '*') {
                    ++depth;
                    i += 2;
                } else if (sql[i] == '*' && i + 1 < n && sql[i + 1] == '/') {
                    i += 2;
                    if (--depth == 0) break;
                } else {
                    ++i;
                }
            }
            add(TSqlToken::Comment, start, i);
        } else if (c == '\'') {
            i = QuotedEnd(sql, i + 1, '\'', false);
            add(TSqlToken::Literal, start, i);
        } else if ((c == 'E' || c == 'e') && i + 1 < n && sql[i + 1] == '\'') {
            i = QuotedEnd(sql, i + 2, '\'', true);
            add(TSqlToken::Literal, start, i);
        } else if (c == '"') {
            i = QuotedEnd(sql, i + 1, '"', false);
            add(TSqlToken::Word, start, i);
        } else if (c == '$' && i + 1 < n && (sql[i + 1] == '$' || IsIdentStart(sql[i + 1]))) {
            // $tag$ ... $tag$
            std::size_t j = i + 1;
            while (j < n && IsIdentChar(sql[j])) ++j;
            if (j < n && sql[j] == '$') {
                const std::string_view tag = sql.substr(i, j - i + 1);
                const std::size_t close = sql.find(tag, j + 1);
                i = close == std::string_view::npos ? n : close + tag.size();
                add(TSqlToken::Literal, start, i);
            } else {
                ++i;
                add(TSqlToken::Other, start, i);
            }
        } else if (c == ':' && i + 1 < n && sql[i + 1] == ':') {
            i += 2;
            add(TSqlToken::Other, start, i);
        } else if (c == ':' && i + 1 < n && IsIdentStart(sql[i + 1])) {
            i += 2;
            while (i < n && IsIdentChar(sql[i])) ++i;
            add(TSqlToken::Param, start, i);
        } else if (IsIdentChar(c)) {
            while (i < n && IsIdentChar(sql[i])) ++i;
            add(TSqlToken::Word, start, i);
        } else {
            ++i;
            add(TSqlToken::Other, start, i);
        }
    }
    return tokens;
}

TNumberedSql NumberParams(std::string_view sql) {
    TNumberedSql out;
    if (sql.find(':') == std::string_view::npos) {
        out.text = sql;
        return out;
    }
    out.text.reserve(sql.size());
    std::size_t copied = 0;
    for (const TSqlToken& token : TokenizeSql(sql)) {
        if (token.kind != TSqlToken::Param) continue;
        const std::string name =
            UpperCase(sql.substr(token.begin + 1, token.end - token.begin - 1));
        std::size_t number = 0;
        while (number < out.names.size() && out.names[number] != name) ++number;
        if (number == out.names.size()) out.names.push_back(name);
        out.text.append(sql.substr(copied, token.begin - copied));
        out.text += '$';
        out.text += std::to_string(number + 1);
        copied = token.end;
    }
    out.text.append(sql.substr(copied));
    return out;
}

std::string_view StripTrailingForUpdate(std::string_view sql) {
    if (sql.size() < 10) return sql;
    // The significant tokens, without blanks, comments and final semicolons.
    std::vector<TSqlToken> tokens;
    for (const TSqlToken& token : TokenizeSql(sql))
        if (token.kind != TSqlToken::Space && token.kind != TSqlToken::Comment)
            tokens.push_back(token);
    while (!tokens.empty() && tokens.back().kind == TSqlToken::Other &&
           sql[tokens.back().begin] == ';')
        tokens.pop_back();
    auto is = [&](std::size_t index, const char* word) {
        const TSqlToken& t = tokens[index];
        return t.kind == TSqlToken::Word && SameText(sql.substr(t.begin, t.end - t.begin), word);
    };
    // "FOR UPDATE" or "FOR UPDATE OF table[.column], ..." at the very end.
    for (std::size_t i = tokens.size(); i-- > 1;) {
        if (is(i, "UPDATE")) {
            if (!is(i - 1, "FOR")) return sql;
            if (i + 1 < tokens.size() && !is(i + 1, "OF")) return sql;
            return sql.substr(0, tokens[i - 1].begin);
        }
        const TSqlToken& t = tokens[i];
        const bool listPart =
            t.kind == TSqlToken::Word ||
            (t.kind == TSqlToken::Other && (sql[t.begin] == ',' || sql[t.begin] == '.'));
        if (!listPart) return sql;
    }
    return sql;
}

std::string StatementSummary(std::string_view sql) {
    constexpr std::size_t kMaxChars = 80;
    std::string out;
    std::size_t chars = 0;
    bool blank = false;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !out.empty();
            continue;
        }
        const bool startsChar = (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        if (startsChar && chars + (blank ? 1 : 0) >= kMaxChars) {
            out += "...";
            return out;
        }
        if (blank) {
            out += ' ';
            ++chars;
            blank = false;
        }
        out += c;
        if (startsChar) ++chars;
    }
    return out;
}

void ThrowSqlError(std::string_view message, std::string_view sql) {
    std::string text = "Erro no banco de dados: " + TrimRight(message);
    const std::string summary = StatementSummary(sql);
    if (!summary.empty()) text += " (" + summary + ")";
    throw EDatabaseError(text);
}

void ThrowMissingParam(std::string_view name, std::string_view sql) {
    ThrowSqlError("parâmetro sem valor: " + std::string(name), sql);
}

void ThrowUnsupportedParam(std::string_view name, const Variant& value, std::string_view sql) {
    ThrowSqlError("tipo de valor não aceito no parâmetro " + std::string(name) + ": " +
                      Variant::TypeName(value.Type()),
                  sql);
}

std::string RedactUrl(std::string_view url) {
    std::string out(url);
    const std::size_t scheme = out.find("://");
    if (scheme != std::string::npos) {
        const std::size_t hostStart = scheme + 3;
        std::size_t authorityEnd = out.find_first_of("/?#", hostStart);
        if (authorityEnd == std::string::npos) authorityEnd = out.size();
        const std::size_t at = out.rfind('@', authorityEnd);
        if (at != std::string::npos && at >= hostStart) {
            const std::size_t colon = out.find(':', hostStart);
            if (colon != std::string::npos && colon < at) out.erase(colon, at - colon);
        }
    }
    // A password given as a query parameter ("?password=..." or "&password=...").
    for (std::size_t pos = 0; (pos = out.find("password=", pos)) != std::string::npos;) {
        if (pos == 0 || (out[pos - 1] != '?' && out[pos - 1] != '&')) {
            pos += 9;
            continue;
        }
        std::size_t end = out.find('&', pos);
        if (end == std::string::npos) end = out.size();
        const std::size_t from = out[pos - 1] == '&' ? pos - 1 : pos;
        const std::size_t to = out[pos - 1] == '&' || end == out.size() ? end : end + 1;
        out.erase(from, to - from);
        pos = from;
    }
    if (!out.empty() && (out.back() == '?')) out.pop_back();
    return out;
}

std::string DoubleToSqlText(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::int64_t DoubleToInt64(double value) {
    if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0))
        throw EConvertError("Valor fora do intervalo de um inteiro: " + DoubleToSqlText(value));
    return static_cast<std::int64_t>(value);
}

double TextToDouble(std::string_view text) {
    const std::string trimmed = Trim(text);
    double value = 0.0;
    const char* end = trimmed.data() + trimmed.size();
    const auto result = std::from_chars(trimmed.data(), end, value);
    if (trimmed.empty() || result.ec != std::errc() || result.ptr != end)
        throw EConvertError("'" + std::string(text) + "' não é um número válido");
    return value;
}

std::int64_t TextToInt64(std::string_view text) {
    const std::string trimmed = Trim(text);
    std::int64_t value = 0;
    const char* end = trimmed.data() + trimmed.size();
    const auto result = std::from_chars(trimmed.data(), end, value);
    if (!trimmed.empty() && result.ec == std::errc() && result.ptr == end) return value;
    return DoubleToInt64(TextToDouble(text));
}

} // namespace sqlimpl

void sqlimpl::TNamedColumnsCursor::BadIndex(int column) const {
    throw ERangeError("Coluna " + std::to_string(column) + " fora do resultado (" +
                      std::to_string(names_.size()) + " colunas)");
}

void sqlimpl::TNamedColumnsCursor::NotANumber(int column) const {
    throw EConvertError("Coluna " + names_[static_cast<std::size_t>(column)] + " não é um número");
}

} // namespace platform
