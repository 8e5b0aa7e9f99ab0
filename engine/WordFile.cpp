#include "engine/WordFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "engine/Crypto.h"
#include "engine/ThreadGroup.h"
#include "platform/classes/Streams.h"
#include "platform/classes/StringList.h"

namespace {

using EntryPtr = std::unique_ptr<TKelime, TObjectDeleter>;

std::size_t findByte(const char* text, std::size_t from, std::size_t to, char c) {
  auto* hit = static_cast<const char*>(std::memchr(text + from, c, to - from));
  return hit ? std::size_t(hit - text) : to;
}

// The first CR or LF in [from, to), or to. Lines end mostly in CR LF, so the scan is for LF and a CR is
// looked for only before it.
std::size_t findLineBreak(const char* text, std::size_t from, std::size_t to) {
  std::size_t lf = findByte(text, from, to, '\n');
  return findByte(text, from, lf, '\r');
}

// Progress of the deciphering as the parsing threads see it: the number of plain bytes ready, plus two flags.
// One atomic word carries all three so that a waiting thread wakes on any change.
constexpr std::uint64_t kFinished = std::uint64_t(1) << 62;
constexpr std::uint64_t kAborted = std::uint64_t(1) << 63;
constexpr std::uint64_t kCountMask = kFinished - 1;

class PipelinedRead {
public:
  // When the text lies in textOwner, the part of it already deciphered is given back as the read goes on.
  PipelinedRead(std::string_view text, TBulkBuffer* textOwner, const TWordFileReadOptions& options)
      : text_(text), textOwner_(textOwner), groups_(text.size() / 4),
        segmentBytes_(std::max<std::size_t>(options.SegmentBytes, 1)), plainBuffer_(groups_ * 3),
        plain_(plainBuffer_.Data()), segments_((groups_ * 3 + segmentBytes_ - 1) / segmentBytes_),
        done_(new std::atomic<bool>[segments_.size()]), tables_(CodePageTables()),
        plainGroups_(groups_ ? groups_ - 1 : 0),
        chunks_((plainGroups_ + kGroupsPerChunk - 1) / kGroupsPerChunk),
        decoded_(new std::atomic<std::uint8_t>[chunks_]) {
    for (std::size_t k = 0; k < segments_.size(); ++k)
      done_[k].store(false, std::memory_order_relaxed);
    for (std::size_t c = 0; c < chunks_; ++c)
      decoded_[c].store(kPending, std::memory_order_relaxed);
  }

  void Run(unsigned workers, TPelvor& store) {
    // The store takes the pools at once: the entries that join it below keep their texts there, whatever
    // happens later in the read.
    std::vector<TKelimeTextPool*> pools;
    for (unsigned i = 0; i <= workers; ++i) {
      auto pool = std::make_unique<TKelimeTextPool>();
      pools.push_back(pool.get());
      store.AdoptTextPool(std::move(pool));
    }
    std::vector<std::exception_ptr> errors(workers + 1);
    // Fewer threads than asked for only makes the caller parse more itself.
    TThreadGroup threads;
    for (unsigned i = 0; i < workers; ++i)
      if (!threads.TryStart([this, &errors, &pools, i] {
            while (DecodeNext()) {
            }
            while (ParseNext(errors[i], *pools[i])) {
            }
          }))
        break;

    std::exception_ptr& mine = errors[workers];
    try {
      Decipher();
    } catch (...) {
      mine = std::current_exception();
      Abort();
    }
    // The caller adds the segments to the store in order as they are done, and parses one itself whenever
    // the next is not done yet; the entries of a failed read that are already in the store are the ones
    // before the failure, as if the lines had been added one by one.
    try {
      for (std::size_t k = 0; k < segments_.size() && !Aborted(); ++k) {
        while (!done_[k].load(std::memory_order_acquire))
          if (!ParseNext(mine, *pools[workers]))
            done_[k].wait(false, std::memory_order_acquire);
        if (Aborted())
          break;
        for (auto& entry : segments_[k]) {
          entry->SetCollection(&store);
          entry.release();
        }
        std::vector<EntryPtr>().swap(segments_[k]);
        ReleaseParsed();
      }
    } catch (...) {
      Abort();
      throw;
    }
    threads.JoinAll();
    for (auto& e : errors)
      if (e)
        std::rethrow_exception(e);
  }

private:
  bool Aborted() const { return progress_.load(std::memory_order_acquire) & kAborted; }

