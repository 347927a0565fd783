// Fonts: the installed faces that stand in for the designed families
// (faces.h lists them), at the definitions' sizes in pixels.
//
// A face is taken only where it draws every character its control shows,
// never boxes: a stand-in for "MS UI Gothic" counts only where it is
// installed with the Shift-JIS character set, and some Japanese faces
// (fallback fonts) lack the Latin letters and digits of "(S)" or "3手目".
// Failing every stand-in, any installed face that draws the text takes its
// place, and failing all, the one that draws the most of it.
#include "win32_platform.h"

#include "faces.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

namespace platform::win32 {

namespace {

constexpr const char* kDesignedGothic = "MS UI Gothic";

// How many characters of text the face has no glyph for; control
// characters (line breaks) and spaces are not drawn as glyphs.
std::size_t missing(const std::wstring& face, BYTE charset, std::wstring_view text)
{
    std::wstring shown;
    for (wchar_t c : text)
        if (c > L' ')
            shown += c;
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    if (!font)
        return shown.size() + 1;
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    std::vector<WORD> glyphs(shown.size() + 1);
    const DWORD done = GetGlyphIndicesW(screen, shown.c_str(), static_cast<int>(shown.size()), glyphs.data(),
                                        GGI_MARK_NONEXISTING_GLYPHS);
    const std::size_t lacking =
        done == shown.size() ? static_cast<std::size_t>(std::count(glyphs.begin(), glyphs.end() - 1, WORD{0xFFFF}))
                             : shown.size();
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    return lacking;
}

int CALLBACK noteFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM faces)
{
    // Faces for vertical writing ("@...") do not count, nor bitmap fonts.
    if (font->lfFaceName[0] != L'@' && (type & TRUETYPE_FONTTYPE))
        reinterpret_cast<std::vector<std::wstring>*>(faces)->push_back(font->lfFaceName);
    return 1;
}

// The installed faces with that character set (DEFAULT_CHARSET: any).
std::vector<std::wstring> installedFaces(BYTE charset)
{
    LOGFONTW query{};
    query.lfCharSet = charset;
    std::vector<std::wstring> faces;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &query, noteFace, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(nullptr, screen);
    return faces;
}

// The installed faces with that character set, listed once per run.
const std::vector<std::wstring>& installed(BYTE charset)
{
    static std::map<BYTE, std::vector<std::wstring>> lists;
    auto at = lists.find(charset);
    if (at == lists.end())
        at = lists.emplace(charset, installedFaces(charset)).first;
    return at->second;
}

bool among(const std::vector<std::wstring>& faces, const std::wstring& face)
{
    return std::any_of(faces.begin(), faces.end(),
                       [&face](const std::wstring& f) { return _wcsicmp(f.c_str(), face.c_str()) == 0; });
}

struct Face {
    std::wstring name;
    BYTE charset;
};

// The first of the family's stand-ins that is installed and draws the text;
// a Japanese one must be installed with the Japanese character set. Failing
// every stand-in, a Japanese face that draws it, then any face that does.
// Where no installed face draws all of it, the first that draws the most.
Face resolve(const char* family, bool japanese, std::wstring_view text)
{
    const BYTE charset = japanese ? SHIFTJIS_CHARSET : ANSI_CHARSET;
    std::vector<Face> candidates;
    for (std::string_view name : faces::StandIns(family)) {
        const std::wstring face = Wide(name);
        if (among(installed(japanese ? SHIFTJIS_CHARSET : DEFAULT_CHARSET), face))
            candidates.push_back({face, charset});
    }
    for (const std::wstring& face : installed(SHIFTJIS_CHARSET))
        candidates.push_back({face, SHIFTJIS_CHARSET});
    for (const std::wstring& face : installed(DEFAULT_CHARSET))
        candidates.push_back({face, DEFAULT_CHARSET});

    Face best{Wide(family), charset};  // the font mapper's choice for the name
    std::size_t fewest = static_cast<std::size_t>(-1);
    for (const Face& face : candidates) {
        const std::size_t lacking = missing(face.name, face.charset, text);
        if (lacking < fewest) {
            best = face;
            fewest = lacking;
        }
        if (lacking == 0)
            break;
    }
    return best;
}

}  // namespace

HFONT Font(const FontDef& def, std::wstring_view text)
{
    const char* family = def.family ? def.family : kDesignedGothic;
    const bool japanese = std::string_view(family) == kDesignedGothic;
    // Each family's face for a text is resolved once per run.
    static std::map<std::pair<std::string, std::wstring>, Face> resolved;
    auto which = std::make_pair(std::string(family), std::wstring(text));
    auto at = resolved.find(which);
    if (at == resolved.end())
        at = resolved.emplace(std::move(which), resolve(family, japanese, text)).first;
    const Face& face = at->second;
    const int pixels = faces::Pixels(def.points);

    static std::map<std::tuple<std::wstring, BYTE, int, bool>, HFONT> made;
    const auto key = std::make_tuple(face.name, face.charset, pixels, def.bold);
    if (auto it = made.find(key); it != made.end())
        return it->second;

    // Times New Roman and the other Western faces take the ANSI character
    // set, as the definitions were made with.
    HFONT font = CreateFontW(-pixels, 0, 0, 0, def.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                             face.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, face.name.c_str());
    if (!font)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    made.emplace(key, font);
    return font;
}

HFONT ControlFont(const NativeControl& control, std::wstring_view text)
{
    const FontDef& own = control.control.Def().font;
    const FontDef& def = own.family ? own : control.form.form.Def().font;
    return def.family ? Font(def, text) : control.form.font;
}

}  // namespace platform::win32
