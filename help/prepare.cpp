// velmo-help-prepare: gets the help pages ready for the help compiler, and
// finishes the compiled help file.
//
//   velmo-help-prepare SOURCE_DIR STAGE_DIR
//   velmo-help-prepare --finish COMPILED_CHM
//
// Help viewers decode a help file's pages, contents, index and search words
// in the code page of the file's language, Shift-JIS (Windows code page 932)
// for Japanese, whatever a page declares. The sources are kept in UTF-8 in
// SOURCE_DIR; this program writes the project file velmo.hhp, the contents
// velmo.hhc, the keywords velmo.hhk and each page named in the contents to
// STAGE_DIR converted to code page 932, their charset declarations changed
// to match. A character the code page lacks stops it with an error.
//
// It also writes STAGE_DIR/$FIftiMain, the full-text search index, which the
// compiler packs like any other file. The compiler's own index knows only
// ASCII letters and digits, so it cannot hold Japanese words. The words are:
//   - runs of ASCII letters and digits, lower-cased ("velmo", "alt", "3");
//   - runs of kanji ("手数", "最短手数", "段");
//   - runs of katakana, full- or half-width, with the long vowel mark
//     ("ピース", "ﾍﾙﾌﾟ").
// Hiragana, punctuation and everything else separate words and are not
// indexed: Japanese has no spaces, and the kana runs between kanji are
// mostly particles and verb endings.
//
// The index refers to pages by topic number. With a binary table of contents
// the compiler numbers the topics in the order of the entries of velmo.hhc,
// so entry k of the contents is topic k.
//
// Layout of $FIftiMain (all integers little-endian):
//   header, 0x400 bytes;
//   the word location codes of every word;
//   one leaf node, which is also the root (the help's words fit in one).
// A leaf node is 4096 bytes: the offset of the next leaf (0 for the last),
// a zero word, the number of unused bytes at its end, then one entry per
// word and kind (body text first, then title), sorted by the word's bytes:
//   length of the new part + 1, length of the prefix shared with the entry
//   before, the new part, 1 if the word is from the title, the number of
//   topics (7-bit groups, low first, high bit = more follows), the offset of
//   the location codes, a zero word, their size (7-bit groups).
// The location codes of a word list, per topic, the topic number minus the
// previous one, the number of occurrences and each word position minus the
// previous one, in scale-2 root-r codes, bits from the most significant on:
// a number below 2^r is a zero and its r bits; a larger one, whose leading
// one is bit n, is n-r+1 ones, a zero and its n lower bits. Each topic starts
// on a new byte.
//
// With --finish, it sets two flags in the compiled file that the compiler
// leaves clear; see finish() below.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kNodeSize = 4096;
constexpr uint32_t kHeaderSize = 0x400;
constexpr uint32_t kCodePage = 932;
constexpr uint32_t kLanguage = 0x0411;
constexpr uint8_t kDocRoot = 1;
constexpr uint8_t kCountRoot = 1;
constexpr uint8_t kLocationRoot = 4;
constexpr size_t kLongestWord = 99;  // bytes; longer words are not indexed

[[noreturn]] void fail(const std::string& text) { throw std::runtime_error(text); }

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) fail("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) fail("cannot write " + path.string());
}