  void Abort() {
    progress_.fetch_or(kAborted, std::memory_order_acq_rel);
    progress_.notify_all();
  }

  // The Base64 layer of a text whose groups are all plain alphabet characters (the last one, which may be
  // padded, aside) is decoded by every thread, chunk by chunk, ahead of the key stream; only RC4, which runs
  // strictly in sequence, is left to the caller. The first chunk with anything else in it hands the rest of
  // the text to the careful decoder, which picks up the values of the group before it.
  void Decipher() {
    TWordDataCipher cipher;
    auto* out = reinterpret_cast<std::uint8_t*>(plain_);
    std::size_t done = 0, size = 0;
    // Apply the key stream to `written` fresh bytes; true when a NUL ends the text in them.
    auto crypt = [&](std::size_t written) {
      cipher.Crypt(out + size, written);
      // A NUL ends the text: nothing after it is read.
      std::size_t nul = findByte(plain_, size, size + written, '\0');
      bool ended = nul < size + written;
      size = nul;
      if (!ended)
        Publish(size, 0);
      return ended;
    };
    bool ended = false;
    for (std::size_t c = 0; c < chunks_ && !ended && !Aborted(); ++c) {
      while (decoded_[c].load(std::memory_order_acquire) == kPending)
        if (!DecodeNext())
          decoded_[c].wait(kPending, std::memory_order_acquire);
      if (decoded_[c].load(std::memory_order_acquire) != kDecoded)
        break;
      std::size_t n = std::min(kGroupsPerChunk, plainGroups_ - done);
      done += n;
      ended = crypt(3 * n);
      ReleaseDeciphered(done);
    }
    StopDecoding();
    if (!ended && done < groups_) {
      TBase64GroupDecoder decoder =
          done ? TBase64GroupDecoder(text_.data() + 4 * (done - 1)) : TBase64GroupDecoder();
      while (done < groups_ && !ended && !Aborted()) {
        std::size_t n = std::min(kGroupsPerChunk, groups_ - done);
        std::size_t written = decoder.Decode(text_.data() + 4 * done, n, out + size);
        done += n;
        ended = crypt(written);
        ReleaseDeciphered(done);
      }
    }
    Publish(size, kFinished);
    if (textOwner_)
      textOwner_->ReleaseBefore(text_.size());
  }

  // The text of the groups before `done` is read no more, but for the last one, from which the careful
  // decoder takes the values that an irregular group keeps; and the plain text of the segments parsed so far.
  void ReleaseDeciphered(std::size_t done) {
    if (textOwner_ && done > 1)
      textOwner_->ReleaseBefore(4 * (done - 1));
    ReleaseParsed();
  }

  // A segment reads from the last byte of the one before it on; so once every segment up to one is parsed,
  // the plain text before that byte is not needed any more. Only the caller's thread gives memory back.
  void ReleaseParsed() {
    while (parsed_ < segments_.size() && done_[parsed_].load(std::memory_order_acquire))
      ++parsed_;
    if (parsed_ > 0)
      plainBuffer_.ReleaseBefore(parsed_ * segmentBytes_ - 1);
  }

  // Claims the next chunk of plain groups and decodes it; false when every chunk is taken.
  bool DecodeNext() {
    std::size_t c = nextChunk_.fetch_add(1, std::memory_order_relaxed);
    if (c >= chunks_)
      return false;
    std::uint8_t state = kSkipped;
    if (!stopDecoding_.load(std::memory_order_relaxed)) {
      std::size_t first = c * kGroupsPerChunk, n = std::min(kGroupsPerChunk, plainGroups_ - first);
      state = DecodePlainBase64Groups(text_.data() + 4 * first, n,
                                      reinterpret_cast<std::uint8_t*>(plain_) + 3 * first)
                  ? kDecoded
                  : kIrregular;
    }
    decoded_[c].store(state, std::memory_order_release);
    decoded_[c].notify_all();
    return true;
  }

