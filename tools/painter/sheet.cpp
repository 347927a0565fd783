// A contact sheet of every picture, for looking at the artwork as a whole:
// the board with stacks drawn the way the game draws them, the pieces and
// masks, the arrows on their button colour, the program icon, the desktop
// icons on the sheet's paper and the title picture.

#include "pictures.hpp"

#include <utility>

namespace velmo::paint {

namespace {

constexpr Pixel kPaper{236, 236, 232};
constexpr int kGap = 12;

// The game's masked drawing: OR the mask, then AND the piece, byte by byte.
void drawPiece(Image& board, int size, int peg, int level)
{
    const Image piece = paintPiece(size);
    const Image mask = maskOf(piece);
    const int left = 60 + 120 * (peg - 1);
    const int top = 240 - 20 * (level - 1);
    for (int y = 0; y < piece.height(); ++y) {
        for (int x = 0; x < piece.width(); ++x) {
            Pixel& d = board.at(left + x, top + y);
            const Pixel m = mask.at(x, y);
            const Pixel p = piece.at(x, y);
            d.r = static_cast<std::uint8_t>((d.r | m.r) & p.r);
            d.g = static_cast<std::uint8_t>((d.g | m.g) & p.g);
            d.b = static_cast<std::uint8_t>((d.b | m.b) & p.b);
        }
    }
}

// An arrow on its light-green button face, grey taken as transparent.
Image onFace(const Image& arrow, int width, int height)
{
    Image out(width, height, toPixel(kButtonFace));
    const int ox = (width - arrow.width()) / 2;
    const int oy = (height - arrow.height()) / 2;
    for (int y = 0; y < arrow.height(); ++y) {
        for (int x = 0; x < arrow.width(); ++x) {
            if (!(arrow.at(x, y) == kArrowGround)) {
                out.at(ox + x, oy + y) = arrow.at(x, y);
            }
        }
    }
    return out;
}

// Board with the given stacks (bottom first) and the six move buttons.
Image board(const std::vector<std::vector<int>>& pegs)
{
    Image img = paintBackground();
    for (std::size_t peg = 0; peg < pegs.size(); ++peg) {
        for (std::size_t level = 0; level < pegs[peg].size(); ++level) {
            drawPiece(img, pegs[peg][level], static_cast<int>(peg) + 1, static_cast<int>(level) + 1);
        }
    }
    const std::pair<char, std::pair<int, int>> buttons[] = {
        {'A', {90, 287}}, {'B', {90, 322}}, {'C', {210, 287}}, {'A', {210, 322}}, {'C', {330, 287}}, {'D', {330, 322}},
    };
    for (const auto& [which, pos] : buttons) {
        img.blit(onFace(paintArrow(which), 60, 32), pos.first, pos.second);
    }
    return img;
}

} // namespace

Image paintContactSheet()
{
    constexpr int kWidth = 3 * 480 + 4 * kGap;
    constexpr int kHeight = 12 + 360 + 12 + 2 * 64 + 12 + 62 + 12 + 168 + 12 + 256 + 12;
    Image sheet(kWidth, kHeight, kPaper);

    // The bare background, a full stack, and a game in progress, drawn the
    // way the game draws them, with the move buttons in place.
    int y = kGap;
    sheet.blit(paintBackground(), kGap, y);
    sheet.blit(board({{7, 6, 5, 4, 3, 2, 1}, {}, {}}), 2 * kGap + 480, y);
    sheet.blit(board({{7, 6, 3}, {5, 2}, {4, 1}}), 3 * kGap + 960, y);
    y += 360 + kGap;

    // The pieces on white at double size, each above its mask.
    const int pitch = (kWidth - kGap) / 6;
    for (int size = 2; size <= 7; ++size) {
        const Image piece = paintPiece(size);
        const int x = kGap + (size - 2) * pitch;
        sheet.blit(piece.scaled(2), x, y);
        sheet.blit(maskOf(piece).scaled(2), x, y + 64);
    }
    y += 2 * 64 + kGap;
    // All seven at their own size, with masks, and the small desktop icons.
    for (int size = 1; size <= 7; ++size) {
        const Image piece = paintPiece(size);
        const int x = kGap + (size - 1) * (120 + kGap);
        sheet.blit(piece, x, y);
        sheet.blit(maskOf(piece), x, y + 32);
    }
    int x = kGap + 7 * (120 + kGap);
    for (int size : {16, 32, 48}) {
        sheet.blit(paintDesktopIcon(size), x, y);
        x += size + kGap;
    }
    y += 62 + kGap;

    // The arrows on the button face, at their own size and at 4x.
    x = kGap;
    for (char which : {'A', 'B', 'C', 'D'}) {
        const Image face = onFace(paintArrow(which), 60, 32);
        sheet.blit(face, x, y);
        sheet.blit(face.scaled(4), x + 60 + kGap, y);
        x += 60 + kGap + 240 + 2 * kGap;
    }
    y += 128 + 40 + kGap;

    // The icon at 1x and 8x, the large desktop icons, the title picture.
    x = kGap;
    const Image icon = paintIcon(32);
    sheet.blit(icon, x, y);
    sheet.blit(icon.scaled(8), x + 32 + kGap, y);
    x += 32 + kGap + 256 + kGap;
    sheet.blit(paintDesktopIcon(256), x, y);
    x += 256 + kGap;
    sheet.blit(paintDesktopIcon(128), x, y);
    sheet.blit(paintDesktopIcon(64), x, y + 128 + kGap);
    x += 128 + kGap;
    sheet.blit(paintTitle(), x, y);
    return sheet;
}

} // namespace velmo::paint
