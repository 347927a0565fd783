// Reads the compiled help file back with chmlib, an independent reader, and
// checks it the way a help viewer takes it: everything decoded in the code
// page of the file's language.
//
//   check_chm VELMO_CHM HELP_SOURCE_DIR
//
// - the settings in #SYSTEM are those of velmo.hhp (contents, index,
//   default topic, title, language), and flag the language as double-byte
//   and the full-text search index as present, which Windows' viewer needs;
// - every page of the sources is in the file and reads as its source (with
//   the charset declaration naming that code page), title included, and each
//   of its links leads to a file in the archive;
// - the contents, in text and in binary form, give the titles and pages of
//   velmo.hhc; every page has an entry;
// - the keywords, in text form and in a binary keyword index if there is
//   one, are those of velmo.hhk and lead to pages in the archive;
// - the full-text search index decodes without a stray '?', every topic it
//   names is a page in the archive, and it finds a few words (Japanese and
//   Latin) on pages that contain them.
// Prints every fault found and exits with 1 if there was one.

#include <chm_lib.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> faults;
void fault(const std::string& text) { faults.push_back(text); }

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

uint16_t u16(const std::string& b, size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               (static_cast<unsigned char>(b[at + 1]) << 8));
}
uint32_t u32(const std::string& b, size_t at) {
  if (at + 4 > b.size()) return 0;
  return u16(b, at) | (static_cast<uint32_t>(u16(b, at + 2)) << 16);
}
std::string cString(const std::string& b, size_t at) {
  if (at >= b.size()) return {};
  return std::string(b.c_str() + at);
}

// Converts between encodings; a byte sequence the source encoding does not
// have is reported, not replaced.
bool convert(const char* from, const char* to, const std::string& in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return ok;
}

class ChmFile {
 public:
  explicit ChmFile(const std::string& path) : file_(chm_open(path.c_str())) {}
  ~ChmFile() {
    if (file_) chm_close(file_);
  }
  ChmFile(const ChmFile&) = delete;
  ChmFile& operator=(const ChmFile&) = delete;
  bool isOpen() const { return file_ != nullptr; }

  bool has(const std::string& name) {
    chmUnitInfo ui;
    return chm_resolve_object(file_, name.c_str(), &ui) == CHM_RESOLVE_SUCCESS;
  }
  std::string read(const std::string& name) {
    chmUnitInfo ui;
    if (chm_resolve_object(file_, name.c_str(), &ui) != CHM_RESOLVE_SUCCESS) return {};
    std::string bytes(ui.length, '\0');
    const LONGINT64 got = chm_retrieve_object(
        file_, &ui, reinterpret_cast<unsigned char*>(bytes.data()), 0, static_cast<LONGINT64>(ui.length));
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
  }
  std::set<std::string> names() {
    std::set<std::string> all;
    chm_enumerate(
        file_, CHM_ENUMERATE_ALL,
        [](chmFile*, chmUnitInfo* ui, void* context) {
          static_cast<std::set<std::string>*>(context)->insert(ui->path);
          return CHM_ENUMERATOR_CONTINUE;
        },
        &all);
    return all;
  }

 private:
  chmFile* file_;
};

// The encoding a viewer decodes a help file in, by the language in #SYSTEM,
// and the charset name a page declares for it.
struct CodePage {
  std::string iconvName;
  std::string charset;
  bool doubleByte;
};

bool codePageOf(const std::string& system, CodePage& page) {
  for (size_t at = 4; at + 4 <= system.size();) {
    const uint16_t code = u16(system, at);
    const uint16_t length = u16(system, at + 2);
    if (code == 4 && length >= 4) {
      switch (u32(system, at + 4) & 0xFFFF) {
        case 0x0411: page = {"CP932", "Shift_JIS", true}; return true;
        case 0x0409: page = {"CP1252", "windows-1252", false}; return true;
        default: return false;
      }
    }
    at += 4 + length;
  }
  return false;
}

// The entries of #SYSTEM by code, the first of each.
std::map<uint16_t, std::string> systemEntries(const std::string& system) {
  std::map<uint16_t, std::string> entries;
  for (size_t at = 4; at + 4 <= system.size();) {
    const uint16_t length = u16(system, at + 2);
    entries.emplace(u16(system, at), system.substr(at + 4, length));
    at += 4 + length;
  }
  return entries;
}

