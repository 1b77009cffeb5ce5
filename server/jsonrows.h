// A JSON array of rows (arrays of texts, numbers and nulls), the form in which the server binds
// many rows as one parameter.
#pragma once

#include <string>
#include <string_view>

namespace server {

/// Appends `text` to `out` as a JSON string (quotes, backslashes and control characters escaped).
void AppendJsonString(std::string& out, std::string_view text);

/// Writes [[v, v...], [v, v...]...]. Invariant: values are written only inside a row.
class TJsonRows {
public:
    void BeginRow();
    void Text(std::string_view text);
    /// A text, or null when it is empty.
    void TextOrNull(std::string_view text);
    /// A number written so that it reads back as the same double.
    void Number(double value);
    void Null();
    int RowCount() const { return rows_; }
    /// The finished array; the writer starts over.
    std::string Take();

private:
    void Separate();
    std::string out_ = "[";
    int rows_ = 0;
    bool rowEmpty_ = true;
};

} // namespace server
