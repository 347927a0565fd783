// Fonts: the designed families and the installed faces that stand in for
// them.
//
// The windows were designed with "MS UI Gothic" (Japanese, Shift-JIS
// character set) and "Times New Roman" (the numbers), sizes in points at 96
// dots per inch. A Japanese face must draw the Japanese text, never boxes:
// where "MS UI Gothic" is not installed the next Japanese UI face that is
// takes its place, then the Gothics Wine finds on a Linux system, and
// failing all of them any face with the Shift-JIS character set that draws
// the windows' texts. Sizes are pixels (points * 96 / 72) whatever the display's
// scaling, because the layouts are pixels too.
#include "win32_platform.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

namespace platform::win32 {

namespace {

constexpr std::wstring_view kDesignedGothic = L"MS UI Gothic";

// Whether the face draws every character of the windows' kinds of text:
// Latin letters and signs, kana, kanji and half-width katakana. Some
// Japanese faces (fallback fonts) lack the Latin part and would draw the
// "(S)" of a caption as boxes.
bool drawsTheTexts(const std::wstring& face)
{
    constexpr std::wstring_view kSample = L"Ag(S).スタート終了段手目ﾍﾙﾌﾟ";
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    if (!font)
        return false;
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    WORD glyphs[kSample.size()];
    const DWORD done = GetGlyphIndicesW(screen, kSample.data(), static_cast<int>(kSample.size()), glyphs,
                                        GGI_MARK_NONEXISTING_GLYPHS);
    bool all = done == kSample.size();
    for (std::size_t i = 0; all && i < kSample.size(); ++i)
        all = glyphs[i] != 0xFFFF;
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    return all;
}

int CALLBACK noteFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM faces)
{
    // Faces for vertical writing ("@...") do not count, nor bitmap fonts.
    if (font->lfFaceName[0] != L'@' && (type & TRUETYPE_FONTTYPE))
        reinterpret_cast<std::vector<std::wstring>*>(faces)->push_back(font->lfFaceName);
    return 1;
}

// The installed faces with the Shift-JIS character set.
std::vector<std::wstring> japaneseFaces()
{
    LOGFONTW query{};
    query.lfCharSet = SHIFTJIS_CHARSET;
    std::vector<std::wstring> faces;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &query, noteFace, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(nullptr, screen);
    return faces;
}

std::wstring gothicFace()
{
    static const std::wstring face = [] {
        // Windows' Japanese UI faces, then the Gothics of Linux systems that
        // Wine finds; proportional ones first, as "MS UI Gothic" is.
        constexpr std::array<std::wstring_view, 10> standIns = {
            kDesignedGothic, L"Meiryo UI",  L"Yu Gothic UI",  L"MS PGothic",   L"IPAPGothic",
            L"Noto Sans CJK JP", L"VL PGothic", L"TakaoPGothic", L"MS Gothic", L"IPAGothic"};
        const std::vector<std::wstring> installed = japaneseFaces();
        const auto has = [&installed](std::wstring_view name) {
            return std::any_of(installed.begin(), installed.end(),
                               [name](const std::wstring& f) { return _wcsicmp(f.c_str(), std::wstring(name).c_str()) == 0; });
        };
        for (std::wstring_view candidate : standIns)
            if (has(candidate) && drawsTheTexts(std::wstring(candidate)))
                return std::wstring(candidate);
        for (const std::wstring& candidate : installed)
            if (drawsTheTexts(candidate))
                return candidate;
        // Nothing Japanese at all: the font mapper's choice for the name.
        return std::wstring(kDesignedGothic);
    }();
    return face;
}

// True when a face of that name is installed.
bool installed(std::wstring_view name)
{
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    name.copy(query.lfFaceName, LF_FACESIZE - 1);
    std::vector<std::wstring> faces;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &query, noteFace, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(nullptr, screen);
    return !faces.empty();
}

// "Times New Roman", or where it is missing its metric twin of Linux
// systems, so that the numbers keep their serifs and widths.
std::wstring serifFace(const std::wstring& family)
{
    static const std::wstring face = [&family] {
        for (std::wstring_view candidate : {std::wstring_view(family), std::wstring_view(L"Liberation Serif"),
                                            std::wstring_view(L"Tinos"), std::wstring_view(L"DejaVu Serif")})
            if (installed(candidate))
                return std::wstring(candidate);
        return family;
    }();
    return face;
}

}  // namespace

HFONT Font(const FontDef& def)
{
    const std::wstring family = def.family ? Wide(def.family) : std::wstring(kDesignedGothic);
    const bool japanese = family == kDesignedGothic;
    const std::wstring face = japanese ? gothicFace() : family == L"Times New Roman" ? serifFace(family) : family;
    const int pixels = static_cast<int>(std::lround(def.points * 96.0 / 72.0));

    static std::map<std::tuple<std::wstring, int, bool>, HFONT> made;
    const auto key = std::make_tuple(face, pixels, def.bold);
    if (auto it = made.find(key); it != made.end())
        return it->second;

    // Times New Roman and the other Western faces take the ANSI character
    // set, as the definitions were made with.
    const BYTE charset = japanese ? SHIFTJIS_CHARSET : ANSI_CHARSET;
    HFONT font = CreateFontW(-pixels, 0, 0, 0, def.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                             charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    if (!font)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    made.emplace(key, font);
    return font;
}

}  // namespace platform::win32
