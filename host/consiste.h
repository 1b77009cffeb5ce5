// Consiste: the host's checking and reporting routines that every screen calls.
#pragma once

#include <string>
#include <string_view>

#include "platform/graphics.h"
#include "platform/variant.h"

namespace platform {
class TDBGrid;
}

namespace host::Consiste {

/// Shows `text` as an error through the application's Services; with `abort` true (as the
/// screens always call it) it then raises the silent abort platform::EAbort, so it never
/// returns normally. With `abort` false it returns after the message.
void MensErro(const std::string& text, bool abort = true);

/// True for an empty or blank text, and for the text of a date edit holding no date
/// ("  /  /    ": blanks and date separators only, at least one blank). Blanks are spaces and tabs.
bool EmptyString(std::string_view text);

/// The text trimmed of blanks, then filled up on the left with '0' to `width` characters.
/// An empty (or blank) text stays empty. Characters other than digits are kept as they are and
/// filled up the same way ("A1" to 4 gives "00A1"); a text longer than `width` is not cut.
std::string Ajusta(std::string_view text, int width);

/// The key filter of amount edits: whether typing `key` over the selection
/// [selStart, selStart + selLength) of `text` (positions in characters) keeps the number within
/// `intDigits` integer digits and `decimals` decimals. Digits, the workstation's decimal and
/// thousands separators and control characters (backspace, enter, code below 32) are accepted
/// when the result fits; control characters always pass. A key that would exceed a limit,
/// a second decimal separator, or any other character (letters, signs) raises the silent abort
/// platform::EAbort, which drops the key. Returns true when the key is accepted.
/// Digits are counted as typed (thousands separators ignored, leading zeros counted).
bool MaxNumber(std::string_view text, int intDigits, int decimals, std::string_view key,
               int selStart, int selLength);

/// The payload (element 2) of a server reply [status, message, payload] whose status is 0.
/// A failure status shows the server's message once as an error (Services.ShowError) and, with
/// `abort` true, raises platform::EAbort (with `abort` false it returns an Empty variant). A
/// reply that is not such an array is reported the same way, with a message that starts
/// "Resposta inválida do servidor de aplicação".
/// `helpContext` is accepted for the callers' sake; the error box offers no help button.
platform::Variant CheckResultServ(const platform::Variant& reply, bool abort = true,
                                  int helpContext = 0);

/// Draws `bitmap` centred in `rect` of the canvas, with the pixels of colour `transparent`
/// left out so the cell shows through (clNone: every pixel drawn). A bitmap larger than the
/// cell is still centred on it. An empty bitmap draws nothing.
void InsereImagem(platform::TCanvas& canvas, const platform::TRect& rect,
                  const platform::TBitmap& bitmap, platform::TColor transparent);
/// The same on the grid's canvas.
void InsereImagem(platform::TDBGrid* grid, const platform::TRect& rect,
                  const platform::TBitmap& bitmap, platform::TColor transparent);

/// Edit mask of a supplier's tax id by person kind: "F" (natural person, CPF) gives
/// "999.999.999-99;0; ", "J" (legal person, CNPJ) gives "99.999.999/9999-99;0; ", anything else
/// an empty mask (the value is shown as it is). The kind is read ignoring case and blanks.
std::string PictPess(std::string_view kind);

} // namespace host::Consiste
