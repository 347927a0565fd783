// The seven pieces: short upright cylinders seen from the side, lit from the
// left, on a pure white ground that the masks make transparent.

#include "pictures.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace velmo::paint {

namespace {

constexpr Span kNone{};

// Coverage of the outline rows and the right outline column. The shape's
// edges lie inside these pixels, so they are mixed with the white ground.
constexpr double kTopRowCover = 0.70;
constexpr double kBottomRowCover = 0.80;
constexpr double kRightEdgeCover = 0.72;
// Peak coverage of a fringe row (under the middle of the piece); the
// fringe thins out towards its ends like the curve of an ellipse.
constexpr double kFringeCover = 0.55;

// Share of the way from the darkest colour to the highlight at which the
// left side of the body starts.
constexpr double kMiddleTone = 0.55;

} // namespace

const std::array<PieceShape, 7>& pieceShapes()
{
    static const std::array<PieceShape, 7> shapes{{
        {1, 41, 78, kNone, kNone, {147, 243, 218}, {18, 36, 32}, 0.62},
        {2, 37, 82, kNone, kNone, {85, 86, 204}, {7, 6, 29}, 0.62},
        {3, 33, 86, kNone, kNone, {124, 209, 187}, {16, 31, 29}, 0.62},
        {4, 28, 92, kNone, {25, 44, 76}, {70, 72, 174}, {6, 6, 26}, 0.93},
        {5, 21, 98, kNone, {25, 33, 87}, {98, 170, 153}, {14, 27, 26}, 0.62},
        {6, 14, 106, {4, 40, 79}, {25, 21, 98}, {50, 51, 140}, {6, 6, 25}, 0.93},
        {7, 4, 115, {4, 20, 99}, {25, 10, 110}, {72, 133, 121}, {13, 26, 25}, 0.62},
    }};
    return shapes;
}

const PieceShape& pieceSpec(int size)
{
    if (size < 1 || size > 7) {
        throw std::out_of_range("piece size must be 1 to 7");
    }
    return pieceShapes()[static_cast<std::size_t>(size - 1)];
}

int highlightColumn(const PieceShape& shape)
{
    const int width = shape.right - shape.left + 1;
    return shape.left + static_cast<int>(std::floor(0.325 * width));
}

namespace {

// The colour of a body column before the outline is mixed with white:
// a middle tone at the left, rising to the highlight like the lit side of a
// cylinder, then falling evenly to the darkest colour beside the right
// outline.
Color profile(const PieceShape& shape, int x)
{
    const int peak = highlightColumn(shape);
    const int darkestColumn = shape.right - 1;
    const Color middle = mix(shape.darkest, shape.highlight, kMiddleTone);
    if (x <= shape.left) {
        return middle;
    }
    if (x <= peak) {
        const double t = double(x - shape.left) / double(peak - shape.left);
        // Mostly the curve of a lit cylinder, with enough slope kept near
        // the top that the highlight stays one narrow band.
        return mix(middle, shape.highlight, 0.4 * t + 0.6 * std::sin(t * std::numbers::pi / 2.0));
    }
    if (x >= darkestColumn) {
        return shape.darkest;
    }
    const double t = double(x - peak) / double(darkestColumn - peak);
    return mix(shape.highlight, shape.darkest, t);
}

double fringeCover(const Span& span, int x)
{
    const double centre = 0.5 * (span.left + span.right);
    const double half = 0.5 * (span.right - span.left) + 0.5;
    const double u = (x - centre) / half;
    return kFringeCover * (0.35 + 0.65 * std::sqrt(std::max(0.0, 1.0 - u * u)));
}

void paintFringe(const PieceShape& shape, const Span& span, Image& img)
{
    if (span.row < 0) {
        return;
    }
    for (int x = span.left; x <= span.right; ++x) {
        img.at(x, span.row) = toPixel(mix(kWhite, profile(shape, x), fringeCover(span, x)));
    }
}

} // namespace

Image paintPiece(int size)
{
    const PieceShape& shape = pieceSpec(size);
    Image img(kCellWidth, kCellHeight, Pixel{255, 255, 255});
    for (int y = kBodyTop; y <= kBodyBottom; ++y) {
        const double rowCover = y == kBodyTop ? kTopRowCover : (y == kBodyBottom ? kBottomRowCover : 1.0);
        for (int x = shape.left; x <= shape.right; ++x) {
            const double colCover = x == shape.left ? shape.leftEdgeCover : (x == shape.right ? kRightEdgeCover : 1.0);
            img.at(x, y) = toPixel(mix(kWhite, profile(shape, x), rowCover * colCover));
        }
    }
    paintFringe(shape, shape.topFringe, img);
    paintFringe(shape, shape.bottomFringe, img);
    return img;
}

Image maskOf(const Image& piece)
{
    constexpr Pixel white{255, 255, 255};
    Image mask(piece.width(), piece.height());
    for (int y = 0; y < piece.height(); ++y) {
        for (int x = 0; x < piece.width(); ++x) {
            mask.at(x, y) = piece.at(x, y) == white ? Pixel{0, 0, 0} : white;
        }
    }
    return mask;
}

} // namespace velmo::paint
