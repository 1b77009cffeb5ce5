// Colours, fonts, small bitmaps and the recording canvas.
#include "platform/graphics.h"

#include <cmath>

#include "platform/sysutils.h"

namespace platform {

TColor ColorToRGB(TColor color) {
    if (!IsSystemColor(color)) return color;
    switch (color & 0xFF) {
    case 5: return clWhite;             // window
    case 8: return clBlack;             // window text
    case 13: return RGB(0, 0, 128);     // highlight
    case 14: return clWhite;            // highlight text
    case 15: return RGB(212, 208, 200); // button face
    case 16:                            // button shadow
    case 17: return RGB(128, 128, 128); // grey text
    case 18:                            // button text
    case 23: return clBlack;            // info text
    case 24: return RGB(255, 255, 225); // info background
    default: return RGB(192, 192, 192);
    }
}

int TFont::Size() const {
    return static_cast<int>(std::lround(std::abs(Height) * 72.0 / 96.0));
}

void TFont::SetSize(int points) {
    Height = -static_cast<int>(std::lround(points * 96.0 / 72.0));
}

TBitmap::TBitmap(int width, int height, TColor fill) {
    SetSize(width, height, fill);
}

void TBitmap::SetSize(int width, int height, TColor fill) {
    if (width < 0 || height < 0) throw ERangeError("Tamanho de bitmap inválido");
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
}

TBitmap TBitmap::FromRows(const std::vector<std::string>& rows,
                          const std::map<char, TColor>& palette) {
    int height = static_cast<int>(rows.size());
    int width = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    TBitmap bmp(width, height);
    for (int y = 0; y < height; ++y) {
        if (static_cast<int>(rows[y].size()) != width)
            throw ERangeError("Linhas de bitmap com larguras diferentes");
        for (int x = 0; x < width; ++x) {
            auto it = palette.find(rows[y][x]);
            if (it == palette.end())
                throw ERangeError(std::string("Cor de bitmap desconhecida: '") + rows[y][x] + "'");
            bmp.SetPixel(x, y, it->second);
        }
    }
    return bmp;
}

TColor TBitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) throw ERangeError("Pixel fora do bitmap");
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void TBitmap::SetPixel(int x, int y, TColor color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) throw ERangeError("Pixel fora do bitmap");
    pixels_[static_cast<std::size_t>(y) * width_ + x] = color;
}

TColor TBitmap::TransparentColor() const {
    if (transparentColor_ != clDefault) return transparentColor_;
    if (Empty()) return clNone;
    return Pixel(0, height_ - 1);
}

void TCanvas::FillRect(const TRect& rect) {
    TCanvasOp op;
    op.kind = TCanvasOp::FillRect;
    op.rect = rect;
    op.brushColor = brushColor_;
    ops_.push_back(std::move(op));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    RecordText(TCanvasOp::TextOut, Bounds(x, y, TextWidth(text), TextHeight(text)), x, y, text);
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
    RecordText(TCanvasOp::TextRect, rect, x, y, text);
}

void TCanvas::RecordText(TCanvasOp::Kind kind, const TRect& rect, int x, int y,
                         const std::string& text) {
    TCanvasOp op;
    op.kind = kind;
    op.rect = rect;
    op.x = x;
    op.y = y;
    op.text = text;
    op.brushColor = brushColor_;
    op.font = font_;
    ops_.push_back(std::move(op));
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap, TColor transparentColor) {
    TCanvasOp op;
    op.kind = TCanvasOp::Draw;
    op.x = x;
    op.y = y;
    op.rect = Bounds(x, y, bitmap.Width(), bitmap.Height());
    op.bitmap = bitmap;
    op.transparentColor = transparentColor;
    ops_.push_back(std::move(op));
}

int TCanvas::TextWidth(const std::string& text) const {
    // An average character is a little over half the font height wide.
    int h = std::abs(font_.Height);
    return static_cast<int>(Utf8Length(text)) * (h * 6 + 5) / 11;
}

int TCanvas::TextHeight(const std::string&) const {
    return std::abs(font_.Height) + 2;
}

} // namespace platform
