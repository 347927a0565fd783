// Pictures as 32-bit top-down DIB sections, the layout GDI's transfers are
// fastest in: the executable's bitmap resources, the embedded form pictures
// and the window icon.
#include "win32_platform.h"

#include "bitmap.h"
#include "form_pictures.h"

#include <cstring>
#include <new>
#include <unordered_map>

namespace platform {

PictureData::~PictureData()
{
    if (bitmap)
        DeleteObject(bitmap);
}

namespace {

// A 24-bit bitmap's rows as a picture.
std::shared_ptr<PictureData> convert(const bitmap::Rows& rows)
{
    auto picture = win32::NewPicture(rows.width, rows.height);
    for (int y = 0; y < rows.height; ++y)
        bitmap::ConvertRow(rows, y, picture->Row(y), 0);
    return picture;
}

// An icon file's first image as a picture, drawn over black (the game's icon
// is opaque).
std::shared_ptr<PictureData> decodeIconFile(std::string_view fileName, std::span<const unsigned char> file)
{
    if (file.size() < 22 || file[0] != 0 || file[1] != 0 || file[2] != 1 || file[3] != 0)
        return nullptr;
    const int size = file[6] == 0 ? 256 : file[6];
    HICON icon = win32::FormIcon(fileName, size);
    if (!icon)
        return nullptr;
    auto picture = win32::NewPicture(size, size);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, picture->bitmap);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
    DestroyIcon(icon);
    GdiFlush();
    return picture;
}

// What FindResourceW takes for a resource's name (wide: the name in UTF-16):
// a number ("101") is the resource of that id.
LPCWSTR resourceId(const std::string& name, const std::wstring& wide)
{
    const bool number = !name.empty() && name.size() <= 5 && name.find_first_not_of("0123456789") == std::string::npos;
    const unsigned long value = number ? std::stoul(name) : 0;
    return value >= 1 && value <= 0xFFFF ? MAKEINTRESOURCEW(static_cast<WORD>(value)) : wide.c_str();
}

}  // namespace

namespace win32 {

std::shared_ptr<PictureData> NewPicture(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits)
        throw std::bad_alloc();
    auto data = std::make_shared<PictureData>();
    data->bitmap = bitmap;
    data->width = width;
    data->height = height;
    data->bits = static_cast<unsigned char*>(bits);
    data->stride = width * 4;
    return data;
}

void CopyPixels(const PictureData& source, PictureData& target)
{
    // GDI may still be drawing into either.
    GdiFlush();
    for (int y = 0; y < source.height; ++y)
        std::memcpy(target.Row(y), source.Row(y), static_cast<std::size_t>(source.width) * 4);
}

HICON FormIcon(std::string_view fileName, int size)
{
    const std::span<const unsigned char> file = velmo::assets::FormPictureFile(fileName);
    if (file.size() < 22 || file[2] != 1 || file[4] == 0)
        return nullptr;
    const auto u32 = [&](std::size_t at) {
        return std::uint32_t(file[at]) | std::uint32_t(file[at + 1]) << 8 | std::uint32_t(file[at + 2]) << 16
               | std::uint32_t(file[at + 3]) << 24;
    };
    const std::uint32_t bytes = u32(14);
    const std::uint32_t offset = u32(18);
    if (offset > file.size() || bytes > file.size() - offset)
        return nullptr;
    // The image as a resource holds it: CreateIconFromResourceEx only reads.
    return CreateIconFromResourceEx(const_cast<PBYTE>(file.data() + offset), bytes, TRUE, 0x00030000,
                                    size, size, LR_DEFAULTCOLOR);
}

}  // namespace win32

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
    GdiFlush();
    // Stored 0x00RRGGBB: blue first in memory.
    const std::uint32_t p = picture.Row(y)[x];
    return (p >> 16 & 0xFFu) | (p & 0xFF00u) | (p & 0xFFu) << 16;
}

Picture LoadResource(const std::string& name)
{
    // Looked up at every call, so a missing resource fails at every load. The
    // bytes lie in the executable's image, mapped while the program runs and
    // never changing, so each resource is converted once, kept by their
    // address. A bitmap that is not 24-bit or whose sizes do not fit its
    // bytes is refused here and goes to no other reader.
    static std::unordered_map<const unsigned char*, std::shared_ptr<PictureData>> converted;
    const std::wstring wide = win32::Wide(name);
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, resourceId(name, wide), MAKEINTRESOURCEW(2));  // RT_BITMAP
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes)
        return {};
    const auto rows = bitmap::InfoRows({bytes, SizeofResource(module, found)}, 0);
    if (!rows)
        return {};
    std::shared_ptr<PictureData>& picture = converted[rows->first];
    if (!picture)
        picture = convert(*rows);
    return Picture(picture);
}

Picture LoadFormPicture(std::string_view fileName)
{
    const std::span<const unsigned char> file = velmo::assets::FormPictureFile(fileName);
    if (fileName.ends_with(".ico"))
        return Picture(decodeIconFile(fileName, file));
    const auto rows = bitmap::FileRows(file);
    return rows ? Picture(convert(*rows)) : Picture();
}

}  // namespace backend
}  // namespace platform
