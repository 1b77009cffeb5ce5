// TADOIBQuery: a read-only query on the host's shared database connection, carrying four SQL texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/dataset.h"
#include "platform/sql.h"

namespace host {

/// A named parameter of a query. Unset or cleared parameters are bound as NULL.
class TParam {
public:
    explicit TParam(std::string name) : name_(std::move(name)) {}
    const std::string& Name() const { return name_; }
    const platform::Variant& Value() const { return value_; }
    void SetValue(platform::Variant value) { value_ = std::move(value); }
    std::string AsString() const { return platform::VarToStr(value_); }
    void SetAsString(std::string_view value) { value_ = platform::Variant(value); }
    void SetAsInteger(std::int64_t value) { value_ = platform::Variant(value); }
    void SetAsFloat(double value) { value_ = platform::Variant(value); }
    void SetAsDate(platform::TDateTime value) { value_ = platform::Variant::FromDate(value); }
    /// Makes the parameter NULL.
    void Clear() { value_ = platform::Variant::Null(); }
    bool IsNull() const { return value_.IsNull() || value_.IsEmpty(); }

private:
    std::string name_;
    platform::Variant value_;
};

/// A query whose rows are loaded, read-only, into the dataset itself when it opens, so fields,
/// labels, visibility, OnGetText and data sources work as on any client dataset.
///
/// Texts: SQL (generic), SQL_ORACLE, SQL_MSSQL and SQL_IB, each a list of lines joined with line
/// breaks. Open runs the text of the connection's dialect (an empty dialect text falls back to
/// the generic one). Parameters are the ":NAME" words of the texts (outside quoted literals and
/// not "::"), matched ignoring case, always bound, never spliced into the text.
///
/// Fields: when the screen declared persistent fields, each one takes the result column of its
/// name (ignoring case; a missing column raises EDatabaseError naming it; extra columns are
/// ignored). Otherwise fields are made from the result's columns (integers, floats, dates as
/// such, the rest as text sized to the longest value).
///
/// Read-only: the query sets BeforeEdit and BeforeInsert to refuse editing; a screen that
/// replaces those events takes that over. A failed Open leaves the query closed.
class TADOIBQuery : public platform::TClientDataSet {
public:
    explicit TADOIBQuery(platform::TComponent* owner = nullptr);

    std::vector<std::string>& SQL() { return sql_; }
    std::vector<std::string>& SQL_ORACLE() { return sqlOracle_; }
    std::vector<std::string>& SQL_MSSQL() { return sqlMssql_; }
    std::vector<std::string>& SQL_IB() { return sqlIb_; }
    /// The lines of one dialect's text.
    const std::vector<std::string>& Lines(platform::TSqlDialect dialect) const;
    /// The text run on a connection of `dialect` (the generic one when that dialect's is empty).
    std::string SqlText(platform::TSqlDialect dialect) const;

    /// A parameter by name ignoring case; EDatabaseError when no text of the query names it.
    TParam& ParamByName(std::string_view name);
    /// The parameter names found in the texts, in order of first appearance.
    std::vector<std::string> ParamNames() const;

    /// The connection the query runs on; nullptr (the default) = Dbgeral::Connection().
    void SetConnection(platform::TSqlConnection* connection) { connection_ = connection; }

    /// Runs the query and opens on its rows; nothing when already open.
    void Open() override;

private:
    std::vector<std::string> sql_, sqlOracle_, sqlMssql_, sqlIb_;
    std::vector<TParam> params_;
    platform::TSqlConnection* connection_ = nullptr;
};

/// The ":NAME" parameter names of an SQL text, in order of first appearance, each once
/// (ignoring case); quoted literals, quoted identifiers and "::" casts are skipped.
std::vector<std::string> SqlParamNames(std::string_view sql);

} // namespace host
