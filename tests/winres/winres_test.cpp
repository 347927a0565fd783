// Compiles the generated Windows resource script with windres and reads the
// resulting .res file back: which resources it holds, the bitmaps and the icon
// byte for byte against the asset files, and the version block.
//
//   velmo_winres_test GROUP WINDRES PREPROCESSOR RC_FILE ASSET_DIR RES_FILE VERSION
//
// GROUP is one of entries, bitmaps, icon, version. WINDRES is empty or
// "...-NOTFOUND" when windres is not installed: the test is then skipped.
// VERSION is the project version "major.minor.patch".

#include "res_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using res::Bytes;
using res::Entry;
using res::Id;

namespace {

constexpr int kSkipped = 77;
constexpr std::uint16_t kJapanese = 0x0411;
constexpr std::uint16_t kNeutral = 0;

struct Args {
    std::string group, windres, preprocessor, rcFile, assetDir, resFile, version;
};

class Checks {
public:
    void expect(bool ok, const std::string& what)
    {
        if (ok) {
            ++passed_;
        } else {
            ++failed_;
            std::cout << "FAIL: " << what << '\n';
        }
    }

    template <typename A, typename E>
    void equal(const A& actual, const E& expected, const std::string& what)
    {
        std::ostringstream s;
        s << what << ": got " << actual << ", expected " << expected;
        expect(actual == expected, s.str());
    }

