#include "res_file.h"

#include <stdexcept>

namespace res {

std::uint16_t readU16(const Bytes& b, std::size_t at)
{
    if (at + 2 > b.size())
        throw std::runtime_error("read past the end at offset " + std::to_string(at));
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t readU32(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint32_t>(readU16(b, at))
         | (static_cast<std::uint32_t>(readU16(b, at + 2)) << 16);
}

std::int32_t readI32(const Bytes& b, std::size_t at)
{
    return static_cast<std::int32_t>(readU32(b, at));
}

std::string narrow(const std::u16string& s)
{
    std::string out;
    for (char16_t c : s)
        out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return out;
}

std::string Id::describe() const
{
    std::string out;
    if (isOrdinal) {
        out += '#';
        out += std::to_string(ordinal);
    } else {
        out += '"';
        out += narrow(text);
        out += '"';
    }
    return out;
}

namespace {

constexpr std::size_t align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

// Reads a zero-terminated UTF-16 string starting at `at`; returns the offset
// just past the terminator.
std::size_t readString(const Bytes& b, std::size_t at, std::u16string& out)
{
    out.clear();
    for (;;) {
        std::uint16_t c = readU16(b, at);
        at += 2;
        if (c == 0)
            return at;
        out += static_cast<char16_t>(c);
    }
}

// A type or name field: 0xFFFF and an ordinal, or a zero-terminated string.
std::size_t readId(const Bytes& b, std::size_t at, Id& out)
{
    if (readU16(b, at) == 0xFFFF) {
        out = Id::number(readU16(b, at + 2));
        return at + 4;
    }
    std::u16string s;
    at = readString(b, at, s);
    out = Id::name(std::move(s));
    return at;
}

// The fixed fields after the type and name, in bytes.
constexpr std::size_t kHeaderTail = 16;

}  // namespace

std::vector<Entry> parseResFile(const Bytes& file)
{
    // The format marker: an entry with no data, a 32-byte header and
    // ordinal 0 as both type and name.
    if (file.size() < 32 || readU32(file, 0) != 0 || readU32(file, 4) != 32
        || readU16(file, 8) != 0xFFFF || readU16(file, 10) != 0
        || readU16(file, 12) != 0xFFFF || readU16(file, 14) != 0)
        throw std::runtime_error("the file does not start with the empty 32-byte entry of a .res file");

    std::vector<Entry> entries;
    std::size_t pos = 32;
    while (pos < file.size()) {
        const std::size_t start = pos;
        const std::uint32_t dataSize = readU32(file, pos);
        const std::uint32_t headerSize = readU32(file, pos + 4);
        Entry e;
        pos = readId(file, pos + 8, e.type);
        pos = readId(file, pos, e.name);
        pos = align4(pos);
        e.dataVersion = readU32(file, pos);
        e.memoryFlags = readU16(file, pos + 4);
        e.language = readU16(file, pos + 6);
        e.version = readU32(file, pos + 8);
        e.characteristics = readU32(file, pos + 12);
        pos += kHeaderTail;
        if (pos - start != headerSize)
            throw std::runtime_error("entry at offset " + std::to_string(start) + " declares a header of "
                                     + std::to_string(headerSize) + " bytes but its fields take "
                                     + std::to_string(pos - start));
        if (pos + dataSize > file.size())
            throw std::runtime_error("entry at offset " + std::to_string(start) + " runs past the end of the file");
        e.data.assign(file.begin() + static_cast<std::ptrdiff_t>(pos),
                      file.begin() + static_cast<std::ptrdiff_t>(pos + dataSize));
        entries.push_back(std::move(e));
        pos = align4(pos + dataSize);
    }
    return entries;
}

std::u16string VersionNode::text() const
{
    std::u16string s;
    for (std::size_t i = 0; i + 1 < value.size(); i += 2)
        s += static_cast<char16_t>(readU16(value, i));
    while (!s.empty() && s.back() == u'\0')
        s.pop_back();
    return s;
}

namespace {

// Parses the node at `at`, which must end by `limit`; returns its length.
std::size_t parseNode(const Bytes& b, std::size_t at, std::size_t limit, VersionNode& node)
{
    const std::size_t length = readU16(b, at);
    const std::size_t valueLength = readU16(b, at + 2);
    node.type = readU16(b, at + 4);
    const std::size_t end = at + length;
    if (length < 6 || end > limit)
        throw std::runtime_error("a version node at offset " + std::to_string(at) + " runs past its parent");

    std::size_t pos = align4(readString(b, at + 6, node.key));
    // A text value counts its length in characters, a binary one in bytes.
    const std::size_t valueBytes = node.type == 1 ? valueLength * 2 : valueLength;
    if (pos + valueBytes > end)
        throw std::runtime_error("the value of \"" + narrow(node.key) + "\" runs past its node");
    node.value.assign(b.begin() + static_cast<std::ptrdiff_t>(pos),
                      b.begin() + static_cast<std::ptrdiff_t>(pos + valueBytes));
    pos = align4(pos + valueBytes);

    while (pos < end) {
        VersionNode child;
        pos = align4(pos + parseNode(b, pos, end, child));
        node.children.push_back(std::move(child));
    }
    return length;
}

}  // namespace

VersionNode parseVersionBlock(const Bytes& data)
{
    VersionNode root;
    const std::size_t length = parseNode(data, 0, data.size(), root);
    if (align4(length) != align4(data.size()))
        throw std::runtime_error("the version block declares " + std::to_string(length) + " bytes but the resource holds "
                                 + std::to_string(data.size()));
    return root;
}

}  // namespace res