  // No chunk is claimed after this, and every claimed one is finished: the careful decoder writes where the
  // chunks would have gone.
  void StopDecoding() {
    stopDecoding_.store(true, std::memory_order_relaxed);
    std::size_t claimed = std::min(nextChunk_.fetch_add(chunks_ + 1, std::memory_order_relaxed), chunks_);
    for (std::size_t c = 0; c < claimed; ++c)
      decoded_[c].wait(kPending, std::memory_order_acquire);
  }

  // Only this thread changes the count; a parsing thread may set the abort flag at any time, so the flags
  // already there are kept.
  void Publish(std::size_t size, std::uint64_t flags) {
    std::uint64_t p = progress_.load(std::memory_order_relaxed);
    while (!progress_.compare_exchange_weak(p, (p & kAborted) | flags | size, std::memory_order_release,
                                            std::memory_order_relaxed)) {
    }
    progress_.notify_all();
  }

  struct Ready {
    std::size_t bytes = 0;
    bool finished = false;
    bool aborted = false;
  };

  // Waits until at least `need` plain bytes are ready or the text is complete.
  Ready WaitFor(std::size_t need) {
    for (;;) {
      std::uint64_t p = progress_.load(std::memory_order_acquire);
      Ready r{std::size_t(p & kCountMask), (p & kFinished) != 0, (p & kAborted) != 0};
      if (r.aborted || r.finished || r.bytes >= need)
        return r;
      progress_.wait(p, std::memory_order_acquire);
    }
  }

  // The end of the line that runs from `from` (which must be ready), waiting for bytes as needed; `limit`
  // when the line runs on past it; nothing when the read was aborted.
  std::optional<std::size_t> LineEnd(std::size_t from, std::size_t limit = SIZE_MAX) {
    for (std::size_t searched = from;;) {
      Ready r = WaitFor(std::min(searched + 1, limit));
      if (r.aborted)
        return std::nullopt;
      std::size_t to = std::min(r.bytes, limit);
      std::size_t end = findLineBreak(plain_, searched, to);
      if (end < to || r.finished || to == limit)
        return end;
      searched = to;
    }
  }

  // Claims the next segment and parses it; false when every segment is taken. A line belongs to the segment
  // in which it starts; the line that runs into a segment from the one before is left to that one.
  bool ParseNext(std::exception_ptr& error, TKelimeTextPool& pool) {
    std::size_t k = next_.fetch_add(1, std::memory_order_relaxed);
    if (k >= segments_.size())
      return false;
    try {
      ParseSegment(k, pool);
    } catch (...) {
      if (!error)
        error = std::current_exception();
      Abort();
    }
    done_[k].store(true, std::memory_order_release);
    done_[k].notify_all();
    return true;
  }

  void ParseSegment(std::size_t k, TKelimeTextPool& pool) {
    const std::size_t start = k * segmentBytes_, end = start + segmentBytes_;
    Ready r = WaitFor(start + 1);
    if (r.aborted || r.bytes <= start)
      return;
    std::size_t p = start;
    if (k > 0 && plain_[start - 1] != '\r' && plain_[start - 1] != '\n') {
      // Only as far as the segment's end: a line that runs through the whole segment leaves it no line of its
      // own, and scanning on would make one very long line cost every segment it crosses.
      auto e = LineEnd(start, end);
      if (!e)
        return;
      p = *e + 1;
    }
    auto& out = segments_[k];
    while (p < end) {
      r = WaitFor(p + 1);
      if (r.aborted || r.bytes <= p)
        return;
      auto e = LineEnd(p);
      if (!e)
        return;
      if (*e > p)
        if (TKelime* entry = TPelvor::NewEntryFromAnsi(tables_, std::string_view(plain_ + p, *e - p), pool))
          out.emplace_back(entry);
      p = *e + 1;
    }
  }

