// Conversions between the platform's vocabulary (colours, fonts, bitmaps, keys, texts) and Qt's.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <Qt>

#include <string>

#include "platform/graphics.h"
#include "platform/keys.h"

class QKeyEvent;

namespace desktop {

QString ToQString(const std::string& text);
std::string FromQString(const QString& text);

/// The colour as Qt paints it; an invalid QColor for clNone and clDefault (nothing to set).
QColor ToQColor(platform::TColor color);

/// The font as Qt draws it. Heights are pixels (negative: without internal leading, as the
/// platform gives sizes). Families of the classic desktop that Linux lacks ("MS Sans Serif")
/// fall back to the application's font; symbol fonts use the application's font too, with
/// their characters translated by DisplayText.
QFont ToQFont(const platform::TFont& font);
/// Whether the font is a symbol font whose characters stand for pictures (dingbats).
bool IsSymbolFont(const platform::TFont& font);
/// The text as it appears in `font`: a symbol font's characters become the Unicode pictures
/// they stand for ("4" in the dingbat font is the heavy check mark ✔); other texts unchanged.
QString DisplayText(const std::string& text, const platform::TFont& font);

/// The bitmap as an image. With `transparent` set, pixels of `transparentColor` (clNone: the
/// bitmap's own transparent colour) become fully transparent.
QImage ToQImage(const platform::TBitmap& bitmap, bool transparent = false,
                platform::TColor transparentColor = platform::clNone);

/// A key press as the platform sees it.
struct TKeyInput {
    platform::Word key = 0; // virtual key; 0 for a character without a key code
    platform::TShiftState shift = 0;
    platform::TKeyChar ch = 0; // the character the key types; 0 when it types none
};
/// The virtual key of a Qt key; 0 when the platform has none for it.
platform::Word VirtualKey(int qtKey);
platform::TShiftState ShiftState(Qt::KeyboardModifiers modifiers);
/// The platform's reading of a key press: key, modifiers and the character it types (none
/// with Ctrl or Alt held, and none for Delete).
TKeyInput KeyInput(const QKeyEvent& event);

} // namespace desktop