// The [OPTIONS] of a project file, by key.
std::map<std::string, std::string> projectOptions(const std::string& hhp) {
  std::map<std::string, std::string> options;
  std::istringstream lines(hhp);
  bool inOptions = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.ends_with('\r')) line.pop_back();
    if (line.starts_with('[')) inOptions = line.starts_with("[OPTIONS]");
    const size_t equals = line.find('=');
    if (inOptions && !line.starts_with(';') && equals != std::string::npos)
      options.emplace(line.substr(0, equals), line.substr(equals + 1));
  }
  return options;
}

// The Name and Local values of a table of contents or an index, in order.
using Sitemap = std::vector<std::pair<std::string, std::string>>;

Sitemap sitemap(const std::string& text) {
  Sitemap entries;
  const auto param = [&](size_t from, size_t to, const std::string& name) {
    const std::string marker = "name=\"" + name + "\" value=\"";
    const size_t at = text.find(marker, from);
    if (at == std::string::npos || at > to) return std::string();
    const size_t start = at + marker.size();
    return text.substr(start, text.find('"', start) - start);
  };
  for (size_t at = text.find("<object type=\"text/sitemap\">"); at != std::string::npos;
       at = text.find("<object type=\"text/sitemap\">", at + 1)) {
    const size_t end = text.find("</object>", at);
    entries.emplace_back(param(at, end, "Name"), param(at, end, "Local"));
  }
  return entries;
}

std::string withoutAnchor(const std::string& url) { return url.substr(0, url.find('#')); }

std::string describe(const Sitemap& entries) {
  std::string text;
  for (const auto& [name, local] : entries) text += (text.empty() ? "" : ", ") + name + " -> " + local;
  return text;
}

// Title and page of topic `index`, by #TOPICS, #STRINGS, #URLTBL and #URLSTR.
struct Topics {
  std::string topics, strings, urltbl, urlstr;
  bool title(uint32_t index, std::string& out) const {
    const uint32_t offset = u32(topics, index * 16 + 4);
    if (index * 16 + 16 > topics.size() || offset == 0xFFFFFFFF) return false;
    out = cString(strings, offset);
    return true;
  }
  // The page without a leading slash, as the sources name it.
  std::string url(uint32_t index) const {
    if (index * 16 + 16 > topics.size()) return {};
    std::string page = cString(urlstr, u32(urltbl, u32(topics, index * 16 + 8) + 8) + 8);
    return page.starts_with('/') ? page.substr(1) : page;
  }
};

void binaryContents(const std::string& tocidx, const Topics& topics, uint32_t offset, Sitemap& out,
                    int depth) {
  for (int guard = 0; offset != 0 && offset + 20 <= tocidx.size() && guard < 1000 && depth < 16;
       ++guard) {
    const uint32_t flags = u32(tocidx, offset + 4);
    const uint32_t index = u32(tocidx, offset + 8);
    std::string title;
    if (flags & 0x8) {
      if (!topics.title(index, title)) title = "(no title)";
      out.emplace_back(title, topics.url(index));
    } else if (flags & 0x4) {
      out.emplace_back(cString(topics.strings, index), "");
    }
    if ((flags & 0x4) && offset + 24 <= tocidx.size() && u32(tocidx, offset + 20))
      binaryContents(tocidx, topics, u32(tocidx, offset + 20), out, depth + 1);
    offset = u32(tocidx, offset + 0x10);
  }
}