  std::string_view text_;
  TBulkBuffer* textOwner_;
  std::size_t groups_;
  std::size_t segmentBytes_;
  TBulkBuffer plainBuffer_;
  char* plain_;
  // Segments up to here are parsed, as far as the caller's thread has seen.
  std::size_t parsed_ = 0;
  // Entries built but not yet in the store; their texts live in pools the store already holds.
  std::vector<std::vector<EntryPtr>> segments_;
  std::unique_ptr<std::atomic<bool>[]> done_;
  const TCodePageTables& tables_;
  std::atomic<std::uint64_t> progress_{0};
  std::atomic<std::size_t> next_{0};

  // Small chunks keep the parsing threads close behind the key stream.
  static constexpr std::size_t kGroupsPerChunk = 16384;
  static constexpr std::uint8_t kPending = 0, kDecoded = 1, kIrregular = 2, kSkipped = 3;
  std::size_t plainGroups_; // the groups the chunks cover: all but the last, which may hold padding
  std::size_t chunks_;
  std::unique_ptr<std::atomic<std::uint8_t>[]> decoded_;
  std::atomic<std::size_t> nextChunk_{0};
  std::atomic<bool> stopDecoding_{false};
};

} // namespace

unsigned TWordFileReadOptions::DefaultWorkers() {
  unsigned cores = std::thread::hardware_concurrency();
  return cores > 1 ? std::min(cores - 1, 3u) : 0;
}

void AddWordData(std::string_view Plain, TPelvor& Store) {
  // A string list would split the same way, but would first copy every line into a string of its own; the
  // lines go to the store straight from the text. Empty lines, which the list would keep and the store would
  // drop, make no difference to the entries.
  Plain = Plain.substr(0, Plain.find('\0'));
  const TCodePageTables& tables = CodePageTables();
  for (std::size_t p = 0; p < Plain.size();) {
    std::size_t e = findLineBreak(Plain.data(), p, Plain.size());
    if (e > p) {
      EntryPtr entry(TPelvor::NewEntryFromAnsi(tables, Plain.substr(p, e - p), Store.TextPool()));
      if (entry) {
        entry->SetCollection(&Store);
        entry.release();
      }
    }
    p = e + 1;
  }
}

namespace {

void ReadWordFileText(std::string_view Text, TBulkBuffer* TextOwner, TPelvor& Store,
                      const TWordFileReadOptions& Options) {
  const std::size_t plainUpperBound = Text.size() / 4 * 3;
  if (Options.Workers == 0 || plainUpperBound < 2 * Options.SegmentBytes) {
    TBulkBuffer plain(plainUpperBound);
    auto* bytes = reinterpret_cast<std::uint8_t*>(plain.Data());
    std::size_t size = TBase64GroupDecoder().Decode(Text.data(), Text.size() / 4, bytes);
    if (TextOwner)
      TextOwner->ReleaseBefore(Text.size());
    if (size)
      CipherWordData(bytes, size);
    AddWordData(std::string_view(plain.Data(), size), Store);
    return;
  }
  PipelinedRead(Text, TextOwner, Options).Run(Options.Workers, Store);
}

} // namespace

void AddWordFileText(std::string_view Text, TPelvor& Store, const TWordFileReadOptions& Options) {
  ReadWordFileText(Text, nullptr, Store, Options);
}

