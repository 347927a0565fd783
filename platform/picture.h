// Pictures, picture boxes with a persistent image, resource pictures and the
// bitwise transfers that composite the pieces.
//
// A PictureBox shows its persistent image: assigning a picture starts the
// image anew from it, transfers through its device context (hDC) draw into
// the image, not onto the screen, and the box repaints itself from the image,
// also after being covered or hidden. Image() reads the image back at any
// time, visible or not.
//
// A box that takes the keyboard focus shows a focus mark over its edge while
// it holds a focus reached by Tab or Shift+Tab, and none for a focus given by
// the program or by a click, nor after a click on it (like a web page's
// focus-visible); the window's activation keeps the mark as it was. The mark
// is drawn on the screen only, never into the image.
//
// The board drawing protocol, per piece:
//   mask.setPicture(LoadResPicture(200 + size)); piece.setPicture(LoadResPicture(100 + size));
//   BitBlt(board.hDC(), x, y, 120, 30, mask.hDC(), 0, 0, SRCPAINT);  board.setPicture(board.Image());
//   BitBlt(board.hDC(), x, y, 120, 30, piece.hDC(), 0, 0, SRCAND);   board.setPicture(board.Image());
// Assigning a box its own image costs nothing: the box shares one buffer
// with the picture it was given and copies only when two owners remain.
//
// The screen is brought up to date where the image changed, and only there:
// a transfer marks its rectangle; assigning the box its own image changes
// nothing; assigning again the picture the image last started from marks
// only what was drawn over that picture since; any other picture marks the
// whole box. So a complete redraw that ends with the same pixels in most of
// the board repaints just the pieces that moved, and the board shown is
// always the image.
#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <cstdint>

namespace platform {

// A whole picture: opaque 32-bit RGB, one device pixel per picture pixel.
using Picture = QImage;

class PictureBox;

// Device context of a picture box: where a transfer reads or writes.
class Dc {
public:
    explicit Dc(PictureBox* box = nullptr) : box_(box) {}
    PictureBox* box() const { return box_; }

private:
    PictureBox* box_;
};

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // The picture becomes the box's picture; the persistent image starts anew
    // from it and is shown. A null picture clears the image.
    void setPicture(const Picture& picture);
    // The current persistent image. Copies of it share its buffer until one
    // of them is written.
    const Picture& Image() const { return image_; }
    Dc hDC() { return Dc(this); }

    // For transfers: the image to write into within `area`, unshared.
    QImage& surface(const QRect& area);

    // True while the focus mark is shown.
    bool FocusMarkShown() const { return focusByKey_ && hasFocus(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage image_;
    bool focusByKey_ = false;  // the focus last came by Tab or Shift+Tab
    qint64 startedFrom_ = 0;  // cacheKey() of the picture the image started from
    QRegion drawnOver_;       // what transfers changed since then
};

// Raster operations of BitBlt.
enum RasterOp : std::uint32_t {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,  // destination OR source
    SRCAND = 0x008800C6,    // destination AND source
};

// Combines the source rectangle into the destination rectangle pixel by
// pixel, bitwise on each colour channel. The rectangle is clipped to both
// images. Returns false when there is nothing to draw into or from.
bool BitBlt(Dc dest, int x, int y, int width, int height, Dc source, int sx, int sy,
            std::uint32_t rop);

// The bitmap resource of that name ("BACK") or number (101..107, 201..207).
// Each call returns a picture of its own; copies of one resource share their
// pixels until one of them is written, and the bytes are decoded on the first
// load only. A resource the program does not hold, or cannot decode, raises
// vb::ErrorKind::ResourceNotFound at every load of it. The type must be 0
// (bitmap).
Picture LoadResPicture(const QString& name, int type);
Picture LoadResPicture(std::int32_t id, int type);

// A picture of a window definition (the title picture, an arrow, the icon),
// by file name, e.g. "title.bmp", kept like the resource pictures. Missing or
// undecodable raises ResourceNotFound.
Picture FormPicture(const QString& fileName);

}  // namespace platform