// The keywords of a binary keyword index (UTF-16), converted to UTF-8, each
// with the pages of its topics.
Sitemap binaryKeywords(const std::string& btree, const Topics& topics) {
  Sitemap keywords;
  // Leaf blocks of 2048 bytes from 0x4C on, each naming the next one (-1
  // after the last): unused bytes, then the next block at +8.
  constexpr size_t block = 2048;
  for (size_t start = 0x4C, guard = 0; start + 12 <= btree.size() && guard < 10000; ++guard) {
    const uint16_t freeSpace = u16(btree, start);
    size_t at = start + 12;
    while (at < start + block - freeSpace && at + 2 <= btree.size()) {
      std::string utf16;
      for (; at + 2 <= btree.size() && u16(btree, at) != 0; at += 2) utf16 += btree.substr(at, 2);
      at += 2;
      std::string name;
      if (!convert("UTF-16LE", "UTF-8", utf16, name)) name = "(undecodable)";
      const uint16_t seeAlso = u16(btree, at);
      const uint32_t count = u32(btree, at + 0xC);
      at += 16;
      if (seeAlso) {
        while (at + 2 <= btree.size() && u16(btree, at) != 0) at += 2;
        at += 2;
        keywords.emplace_back(name, "");
      } else {
        for (uint32_t k = 0; k < count; ++k, at += 4) keywords.emplace_back(name, topics.url(u32(btree, at)));
      }
      at += 8;
    }
    const uint32_t next = u32(btree, start + 8);
    if (next == 0xFFFFFFFF) break;
    start = 0x4C + next * block;
  }
  return keywords;
}

// Reads numbers in the scale-2 root-r code, most significant bit first.
class BitReader {
 public:
  BitReader(const std::string& bytes, size_t at) : bytes_(bytes), byte_(at) {}
  uint32_t get(int root) {
    int ones = 0;
    while (bit()) ++ones;
    const int width = root + (ones ? ones - 1 : 0);
    uint32_t value = 0;
    for (int k = 0; k < width; ++k) value = (value << 1) | (bit() ? 1u : 0u);
    return ones ? value | (1u << width) : value;
  }
  void alignToByte() {
    if (bit_ != 0) {
      ++byte_;
      bit_ = 0;
    }
  }
  bool overran() const { return overran_; }

 private:
  bool bit() {
    if (byte_ >= bytes_.size()) {
      overran_ = true;
      return false;
    }
    const bool on = static_cast<unsigned char>(bytes_[byte_]) & (0x80 >> bit_);
    if (++bit_ == 8) {
      bit_ = 0;
      ++byte_;
    }
    return on;
  }
  const std::string& bytes_;
  size_t byte_;
  int bit_ = 0;
  bool overran_ = false;
};

// The words of the full-text search index as stored, each with the topics
// it occurs in (body and title together).
std::map<std::string, std::set<uint32_t>> searchWords(const std::string& fti) {
  std::map<std::string, std::set<uint32_t>> words;
  if (fti.size() < 0x400) {
    fault("the full-text search index is missing or too short");
    return words;
  }
  const int docRoot = static_cast<unsigned char>(fti[0x1F]);
  const int countRoot = static_cast<unsigned char>(fti[0x21]);
  const int locationRoot = static_cast<unsigned char>(fti[0x23]);
  if (fti[0x1E] != 2 || fti[0x20] != 2 || fti[0x22] != 2) {
    fault("the full-text search index uses a scale other than 2");
    return words;
  }
  const uint32_t nodeSize = u32(fti, 0x2E);
  uint32_t node = u32(fti, 0x14);
  // Down the first entries of the index nodes to the first leaf.
  for (int depth = u16(fti, 0x18); depth > 1; --depth) {
    const size_t at = node + 2;
    node = u32(fti, at + static_cast<unsigned char>(fti[at]) + 1);
  }
  for (int guard = 0; node != 0 && node + nodeSize <= fti.size() && guard < 10000; ++guard) {
    const uint32_t end = node + nodeSize - u16(fti, node + 6);
    std::string word;
    for (size_t at = node + 8; at < end;) {
      const size_t length = static_cast<unsigned char>(fti[at]);
      const size_t shared = static_cast<unsigned char>(fti[at + 1]);
      word = word.substr(0, shared) + fti.substr(at + 2, length - 1);
      at += 2 + length;  // the title flag is the last byte of that
      const auto encint = [&]() {
        uint32_t value = 0;
        for (int shift = 0;; shift += 7) {
          const auto b = static_cast<unsigned char>(fti[at++]);
          value |= static_cast<uint32_t>(b & 0x7F) << shift;
          if (!(b & 0x80)) return value;
        }
      };
      const uint32_t topicCount = encint();
      const uint32_t codes = u32(fti, at);
      at += 6;
      encint();  // size of the location codes
      BitReader reader(fti, codes);
      uint32_t topic = 0;
      for (uint32_t k = 0; k < topicCount; ++k) {
        reader.alignToByte();
        topic += reader.get(docRoot);
        words[word].insert(topic);
        const uint32_t occurrences = reader.get(countRoot);
        for (uint32_t n = 0; n < occurrences; ++n) reader.get(locationRoot);
      }
      if (reader.overran()) fault("the location codes of a search word run past the index");
    }
    node = u32(fti, node);
  }
  return words;
}