    int finish() const
    {
        std::cout << passed_ << " passed, " << failed_ << " failed\n";
        return failed_ == 0 ? 0 : 1;
    }

private:
    int passed_ = 0;
    int failed_ = 0;
};

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string shellQuote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs windres on the script. The cross compiler is not needed: the host's
// compiler does the C preprocessing windres asks for.
bool compileScript(const Args& a)
{
    std::remove(a.resFile.c_str());
    const std::string command = shellQuote(a.windres) + " --preprocessor=" + shellQuote(a.preprocessor)
                              + " --preprocessor-arg=-E --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED"
                              + " -O res -i " + shellQuote(a.rcFile) + " -o " + shellQuote(a.resFile);
    std::cout << "running: " << command << '\n';
    return std::system(command.c_str()) == 0;
}

std::string hex(unsigned v)
{
    std::ostringstream s;
    s << "0x" << std::hex << std::uppercase << v;
    return s.str();
}

// The bitmaps the game looks up, with the pixel size of each.
struct ExpectedBitmap {
    Id id;
    std::string file;
    std::int32_t width, height;
};

std::vector<ExpectedBitmap> expectedBitmaps()
{
    std::vector<ExpectedBitmap> expected{{Id::name(u"BACK"), "BACK.bmp", 480, 360}};
    for (int base : {100, 200})
        for (int size = 1; size <= 7; ++size) {
            const auto id = static_cast<std::uint16_t>(base + size);
            expected.push_back({Id::number(id), std::to_string(id) + ".bmp", 120, 30});
        }
    return expected;
}

std::vector<const Entry*> ofType(const std::vector<Entry>& entries, std::uint16_t type)
{
    std::vector<const Entry*> out;
    for (const Entry& e : entries)
        if (e.type == Id::number(type))
            out.push_back(&e);
    return out;
}

// Which resources there are, under which type, name and language.
void checkEntries(Checks& c, const std::vector<Entry>& entries)
{
    const auto bitmaps = ofType(entries, res::kBitmap);
    const auto expected = expectedBitmaps();
    c.equal(bitmaps.size(), expected.size(), "number of bitmaps");
    for (const ExpectedBitmap& bitmap : expected) {
        int found = 0;
        for (const Entry* e : bitmaps)
            if (e->name == bitmap.id) {
                ++found;
                c.equal(hex(e->language), hex(kJapanese), "language of bitmap " + bitmap.id.describe());
            }
        c.equal(found, 1, "bitmaps named " + bitmap.id.describe());
    }

    const auto icons = ofType(entries, res::kIcon);
    c.equal(icons.size(), 1u, "number of icon images");
    for (const Entry* e : icons) {
        c.expect(e->name.isOrdinal, "the icon image has a numeric id, not " + e->name.describe());
        c.equal(hex(e->language), hex(kNeutral), "language of the icon image");
    }

    const auto groups = ofType(entries, res::kGroupIcon);
    c.equal(groups.size(), 1u, "number of icon groups");
    for (const Entry* e : groups) {
        c.equal(e->name.describe(), Id::number(1).describe(), "id of the icon group");
        c.equal(hex(e->language), hex(kNeutral), "language of the icon group");
    }

    const auto versions = ofType(entries, res::kVersion);
    c.equal(versions.size(), 1u, "number of version blocks");
    for (const Entry* e : versions) {
        c.equal(e->name.describe(), Id::number(1).describe(), "id of the version block");
        c.equal(hex(e->language), hex(kJapanese), "language of the version block");
    }

    // Nothing else: every entry is one of the kinds above.
    c.equal(entries.size(), bitmaps.size() + icons.size() + groups.size() + versions.size(),
            "number of resources of the four known types among all resources");
    for (const Entry& e : entries)
        c.equal(e.dataVersion, 0u, "data version of " + e.type.describe() + "/" + e.name.describe());
}

// Each bitmap is its file without the 14-byte file header: a 40-byte
// BITMAPINFOHEADER, then the rows.
void checkBitmaps(Checks& c, const std::vector<Entry>& entries, const std::string& assetDir)
{
    for (const ExpectedBitmap& bitmap : expectedBitmaps()) {
        const std::string what = "bitmap " + bitmap.id.describe();
        const Entry* entry = nullptr;
        for (const Entry* e : ofType(entries, res::kBitmap))
            if (e->name == bitmap.id)
                entry = e;
        c.expect(entry != nullptr, what + " is in the resources");
        if (!entry)
            continue;

        const Bytes& dib = entry->data;
        const std::size_t rowBytes = static_cast<std::size_t>(bitmap.width) * 3;
        const std::size_t expectedSize = 40 + rowBytes * static_cast<std::size_t>(bitmap.height);
        c.equal(dib.size(), expectedSize, what + " size");
        if (dib.size() < 40)
            continue;
        c.equal(res::readU32(dib, 0), 40u, what + " header size");
        c.equal(res::readI32(dib, 4), bitmap.width, what + " width");
        c.equal(res::readI32(dib, 8), bitmap.height, what + " height (bottom-up)");
        c.equal(res::readU16(dib, 12), 1, what + " planes");
        c.equal(res::readU16(dib, 14), 24, what + " bits per pixel");
        c.equal(res::readU32(dib, 16), 0u, what + " compression");
        c.equal(res::readU32(dib, 32), 0u, what + " colours used");

        const Bytes file = readFile(assetDir + "/" + bitmap.file);
        c.expect(file.size() >= 14 && file[0] == 'B' && file[1] == 'M', bitmap.file + " starts with a BMP file header");
        c.equal(file.size(), dib.size() + 14, what + " is its file less 14 bytes in size");
        c.expect(file.size() == dib.size() + 14 && std::equal(dib.begin(), dib.end(), file.begin() + 14),
                 what + " holds the bytes of " + bitmap.file + " after its file header");
    }
}

// The icon group: one 32 x 32, 8-bit entry of 2216 bytes that names the
// icon image, and that image is the one in the .ico file.
void checkIcon(Checks& c, const std::vector<Entry>& entries, const std::string& assetDir)
{
    const auto groups = ofType(entries, res::kGroupIcon);
    const auto icons = ofType(entries, res::kIcon);
    c.equal(groups.size(), 1u, "number of icon groups");
    c.equal(icons.size(), 1u, "number of icon images");
    if (groups.size() != 1 || icons.size() != 1)
        return;
    const Bytes& group = groups[0]->data;
    const Entry& image = *icons[0];

    c.equal(group.size(), 6u + 14u, "size of the icon group (header and one entry)");
    if (group.size() < 20)
        return;
    c.equal(res::readU16(group, 0), 0, "icon group reserved word");
    c.equal(res::readU16(group, 2), 1, "icon group resource type (icon)");
    c.equal(res::readU16(group, 4), 1, "icon group entry count");
    c.equal(static_cast<int>(group[6]), 32, "icon width");
    c.equal(static_cast<int>(group[7]), 32, "icon height");
    c.equal(static_cast<int>(group[8]), 0, "icon colour count (0 for 256)");
    c.equal(res::readU16(group, 10), 1, "icon planes");
    c.equal(res::readU16(group, 12), 8, "icon bits per pixel");
    c.equal(res::readU32(group, 14), 2216u, "icon image size in the group");
    c.equal(Id::number(res::readU16(group, 18)).describe(), image.name.describe(),
            "the icon group points at the icon image");

    c.equal(image.data.size(), 2216u, "size of the icon image");
    if (image.data.size() >= 40) {
        c.equal(res::readU32(image.data, 0), 40u, "icon image header size");
        c.equal(res::readI32(image.data, 4), 32, "icon image width");
        c.equal(res::readI32(image.data, 8), 64, "icon image height (colour and mask rows)");
        c.equal(res::readU16(image.data, 14), 8, "icon image bits per pixel");
    }

    const Bytes ico = readFile(assetDir + "/velmo.ico");
    c.expect(ico.size() >= 22, "velmo.ico holds a header and a directory entry");
    if (ico.size() < 22)
        return;
    c.equal(res::readU16(ico, 4), 1, "images in velmo.ico");
    const std::size_t size = res::readU32(ico, 14);
    const std::size_t offset = res::readU32(ico, 18);
    c.expect(offset + size <= ico.size() && size == image.data.size()
                 && std::equal(image.data.begin(), image.data.end(), ico.begin() + static_cast<std::ptrdiff_t>(offset)),
             "the icon image holds the image of velmo.ico");
}

std::vector<unsigned> parseVersion(const std::string& text)
{
    std::vector<unsigned> parts;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, '.'))
        parts.push_back(static_cast<unsigned>(std::stoul(part)));
    parts.resize(4, 0);
    return parts;
}

