#include "documents/page_index_file.h"

#include "documents/backup_calendar.h"
#include "documents/page_search.h"
#include "documents/search_queue.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/small_files.h"
#include "util/text.h"
#include "util/text_finder.h"

// The file: every page's folded text one after another; then the table, which is the document
// file's identity (its length, then its bytes) and for each page its id, body hash, place in the
// text and links (their count, then each id); then the footer. Numbers are little-endian.
namespace {

constexpr char kMagic[8] = {'F', 'C', 'I', 'N', 'D', 'E', 'X', '\n'};
constexpr std::uint32_t kFormat = 1;
constexpr std::size_t kIdBytes = 36;
// Text bytes, table bytes, page count, change counter, whether it was read, format, checksum, magic.
constexpr std::size_t kFooterBytes = 8 + 8 + 4 + 4 + 4 + 4 + 8 + sizeof kMagic;
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{1} << 36;

// The search turn's key of reading the file: no window's search has it.
constexpr char kReadTurn[] = "\n index file";

// Pages whose texts may differ from the file's before it is written again: a few edits between
// starts cost little to extract again.
constexpr std::uint64_t kChangesLeftForLater = 32;

void Put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Reads numbers and ids from the front of the bytes; once anything is missing, every read fails.
struct Reader {
  std::string_view rest;
  bool ok = true;


  std::uint64_t Number(int bytes) {
    if (!ok || rest.size() < static_cast<std::size_t>(bytes)) return ok = false, 0;
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(rest[static_cast<std::size_t>(i)]);
    rest.remove_prefix(static_cast<std::size_t>(bytes));
    return value;
  }
  std::string_view Bytes(std::uint64_t count) {
    if (!ok || rest.size() < count) return ok = false, std::string_view();
    const std::string_view bytes = rest.substr(0, count);
    rest.remove_prefix(count);
    return bytes;
  }
  std::string Id() {
    const std::string_view id = Bytes(kIdBytes);
    if (ok && !IsPageIdShape(id)) ok = false;
    return std::string(id);
  }
};

// Covers the table, the footer before it and the text (through its own hash).
std::uint64_t Checksum(std::string_view text, std::string_view table, std::string_view footerStart) {
  std::string covered(table);
  covered += footerStart;
  Put(covered, ContentHash(text), 8);
  return ContentHash(covered);
}

struct Snapshot {
  std::string folder, path;
  std::string table, footerStart;
  std::shared_ptr<const ByteBuffer> text;
};

Snapshot TakeSnapshot(const DocumentFile& document, const PageIndex& index, const std::string& folder) {
  Snapshot copy{folder, index.filePath, {}, {}, index.text};
  Put(copy.table, document.identity.size(), 4);
  copy.table += document.identity;
  for (const auto& [id, page] : index.pages) {
    copy.table += id;
    Put(copy.table, page.hash, 8);
    Put(copy.table, page.at, 8);
    Put(copy.table, page.size, 8);
    Put(copy.table, page.links.size(), 4);
    for (const std::string& link : page.links) copy.table += link;
  }
  Put(copy.footerStart, copy.text->size(), 8);
  Put(copy.footerStart, copy.table.size(), 8);
  Put(copy.footerStart, index.pages.size(), 4);
  Put(copy.footerStart, index.mark.fileCounter, 4);
  Put(copy.footerStart, index.mark.taken ? 1 : 0, 4);
  Put(copy.footerStart, kFormat, 4);
  return copy;
}

void WriteSnapshot(const Snapshot& copy) {
  std::string footer = copy.footerStart;
  Put(footer, Checksum(*copy.text, copy.table, copy.footerStart), 8);
  footer.append(kMagic, sizeof kMagic);
  const std::string temporary = copy.path + ".tmp";
  if (!platform::CreateFolderTree(copy.folder) || !platform::WriteFileParts(temporary, {*copy.text, copy.table, footer}) ||
      platform::ReplaceFileDurably(temporary, copy.path) != platform::RenameResult::Ok) {
    platform::DeleteFile(temporary);
  }
}

// The index the file holds, when it is whole: false leaves index as it was.
bool ParseIndexFile(ByteBuffer& bytes, const DocumentFile& document, PageIndex& index) {
  const std::string_view whole = bytes.view();
  if (whole.size() < kFooterBytes || whole.substr(whole.size() - sizeof kMagic) != std::string_view(kMagic, sizeof kMagic)) {
    return false;
  }
  const std::string_view footerStart = whole.substr(bytes.size() - kFooterBytes, kFooterBytes - 8 - sizeof kMagic);
  Reader footer{whole.substr(bytes.size() - kFooterBytes)};
  const std::uint64_t textBytes = footer.Number(8);
  const std::uint64_t tableBytes = footer.Number(8);
  const std::uint64_t pageCount = footer.Number(4);
  const auto fileCounter = static_cast<std::uint32_t>(footer.Number(4));
  const bool counted = footer.Number(4) == 1;
  if (footer.Number(4) != kFormat || textBytes > bytes.size() || tableBytes != bytes.size() - kFooterBytes - textBytes) {
    return false;
  }
  const std::string_view text = whole.substr(0, textBytes);
  const std::string_view tableBytesView = whole.substr(textBytes, tableBytes);
  if (footer.Number(8) != Checksum(text, tableBytesView, footerStart)) return false;

  Reader table{tableBytesView};
  const std::string_view identity = table.Bytes(table.Number(4));
  std::unordered_map<std::string, IndexedPage> pages;
  std::size_t used = 0;
  for (std::uint64_t n = 0; n < pageCount && table.ok; ++n) {
    std::string id = table.Id();
    IndexedPage page;
    page.hash = table.Number(8);
    page.at = table.Number(8);
    page.size = table.Number(8);
    const std::uint64_t links = table.Number(4);
    if (page.at > textBytes || page.size > textBytes - page.at || links > table.rest.size() / kIdBytes) return false;
    for (std::uint64_t link = 0; link < links; ++link) page.links.push_back(table.Id());
    used += page.size;
    pages[std::move(id)] = std::move(page);
  }
  if (!table.ok || !table.rest.empty() || pages.size() != pageCount) return false;

  bytes.Truncate(textBytes);
  index.text = std::make_shared<ByteBuffer>(std::move(bytes));
  index.unused = textBytes > used ? textBytes - used : 0;
  index.pages = std::move(pages);
  index.withText = true;
  // As if the file had been read when this process opened the document, before its first write.
  index.mark = PageMark{counted && !identity.empty() && identity == document.identity, fileCounter, 0};
  index.savedVersion = ++index.version;
  return true;
}

}  // namespace