std::string lowerAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  return text;
}

int check(const std::string& chmPath, const fs::path& source) {
  ChmFile chm(chmPath);
  if (!chm.isOpen()) {
    std::cerr << "chmlib cannot open " << chmPath << '\n';
    return 1;
  }
  CodePage codePage;
  if (!codePageOf(chm.read("/#SYSTEM"), codePage)) {
    std::cerr << "the help file names no language with a known code page\n";
    return 1;
  }
  const auto decode = [&](const std::string& bytes, const std::string& what) {
    std::string text;
    if (!convert(codePage.iconvName.c_str(), "UTF-8", bytes, text))
      fault(what + " is not valid " + codePage.iconvName);
    if (text.find("\xEF\xBF\xBD") != std::string::npos) fault(what + " holds replacement characters");
    return text;
  };
  // Settings, as Windows' viewer takes them.
  std::map<uint16_t, std::string> system = systemEntries(chm.read("/#SYSTEM"));
  const std::map<std::string, std::string> options = projectOptions(readFile(source / "velmo.hhp"));
  for (const auto& [code, option] : std::map<uint16_t, std::string>{
           {0, "Contents file"}, {1, "Index file"}, {2, "Default topic"}, {3, "Title"}}) {
    const std::string value = decode(cString(system[code], 0), "#SYSTEM entry " + option);
    if (!options.count(option) || value != options.at(option))
      fault("#SYSTEM gives " + option + " as \"" + value + "\", not as velmo.hhp does");
  }
  const std::string& language = system[4];
  const std::string hhpLanguage = options.count("Language") ? options.at("Language") : "";
  if (language.size() < 12 || u32(language, 0) != std::strtoul(hhpLanguage.c_str(), nullptr, 16))
    fault("#SYSTEM does not give the language of velmo.hhp (" + hhpLanguage + ")");
  if ((u32(language, 4) != 0) != codePage.doubleByte)
    fault(std::string("#SYSTEM does not flag the language as ") + (codePage.doubleByte ? "" : "not ") +
          "double-byte");
  if (u32(language, 8) == 0) fault("#SYSTEM does not flag the full-text search index as present");

  const std::set<std::string> archived = chm.names();
  const auto inArchive = [&](const std::string& page) { return archived.count("/" + withoutAnchor(page)) > 0; };

  // A file of the sources as the viewer reads it: it must give the source
  // text, the charset declaration naming the code page.
  const auto readsAsSource = [&](const std::string& name) {
    const std::string text = decode(chm.read("/" + name), name);
    std::string expected = readFile(source / name);
    const size_t declared = expected.find("charset=UTF-8");
    if (declared != std::string::npos) expected.replace(declared, 13, "charset=" + codePage.charset);
    if (text != expected)
      fault(name + " decoded as " + codePage.iconvName + " differs from help/" + name +
            " (its charset declaration aside)");
    return text;
  };

  // Pages: as written, with a title and working links.
  std::map<std::string, std::string> pageText;  // page -> decoded text
  for (const auto& entry : fs::directory_iterator(source)) {
    if (entry.path().extension() != ".html") continue;
    const std::string page = entry.path().filename().string();
    if (!chm.has("/" + page)) {
      fault(page + " is missing from the help file");
      continue;
    }
    const std::string text = readsAsSource(page);
    pageText[page] = text;
    const size_t title = text.find("<title>");
    if (title == std::string::npos || text.find("</title>") <= title + 7) fault(page + " has no title");
    for (const char* attribute : {"href=\"", "src=\""}) {
      for (size_t at = text.find(attribute); at != std::string::npos; at = text.find(attribute, at + 1)) {
        const size_t start = at + std::string(attribute).size();
        const std::string target = withoutAnchor(text.substr(start, text.find('"', start) - start));
        if (target.empty() || target.find(':') != std::string::npos) continue;
        if (!inArchive(target)) fault(page + " links to " + target + ", which the help file lacks");
      }
    }
  }
  if (pageText.size() < 5) fault("only " + std::to_string(pageText.size()) + " pages found in " + source.string());
  for (const char* file : {"/velmo.css", "/velmo.hhc", "/velmo.hhk"})
    if (!archived.count(file)) fault(std::string(file) + " is missing from the help file");

  const Topics topics{chm.read("/#TOPICS"), chm.read("/#STRINGS"), chm.read("/#URLTBL"), chm.read("/#URLSTR")};

  // Contents: the text form and, where viewers look first, the binary form.
  const Sitemap sourceContents = sitemap(readFile(source / "velmo.hhc"));
  const Sitemap contents = sitemap(readsAsSource("velmo.hhc"));
  if (chm.has("/#TOCIDX")) {
    const std::string tocidx = chm.read("/#TOCIDX");
    Sitemap binary;
    binaryContents(tocidx, topics, u32(tocidx, 0), binary, 0);
    for (auto& [title, page] : binary) title = decode(title, "a title of the binary contents");
    if (binary != sourceContents)
      fault("the binary contents read (" + describe(binary) + "), not (" + describe(sourceContents) + ")");
  }
  for (const auto& [title, page] : sourceContents)
    if (!inArchive(page)) fault("the contents entry " + title + " leads to " + page + ", which the help file lacks");
  for (const auto& [page, text] : pageText) {
    if (std::none_of(sourceContents.begin(), sourceContents.end(),
                     [&](const auto& entry) { return withoutAnchor(entry.second) == page; }))
      fault(page + " has no entry in the table of contents");
  }

  // Keywords.
  const Sitemap sourceKeywords = sitemap(readFile(source / "velmo.hhk"));
  const Sitemap keywords = sitemap(readsAsSource("velmo.hhk"));
  if (sourceKeywords.empty()) fault("velmo.hhk has no keywords");
  for (const auto& [keyword, page] : sourceKeywords)
    if (!inArchive(page)) fault("the keyword " + keyword + " leads to " + page + ", which the help file lacks");
  if (chm.has("/$WWKeywordLinks/BTree")) {
    Sitemap binary = binaryKeywords(chm.read("/$WWKeywordLinks/BTree"), topics);
    Sitemap expected = sourceKeywords;
    std::sort(binary.begin(), binary.end());
    std::sort(expected.begin(), expected.end());
    if (binary != expected)
      fault("the binary keyword index reads (" + describe(binary) + "), not (" + describe(expected) + ")");
  }

  // Full-text search.
  std::map<std::string, std::set<std::string>> found;  // decoded word -> pages
  for (const auto& [bytes, topicSet] : searchWords(chm.read("/$FIftiMain"))) {
    const std::string word = decode(bytes, "the search word " + bytes);
    if (word.find('?') != std::string::npos) fault("the search index holds the word " + word);
    for (uint32_t topic : topicSet) {
      const std::string page = topics.url(topic);
      if (!inArchive(page))
        fault("the search word " + word + " leads to topic " + std::to_string(topic) + " (" + page +
              "), which is no page of the help file");
      found[word].insert(page);
    }
  }
  for (const std::string word : {"ピース", "手数", "段", "velmo"}) {
    if (!found.count(word)) {
      fault("the search index lacks the word " + word);
      continue;
    }
    for (const std::string& page : found[word])
      if (!pageText.count(page) || lowerAscii(pageText[page]).find(word) == std::string::npos)
        fault("the search word " + word + " leads to " + page + ", which does not contain it");
  }
  for (const auto& [page, text] : pageText) {
    const std::string body = lowerAscii(text.substr(std::min(text.find("<body"), text.size())));
    if (body.find("velmo") != std::string::npos && !found["velmo"].count(page))
      fault("searching velmo misses " + page);
  }

  for (const std::string& text : faults) std::cerr << "FAULT: " << text << '\n';
  if (!faults.empty()) return 1;
  std::cout << "velmo.chm (" << codePage.iconvName << "): " << pageText.size() << " pages, "
            << contents.size() << " contents entries, " << keywords.size() << " keywords, " << found.size()
            << " search words, all readable and resolved\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: check_chm VELMO_CHM HELP_SOURCE_DIR\n";
    return 2;
  }
  return check(argv[1], argv[2]);
}
