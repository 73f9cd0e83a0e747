#include "util/page_text.h"

#include <algorithm>
#include <array>

#include "platform/utf8.h"
#include "util/text.h"

namespace {

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Byte tables: which bytes need no more than copying (through the fold table), and the ASCII fold.
struct ByteTables {
  std::array<bool, 256> plain{};
  std::array<char, 256> fold{};
  std::array<char, 256> same{};
  ByteTables() {
    for (int b = 0; b < 256; ++b) {
      const char c = static_cast<char>(b);
      plain[b] = c != '<' && c != '&' && !IsAsciiSpace(c) && b != 0xC2 && b != 0xEF;
      fold[b] = AsciiLower(c);
      same[b] = c;
    }
  }
};

const ByteTables& Tables() {
  static const ByteTables tables;
  return tables;
}

// Writes text with white space collapsed, folding on request, into a buffer as long as the input:
// collapsing, decoding references and folding never make text longer than the markup it came from.
class TextSink {
 public:
  TextSink(std::string& out, std::size_t inputSize, bool fold)
      : out_(out), fold_(fold), map_(fold ? Tables().fold.data() : Tables().same.data()) {
    out_.resize(inputSize + 4);
    begin_ = dst_ = out_.data();
  }

  // Gives the buffer its real length (a pending space at the end is never written).
  void Finish() {
    out_.resize(static_cast<std::size_t>(dst_ - begin_));
  }

  void Space() { pendingSpace_ = dst_ != begin_; }

  void CodePoint(std::uint32_t code) {
    if (code == 0x20 || code == 0x09 || code == 0x0A || code == 0x0C || code == 0x0D || code == 0xA0) {
      Space();
      return;
    }
    Flush();
    if (code < 0x80) *dst_++ = map_[code];
    else if (fold_ && code >= 0xFF10 && code <= 0xFF19) *dst_++ = static_cast<char>('0' + (code - 0xFF10));
    else if (fold_ && code >= 0xFF21 && code <= 0xFF3A) *dst_++ = static_cast<char>('a' + (code - 0xFF21));
    else if (fold_ && code >= 0xFF41 && code <= 0xFF5A) *dst_++ = static_cast<char>('a' + (code - 0xFF41));
    else dst_ = platform::EncodeUtf8(code, dst_);
  }

  // Text from text[i]: a run of plain bytes, or one character that needs a look (white space, a
  // no-break space, a full-width letter or digit). Returns the number of bytes taken.
  std::size_t Take(std::string_view text, std::size_t i) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    const auto& plain = Tables().plain;
    const unsigned char b = bytes[i];
    if (plain[b]) {
      Flush();
      std::size_t j = i;
      do {
        *dst_++ = map_[bytes[j++]];
      } while (j < size && plain[bytes[j]]);
      return j - i;
    }
    if (IsAsciiSpace(static_cast<char>(b))) {
      Space();
      return 1;
    }
    if (b == 0xC2 && i + 1 < size && bytes[i + 1] == 0xA0) {
      Space();
      return 2;
    }
    Flush();
    if (fold_) {
      if (const char folded = FullWidthFold(text, i)) {
        *dst_++ = folded;
        return 3;
      }
    }
    *dst_++ = static_cast<char>(b);
    return 1;
  }

 private:
  void Flush() {
    if (pendingSpace_) *dst_++ = ' ';
    pendingSpace_ = false;
  }

  std::string& out_;
  bool fold_;
  const char* map_;
  char* begin_ = nullptr;
  char* dst_ = nullptr;
  bool pendingSpace_ = false;
};

struct NamedReference {
  std::string_view name;
  std::uint32_t code;
};

// What the editor's own serialiser writes, and the common references of pasted or older bodies.
constexpr std::array<NamedReference, 25> kNamedReferences{{
    {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},      {"apos", '\''},
    {"nbsp", 0xA0},     {"copy", 0xA9},     {"reg", 0xAE},      {"deg", 0xB0},      {"middot", 0xB7},
    {"laquo", 0xAB},    {"raquo", 0xBB},    {"times", 0xD7},    {"divide", 0xF7},   {"yen", 0xA5},
    {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},  {"ldquo", 0x201C},
    {"rdquo", 0x201D},  {"bull", 0x2022},   {"hellip", 0x2026}, {"euro", 0x20AC},   {"trade", 0x2122},
}};

// A character reference at html[i] (which is '&'): decoded into code, returns its length; 0 if none.
std::size_t CharacterReference(std::string_view html, std::size_t i, std::uint32_t& code) {
  std::size_t j = i + 1;
  if (j < html.size() && html[j] == '#') {
    ++j;
    const bool hex = j < html.size() && (html[j] == 'x' || html[j] == 'X');
    if (hex) ++j;
    const std::size_t digitsStart = j;
    std::uint64_t value = 0;
    while (j < html.size()) {
      const char c = html[j];
      int digit = -1;
      if (IsAsciiDigit(c)) digit = c - '0';
      else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      if (digit < 0) break;
      if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
      ++j;
    }
    if (j == digitsStart) return 0;
    if (j < html.size() && html[j] == ';') ++j;
    const bool valid = value != 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
    code = valid ? static_cast<std::uint32_t>(value) : 0xFFFD;
    return j - i;
  }
  while (j < html.size() && j - i <= 8 && (IsAsciiAlpha(html[j]) || IsAsciiDigit(html[j]))) ++j;
  if (j >= html.size() || html[j] != ';') return 0;
  const std::string_view name = html.substr(i + 1, j - i - 1);
  for (const auto& reference : kNamedReferences) {
    if (reference.name == name) {
      code = reference.code;
      return j + 1 - i;
    }
  }
  return 0;
}

