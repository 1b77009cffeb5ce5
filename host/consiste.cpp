// Consiste: text checks, number key filter, server reply check, cell pictures, tax-id masks.
#include "host/consiste.h"

#include <algorithm>

#include "platform/application.h"
#include "platform/dbctrls.h"
#include "platform/formats.h"
#include "platform/serverreply.h"
#include "platform/sysutils.h"

namespace host::Consiste {

using platform::Utf8Copy;
using platform::Utf8Length;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

void MensErro(const std::string& text, bool abort) {
    platform::Application().Services().ShowError(text);
    if (abort) platform::Abort();
}

bool EmptyString(std::string_view text) {
    bool sawBlank = false;
    bool sawSeparator = false;
    const char separator = platform::FormatSettings().DateSeparator;
    for (char c : text) {
        if (IsBlank(c))
            sawBlank = true;
        else if (c == separator)
            sawSeparator = true;
        else
            return false;
    }
    return !sawSeparator || sawBlank;
}

std::string Ajusta(std::string_view text, int width) {
    std::string trimmed = platform::Trim(text);
    if (trimmed.empty()) return trimmed;
    std::size_t length = Utf8Length(trimmed);
    if (width > 0 && length < static_cast<std::size_t>(width))
        trimmed.insert(0, static_cast<std::size_t>(width) - length, '0');
    return trimmed;
}

bool MaxNumber(std::string_view text, int intDigits, int decimals, std::string_view key,
               int selStart, int selLength) {
    if (key.size() == 1 && static_cast<unsigned char>(key[0]) < 32) return true;
    const auto& fs = platform::FormatSettings();
    if (key.size() != 1) platform::Abort();
    const char k = key[0];
    const bool isDigit = k >= '0' && k <= '9';
    if (!isDigit && k != fs.DecimalSeparator && k != fs.ThousandSeparator) platform::Abort();

    // The text as it would read with the key typed over the selection.
    const int length = static_cast<int>(Utf8Length(text));
    int start = std::clamp(selStart, 0, length);
    int count = std::clamp(selLength, 0, length - start);
    const auto head = static_cast<std::size_t>(start);
    const auto tail = head + static_cast<std::size_t>(count);
    std::string result =
        Utf8Copy(text, 0, head) + std::string(key) + Utf8Copy(text, tail, std::string::npos);

    int integerCount = 0, decimalCount = 0, separators = 0;
    for (char c : result) {
        if (c == fs.DecimalSeparator)
            ++separators;
        else if (c >= '0' && c <= '9')
            ++(separators == 0 ? integerCount : decimalCount);
    }
    if (separators > 1 || integerCount > intDigits || decimalCount > decimals) platform::Abort();
    return true;
}

platform::Variant CheckResultServ(const platform::Variant& reply, bool abort, int helpContext) {
    std::string message;
    try {
        platform::TServerReply unpacked = platform::UnpackServerReply(reply);
        if (unpacked.Ok()) return unpacked.payload;
        message = unpacked.message.empty()
                      ? "O servidor de aplicação recusou a operação sem informar o motivo."
                      : unpacked.message;
    } catch (const platform::EServerReplyError& e) {
        message = "Resposta inválida do servidor de aplicação: " + e.Message();
    }
    (void)helpContext; // the error box has no help button
    platform::Application().Services().ShowError(message);
    if (abort) platform::Abort();
    return platform::Variant();
}

void InsereImagem(platform::TCanvas& canvas, const platform::TRect& rect,
                  const platform::TBitmap& bitmap, platform::TColor transparent) {
    if (bitmap.Empty()) return;
    int x = rect.Left + (rect.Width() - bitmap.Width()) / 2;
    int y = rect.Top + (rect.Height() - bitmap.Height()) / 2;
    canvas.Draw(x, y, bitmap, transparent);
}

void InsereImagem(platform::TDBGrid* grid, const platform::TRect& rect,
                  const platform::TBitmap& bitmap, platform::TColor transparent) {
    InsereImagem(grid->Canvas(), rect, bitmap, transparent);
}

std::string PictPess(std::string_view kind) {
    std::string k = platform::UpperCase(platform::Trim(kind));
    if (k == "F") return "999.999.999-99;0; ";
    if (k == "J") return "99.999.999/9999-99;0; ";
    return {};
}

} // namespace host::Consiste
