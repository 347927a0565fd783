// The picture rules, once for every back end: null pictures, the resource
// names and types, clipping a transfer to both images. The pixels and the
// transfers themselves are the back end's.
#include "picture.h"

#include "backend.h"
#include "checked.h"

#include <algorithm>
#include <string>

namespace platform {

int Picture::Width() const
{
    return data_ ? backend::PictureWidth(*data_) : 0;
}

int Picture::Height() const
{
    return data_ ? backend::PictureHeight(*data_) : 0;
}

std::uint32_t Picture::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        vb::raise(vb::ErrorKind::InvalidProcedureCall,
                  "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") outside the picture");
    return backend::PicturePixel(*data_, x, y);
}

void PictureBox::SetPicture(const Picture& picture)
{
    backend::SetBoxPicture(Native(), picture);
}

Picture PictureBox::Image() const
{
    return backend::BoxImage(Native());
}

Dc PictureBox::hDC()
{
    return backend::BoxDc(Native());
}

bool BitBlt(Dc dest, int x, int y, int width, int height, Dc source, int sx, int sy, std::uint32_t rop)
{
    if (rop != SRCCOPY && rop != SRCPAINT && rop != SRCAND)
        return false;
    int destWidth = 0, destHeight = 0, sourceWidth = 0, sourceHeight = 0;
    if (!backend::DcImageSize(dest, destWidth, destHeight) || !backend::DcImageSize(source, sourceWidth, sourceHeight))
        return false;
    // Clip the rectangle against both images.
    if (x < 0) { sx -= x; width += x; x = 0; }
    if (y < 0) { sy -= y; height += y; y = 0; }
    if (sx < 0) { x -= sx; width += sx; sx = 0; }
    if (sy < 0) { y -= sy; height += sy; sy = 0; }
    width = std::min({width, destWidth - x, sourceWidth - sx});
    height = std::min({height, destHeight - y, sourceHeight - sy});
    if (width <= 0 || height <= 0)
        return true;
    return backend::Transfer(dest, x, y, width, height, source, sx, sy, rop);
}

namespace {

void onlyBitmaps(int type)
{
    if (type != 0)
        vb::raise(vb::ErrorKind::InvalidProcedureCall,
                  "resource type " + std::to_string(type) + ": only bitmaps (0) exist");
}

}  // namespace

Picture LoadResPicture(std::string_view name, int type)
{
    onlyBitmaps(type);
    Picture picture = name.empty() ? Picture() : backend::LoadResource(std::string(name));
    if (picture.IsNull())
        vb::raise(vb::ErrorKind::ResourceNotFound, "bitmap resource " + std::string(name) + " not found");
    return picture;
}

Picture LoadResPicture(std::int32_t id, int type)
{
    onlyBitmaps(type);
    if (id < 1 || id > 0xFFFF)
        vb::raise(vb::ErrorKind::ResourceNotFound, "bitmap resource " + std::to_string(id) + " not found");
    return LoadResPicture(std::to_string(id), type);
}

Picture FormPicture(std::string_view fileName)
{
    Picture picture = backend::LoadFormPicture(fileName);
    if (picture.IsNull())
        vb::raise(vb::ErrorKind::ResourceNotFound, "form picture " + std::string(fileName) + " not found");
    return picture;
}

}  // namespace platform
