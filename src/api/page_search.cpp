#include "api/page_search.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "store/page_scan.h"
#include "util/json_reader.h"
#include "util/text.h"

namespace {

constexpr std::size_t kSnippetBefore = 30;  // code points kept before the match
constexpr std::size_t kSnippetAfter = 60;   // and after it
constexpr std::size_t kSnippetLead = 90;    // text shown when the body has no match
constexpr const char* kEllipsis = "…";

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

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

// Collects text with white space collapsed, folding on request.
class TextSink {
 public:
  TextSink(std::string& out, bool fold) : out_(out), fold_(fold) {}

  void Space() { pendingSpace_ = !out_.empty(); }

  void Ascii(char c) {
    Flush();
    out_ += fold_ ? LowerAscii(c) : c;
  }

  void Bytes(std::string_view bytes) {
    Flush();
    out_.append(bytes);
  }

  void CodePoint(std::uint32_t code) {
    if (code == 0x20 || code == 0x09 || code == 0x0A || code == 0x0C || code == 0x0D || code == 0xA0) {
      Space();
    } else if (code < 0x80) {
      Ascii(static_cast<char>(code));
    } else {
      Flush();
      if (fold_ && code >= 0xFF10 && code <= 0xFF19) out_ += static_cast<char>('0' + (code - 0xFF10));
      else if (fold_ && code >= 0xFF21 && code <= 0xFF3A) out_ += static_cast<char>('a' + (code - 0xFF21));
      else if (fold_ && code >= 0xFF41 && code <= 0xFF5A) out_ += static_cast<char>('a' + (code - 0xFF41));
      else AppendUtf8(out_, code);
    }
  }

  // Text at text[i]: one character (a byte for ASCII and for stray bytes); returns its length.
  std::size_t Take(std::string_view text, std::size_t i) {
    const char c = text[i];
    if (static_cast<unsigned char>(c) < 0x80) {
      if (IsAsciiSpace(c)) Space();
      else Ascii(c);
      return 1;
    }
    if (static_cast<unsigned char>(c) == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0) {
      Space();
      return 2;
    }
    if (fold_) {
      if (const char folded = FullWidthFold(text, i)) {
        Flush();
        out_ += folded;
        return 3;
      }
    }
    Flush();
    out_ += c;
    return 1;
  }

 private:
  void Flush() {
    if (pendingSpace_) out_ += ' ';
    pendingSpace_ = false;
  }

  std::string& out_;
  bool fold_;
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
  static constexpr std::array<std::string_view, 15> kInline{
      "a", "b", "strong", "i", "em", "u", "s", "sub", "sup", "span", "code", "font", "small", "big", "mark"};
  return std::find(kInline.begin(), kInline.end(), name) != kInline.end();
}

// Skips a tag starting at html[i] ('<' followed by a letter or '/'); returns the index after it
// and its lower-cased name.
std::size_t SkipTag(std::string_view html, std::size_t i, std::string& name) {
  std::size_t j = i + 1;
  if (j < html.size() && html[j] == '/') ++j;
  name.clear();
  while (j < html.size() && (IsAsciiAlpha(html[j]) || IsAsciiDigit(html[j]))) name += LowerAscii(html[j++]);
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
    for (std::size_t k = 0; k < name.size() && same; ++k) same = LowerAscii(html[j + 2 + k]) == name[k];
    if (same) return j;
  }
  return html.size();
}

struct TitleEntry {
  std::string title;
  bool trashed = false;
  bool visited = false;
};

// Page id to title and trash state, from the tree document; empty for one that cannot be read.
std::unordered_map<std::string, TitleEntry> ReadTitles(const std::string& tree) {
  std::unordered_map<std::string, TitleEntry> titles;
  JsonValue document;
  if (!ParseJson(tree, document)) return titles;
  const JsonValue* pages = document.Find("pages");
  if (pages == nullptr || pages->kind != JsonValue::Kind::Array) return titles;
  for (const JsonValue& entry : pages->items) {
    const JsonValue* id = entry.Find("id");
    if (id == nullptr || id->kind != JsonValue::Kind::String || !IsPageIdShape(id->text)) continue;
    const JsonValue* title = entry.Find("title");
    const JsonValue* deletedAt = entry.Find("deletedAt");
    TitleEntry& slot = titles[id->text];
    slot.title = title != nullptr && title->kind == JsonValue::Kind::String ? title->text : std::string();
    slot.trashed = deletedAt != nullptr && deletedAt->kind != JsonValue::Kind::Null;
  }
  return titles;
}

std::size_t CountOccurrences(std::string_view haystack, std::string_view needle, std::size_t& first) {
  std::size_t count = 0;
  first = std::string_view::npos;
  for (std::size_t at = haystack.find(needle); at != std::string_view::npos;
       at = haystack.find(needle, at + needle.size())) {
    if (count == 0) first = at;
    ++count;
  }
  return count;
}

