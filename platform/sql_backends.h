// Internals shared by the SQL backends: opening each one, scanning statement texts, errors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sql.h"

namespace platform::sqlimpl {

std::unique_ptr<TSqlConnection> OpenSqlite(const std::string& path, std::string redactedUrl);
std::unique_ptr<TSqlConnection> OpenPostgres(const std::string& url, std::string redactedUrl);

/// What the cursors of both backends share: the result's column names and the checks on a
/// column index. Invariant: names_ holds one name per column of the result.
class TNamedColumnsCursor : public TSqlCursor {
public:
    int ColumnCount() const override { return static_cast<int>(names_.size()); }
    const std::string& ColumnName(int column) const override {
        CheckIndex(column);
        return names_[static_cast<std::size_t>(column)];
    }

protected:
    // Inline: the check runs on every value read, the throw almost never.
    void CheckIndex(int column) const {
        if (static_cast<std::size_t>(static_cast<unsigned>(column)) >= names_.size())
            BadIndex(column);
    }
    [[noreturn, gnu::cold]] void BadIndex(int column) const;
    /// Raises the conversion error of a column whose values are not numbers.
    [[noreturn]] void NotANumber(int column) const;

    std::vector<std::string> names_;
};

/// One lexical piece of a statement. Invariant: the tokens of a text cover it exactly, in order.
struct TSqlToken {
    enum Kind { Space, Comment, Word, Literal, Param, Other };
    Kind kind;
    std::size_t begin;
    std::size_t end;
};

/// Splits a statement into tokens. Words include quoted identifiers; literals are '...',
/// E'...' and $tag$...$tag$ strings; ":NAME" is a Param (the "::" of a cast is not);
/// comments are "--" to the end of the line and nested "/* */".
std::vector<TSqlToken> TokenizeSql(std::string_view sql);

/// A statement with its named parameters replaced by $1, $2...; names[n - 1] is the upper-case
/// name of $n. The same name always gets the same number.
struct TNumberedSql {
    std::string text;
    std::vector<std::string> names;
};
TNumberedSql NumberParams(std::string_view sql);

/// The statement without a final "FOR UPDATE" clause (the text itself when there is none).
std::string_view StripTrailingForUpdate(std::string_view sql);

/// The start of a statement for messages: blanks collapsed, at most 80 characters.
std::string StatementSummary(std::string_view sql);
/// Raises EDatabaseError "Erro no banco de dados: MESSAGE (SUMMARY)".
[[noreturn]] void ThrowSqlError(std::string_view message, std::string_view sql);
/// A parameter the statement names but the caller did not set.
[[noreturn]] void ThrowMissingParam(std::string_view name, std::string_view sql);
[[noreturn]] void ThrowUnsupportedParam(std::string_view name, const Variant& value,
                                        std::string_view sql);

/// A connection URL with any password removed.
std::string RedactUrl(std::string_view url);

/// Text of a double that reads back to the same value.
std::string DoubleToSqlText(double value);
/// Numbers read from column text: surrounding blanks allowed, anything else EConvertError.
/// A decimal text read as an integer is truncated towards zero.
std::int64_t TextToInt64(std::string_view text);
double TextToDouble(std::string_view text);
/// A double truncated towards zero; EConvertError outside the 64-bit range.
std::int64_t DoubleToInt64(double value);

} // namespace platform::sqlimpl
