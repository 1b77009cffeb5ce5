// Conversions between the platform's vocabulary (colours, fonts, bitmaps, keys, texts) and Qt's.
#include "desktop/qtconvert.h"

#include <QApplication>
#include <QKeyEvent>

#include <cstdlib>

#include "platform/sysutils.h"

namespace desktop {

namespace {

// The Unicode picture of a character of the classic dingbat fonts ("Monotype Sorts", "Zapf
// Dingbats", "Wingdings" share this layout for the check marks); 0 when there is none.
char32_t DingbatFor(unsigned char c) {
    if (c < 0x21 || c > 0x7E) return 0;
    switch (c) {
    case 0x25: return 0x260E;
    case 0x2A: return 0x261B;
    case 0x2B: return 0x261E;
    case 0x48: return 0x2605;
    case 0x6C: return 0x25CF;
    case 0x6E: return 0x25A0;
    case 0x73: return 0x25B2;
    case 0x74: return 0x25BC;
    case 0x75: return 0x25C6;
    case 0x77: return 0x25D7;
    default: break;
    }
    if (c >= 0x6F && c <= 0x72) return 0x274F + (c - 0x6F);
    if (c == 0x6D) return 0x274D;
    if (c >= 0x78) return 0x2758 + (c - 0x78);
    if (c == 0x76) return 0x2756;
    if (c >= 0x49) return 0x2729 + (c - 0x49);
    return 0x2701 + (c - 0x21);
}

bool IsClassicFamily(const std::string& name) {
    return name.empty() || platform::SameText(name, "MS Sans Serif") ||
           platform::SameText(name, "MS Shell Dlg") || platform::SameText(name, "MS Shell Dlg 2") ||
           platform::SameText(name, "Tahoma") || platform::SameText(name, "System");
}

} // namespace

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQString(const QString& text) {
    return text.toStdString();
}

QColor ToQColor(platform::TColor color) {
    if (color == platform::clNone || color == platform::clDefault) return {};
    platform::TColor rgb = platform::ColorToRGB(color);
    return QColor(platform::GetRValue(rgb), platform::GetGValue(rgb), platform::GetBValue(rgb));
}

bool IsSymbolFont(const platform::TFont& font) {
    return font.Charset == platform::SYMBOL_CHARSET ||
           platform::SameText(font.Name, "Monotype Sorts") ||
           platform::SameText(font.Name, "Zapf Dingbats") ||
           platform::SameText(font.Name, "Wingdings");
}

QFont ToQFont(const platform::TFont& font) {
    QFont f = QApplication::font();
    if (!IsClassicFamily(font.Name) && !IsSymbolFont(font))
        f.setFamily(ToQString(font.Name));
    else // the classic dialog font is narrow: a condensed face keeps texts inside their designed
         // widths
        f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QApplication::font().family()});
    int height = font.Height;
    if (height < 0)
        f.setPixelSize(-height);
    else if (height > 0)
        f.setPixelSize(std::max(1, height * 4 / 5)); // cell height: about a fifth is leading
    f.setBold((font.Style & platform::fsBold) != 0);
    f.setItalic((font.Style & platform::fsItalic) != 0);
    f.setUnderline((font.Style & platform::fsUnderline) != 0);
    f.setStrikeOut((font.Style & platform::fsStrikeOut) != 0);
    return f;
}

QString DisplayText(const std::string& text, const platform::TFont& font) {
    if (!IsSymbolFont(font)) return ToQString(text);
    QString out;
    for (unsigned char c : text) {
        char32_t picture = DingbatFor(c);
        char32_t shown = picture ? picture : static_cast<char32_t>(c);
        out += QString::fromUcs4(&shown, 1);
    }
    return out;
}

QImage ToQImage(const platform::TBitmap& bitmap, bool transparent,
                platform::TColor transparentColor) {
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_ARGB32);
    if (bitmap.Empty()) return image;
    platform::TColor clear =
        transparentColor == platform::clNone ? bitmap.TransparentColor() : transparentColor;
    clear = platform::ColorToRGB(clear);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            platform::TColor c = platform::ColorToRGB(bitmap.Pixel(x, y));
            if (transparent && c == clear)
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
            else
                image.setPixel(
                    x, y,
                    qRgb(platform::GetRValue(c), platform::GetGValue(c), platform::GetBValue(c)));
        }
    return image;
}

platform::Word VirtualKey(int qtKey) {
    using namespace platform;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<Word>(qtKey);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<Word>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return static_cast<Word>(VK_F1 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    default: return 0;
    }
}

platform::TShiftState ShiftState(Qt::KeyboardModifiers modifiers) {
    platform::TShiftState shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= platform::ssShift;
    if (modifiers & Qt::ControlModifier) shift |= platform::ssCtrl;
    if (modifiers & Qt::AltModifier) shift |= platform::ssAlt;
    return shift;
}

TKeyInput KeyInput(const QKeyEvent& event) {
    TKeyInput input;
    input.key = VirtualKey(event.key());
    input.shift = ShiftState(event.modifiers());
    if (event.key() == Qt::Key_Backtab) input.shift |= platform::ssShift;
    if (input.shift & (platform::ssCtrl | platform::ssAlt)) return input;
    switch (event.key()) {
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return input; // handled as keys, never typed
    case Qt::Key_Return:
    case Qt::Key_Enter: input.ch = 13; return input;
    case Qt::Key_Escape: input.ch = 27; return input;
    case Qt::Key_Backspace: input.ch = 8; return input;
    default: break;
    }
    const QString text = event.text();
    if (!text.isEmpty()) {
        const QList<uint> codes = text.toUcs4();
        if (!codes.isEmpty() && codes.front() >= 32 && codes.front() != 127)
            input.ch = static_cast<platform::TKeyChar>(codes.front());
    }
    return input;
}

} // namespace desktop