// The version as the player reads it: major, a point, minor in two digits.
std::u16string versionText(const std::vector<unsigned>& v)
{
    std::string minor = std::to_string(v[1]);
    if (minor.size() < 2)
        minor = "0" + minor;
    std::string s = std::to_string(v[0]) + "." + minor;
    return std::u16string(s.begin(), s.end());
}

std::string u8(const std::u16string& s) { return res::narrow(s); }

void checkVersion(Checks& c, const std::vector<Entry>& entries, const std::string& projectVersion)
{
    const auto versions = ofType(entries, res::kVersion);
    c.equal(versions.size(), 1u, "number of version blocks");
    if (versions.size() != 1)
        return;
    const res::VersionNode root = res::parseVersionBlock(versions[0]->data);
    const std::vector<unsigned> v = parseVersion(projectVersion);

    c.equal(u8(root.key), std::string("VS_VERSION_INFO"), "key of the version block");
    c.equal(root.type, 0, "type of the version block's value (binary)");
    c.equal(root.value.size(), 52u, "size of VS_FIXEDFILEINFO");
    if (root.value.size() == 52) {
        const Bytes& f = root.value;
        c.equal(hex(res::readU32(f, 0)), hex(0xFEEF04BDu), "signature");
        c.equal(hex(res::readU32(f, 4)), hex(0x00010000u), "structure version");
        const std::uint32_t ms = (v[0] << 16) | v[1];
        const std::uint32_t ls = (v[2] << 16) | v[3];
        c.equal(hex(res::readU32(f, 8)), hex(ms), "file version, high part");
        c.equal(hex(res::readU32(f, 12)), hex(ls), "file version, low part");
        c.equal(hex(res::readU32(f, 16)), hex(ms), "product version, high part");
        c.equal(hex(res::readU32(f, 20)), hex(ls), "product version, low part");
        c.equal(res::readU32(f, 24), 0u, "file flags mask");
        c.equal(res::readU32(f, 28), 0u, "file flags");
        c.equal(res::readU32(f, 32), 4u, "file OS (32-bit Windows)");
        c.equal(res::readU32(f, 36), 1u, "file type (application)");
        c.equal(res::readU32(f, 40), 0u, "file subtype");
        c.equal(res::readU32(f, 44), 0u, "file date, high part");
        c.equal(res::readU32(f, 48), 0u, "file date, low part");
    }

    // VarFileInfo first, then StringFileInfo.
    c.equal(root.children.size(), 2u, "blocks under the version block");
    if (root.children.size() != 2)
        return;
    const res::VersionNode& var = root.children[0];
    const res::VersionNode& strings = root.children[1];
    c.equal(u8(var.key), std::string("VarFileInfo"), "first block");
    c.equal(u8(strings.key), std::string("StringFileInfo"), "second block");

    c.equal(var.children.size(), 1u, "entries of VarFileInfo");
    if (var.children.size() == 1) {
        const res::VersionNode& translation = var.children[0];
        c.equal(u8(translation.key), std::string("Translation"), "key under VarFileInfo");
        c.equal(translation.type, 0, "type of Translation (binary)");
        c.equal(translation.value.size(), 4u, "size of Translation");
        if (translation.value.size() == 4) {
            c.equal(hex(res::readU16(translation.value, 0)), hex(0x0411), "Translation language");
            c.equal(hex(res::readU16(translation.value, 2)), hex(0x04B0), "Translation code page");
        }
    }

    c.equal(strings.children.size(), 1u, "string tables");
    if (strings.children.size() != 1)
        return;
    const res::VersionNode& table = strings.children[0];
    c.equal(u8(table.key), std::string("041104B0"), "string table key");

    const std::u16string version = versionText(v);
    const std::vector<std::pair<std::string, std::u16string>> expected{
        {"Comments", u""},  // checked below: a web address
        {"CompanyName", u""},
        {"FileDescription", u"Velmo"},
        {"LegalCopyright", u""},
        {"ProductName", u"Velmo"},
        {"FileVersion", version},
        {"ProductVersion", version},
        {"InternalName", u"Velmo"},
        {"OriginalFilename", u"Velmo.exe"},
    };
    c.equal(table.children.size(), expected.size(), "strings in the table");
    for (std::size_t i = 0; i < expected.size() && i < table.children.size(); ++i) {
        const res::VersionNode& s = table.children[i];
        const auto& [key, value] = expected[i];
        c.equal(u8(s.key), key, "key of string " + std::to_string(i + 1));
        c.equal(s.type, 1, "type of " + key + " (text)");
        const std::u16string text = s.text();
        if (!value.empty())
            c.equal(u8(text), u8(value), key);
        else
            c.expect(!text.empty(), key + " is not empty");
        if (key == "Comments")
            c.expect(text.rfind(u"https://", 0) == 0 || text.rfind(u"http://", 0) == 0,
                     "Comments is a web address: " + u8(text));
    }
}