// UTF-8 to code page 932; a character the code page lacks is an error.
class Cp932 {
 public:
  Cp932() : cd_(iconv_open("CP932", "UTF-8")) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) fail("iconv knows no CP932");
  }
  ~Cp932() { iconv_close(cd_); }
  Cp932(const Cp932&) = delete;
  Cp932& operator=(const Cp932&) = delete;

  std::string operator()(const std::string& utf8, const std::string& where) const {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    if (iconv(cd_, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
      fail(where + ": cannot be written in code page 932 at byte " +
           std::to_string(utf8.size() - inLeft) + " (" + std::strerror(errno) + ")");
    }
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

// Decodes one UTF-8 sequence at text[i], advancing i. The sources are valid
// UTF-8 (the conversion above would have failed otherwise).
char32_t nextChar(const std::string& text, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char b = byte(i);
  int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
  char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
  ++i;
  for (; extra > 0 && i < text.size(); --extra, ++i) c = (c << 6) | (byte(i) & 0x3F);
  return c;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

enum class Script { None, Latin, Kanji, Katakana };

Script scriptOf(char32_t c) {
  if ((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9'))
    return Script::Latin;
  if ((c >= 0x4E00 && c <= 0x9FFF) || c == 0x3005) return Script::Kanji;
  if ((c >= 0x30A1 && c <= 0x30FA) || c == 0x30FC || (c >= 0xFF66 && c <= 0xFF9F))
    return Script::Katakana;
  return Script::None;
}

// The text of a page with its markup removed, split into the text of the
// title and the text of the body. Character references are decoded only as
// far as they matter for finding words: every one separates words.
struct PageText {
  std::string title;
  std::string body;
};

PageText pageText(const std::string& html) {
  PageText text;
  std::string* into = nullptr;
  size_t i = 0;
  while (i < html.size()) {
    if (html.compare(i, 4, "<!--") == 0) {
      const size_t end = html.find("-->", i);
      i = end == std::string::npos ? html.size() : end + 3;
      continue;
    }
    if (html[i] == '<') {
      const size_t end = html.find('>', i);
      std::string tag = html.substr(i + 1, (end == std::string::npos ? html.size() : end) - i - 1);
      std::transform(tag.begin(), tag.end(), tag.begin(),
                     [](char ch) { return static_cast<char>(std::tolower(static_cast<unsigned char>(ch))); });
      const std::string name = tag.substr(0, tag.find_first_of(" \t\r\n"));
      if (name == "title") into = &text.title;
      else if (name == "/title") into = nullptr;
      else if (name == "body") into = &text.body;
      else if (name == "/body") into = nullptr;
      if (into) *into += ' ';  // a tag separates words
      i = end == std::string::npos ? html.size() : end + 1;
      continue;
    }
    if (html[i] == '&') {
      const size_t end = html.find(';', i);
      if (into) *into += ' ';
      i = end == std::string::npos ? i + 1 : end + 1;
      continue;
    }
    if (into) *into += html[i];
    ++i;
  }
  return text;
}

// The words of a text, in order, as UTF-8.
std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> found;
  std::string current;
  Script currentScript = Script::None;
  size_t i = 0;
  while (i < text.size()) {
    char32_t c = nextChar(text, i);
    const Script script = scriptOf(c);
    if (script != currentScript && !current.empty()) {
      found.push_back(current);
      current.clear();
    }
    currentScript = script;
    if (script == Script::None) continue;
    if (c >= U'A' && c <= U'Z') c += U'a' - U'A';
    appendUtf8(current, c);
  }
  if (!current.empty()) found.push_back(current);
  return found;
}

// Appends numbers in the scale-2 root-r code, most significant bit first.
class BitWriter {
 public:
  void put(uint32_t value, uint8_t root) {
    if (value < (1u << root)) {
      bit(false);
      bits(value, root);
      return;
    }
    int top = 31;
    while (!(value & (1u << top))) --top;
    for (int k = 0; k < top - root + 1; ++k) bit(true);
    bit(false);
    bits(value, top);
  }
  void alignToByte() { used_ = 0; }
  const std::string& bytes() const { return bytes_; }

 private:
  void bits(uint32_t value, int count) {
    for (int k = count - 1; k >= 0; --k) bit((value >> k) & 1u);
  }
  void bit(bool on) {
    if (used_ == 0) bytes_ += '\0';
    if (on) bytes_.back() = static_cast<char>(bytes_.back() | (0x80 >> used_));
    used_ = (used_ + 1) % 8;
  }
  std::string bytes_;
  int used_ = 0;
};

void putU16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void putU32(std::string& out, uint32_t v) {
  putU16(out, static_cast<uint16_t>(v & 0xFFFF));
  putU16(out, static_cast<uint16_t>(v >> 16));
}
void putCount(std::string& out, uint32_t v) {
  do {
    unsigned char b = v & 0x7F;
    v >>= 7;
    if (v) b |= 0x80;
    out += static_cast<char>(b);
  } while (v);
}

// Where a word occurs: topic number -> word positions in that topic.
using Occurrences = std::map<uint32_t, std::vector<uint32_t>>;
// Key: the word in code page 932, then 0 for the body and 1 for the title,
// so that a word's body entry comes before its title entry.
using WordTable = std::map<std::pair<std::string, int>, Occurrences>;

std::string searchIndex(const WordTable& table, uint32_t topicCount) {
  // The location codes follow the header; the one leaf node follows them.
  std::string file(kHeaderSize, '\0');
  std::string node;
  putU32(node, 0);  // no next leaf
  putU16(node, 0);
  putU16(node, 0);  // unused bytes, set below
  std::string previous;
  uint32_t longest = 0, totalWords = 0, distinctWords = 0, totalLength = 0, distinctLength = 0;

  for (const auto& [key, topics] : table) {
    const std::string& word = key.first;
    if (word.size() > kLongestWord) continue;
    size_t shared = 0;
    while (shared < previous.size() && shared < word.size() && previous[shared] == word[shared])
      ++shared;
    const std::string part = word.substr(shared);
    previous = word;

    BitWriter codes;
    uint32_t lastTopic = 0;
    for (const auto& [topic, positions] : topics) {
      codes.alignToByte();
      codes.put(topic - lastTopic, kDocRoot);
      lastTopic = topic;
      codes.put(static_cast<uint32_t>(positions.size()), kCountRoot);
      uint32_t lastPosition = 0;
      for (uint32_t position : positions) {
        codes.put(position - lastPosition, kLocationRoot);
        lastPosition = position;
      }
      totalWords += static_cast<uint32_t>(positions.size());
      totalLength += static_cast<uint32_t>(positions.size() * word.size());
    }

    node += static_cast<char>(part.size() + 1);
    node += static_cast<char>(shared);
    node += part;
    node += static_cast<char>(key.second);
    putCount(node, static_cast<uint32_t>(topics.size()));
    putU32(node, static_cast<uint32_t>(file.size()));
    putU16(node, 0);
    putCount(node, static_cast<uint32_t>(codes.bytes().size()));
    file += codes.bytes();
    if (key.second == 0) {
      ++distinctWords;
      distinctLength += static_cast<uint32_t>(word.size());
      longest = std::max(longest, static_cast<uint32_t>(word.size()));
    }
  }
  // The help is small enough for one leaf; a larger one would need several
  // leaves and an index node above them.
  if (node.size() > kNodeSize)
    fail("the search index has outgrown one node (" + std::to_string(node.size()) + " bytes)");
  const auto freeSpace = static_cast<uint32_t>(kNodeSize - node.size());
  node[6] = static_cast<char>(freeSpace & 0xFF);
  node[7] = static_cast<char>(freeSpace >> 8);
  node.resize(kNodeSize, '\0');
  const auto root = static_cast<uint32_t>(file.size());
  file += node;

  std::string header;
  header += std::string("\0\0\x28\0", 4);
  putU32(header, topicCount);
  putU32(header, root);
  putU32(header, 0);
  putU32(header, 1);     // leaf nodes
  putU32(header, root);  // root node again
  putU16(header, 1);     // tree depth: the root is the leaf
  putU32(header, 7);
  for (uint8_t rootSize : {kDocRoot, kCountRoot, kLocationRoot}) {
    header += static_cast<char>(2);  // scale
    header += static_cast<char>(rootSize);
  }
  header += std::string(10, '\0');
  putU32(header, kNodeSize);
  putU32(header, 0);
  putU32(header, 1);
  putU32(header, 5);
  putU32(header, longest);
  putU32(header, totalWords);
  putU32(header, distinctWords);
  putU32(header, totalLength);
  putU32(header, 0);
  putU32(header, distinctLength);
  putU32(header, freeSpace);
  putU32(header, 0);
  putU32(header, topicCount - 1);
  header += std::string(24, '\0');
  putU32(header, kCodePage);
  putU32(header, kLanguage);
  file.replace(0, header.size(), header);
  return file;
}

// The pages named by the table of contents, in the order of its entries.
std::vector<std::string> contentsTargets(const std::string& hhc) {
  std::vector<std::string> targets;
  const std::string marker = "name=\"Local\" value=\"";
  for (size_t at = hhc.find(marker); at != std::string::npos; at = hhc.find(marker, at)) {
    at += marker.size();
    const size_t end = hhc.find_first_of("\"#", at);
    targets.push_back(hhc.substr(at, end - at));
  }
  return targets;
}

// Writes a source file to the stage in code page 932, with its charset
// declaration (if it must have one) changed to match, and returns the text
// as written, in UTF-8.
std::string stageFile(const Cp932& toCp932, const fs::path& source, const fs::path& stage,
                      const std::string& name, bool declaresCharset) {
  std::string text = readFile(source / name);
  if (declaresCharset) {
    const std::string declared = "charset=UTF-8";
    const size_t at = text.find(declared);
    if (at == std::string::npos || text.find(declared, at + 1) != std::string::npos)
      fail(name + " must declare charset=UTF-8 exactly once");
    text.replace(at, declared.size(), "charset=Shift_JIS");
  }
  writeFile(stage / name, toCp932(text, name));
  return text;
}

void run(const fs::path& source, const fs::path& stage) {
  const Cp932 toCp932;
  stageFile(toCp932, source, stage, "velmo.hhp", false);
  stageFile(toCp932, source, stage, "velmo.hhk", true);
  const std::vector<std::string> topics =
      contentsTargets(stageFile(toCp932, source, stage, "velmo.hhc", true));
  if (topics.empty()) fail("velmo.hhc names no page");

  WordTable table;
  std::set<std::string> done;
  for (size_t topic = 0; topic < topics.size(); ++topic) {
    const std::string& page = topics[topic];
    if (!done.insert(page).second) continue;  // indexed under its first entry
    const PageText text = pageText(stageFile(toCp932, source, stage, page, true));
    const auto topicNumber = static_cast<uint32_t>(topic);
    uint32_t position = 0;
    for (const std::string& word : words(text.title))
      table[{toCp932(word, page), 1}][topicNumber].push_back(position++);
    position = 0;
    for (const std::string& word : words(text.body))
      table[{toCp932(word, page), 0}][topicNumber].push_back(position++);
  }
  writeFile(stage / "$FIftiMain", searchIndex(table, static_cast<uint32_t>(topics.size())));
}

// Reading the compiled file. All integers are little-endian.
uint32_t getU32(const std::string& b, size_t at) {
  if (at + 4 > b.size()) fail("the help file ends inside a field at byte " + std::to_string(at));
  uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(k)]);
  return v;
}
uint64_t getU64(const std::string& b, size_t at) {
  return getU32(b, at) | (static_cast<uint64_t>(getU32(b, at + 4)) << 32);
}
void setU32(std::string& b, size_t at, uint32_t v) {
  getU32(b, at);  // in range
  for (size_t k = 0; k < 4; ++k, v >>= 8) b[at + k] = static_cast<char>(v & 0xFF);
}

// Where a file lies inside the help file: its section (0 is stored as is,
// 1 compressed) and its place in that section.
struct Stored {
  uint64_t section = 0;
  uint64_t offset = 0;
  uint64_t length = 0;
};

// The files of a help file by name, read from its directory: the header
// "ITSF" names the directory's place (at 0x48) and, from version 3 on, where
// section 0 starts (at 0x58; before, right after the directory). The
// directory, "ITSP", is a header followed by chunks of a fixed size; its
// listing chunks, "PMGL", are chained from the first (at +0x20 of the
// header) through the next one's number (at +0x10 of a chunk, -1 after the
// last). A listing chunk holds entries from +0x14 up to its unused bytes at
// the end (their count at +4): the name's length, the name, the section,
// the offset and the length, each number in 7-bit groups, high first, the
// top bit set on all but the last.
std::map<std::string, Stored> directory(const std::string& chm, uint64_t& sectionZero) {
  if (chm.compare(0, 4, "ITSF") != 0) fail("not a compiled help file (no ITSF header)");
  const uint64_t dirAt = getU64(chm, 0x48);
  const uint64_t dirLength = getU64(chm, 0x50);
  sectionZero = getU32(chm, 4) >= 3 ? getU64(chm, 0x58) : dirAt + dirLength;
  if (dirAt + dirLength > chm.size() || chm.compare(dirAt, 4, "ITSP") != 0)
    fail("the help file's directory is missing");
  const uint32_t headerLength = getU32(chm, dirAt + 8);
  const uint32_t chunkSize = getU32(chm, dirAt + 0x10);
  const uint32_t chunkCount = getU32(chm, dirAt + 0x2C);

  std::map<std::string, Stored> files;
  uint32_t chunk = getU32(chm, dirAt + 0x20);
  for (uint32_t visited = 0; chunk != 0xFFFFFFFF; ++visited) {
    if (chunk >= chunkCount || visited >= chunkCount) fail("the help file's directory chunks do not chain up");
    const size_t start = dirAt + headerLength + static_cast<size_t>(chunk) * chunkSize;
    if (start + chunkSize > dirAt + dirLength || chm.compare(start, 4, "PMGL") != 0)
      fail("directory chunk " + std::to_string(chunk) + " is no listing chunk");
    const size_t end = start + chunkSize - getU32(chm, start + 4);
    size_t at = start + 0x14;
    const auto number = [&]() {
      uint64_t value = 0;
      for (int groups = 0;; ++groups) {
        if (at >= end || groups == 9) fail("a directory entry runs past its chunk");
        const auto b = static_cast<unsigned char>(chm[at++]);
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80)) return value;
      }
    };
    while (at < end) {
      const uint64_t nameLength = number();
      if (nameLength > end - at) fail("a directory entry runs past its chunk");
      std::string name = chm.substr(at, nameLength);
      at += nameLength;
      Stored& stored = files[name];
      stored.section = number();
      stored.offset = number();
      stored.length = number();
    }
    chunk = getU32(chm, start + 0x10);
  }
  return files;
}

