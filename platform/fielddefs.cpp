// Field and index definitions of a dataset.
#include "platform/fielddefs.h"

#include "platform/sysutils.h"

namespace platform {

const char* FieldTypeName(TFieldType type) {
    switch (type) {
    case TFieldType::ftString: return "String";
    case TFieldType::ftFixedChar: return "FixedChar";
    case TFieldType::ftFloat: return "Float";
    case TFieldType::ftDateTime: return "DateTime";
    case TFieldType::ftInteger: return "Integer";
    case TFieldType::ftBoolean: return "Boolean";
    }
    return "?";
}

TFieldDef& TFieldDefs::Add(std::string name, TFieldType type, int size, bool required) {
    if (Trim(name).empty()) throw EDatabaseError("Nome de campo vazio");
    if (IndexOf(name) >= 0) throw EDatabaseError("Campo '" + name + "' definido mais de uma vez");
    if (IsTextType(type) ? (size < 1 || size > kMaxTextSize) : size != 0)
        throw EDatabaseError("Tamanho " + IntToStr(size) + " inválido para o campo '" + name + "'");
    items_.push_back(TFieldDef{std::move(name), type, size, required});
    return items_.back();
}

int TFieldDefs::IndexOf(std::string_view name) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (SameText(items_[i].Name, name)) return static_cast<int>(i);
    return -1;
}

TIndexDef& TIndexDefs::Add(std::string name, std::string fields, TIndexOptions options) {
    if (Find(name)) throw EDatabaseError("Índice '" + name + "' definido mais de uma vez");
    if (SplitFieldNames(fields).empty()) throw EDatabaseError("Índice '" + name + "' sem campos");
    items_.push_back(TIndexDef{std::move(name), std::move(fields), options});
    return items_.back();
}

const TIndexDef* TIndexDefs::Find(std::string_view name) const {
    for (const TIndexDef& d : items_)
        if (SameText(d.Name, name)) return &d;
    return nullptr;
}

std::vector<std::string> SplitFieldNames(std::string_view names) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t end = names.find(';', start);
        if (end == std::string_view::npos) end = names.size();
        std::string part = Trim(names.substr(start, end - start));
        if (!part.empty()) out.push_back(std::move(part));
        start = end + 1;
    }
    return out;
}

} // namespace platform
