// A reader for compiled Windows resource files (.res) and for the version
// block inside them, written against the published layout so that the test
// does not trust the tool that produced the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <string>
#include <vector>

namespace res {

using Bytes = std::vector<std::uint8_t>;

// A resource type or name: a 16-bit ordinal or a UTF-16 string.
struct Id {
    bool isOrdinal = true;
    std::uint16_t ordinal = 0;
    std::u16string text;

    static Id number(std::uint16_t n) { return Id{true, n, {}}; }
    static Id name(std::u16string s) { return Id{false, 0, std::move(s)}; }
    bool operator==(const Id&) const = default;
    std::string describe() const;
};

struct Entry {
    Id type;
    Id name;
    std::uint32_t dataVersion = 0;
    std::uint16_t memoryFlags = 0;
    std::uint16_t language = 0;
    std::uint32_t version = 0;
    std::uint32_t characteristics = 0;
    Bytes data;
};

// Resource types of the Windows headers.
constexpr std::uint16_t kBitmap = 2;
constexpr std::uint16_t kIcon = 3;
constexpr std::uint16_t kGroupIcon = 14;
constexpr std::uint16_t kVersion = 16;

// Parses a whole .res file: the empty 32-byte entry that marks the format,
// then every resource. Throws std::runtime_error on a malformed file.
std::vector<Entry> parseResFile(const Bytes& file);

// One node of a version block (VS_VERSIONINFO, StringFileInfo, a string
// table, a String or a Var): the key, the value and the nested nodes.
struct VersionNode {
    std::u16string key;
    std::uint16_t type = 0;  // 1: the value is text, 0: binary
    Bytes value;             // raw bytes; for text, UTF-16 with its terminator
    std::vector<VersionNode> children;

    std::u16string text() const;  // the value as text, without the terminator
};

// Parses a version resource's data. Throws std::runtime_error when a length
// runs past its parent or the data.
VersionNode parseVersionBlock(const Bytes& data);

std::uint16_t readU16(const Bytes& b, std::size_t at);
std::uint32_t readU32(const Bytes& b, std::size_t at);
std::int32_t readI32(const Bytes& b, std::size_t at);

std::string narrow(const std::u16string& s);  // for messages; ASCII only

}  // namespace res