bool IsInlineTag(std::string_view name) {
  switch (name.size()) {
    case 1: return name[0] == 'a' || name[0] == 'b' || name[0] == 'i' || name[0] == 'u' || name[0] == 's';
    case 2: return name == "em";
    case 3: return name == "sub" || name == "sup" || name == "big";
    case 4: return name == "span" || name == "code" || name == "font" || name == "mark";
    case 5: return name == "small";
    case 6: return name == "strong";
    default: return false;
  }
}

// Tag names that matter here are short; longer ones are cut, which keeps them apart from these.
constexpr std::size_t kTagNameRoom = 8;

// Skips a tag starting at html[i] ('<' followed by a letter or '/'); returns the index after it
// and its lower-cased name (at most kTagNameRoom characters of it).
std::size_t SkipTag(std::string_view html, std::size_t i, char (&room)[kTagNameRoom], std::string_view& name) {
  std::size_t j = i + 1;
  if (j < html.size() && html[j] == '/') ++j;
  std::size_t length = 0;
  while (j < html.size() && (IsAsciiAlpha(html[j]) || IsAsciiDigit(html[j]))) {
    if (length < kTagNameRoom) room[length] = AsciiLower(html[j]);
    ++length;
    ++j;
  }
  name = std::string_view(room, std::min(length, kTagNameRoom));
  while (j < html.size() && html[j] != '>') {
    if (html[j] == '=') {
      ++j;
      while (j < html.size() && IsAsciiSpace(html[j])) ++j;
      if (j < html.size() && (html[j] == '"' || html[j] == '\'')) {
        const std::size_t close = html.find(html[j], j + 1);
        if (close == std::string_view::npos) return html.size();
        j = close + 1;
      }
      continue;
    }
    ++j;
  }
  return j < html.size() ? j + 1 : html.size();
}

// Index after the end tag of a raw-text element (script, style) whose content starts at i.
std::size_t SkipRawText(std::string_view html, std::size_t i, std::string_view name) {
  for (std::size_t j = html.find("</", i); j != std::string_view::npos; j = html.find("</", j + 2)) {
    if (j + 2 + name.size() > html.size()) break;
    bool same = true;
    for (std::size_t k = 0; k < name.size() && same; ++k) same = AsciiLower(html[j + 2 + k]) == name[k];
    if (same) return j;
  }
  return html.size();
}

}  // namespace

// Full-width Latin letter or digit at text[i] (U+FF10-FF19, U+FF21-FF3A, U+FF41-FF5A, three bytes
// each): its ASCII fold, or 0.
char FullWidthFold(std::string_view text, std::size_t i) {
  if (i + 2 >= text.size() || static_cast<unsigned char>(text[i]) != 0xEF) return 0;
  const auto second = static_cast<unsigned char>(text[i + 1]);
  const auto third = static_cast<unsigned char>(text[i + 2]);
  if (second == 0xBC && third >= 0x90 && third <= 0x99) return static_cast<char>('0' + (third - 0x90));
  if (second == 0xBC && third >= 0xA1 && third <= 0xBA) return static_cast<char>('a' + (third - 0xA1));
  if (second == 0xBD && third >= 0x81 && third <= 0x9A) return static_cast<char>('a' + (third - 0x81));
  return 0;
}

void HtmlToText(std::string_view html, bool fold, std::string& out) {
  TextSink sink(out, html.size(), fold);
  char room[kTagNameRoom];
  std::string_view name;
  std::size_t i = 0;
  while (i < html.size()) {
    const char c = html[i];
    if (c == '<' && i + 1 < html.size()) {
      const char next = html[i + 1];
      if (IsAsciiAlpha(next) || next == '/') {
        const bool closing = next == '/';
        i = SkipTag(html, i, room, name);
        if (!IsInlineTag(name)) sink.Space();
        if (!closing && (name == "script" || name == "style")) i = SkipRawText(html, i, name);
        continue;
      }
      if (next == '!' || next == '?') {
        const bool comment = html.substr(i, 4) == "<!--";
        const std::size_t close = comment ? html.find("-->", i + 4) : html.find('>', i + 2);
        i = close == std::string_view::npos ? html.size() : close + (comment ? 3 : 1);
        continue;
      }
    }
    if (c == '&') {
      std::uint32_t code = 0;
      if (const std::size_t length = CharacterReference(html, i, code)) {
        sink.CodePoint(code);
        i += length;
        continue;
      }
    }
    i += sink.Take(html, i);
  }
  sink.Finish();
}

std::string FoldPlainText(std::string_view text) {
  std::string out;
  TextSink sink(out, text.size(), true);
  for (std::size_t i = 0; i < text.size();) i += sink.Take(text, i);
  sink.Finish();
  return out;
}