// Start of the code point that holds byte i.
std::size_t CodePointStart(std::string_view text, std::size_t i) {
  while (i > 0 && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
  return i;
}

// Moves from byte i by count code points, backwards or forwards; stops at the ends.
std::size_t StepCodePoints(std::string_view text, std::size_t i, std::size_t count, bool backwards) {
  for (std::size_t n = 0; n < count; ++n) {
    if (backwards) {
      if (i == 0) break;
      i = CodePointStart(text, i - 1);
    } else {
      if (i >= text.size()) break;
      ++i;
      while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
  }
  return i;
}

// Fills the snippet of a hit from its body: the unfolded text around the first folded match.
void FillSnippet(std::string_view body, std::string_view foldedQuery, SearchHit& hit) {
  std::string text;
  HtmlToText(body, false, text);
  // Folding changes byte lengths only for full-width characters, so fold code point by code point
  // and remember where each folded byte came from.
  std::string folded;
  std::vector<std::size_t> origin;
  folded.reserve(text.size());
  origin.reserve(text.size() + 1);
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const char wide = FullWidthFold(text, i);
    if (wide != 0) {
      folded += wide;
      origin.push_back(i);
      i += 3;
    } else {
      folded += LowerAscii(c);
      origin.push_back(i);
      ++i;
    }
  }
  origin.push_back(text.size());
  std::size_t start = 0;
  std::size_t end = 0;
  const std::size_t at = foldedQuery.empty() ? std::string_view::npos : folded.find(foldedQuery);
  if (at != std::string_view::npos) {
    start = origin[at];
    end = origin[at + foldedQuery.size()];
  }
  const std::size_t from = at == std::string_view::npos ? 0 : StepCodePoints(text, start, kSnippetBefore, true);
  const std::size_t to = StepCodePoints(text, end, at == std::string_view::npos ? kSnippetLead : kSnippetAfter, false);
  hit.before = (from > 0 ? kEllipsis : "") + text.substr(from, start - from);
  hit.match = text.substr(start, end - start);
  hit.after = text.substr(end, to - end) + (to < text.size() ? kEllipsis : "");
}

struct Candidate {
  SearchHit hit;
  std::string body;  // kept for the snippet while the hit is among the best
};

// True when a ranks before b.
bool RanksBefore(const SearchHit& a, const SearchHit& b) {
  if (a.trashed != b.trashed) return !a.trashed;
  if (a.inTitle != b.inTitle) return a.inTitle;
  if (a.matches != b.matches) return a.matches > b.matches;
  if (a.title != b.title) return a.title < b.title;
  return a.id < b.id;
}

}  // namespace

void HtmlToText(std::string_view html, bool fold, std::string& out) {
  out.clear();
  out.reserve(html.size());
  TextSink sink(out, fold);
  std::string name;
  std::size_t i = 0;
  while (i < html.size()) {
    const char c = html[i];
    if (c == '<' && i + 1 < html.size()) {
      const char next = html[i + 1];
      if (IsAsciiAlpha(next) || next == '/') {
        const bool closing = next == '/';
        i = SkipTag(html, i, name);
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
  if (!out.empty() && out.back() == ' ') out.pop_back();
}

std::string FoldPlainText(std::string_view text) {
  std::string out;
  TextSink sink(out, true);
  for (std::size_t i = 0; i < text.size();) i += sink.Take(text, i);
  return out;
}

StoreResult SearchPages(DocumentFile& document, const SearchRequest& request, std::vector<SearchHit>& hits,
                        std::size_t& total) {
  hits.clear();
  total = 0;
  const bool links = !request.linkTarget.empty();
  const std::string needle = links ? "href=\"#" + request.linkTarget + "\"" : request.folded;
  if (needle.empty()) return StoreResult::Ok;

  std::string tree;
  std::unordered_map<std::string, TitleEntry> titles;
  bool titlesRead = false;
  std::vector<Candidate> best;  // a heap whose front is the weakest of the best
  const auto weaker = [](const Candidate& a, const Candidate& b) { return RanksBefore(a.hit, b.hit); };
  std::string text;

  const auto consider = [&](const std::string& id, const TitleEntry& entry, std::string_view body) {
    SearchHit hit;
    std::size_t first = 0;
    if (links) {
      hit.matches = CountOccurrences(body, needle, first);
    } else {
      const std::size_t inTitle = CountOccurrences(FoldPlainText(entry.title), needle, first);
      hit.inTitle = inTitle > 0;
      HtmlToText(body, true, text);
      hit.matches = CountOccurrences(text, needle, first) + inTitle;
    }
    if (hit.matches == 0) return;
    ++total;
    hit.id = id;
    hit.title = entry.title;
    hit.trashed = entry.trashed;
    if (best.size() == kMaxSearchResults) {
      if (!RanksBefore(hit, best.front().hit)) return;
      std::pop_heap(best.begin(), best.end(), weaker);
      best.pop_back();
    }
    best.push_back(Candidate{std::move(hit), std::string(body)});
    std::push_heap(best.begin(), best.end(), weaker);
  };

  const StoreResult result = ScanPages(document, tree, [&](std::string_view id, std::string_view body) {
    if (!titlesRead) {
      titles = ReadTitles(tree);
      titlesRead = true;
    }
    const auto entry = titles.find(std::string(id));
    if (entry == titles.end()) return;  // a body the tree no longer names is not a page
    entry->second.visited = true;
    consider(entry->first, entry->second, body);
  });
  if (result != StoreResult::Ok) return result;
  if (!titlesRead) titles = ReadTitles(tree);
  // A page whose body was never written can still match by its title.
  if (!links) {
    for (const auto& [id, entry] : titles) {
      if (!entry.visited) consider(id, entry, {});
    }
  }

  std::sort(best.begin(), best.end(), weaker);
  for (Candidate& candidate : best) {
    FillSnippet(candidate.body, links ? std::string_view() : std::string_view(needle), candidate.hit);
    hits.push_back(std::move(candidate.hit));
  }
  return StoreResult::Ok;
}