std::string PageIndexFilePath(const std::string& folder, const std::string& documentPath) {
  return folder.empty() ? std::string() : platform::JoinPath(folder, DocumentFileStem(documentPath) + kIndexExtension);
}

void ReadPageIndexFile(const DocumentFile& document, PageIndex& index) {
  if (index.fileRead || index.withText || index.filePath.empty()) return;
  index.fileRead = true;
  // Straight into the buffer the texts are kept in: the file is most of the index.
  ByteBuffer bytes;
  if (platform::ReadFileInto(index.filePath, kMaxFileBytes, [&bytes](std::size_t size) { return bytes.Extend(size); }) !=
      platform::ReadResult::Ok) {
    return;
  }
  ParseIndexFile(bytes, document, index);
}

PageIndexKeeper::~PageIndexKeeper() {
  {
    std::lock_guard<std::mutex> lock(openedMutex_);
    opened_ = Opening::Gone;
  }
  openedChanged_.notify_all();
  std::lock_guard<std::mutex> lock(mutex_);
  if (thread_.joinable()) thread_.join();
}

bool PageIndexKeeper::Start(std::function<void()> work) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (busy_) return false;
  if (thread_.joinable()) thread_.join();
  busy_ = true;
  thread_ = std::thread([this, work = std::move(work)] {
    work();
    busy_ = false;
  });
  return true;
}

bool PageIndexKeeper::WaitUntilOpened() {
  std::unique_lock<std::mutex> lock(openedMutex_);
  openedChanged_.wait(lock, [this] { return opened_ != Opening::Checking; });
  return opened_ == Opening::Opened;
}

void PageIndexKeeper::ReadSoon(DocumentFile& document, PageIndex& index, SearchQueue& searches) {
  // Most documents have none: no thread for them.
  if (index.filePath.empty() || !platform::PathExists(index.filePath)) return;
  Start([this, &document, &index, &searches] {
    {
      const SearchTurn turn(searches, kReadTurn);
      if (!turn.Replaced()) ReadPageIndexFile(document, index);
    }
    // The rest of what a first search would do before it scans, once the document is known to be
    // sound; only for texts taken from the file, which say that this document is searched.
    if (!WaitUntilOpened() || !index.withText) return;
    const SearchTurn turn(searches, kReadTurn);
    if (!turn.Replaced()) PrepareSearch(document, index, true);
  });
}

void PageIndexKeeper::Opened() {
  {
    std::lock_guard<std::mutex> lock(openedMutex_);
    if (opened_ == Opening::Checking) opened_ = Opening::Opened;
  }
  openedChanged_.notify_all();
}

void PageIndexKeeper::WriteSoon(const DocumentFile& document, PageIndex& index) {
  if (index.filePath.empty() || !index.withText) return;
  if (index.savedVersion != 0 && index.version - index.savedVersion <= kChangesLeftForLater) return;
  auto copy = std::make_shared<Snapshot>(TakeSnapshot(document, index, index.fileFolder));
  if (Start([copy] { WriteSnapshot(*copy); })) index.savedVersion = index.version;
}