// Windows' help viewer learns from the compiled file's settings, #SYSTEM,
// whether the language writes in a double-byte code page (it then keeps the
// two bytes of a Shift-JIS character together when it splits text into
// words) and whether the file has a full-text search index (without that
// it shows no Search tab). chmcmd leaves both flags clear: it knows no
// double-byte setting, and it sets the search flag only along with writing
// its own index, which would replace the one run() writes. So they are set
// here after compiling.
//
// #SYSTEM is a version number followed by entries of a 16-bit code, a
// 16-bit length and that many bytes. Entry 4 begins with the language, the
// double-byte flag and the full-text search flag, 32 bits each. The
// compiler stores #SYSTEM uncompressed, in section 0, so the two flags are
// rewritten in place: no length or offset in the file changes.
void finish(const fs::path& chmPath) {
  std::string chm = readFile(chmPath);
  uint64_t sectionZero = 0;
  const std::map<std::string, Stored> files = directory(chm, sectionZero);

  const auto search = files.find("/$FIftiMain");
  if (search == files.end() || search->second.length == 0)
    fail("the help file has no full-text search index");
  const auto found = files.find("/#SYSTEM");
  if (found == files.end()) fail("the help file has no #SYSTEM");
  const Stored& system = found->second;
  if (system.section != 0) fail("#SYSTEM is compressed; its flags cannot be set in place");
  const uint64_t start = sectionZero + system.offset;
  if (start + system.length > chm.size()) fail("#SYSTEM runs past the end of the help file");
  const size_t end = start + system.length;

  for (size_t at = start + 4; at + 4 <= end;) {
    const uint32_t head = getU32(chm, at);
    const uint32_t code = head & 0xFFFF;
    const uint32_t length = head >> 16;
    if (at + 4 + length > end) break;
    if (code == 4) {
      if (length < 12) fail("entry 4 of #SYSTEM is too short for its flags");
      if (getU32(chm, at + 4) != kLanguage)
        fail("#SYSTEM names a language other than Japanese (" + std::to_string(getU32(chm, at + 4)) + ")");
      setU32(chm, at + 8, 1);   // double-byte code page
      setU32(chm, at + 12, 1);  // full-text search index present
      writeFile(chmPath, chm);
      return;
    }
    at += 4 + length;
  }
  fail("#SYSTEM has no entry 4 (language and flags)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: velmo-help-prepare SOURCE_DIR STAGE_DIR\n"
                 "       velmo-help-prepare --finish COMPILED_CHM\n";
    return 2;
  }
  try {
    if (std::string(argv[1]) == "--finish")
      finish(argv[2]);
    else
      run(argv[1], argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "velmo-help-prepare: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