int run(const Args& a)
{
    if (a.windres.empty() || a.windres.ends_with("-NOTFOUND")) {
        std::cout << "SKIPPED: i686-w64-mingw32-windres was not found; install Debian's binutils-mingw-w64-i686 "
                     "to check the Windows resource script\n";
        return kSkipped;
    }
    Checks c;
    c.expect(compileScript(a), "windres compiles " + a.rcFile);
    std::vector<Entry> entries;
    try {
        entries = res::parseResFile(readFile(a.resFile));
    } catch (const std::exception& e) {
        c.expect(false, std::string("reading the compiled resources: ") + e.what());
        return c.finish();
    }

    const std::map<std::string, std::function<void()>> groups{
        {"entries", [&] { checkEntries(c, entries); }},
        {"bitmaps", [&] { checkBitmaps(c, entries, a.assetDir); }},
        {"icon", [&] { checkIcon(c, entries, a.assetDir); }},
        {"version", [&] { checkVersion(c, entries, a.version); }},
    };
    const auto group = groups.find(a.group);
    if (group == groups.end()) {
        std::cerr << "unknown group " << a.group << '\n';
        return 2;
    }
    try {
        group->second();
    } catch (const std::exception& e) {
        c.expect(false, std::string("unexpected error: ") + e.what());
    }
    return c.finish();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 8) {
        std::cerr << "usage: " << argv[0] << " GROUP WINDRES PREPROCESSOR RC_FILE ASSET_DIR RES_FILE VERSION\n";
        return 2;
    }
    return run(Args{argv[1], argv[2], argv[3], argv[4], argv[5], argv[6], argv[7]});
}
