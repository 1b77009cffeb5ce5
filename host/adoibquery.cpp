// TADOIBQuery: picks the dialect's text, binds the parameters, loads the rows read-only.
#include "host/adoibquery.h"

#include <algorithm>

#include "host/dbgeral.h"
#include "platform/jointext.h"

namespace host {

using platform::EDatabaseError;
using platform::TFieldType;
using platform::TSqlDialect;
using platform::Variant;
using platform::VarType;

namespace {

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

// The value a result column gives a field of `type`: dates stored as ISO text become dates.
Variant ForField(TFieldType type, Variant value) {
    if (type == TFieldType::ftDateTime && value.Type() == VarType::String)
        return Variant::FromDate(platform::ParseSqlDate(value.AsString()));
    if (platform::IsTextType(type) && value.Type() == VarType::Bytes)
        return Variant(value.AsBytes());
    return value;
}

} // namespace

std::vector<std::string> SqlParamNames(std::string_view sql) {
    std::vector<std::string> names;
    std::size_t i = 0;
    while (i < sql.size()) {
        char c = sql[i];
        if (c == '\'' || c == '"') { // literal or quoted identifier; doubled quotes stay inside
            for (++i; i < sql.size(); ++i)
                if (sql[i] == c) {
                    if (i + 1 < sql.size() && sql[i + 1] == c)
                        ++i;
                    else
                        break;
                }
            ++i;
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            while (i < sql.size() && sql[i] != '\n') ++i;
        } else if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
            i += 2;
        } else if (c == ':' && i + 1 < sql.size() && IsNameStart(sql[i + 1])) {
            std::size_t start = ++i;
            while (i < sql.size() && IsNameChar(sql[i])) ++i;
            std::string name(sql.substr(start, i - start));
            bool seen = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
                return platform::SameText(n, name);
            });
            if (!seen) names.push_back(std::move(name));
        } else {
            ++i;
        }
    }
    return names;
}

TADOIBQuery::TADOIBQuery(platform::TComponent* owner) : platform::TClientDataSet(owner) {
    auto refuse = [this](platform::TDataSet*) {
        throw EDatabaseError("A consulta " + Name() + " é somente para leitura.");
    };
    BeforeEdit = refuse;
    BeforeInsert = refuse;
}

const std::vector<std::string>& TADOIBQuery::Lines(TSqlDialect dialect) const {
    switch (dialect) {
    case TSqlDialect::Oracle: return sqlOracle_;
    case TSqlDialect::MSSQL: return sqlMssql_;
    case TSqlDialect::InterBase: return sqlIb_;
    case TSqlDialect::Generic: break;
    }
    return sql_;
}

std::string TADOIBQuery::SqlText(TSqlDialect dialect) const {
    std::string text = platform::JoinText(Lines(dialect), '\n');
    if (platform::Trim(text).empty()) text = platform::JoinText(sql_, '\n');
    return text;
}

std::vector<std::string> TADOIBQuery::ParamNames() const {
    std::vector<std::string> names;
    for (TSqlDialect d :
         {TSqlDialect::Generic, TSqlDialect::Oracle, TSqlDialect::MSSQL, TSqlDialect::InterBase})
        for (std::string& name : SqlParamNames(platform::JoinText(Lines(d), '\n')))
            if (std::none_of(names.begin(), names.end(),
                             [&](const std::string& n) { return platform::SameText(n, name); }))
                names.push_back(std::move(name));
    return names;
}

TParam& TADOIBQuery::ParamByName(std::string_view name) {
    for (TParam& p : params_)
        if (platform::SameText(p.Name(), name)) return p;
    for (const std::string& known : ParamNames())
        if (platform::SameText(known, name)) {
            params_.emplace_back(known);
            return params_.back();
        }
    throw EDatabaseError("Parâmetro '" + std::string(name) + "' não encontrado na consulta " +
                         Name() + ".");
}

