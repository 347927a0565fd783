// Fonts: the installed faces that stand in for the designed families
// (faces.h lists them), at the definitions' sizes in pixels.
//
// A Japanese face must draw the Japanese text, never boxes: a stand-in for
// "MS UI Gothic" counts only where it is installed with the Shift-JIS
// character set and draws the windows' texts, and failing all of them any
// face that does takes its place.
#include "win32_platform.h"

#include "faces.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

namespace platform::win32 {

namespace {

constexpr const char* kDesignedGothic = "MS UI Gothic";

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

// The installed faces with that character set, of that name (empty: any).
std::vector<std::wstring> installedFaces(BYTE charset, std::wstring_view name = {})
{
    LOGFONTW query{};
    query.lfCharSet = charset;
    name.copy(query.lfFaceName, LF_FACESIZE - 1);
    std::vector<std::wstring> faces;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &query, noteFace, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(nullptr, screen);
    return faces;
}

// The first of the family's stand-ins that is installed. A Japanese one must
// be installed with the Japanese character set and draw the texts; failing
// every stand-in, any such face will do. Failing all, the font mapper's
// choice for the name.
std::wstring resolve(const char* family, bool japanese)
{
    const std::vector<std::wstring> installedJapanese = japanese ? installedFaces(SHIFTJIS_CHARSET) : std::vector<std::wstring>();
    const auto usable = [&](const std::wstring& face) {
        if (!japanese)
            return !installedFaces(DEFAULT_CHARSET, face).empty();
        return std::any_of(installedJapanese.begin(), installedJapanese.end(),
                           [&face](const std::wstring& f) { return _wcsicmp(f.c_str(), face.c_str()) == 0; })
               && drawsTheTexts(face);
    };
    for (std::string_view candidate : faces::StandIns(family))
        if (const std::wstring face = Wide(candidate); usable(face))
            return face;
    if (japanese)
        for (const std::wstring& face : installedJapanese)
            if (drawsTheTexts(face))
                return face;
    return Wide(family);
}

}  // namespace

HFONT Font(const FontDef& def)
{
    const char* family = def.family ? def.family : kDesignedGothic;
    const bool japanese = std::string_view(family) == kDesignedGothic;
    // Each family's face is resolved once per run.
    static std::map<std::string, std::wstring, std::less<>> resolved;
    auto at = resolved.find(family);
    if (at == resolved.end())
        at = resolved.emplace(family, resolve(family, japanese)).first;
    const std::wstring& face = at->second;
    const int pixels = faces::Pixels(def.points);

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
