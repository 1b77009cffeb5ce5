// Colours, rectangles, fonts, small bitmaps and a canvas that records what was drawn on it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace platform {

/// A colour in the platform's notation: 0x00BBGGRR (blue in the high byte, red in the low one).
/// Values with the top bit set name a system colour (clBtnFace...); ColorToRGB resolves them.
using TColor = std::int32_t;

constexpr TColor RGB(int r, int g, int b) {
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) {
    return c & 0xFF;
}
constexpr int GetGValue(TColor c) {
    return (c >> 8) & 0xFF;
}
constexpr int GetBValue(TColor c) {
    return (c >> 16) & 0xFF;
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u | unsigned(index));
}
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

inline bool IsSystemColor(TColor c) {
    return c < 0;
}
/// The RGB value (0x00BBGGRR) of a colour; system colours get the classic desktop scheme.
/// clNone and clDefault stay as they are.
TColor ColorToRGB(TColor color);

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

/// A rectangle; Right and Bottom are exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int left, int top, int right, int bottom) {
    return {left, top, right, bottom};
}
inline TRect Bounds(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
/// A set of TFontStyle bits.
using TFontStyles = unsigned;

constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;
constexpr int SYMBOL_CHARSET = 2;

/// A font description. Height is in pixels; negative means the character height without
/// internal leading (the platform's usual way to give a size: -11 is 8 points at 96 dpi).
struct TFont {
    std::string Name = "MS Sans Serif";
    int Charset = DEFAULT_CHARSET;
    int Height = -11;
    TColor Color = clWindowText;
    TFontStyles Style = 0;

    /// Size in points at 96 dots per inch.
    int Size() const;
    void SetSize(int points);
    friend bool operator==(const TFont&, const TFont&) = default;
};

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

/// A small bitmap held in memory, one TColor per pixel (row by row from the top).
/// Invariant: pixels.size() == Width() * Height().
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height, TColor fill = clWhite);
    /// A bitmap drawn as text: one string per row, one character per pixel, each character
    /// looked up in `palette` (an unknown character raises ERangeError). Rows must be equally long.
    static TBitmap FromRows(const std::vector<std::string>& rows,
                            const std::map<char, TColor>& palette);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    void SetSize(int width, int height, TColor fill = clWhite);
    /// Pixel access; ERangeError outside the bitmap.
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);
    const std::vector<TColor>& Pixels() const { return pixels_; }

    /// The colour treated as transparent when the bitmap is drawn transparently; by default
    /// the colour of the bottom-left pixel, as the platform does.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color) { transparentColor_ = color; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }

    friend bool operator==(const TBitmap&, const TBitmap&) = default;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<TColor> pixels_;
    TColor transparentColor_ = clDefault;
    bool transparent_ = false;
};

/// One drawing operation recorded by a canvas.
struct TCanvasOp {
    enum Kind { FillRect, TextOut, TextRect, Draw };
    Kind kind = FillRect;
    TRect rect; // FillRect, TextRect: the rectangle; Draw: where the bitmap landed
    int x = 0;  // TextOut, TextRect, Draw: position of the text or bitmap
    int y = 0;
    std::string text;                 // TextOut, TextRect
    TColor brushColor = clWhite;      // FillRect: the fill; texts: the background
    TFont font;                       // texts
    TBitmap bitmap;                   // Draw
    TColor transparentColor = clNone; // Draw: pixels of this colour are not drawn (clNone: all)
};

/// A surface that records every drawing operation in order instead of painting pixels, so that
/// tests and renderers can read what a control drew. The brush and font apply to later operations.
class TCanvas {
public:
    TColor BrushColor() const { return brushColor_; }
    void SetBrushColor(TColor color) { brushColor_ = color; }
    const TFont& Font() const { return font_; }
    TFont& Font() { return font_; }
    void SetFont(const TFont& font) { font_ = font; }

    void FillRect(const TRect& rect);
    void TextOut(int x, int y, const std::string& text);
    /// Text clipped to `rect`, written at (x, y).
    void TextRect(const TRect& rect, int x, int y, const std::string& text);
    /// Draws a bitmap with its top-left corner at (x, y); when `transparentColor` is not clNone
    /// its pixels of that colour leave what lies beneath visible.
    void Draw(int x, int y, const TBitmap& bitmap, TColor transparentColor = clNone);
    /// Approximate width of a text in pixels for the current font (for alignment).
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;

    const std::vector<TCanvasOp>& Operations() const { return ops_; }
    void Clear() { ops_.clear(); }

private:
    /// Records a text operation in the current brush and font.
    void RecordText(TCanvasOp::Kind kind, const TRect& rect, int x, int y, const std::string& text);

    TColor brushColor_ = clWhite;
    TFont font_;
    std::vector<TCanvasOp> ops_;
};

} // namespace platform
