// Pictures of the web back end: the program's own pixel buffers, decoded by
// the shared bitmap reader from the files linked into the program (assets/:
// bitmap_files.h, form_pictures.h), the picture boxes' persistent images and
// the bitwise transfers between them. The page only ever shows finished
// pixels.
#include "web_platform.h"

#include "backend.h"
#include "bitmap.h"
#include "bitmap_files.h"
#include "form_pictures.h"

#include <algorithm>
#include <map>
#include <set>
#include <span>
#include <string>

namespace platform {

namespace {

// A whole .bmp file as a picture; null when it is none the reader takes.
Picture decode(std::span<const unsigned char> file)
{
    const auto rows = bitmap::FileRows(file);
    if (!rows)
        return {};
    auto picture = std::make_shared<PictureData>();
    picture->width = rows->width;
    picture->height = rows->height;
    picture->pixels.resize(std::size_t(rows->width) * std::size_t(rows->height));
    for (int y = 0; y < rows->height; ++y)
        bitmap::ConvertRow(*rows, y, picture->pixels.data() + std::size_t(y) * std::size_t(rows->width), 0xFF);
    // 0xAARRGGBB becomes 0xAABBGGRR: red and blue change places.
    for (std::uint32_t& p : picture->pixels)
        p = (p & 0xFF00FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16;
    return Picture(std::move(picture));
}

// Each picture is decoded once and shared by every load of it; one that
// cannot be read is not kept, so each of its loads fails.
Picture load(const std::string& key, std::span<const unsigned char> file)
{
    static std::map<std::string, Picture> kept;
    if (const auto it = kept.find(key); it != kept.end())
        return it->second;
    Picture picture = file.empty() ? Picture() : decode(file);
    if (!picture.IsNull())
        kept.emplace(key, picture);
    return picture;
}

std::set<const NativeControl*>& liveBoxes()
{
    static std::set<const NativeControl*> boxes;
    return boxes;
}

// The box's image, ready to be written: its own copy, not one shared with a
// picture made of it. The copy goes into the box's spare image where it
// has one (its memory is reused when it is large enough).
PictureData& writable(NativeControl& box)
{
    if (box.image.use_count() > 1) {
        if (box.spare) {
            *box.spare = *box.image;
            box.image = std::move(box.spare);
        } else {
            box.image = std::make_shared<PictureData>(*box.image);
        }
    }
    return *box.image;
}

}  // namespace

namespace web {

NativeControl* BoxOf(Dc dc)
{
    auto* box = reinterpret_cast<NativeControl*>(dc.handle);
    return liveBoxes().count(box) ? box : nullptr;
}

void RegisterBox(const NativeControl& box)
{
    liveBoxes().insert(&box);
}

void ForgetBox(const NativeControl& box)
{
    liveBoxes().erase(&box);
}

std::vector<std::uint32_t> MaskedPixels(const PictureData& picture, std::uint32_t maskColor)
{
    std::vector<std::uint32_t> rgba = picture.pixels;
    for (std::uint32_t& p : rgba)
        if ((p & 0x00FFFFFFu) == (maskColor & 0x00FFFFFFu))
            p = 0;
    return rgba;
}

}  // namespace web

namespace backend {

int PictureWidth(const PictureData& picture)
{
    return picture.width;
}

int PictureHeight(const PictureData& picture)
{
    return picture.height;
}

std::uint32_t PicturePixel(const PictureData& picture, int x, int y)
{
    return picture.pixels[std::size_t(y) * std::size_t(picture.width) + std::size_t(x)] & 0x00FFFFFFu;
}

void SetBoxPicture(NativeControl& box, const Picture& picture)
{
    // Its own image again: nothing changes.
    if (picture.Data() == box.image)
        return;
    // An image of the box's own that nothing else holds is kept for the
    // next copy.
    if (box.image.use_count() == 1)
        box.spare = std::move(box.image);
    // Shared with the picture: a transfer into the box copies it first
    // (writable), so the picture keeps its pixels.
    box.image = std::const_pointer_cast<PictureData>(picture.Data());
    box.dirty = true;
}

Picture BoxImage(const NativeControl& box)
{
    return Picture(box.image);
}

Dc BoxDc(NativeControl& box)
{
    return Dc{reinterpret_cast<std::uintptr_t>(&box)};
}

bool DcImageSize(Dc dc, int& width, int& height)
{
    const NativeControl* box = web::BoxOf(dc);
    if (!box || !box->image)
        return false;
    width = box->image->width;
    height = box->image->height;
    return true;
}

bool Transfer(Dc destDc, int x, int y, int width, int height, Dc sourceDc, int sx, int sy, std::uint32_t rop)
{
    NativeControl& dest = *web::BoxOf(destDc);
    NativeControl& source = *web::BoxOf(sourceDc);
    // The source is held before the destination is taken for writing: a box
    // drawing onto itself reads its old pixels from the copy it then leaves.
    const std::shared_ptr<const PictureData> src = source.image;
    PictureData& dst = writable(dest);
    for (int row = 0; row < height; ++row) {
        std::uint32_t* d = dst.pixels.data() + std::size_t(y + row) * std::size_t(dst.width) + std::size_t(x);
        const std::uint32_t* s =
            src->pixels.data() + std::size_t(sy + row) * std::size_t(src->width) + std::size_t(sx);
        bitmap::TransferRow(d, s, width, rop);
    }
    dest.dirty = true;
    return true;
}

Picture LoadResource(const std::string& name)
{
    const std::string file = name + ".bmp";
    return load("res:" + file, velmo::assets::BitmapFile(file));
}

Picture LoadFormPicture(std::string_view fileName)
{
    const std::string file(fileName);
    return load("form:" + file, velmo::assets::FormPictureFile(file));
}

}  // namespace backend
}  // namespace platform