namespace {

// The file's text layer. A word file is one line, and then the list's text is that line and CR LF, read
// straight into a large buffer; going through the list would copy the whole file twice more. Any other shape
// takes the list's own way.
class FileText {
public:
  explicit FileText(const AnsiString& path) {
    std::size_t size = 0;
    {
      TFileStream stream(path, fmOpenRead | fmShareDenyWrite);
      size = std::size_t(stream.Size());
      // Room for the CR LF that ends the text.
      bulk_ = TBulkBuffer(size + 2);
      size = std::size_t(stream.Read(bulk_.Data(), std::int64_t(size)));
    }
    char* data = bulk_.Data();
    std::size_t end = findByte(data, 0, size, '\0');
    std::size_t lineEnd = findLineBreak(data, 0, end);
    std::string_view rest(data + lineEnd, end - lineEnd);
    if (rest.empty() || rest == "\r" || rest == "\n" || rest == "\r\n") {
      if (end == 0)
        return;
      data[lineEnd] = '\r';
      data[lineEnd + 1] = '\n';
      text_ = std::string_view(data, lineEnd + 2);
      return;
    }
    TStringList list;
    list.SetText(std::string_view(data, size));
    bulk_ = TBulkBuffer();
    fallback_ = list.Text();
    text_ = fallback_;
  }

  std::string_view Text() const { return text_; }
  // The buffer the text lies in when the reader may give it back as it goes, else nullptr.
  TBulkBuffer* Owner() { return bulk_.Data() ? &bulk_ : nullptr; }

private:
  TBulkBuffer bulk_;
  AnsiString fallback_;
  std::string_view text_;
};

} // namespace

namespace {

// File names are UTF-8 on this system while a message is code-page text: the path is shown as the user
// wrote it only once it is read as UTF-8.
AnsiString ShownPath(const AnsiString& Path) {
  return Utf8ToAnsi(Path);
}

[[noreturn]] void CannotOpen(const AnsiString& Path, const AnsiString& Reason) {
  throw EFOpenError("Cannot open file \"" + ShownPath(Path) + "\". " + Reason);
}

const char* KindOf(mode_t Mode) {
  if (S_ISFIFO(Mode))
    return "a named pipe (fifo)";
  if (S_ISCHR(Mode))
    return "a character device";
  if (S_ISBLK(Mode))
    return "a block device";
  if (S_ISSOCK(Mode))
    return "a socket";
  return "not an ordinary file";
}

} // namespace

bool WordFileExists(const AnsiString& Path) {
  if (Path.empty() || Path.find('\0') != AnsiString::npos)
    return false;
  struct stat st {};
  if (::stat(Path.c_str(), &st) != 0) {
    // Only a name with nothing behind it is missing; a loop, a folder that may not be entered or a file
    // where a folder belongs stands in the way of a file that may well be there.
    if (errno == ENOENT)
      return false;
    CannotOpen(Path, std::strerror(errno));
  }
  if (S_ISDIR(st.st_mode))
    return false;
  // A pipe or a device would block or never end; the dictionary only reads ordinary files.
  if (!S_ISREG(st.st_mode))
    CannotOpen(Path, AnsiString("It is ") + KindOf(st.st_mode) + ", not a file");
  return true;
}

void LoadWordFile(const AnsiString& Path, TPelvor& Store) {
  if (!WordFileExists(Path))
    return;
  try {
    std::optional<FileText> text;
    try {
      text.emplace(Path);
    } catch (const EStreamError& e) {
      // The stream names the file by its bytes.
      AnsiString message = e.Message();
      const AnsiString shown = ShownPath(Path);
      for (std::size_t at = message.find(Path); at != AnsiString::npos;
           at = message.find(Path, at + shown.size()))
        message.replace(at, Path.size(), shown);
      throw EFOpenError(message);
    }
    ReadWordFileText(text->Text(), text->Owner(), Store, {});
  } catch (const std::bad_alloc&) {
    // Everything the read held is given back by now, so the message can be made.
    struct stat st {};
    const AnsiString what = ::stat(Path.c_str(), &st) == 0 ? "its " + IntToStr(st.st_size) + " bytes" : "it";
    throw EReadError("Cannot read file \"" + ShownPath(Path) + "\". There is not enough memory to read " +
                     what);
  }
}

AnsiString ReadFileText(const AnsiString& Path) {
  return AnsiString(FileText(Path).Text());
}
