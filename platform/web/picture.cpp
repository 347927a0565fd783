// Pictures of the web back end: the program's own pixel buffers, decoded
// from the bitmap files linked into it (assets/: bitmap_files.h,
// form_pictures.h), the picture boxes' persistent images and the bitwise
// transfers between them. The page only ever shows finished pixels.
#include "web_platform.h"

#include "bitmap_files.h"
#include "checked.h"
#include "form_pictures.h"

#include <algorithm>
#include <map>
#include <set>
#include <span>
#include <string>

namespace platform {

namespace {

std::uint32_t le32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16
           | std::uint32_t(p[3]) << 24;
}

std::uint16_t le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr std::uint32_t kOpaque = 0xFF000000u;

// A bitmap file as all the game's bitmaps are (BITMAPINFOHEADER, 24 bits per
// pixel, uncompressed, rows bottom-up or top-down, each padded to four
// bytes); null for anything else.
std::shared_ptr<PictureData> decodeBitmap(std::span<const unsigned char> file)
{
    constexpr std::size_t kHeaders = 14 + 40;
    const unsigned char* data = file.data();
    if (file.size() < kHeaders || data[0] != 'B' || data[1] != 'M')
        return nullptr;
    const std::uint32_t offset = le32(data + 10);
    const auto width = static_cast<std::int32_t>(le32(data + 18));
    const auto height = static_cast<std::int32_t>(le32(data + 22));
    if (le32(data + 14) != 40 || le16(data + 26) != 1 || le16(data + 28) != 24 || le32(data + 30) != 0
        || width <= 0 || width > 32767 || height == 0 || height > 32767 || height < -32767)
        return nullptr;
    const int rows = height < 0 ? -height : height;
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    if (offset < kHeaders || offset > file.size() || (file.size() - offset) / stride < std::size_t(rows))
        return nullptr;
    auto picture = std::make_shared<PictureData>();
    picture->width = width;
    picture->height = rows;
    picture->pixels.resize(std::size_t(width) * std::size_t(rows));
    for (int y = 0; y < rows; ++y) {
        const unsigned char* s = data + offset + std::size_t(height > 0 ? rows - 1 - y : y) * stride;
        std::uint32_t* d = picture->pixels.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x, s += 3)
            d[x] = kOpaque | std::uint32_t(s[0]) << 16 | std::uint32_t(s[1]) << 8 | s[2];
    }
    return picture;
}

// Each picture is decoded once and shared by every load of it; one that
// cannot be read is not kept, so each of its loads fails.
Picture load(const std::string& file, std::span<const unsigned char> bytes, const std::string& what)
{
    static std::map<std::string, Picture> kept;
    if (const auto it = kept.find(file); it != kept.end())
        return it->second;
    std::shared_ptr<PictureData> data = bytes.empty() ? nullptr : decodeBitmap(bytes);
    if (!data)
        vb::raise(vb::ErrorKind::ResourceNotFound, "resource " + what + " not found");
    return kept.emplace(file, Picture(std::move(data))).first->second;
}

std::set<const NativeControl*>& liveBoxes()
{
    static std::set<const NativeControl*> boxes;
    return boxes;
}

// The box's image, ready to be written: its own copy, not one shared with a
// picture made of it.
PictureData& writable(NativeControl& box)
{
    if (box.image.use_count() > 1)
        box.image = std::make_shared<PictureData>(*box.image);
    return *box.image;
}

}  // namespace

namespace web {

const PictureData* Data(const Picture& picture)
{
    return picture.Data().get();
}

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

}  // namespace web

bool BitBlt(Dc destDc, int x, int y, int width, int height, Dc sourceDc, int sx, int sy, std::uint32_t rop)
{
    NativeControl* const dest = web::BoxOf(destDc);
    NativeControl* const source = web::BoxOf(sourceDc);
    if (!dest || !source || (rop != SRCPAINT && rop != SRCAND && rop != SRCCOPY))
        return false;
    if (!source->image || !dest->image)
        return false;

    // Clip the rectangle against both images.
    if (x < 0) { sx -= x; width += x; x = 0; }
    if (y < 0) { sy -= y; height += y; y = 0; }
    if (sx < 0) { x -= sx; width += sx; sx = 0; }
    if (sy < 0) { y -= sy; height += sy; sy = 0; }
    width = std::min({width, dest->image->width - x, source->image->width - sx});
    height = std::min({height, dest->image->height - y, source->image->height - sy});
    if (width <= 0 || height <= 0)
        return true;

    // The source is read before the destination is taken for writing: a box
    // drawing onto itself reads its old pixels.
    const std::shared_ptr<const PictureData> src = source->image;
    PictureData& dst = writable(*dest);
    for (int row = 0; row < height; ++row) {
        std::uint32_t* d = dst.pixels.data() + std::size_t(y + row) * std::size_t(dst.width) + std::size_t(x);
        const std::uint32_t* s =
            src->pixels.data() + std::size_t(sy + row) * std::size_t(src->width) + std::size_t(sx);
        switch (rop) {
        case SRCPAINT:
            for (int i = 0; i < width; ++i) d[i] |= s[i];
            break;
        case SRCAND:
            for (int i = 0; i < width; ++i) d[i] &= s[i];
            break;
        default:
            std::copy(s, s + width, d);
            break;
        }
    }
    dest->dirty = true;
    return true;
}

Picture LoadResPicture(std::string_view name, int type)
{
    if (type != 0)
        vb::raise(vb::ErrorKind::InvalidProcedureCall, "only bitmap resources exist");
    const std::string file = std::string(name) + ".bmp";
    return load("res:" + file, velmo::assets::BitmapFile(file), std::string(name));
}

Picture LoadResPicture(std::int32_t id, int type)
{
    return LoadResPicture(std::to_string(id), type);
}

Picture FormPicture(std::string_view fileName)
{
    const std::string file(fileName);
    return load("form:" + file, velmo::assets::FormPictureFile(file), file);
}

int Picture::Width() const
{
    return data_ ? data_->width : 0;
}

int Picture::Height() const
{
    return data_ ? data_->height : 0;
}

std::uint32_t Picture::Pixel(int x, int y) const
{
    if (!data_ || x < 0 || y < 0 || x >= data_->width || y >= data_->height)
        vb::raise(vb::ErrorKind::InvalidProcedureCall, "pixel outside the picture");
    return data_->pixels[std::size_t(y) * std::size_t(data_->width) + std::size_t(x)] & 0x00FFFFFFu;
}

void PictureBox::SetPicture(const Picture& picture)
{
    NativeControl& box = Native();
    // Its own image again: nothing changes.
    if (picture.Data() == box.image)
        return;
    // Shared with the picture: a transfer into the box copies it first
    // (writable), so the picture keeps its pixels.
    box.image = std::const_pointer_cast<PictureData>(picture.Data());
    box.dirty = true;
}

Picture PictureBox::Image() const
{
    return Picture(Native().image);
}

Dc PictureBox::hDC()
{
    return Dc{reinterpret_cast<std::uintptr_t>(&Native())};
}

}  // namespace platform
