// Pictures, picture boxes with a persistent image, resource pictures and the
// bitwise transfers that composite the pieces.
//
// A PictureBox shows its persistent image: assigning a picture starts the
// image anew from it, transfers through its device context (hDC) draw into
// the image, not onto the screen, and the box repaints itself from the image,
// also after being covered or hidden. Image() reads the image back at any
// time, visible or not; the picture it gives keeps those pixels even when the
// box draws on afterwards.
//
// The board drawing protocol, per piece:
//   mask.SetPicture(LoadResPicture(200 + size, 0)); piece.SetPicture(LoadResPicture(100 + size, 0));
//   BitBlt(board.hDC(), x, y, 120, 30, mask.hDC(), 0, 0, SRCPAINT);  board.SetPicture(board.Image());
//   BitBlt(board.hDC(), x, y, 120, 30, piece.hDC(), 0, 0, SRCAND);   board.SetPicture(board.Image());
// Assigning a box its own image changes nothing and costs nothing.
#pragma once

#include "forms.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace platform {

struct PictureData;  // a back end's pixels

// A whole picture, opaque 24-bit colour. Copies share their pixels, which
// never change once the picture exists. A default picture is null.
class Picture {
public:
    Picture() = default;
    explicit Picture(std::shared_ptr<const PictureData> data) : data_(std::move(data)) {}

    bool IsNull() const { return !data_; }
    int Width() const;
    int Height() const;
    // The colour at (x, y), as 0x00BBGGRR; (0, 0) is the top-left pixel.
    std::uint32_t Pixel(int x, int y) const;

    const std::shared_ptr<const PictureData>& Data() const { return data_; }

private:
    std::shared_ptr<const PictureData> data_;
};

// A device context: where a transfer reads or writes. On Windows a real
// GDI device context (HDC); elsewhere the back end's name for a box's image.
struct Dc {
    std::uintptr_t handle = 0;
};

class PictureBox : public Control {
public:
    PictureBox(Form& form, const ControlDef& def) : Control(form, def) {}

    // The picture becomes the box's picture; the persistent image starts anew
    // from it and is shown. A null picture clears the image.
    void SetPicture(const Picture& picture);
    // The current persistent image.
    Picture Image() const;
    // The device context that draws into the persistent image. Read it afresh
    // after every SetPicture.
    Dc hDC();
};

// Raster operations of BitBlt.
enum RasterOp : std::uint32_t {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,  // destination OR source
    SRCAND = 0x008800C6,    // destination AND source
};

// Combines the source rectangle into the destination rectangle pixel by
// pixel, bitwise on each colour channel, clipped to both images. False when
// nothing could be drawn (a context without an image, an unknown operation).
bool BitBlt(Dc dest, int x, int y, int width, int height, Dc source, int sx, int sy,
            std::uint32_t rop);

// The bitmap resource of that name ("BACK") or number (101..107, 201..207).
// Type 0 is a bitmap, the only type there is; any other raises
// InvalidProcedureCall. A resource the program does not hold, or cannot
// decode, raises ResourceNotFound at every load of it.
Picture LoadResPicture(std::string_view name, int type);
Picture LoadResPicture(std::int32_t id, int type);

// A picture of a window definition (the title picture, an arrow), by file
// name, e.g. "title.bmp". Missing or undecodable raises ResourceNotFound.
Picture FormPicture(std::string_view fileName);

}  // namespace platform