void TADOIBQuery::Open() {
    if (Active()) return;
    platform::TSqlConnection& connection = connection_ ? *connection_ : Dbgeral::Connection();
    const std::string text = SqlText(connection.Dialect());
    if (platform::Trim(text).empty())
        throw EDatabaseError("A consulta " + Name() + " não tem texto SQL.");

    platform::TSqlParams bound;
    for (const std::string& name : SqlParamNames(text)) {
        Variant value = Variant::Null();
        for (const TParam& p : params_)
            if (platform::SameText(p.Name(), name) && !p.IsNull()) value = p.Value();
        bound.Set(name, value);
    }
    std::unique_ptr<platform::TSqlCursor> cursor = connection.OpenCursor(text, bound);

    // Result columns feeding each field, in field order.
    std::vector<int> columns;
    std::vector<TFieldType> types;
    const bool persistent = HasPersistentFields();
    if (persistent) {
        for (platform::TField* field : Fields()) {
            int column = cursor->FieldIndex(field->FieldName());
            if (column < 0)
                throw EDatabaseError("Campo '" + field->FieldName() +
                                     "' não encontrado no resultado da consulta " + Name() + ".");
            columns.push_back(column);
            types.push_back(field->DataType());
        }
    } else {
        for (int c = 0; c < cursor->ColumnCount(); ++c) columns.push_back(c);
    }

    // Every row is read before the dataset opens, so a failure leaves it closed.
    std::vector<Variant> values;
    std::vector<platform::TSqlColumnType> declared;
    if (!persistent)
        for (int c : columns) declared.push_back(cursor->ColumnType(c));
    std::size_t rows = 0;
    while (cursor->Next()) {
        for (int c : columns) values.push_back(cursor->Value(c));
        ++rows;
    }

    if (!persistent) {
        FieldDefs().Clear();
        for (std::size_t f = 0; f < columns.size(); ++f) {
            bool anyText = false, anyDouble = false, anyInteger = false, anyDate = false;
            int longest = 1;
            for (std::size_t r = 0; r < rows; ++r) {
                const Variant& v = values[r * columns.size() + f];
                switch (v.Type()) {
                case VarType::Integer: anyInteger = true; break;
                case VarType::Double: anyDouble = true; break;
                case VarType::Date: anyDate = true; break;
                case VarType::String:
                    anyText = true;
                    longest =
                        std::max(longest, static_cast<int>(platform::Utf8Length(v.AsString())));
                    break;
                case VarType::Bytes:
                    anyText = true;
                    longest = std::max(longest, static_cast<int>(v.AsBytes().size()));
                    break;
                default: break;
                }
            }
            platform::TSqlColumnType kind = declared[f];
            TFieldType type = TFieldType::ftString;
            if (anyText)
                type = TFieldType::ftString;
            else if (anyDate ||
                     (kind == platform::TSqlColumnType::Date && !anyDouble && !anyInteger))
                type = TFieldType::ftDateTime;
            else if (anyDouble || (kind == platform::TSqlColumnType::Real && !anyInteger))
                type = TFieldType::ftFloat;
            else if (anyInteger || kind == platform::TSqlColumnType::Integer)
                type = TFieldType::ftInteger;
            FieldDefs().Add(cursor->ColumnName(columns[f]), type,
                            type == TFieldType::ftString ? longest : 0);
            types.push_back(type);
        }
    }
    cursor.reset();

    if (persistent) FieldDefs().Clear(); // CreateDataSet lays out by the persistent fields then
    CreateDataSet();
    try {
        platform::TRowAppender appender(*this);
        for (std::size_t r = 0; r < rows; ++r) {
            appender.AddRow();
            for (std::size_t f = 0; f < columns.size(); ++f)
                appender.SetVariant(static_cast<int>(f),
                                    ForField(types[f], values[r * columns.size() + f]));
        }
        appender.Finish();
        MergeChangeLog();
    } catch (...) {
        Close();
        throw;
    }
}

} // namespace host
