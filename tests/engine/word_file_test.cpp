#include "engine/WordFile.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "engine/Crypto.h"
#include "platform/classes/StringList.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::u16string> entriesOf(const TPelvor& store) {
  std::vector<std::u16string> out;
  for (int i = 0; i < store.Count(); ++i) {
    TKelime* k = store.Items(i);
    out.push_back(k->Turkce() + u"|" + k->Lazca() + u"|" + k->TurkceAciklama() + u"|" + k->LazcaAciklama());
  }
  return out;
}

std::vector<std::u16string> entriesOfData(std::string_view plain) {
  TPelvor store;
  AddWordData(plain, store);
  return entriesOf(store);
}

class TempDir {
public:
  TempDir() {
    char pattern[] = "/tmp/pelvor-engine-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary) << bytes;
    return file(name);
  }

private:
  fs::path path_;
};

const std::string kPlain = "ev;oxori;isim;\r\nkedi;k\xB4"
                           "atu;isim;\r\nsu;3\xB4"
                           "ari;isim;\r\n";

TEST(AddWordData, LineEndsAllSplitAlike) {
  auto expected = entriesOfData("ev;oxori;isim;\r\nkedi;katu\r\nbir;ar\r\n");
  ASSERT_EQ(expected.size(), 3u);
  for (std::string text :
       {"ev;oxori;isim;\nkedi;katu\nbir;ar", "ev;oxori;isim;\rkedi;katu\rbir;ar\r",
        "ev;oxori;isim;\r\n\r\n\nkedi;katu\n\rbir;ar\n", "\n\rev;oxori;isim;\r\rkedi;katu\r\nbir;ar"})
    EXPECT_EQ(entriesOfData(text), expected) << text;
}

TEST(AddWordData, NulEndsTheText) {
  const char raw[] = "ev;oxori\r\nkedi;katu\0bir;ar\r\nsu;3ari\r\n";
  std::string text(raw, sizeof raw - 1);
  auto entries = entriesOfData(text);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1], u"kedi|kzut||");
  EXPECT_TRUE(entriesOfData(std::string("\0ev;oxori", 9)).empty());
}

TEST(AddWordData, MatchesTheStringListReading) {
  std::mt19937 rng(3);
  const std::string pieces[] = {";", "ev", "t", "\xB4", " ", "\r", "\n", "\r\n", "\xFD", "a;b"};
  for (int i = 0; i < 300; ++i) {
    std::string text;
    for (int n = int(rng() % 40); n > 0; --n)
      text += pieces[rng() % std::size(pieces)];
    TStringList list;
    list.SetText(text);
    TPelvor viaList;
    for (int j = 0; j < list.Count(); ++j)
      viaList.AddLine(AnsiToWide(list.Strings(j)));
    EXPECT_EQ(entriesOfData(text), entriesOf(viaList)) << text;
  }
}

TEST(AddWordFileText, ThreadsGiveTheSameEntriesInTheSameOrder) {
  // Tiny segments put line breaks, CR LF pairs, long lines and the NUL on every side of a segment border.
  std::mt19937 rng(21);
  const std::string pieces[] = {";",
                                ";",
                                "ev",
                                "k\xB4",
                                "t",
                                " ",
                                "\r",
                                "\n",
                                "\r\n",
                                "\xFD",
                                "a;b",
                                "uzun bir satir;",
                                std::string(1, '\0')};
  int compared = 0;
  for (int i = 0; i < 400; ++i) {
    std::string plain;
    for (int n = int(rng() % 200); n > 0; --n)
      plain += pieces[rng() % (std::size(pieces) - (i % 4 ? 1 : 0))];
    std::string text = Encipher(plain) + "\r\n";
    auto expected = entriesOfData(Decipher(text));
    for (std::size_t segment : {std::size_t(1), std::size_t(3), std::size_t(16)}) {
      TPelvor store;
      AddWordFileText(text, store, {segment, 1 + unsigned(i % 3)});
      ASSERT_EQ(entriesOf(store), expected) << "segment " << segment << " plain " << plain;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 1200);
}

TEST(AddWordFileText, KeepsTheFileRulesOfBase64) {
  // Damage inside the Base64 text must read the same whether or not the threads are used.
  std::string plain;
  for (int i = 0; i < 300; ++i)
    plain += "kelime" + std::to_string(i) + ";t\xB4" + std::to_string(i) + ";isim;\r\n";
  std::string line = Encipher(plain);
  const std::string texts[] = {line + "\r\n", line.substr(0, 500) + "\r\n" + line.substr(500) + "\r\n",
                               line.substr(0, 1000) + "==" + line.substr(1002), line.substr(0, 2001)};
  for (const auto& text : texts) {
    auto expected = entriesOfData(Decipher(text));
    TPelvor store;
    AddWordFileText(text, store, {64, 3});
    EXPECT_EQ(entriesOf(store), expected);
  }
  TPelvor whole;
  AddWordFileText(texts[0], whole, {64, 3});
  EXPECT_EQ(whole.Count(), 300);
  EXPECT_EQ(whole.Items(299)->Lazca(), u"û299");
}

TEST(AddWordFileText, LargeTextsReadAlikeWhereverTheBase64IsIrregular) {
  // Long enough for the threads to decode the Base64 in many pieces; the damage sits at the start, on and
  // beside the borders of those pieces, far inside, and in the padding at the end, and each must read as
  // the one careful pass reads it.
  std::string plain;
  for (int i = 0; plain.size() < 400000; ++i)
    plain += "kelime" + std::to_string(i) + ";t\xB4" + std::to_string(i) + ";isim;\r\n";
  plain += "son;x";
  while (plain.size() % 3 != 1)
    plain += 'x';
  const std::string line = Encipher(plain);
  ASSERT_EQ(line.substr(line.size() - 2), "==");
  auto damaged = [&](std::size_t at, const std::string& with) {
    std::string t = line;
    t.replace(at, with.size(), with);
    return t + "\r\n";
  };
  const std::size_t border = 4 * 16384;
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"intact", line + "\r\n"},
      {"stray first", damaged(0, "\xC3")},
      {"stray before a border", damaged(border - 1, "-")},
      {"strays after a border", damaged(border, " -\xC3!")},
      {"pad inside", damaged(3 * border + 4001, "==")},
      {"line break far inside", damaged(5 * border + 77, "\r\n")},
      {"stray in the last group", damaged(line.size() - 3, "!")},
      {"no padding, cut", line.substr(0, line.size() - 7)},
      {"NUL in the plain text", Encipher(plain.substr(0, 150000) + std::string(1, '\0') + plain) + "\r\n"},
  };
  for (const auto& c : cases) {
    auto expected = entriesOfData(Decipher(c.text));
    ASSERT_GT(expected.size(), 1000u) << c.name;
    for (unsigned workers : {1u, 3u}) {
      TPelvor store;
      AddWordFileText(c.text, store, {4096, workers});
      EXPECT_EQ(entriesOf(store), expected) << c.name << ", " << workers << " workers";
    }
  }
}

TEST(ReadFileText, GivesWhatTheStringListGives) {
  TempDir dir;
  std::mt19937 rng(17);
  const std::string pieces[] = {"QUJD", "x", "\r", "\n", "\r\n", std::string(1, '\0'), "=", " "};
  std::vector<std::string> contents = {"",
                                       "\r\n",
                                       "\n",
                                       "\r",
                                       "QUJD",
                                       "QUJD\r\n",
                                       "QUJD\n",
                                       "QUJD\r",
                                       "QUJD\n\r",
                                       "QUJD\r\n\r\n",
                                       std::string("\0QUJD", 5),
                                       std::string("QUJD\0\r\nQUJD", 11)};
  for (int i = 0; i < 300; ++i) {
    std::string c;
    for (int n = int(rng() % 8); n > 0; --n)
      c += pieces[rng() % std::size(pieces)];
    contents.push_back(c);
  }
  for (const auto& c : contents) {
    std::string path = dir.write("f.dll", c);
    TStringList list;
    list.LoadFromFile(path);
    EXPECT_EQ(ReadFileText(path), list.Text()) << testing::PrintToString(c);
  }
}

TEST(LoadWordFile, ReadsTheFileLayers) {
  TempDir dir;
  TPelvor store;
  LoadWordFile(dir.write("pelvor.dll", Encipher(kPlain) + "\r\n"), store);
  EXPECT_EQ(entriesOf(store),
            (std::vector<std::u16string>{u"ev|pxpri|isim|", u"kedi|üzut|isim|", u"su|wzri|isim|"}));
}

TEST(LoadWordFile, ReadingAgainAfterClearingGivesTheSameEntries) {
  // Clearing releases the texts of the first read; the entries of the second must not lean on them.
  TempDir dir;
  std::string plain;
  for (int i = 0; i < 2000; ++i)
    plain += "kelime" + std::to_string(i) + ";t\xB4" + std::to_string(i) + ";isim;\r\n";
  std::string path = dir.write("pelvor.dll", Encipher(plain) + "\r\n");
  TPelvor store;
  LoadWordFile(path, store);
  auto first = entriesOf(store);
  store.Clear();
  EXPECT_EQ(store.Count(), 0);
  AddWordFileText(Encipher(plain) + "\r\n", store, {256, 2});
  EXPECT_EQ(entriesOf(store), first);
  store.Delete(0);
  EXPECT_EQ(entriesOf(store), std::vector<std::u16string>(first.begin() + 1, first.end()));
}

// A word file of many entries, as the dictionary's own are written: its size and what it reads to.
struct LargeWordFile {
  std::string path;
  std::size_t bytes = 0;
  int entries = 0;
};

LargeWordFile WriteLargeWordFile(const TempDir& dir, int entries) {
  std::mt19937 rng(24);
  std::string plain;
  for (int i = 0; i < entries; ++i) {
    plain += "kelime" + std::to_string(rng() % 100000) + ";t\xB4" + std::to_string(i) + ";isim, s\xFD" +
             "fat;" + std::to_string(rng()) + "\r\n";
  }
  const std::string text = Encipher(plain) + "\r\n";
  return {dir.write("pelvor.dll", text), text.size(), entries};
}

// Sets a ceiling on the bulk memory for the scope.
class BulkMemoryLimit {
public:
  explicit BulkMemoryLimit(std::size_t bytes) { SetBulkMemoryLimit(bytes); }
  ~BulkMemoryLimit() { RemoveBulkMemoryLimit(); }
  BulkMemoryLimit(const BulkMemoryLimit&) = delete;
  BulkMemoryLimit& operator=(const BulkMemoryLimit&) = delete;
};

// A file whose words do not fit is refused with the reason wherever the memory runs out, on the caller's
// thread or a reader's; what the read took is given back, and the next read with room gets every entry.
TEST(LoadWordFile, AFileWhoseWordsDoNotFitIsRefusedWithTheReason) {
  TempDir dir;
  const LargeWordFile file = WriteLargeWordFile(dir, 200000);
  const std::size_t baseline = BulkMemoryInUse();
  // The bytes of the entries' texts, which the store must hold whatever else the read gives back.
  std::size_t texts = 0;
  {
    TPelvor store;
    LoadWordFile(file.path, store);
    ASSERT_EQ(store.Count(), file.entries);
    for (int i = 0; i < store.Count(); ++i) {
      const TKelime* k = store.Items(i);
      texts += 2 * (8 + k->TurkceText().size() + k->LazcaText().size() + k->TurkceAciklamaText().size() +
                    k->LazcaAciklamaText().size());
    }
  }
  ASSERT_EQ(BulkMemoryInUse(), baseline);
  const std::string message = "Cannot read file \"" + file.path +
                              "\". There is not enough memory to read its " + std::to_string(file.bytes) +
                              " bytes";
  struct Case {
    const char* name;
    std::size_t limit;
  } cases[] = {
      {"not even for the file's text", file.bytes / 2},
      {"for the text but not for the words", file.bytes + file.bytes / 2},
      {"short of the entries' texts", texts - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPelvor store;
    {
      BulkMemoryLimit limit(baseline + c.limit);
      try {
        LoadWordFile(file.path, store);
        ADD_FAILURE() << "the read went through with " << store.Count() << " entries";
      } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), message);
      }
    }
    EXPECT_LT(store.Count(), file.entries);
    store.Clear();
    EXPECT_EQ(BulkMemoryInUse(), baseline);
  }
  TPelvor store;
  LoadWordFile(file.path, store);
  EXPECT_EQ(store.Count(), file.entries);
}

// Text that has been deciphered, and plain text that has been split into entries, are given back as the read
// goes on: at no time does the read hold the file's text, its plain text and the entries all at once.
TEST(LoadWordFile, TheReadHoldsLittleBesideWhatItHasMade) {
  TempDir dir;
  const LargeWordFile file = WriteLargeWordFile(dir, 300000);
  const std::size_t baseline = BulkMemoryInUse();
  TPelvor store;
  ResetBulkMemoryPeak();
  LoadWordFile(file.path, store);
  ASSERT_EQ(store.Count(), file.entries);
  const std::size_t peak = BulkMemoryPeak() - baseline, texts = BulkMemoryInUse() - baseline;
  const std::size_t plain = file.bytes / 4 * 3;
  // The file's text and its plain text may stand together before any entry is made, and the entries' texts
  // once both are gone; beside either, a few huge pages of each buffer and each reader's pool chunk.
  constexpr std::size_t kMiB = std::size_t(1) << 20;
  const std::size_t allowance = 20 * kMiB;
  EXPECT_LE(peak, std::max(file.bytes + plain, texts) + allowance)
      << "file " << file.bytes << ", plain " << plain << ", entry texts " << texts;
  EXPECT_LT(std::max(file.bytes + plain, texts) + allowance, file.bytes + plain + texts)
      << "the file is too small to tell";
}

TEST(TKelime, LeavingTheStoreKeepsTheTexts) {
  TPelvor other;
  {
    TPelvor store;
    AddWordData("ev;oxori;isim;\r\nsu;3\xB4"
                "ari\r\n",
                store);
    ASSERT_EQ(store.Count(), 2);
    store.Items(1)->SetCollection(&other);
  }
  ASSERT_EQ(other.Count(), 1);
  EXPECT_EQ(entriesOf(other), std::vector<std::u16string>{u"su|wzri||"});
}

TEST(LoadWordFile, AbsentOrEmptyFilesGiveNoEntries) {
  TempDir dir;
  fs::create_directory(dir.file("dir.dll"));
  const std::string paths[] = {dir.file("missing.dll"), dir.file("dir.dll"), dir.write("empty.dll", ""),
                               dir.write("short.dll", "Wu6"), dir.write("blank.dll", "\r\n\r\n")};
  for (const auto& path : paths) {
    TPelvor store;
    EXPECT_NO_THROW(LoadWordFile(path, store)) << path;
    EXPECT_EQ(store.Count(), 0) << path;
  }
}

// What stands at a word file's path: every case lies in a folder with a Turkish name, so that each message
// also shows whether the path comes out as it was written.
TEST(WordFileExists, SaysWhatStandsInTheWay) {
  TempDir dir;
  const fs::path folder = fs::path(dir.file("s\xC3\xB6zl\xC3\xBCk"));
  fs::create_directory(folder);
  std::ofstream(folder / "file", std::ios::binary) << Encipher(kPlain) + "\r\n";
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    bool exists;
    std::string reason; // empty when nothing is raised
  } cases[] = {
      {"nothing", [](const fs::path&) {}, false, ""},
      {"a directory", [](const fs::path& p) { fs::create_directory(p); }, false, ""},
      {"an ordinary file", [&](const fs::path& p) { fs::copy_file(folder / "file", p); }, true, ""},
      {"a link to an ordinary file", [](const fs::path& p) { fs::create_symlink("file", p); }, true, ""},
      {"a link to nothing", [](const fs::path& p) { fs::create_symlink("absent", p); }, false, ""},
      {"a fifo", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, false,
       "It is a named pipe (fifo), not a file"},
      {"a link to a character device", [](const fs::path& p) { fs::create_symlink("/dev/null", p); }, false,
       "It is a character device, not a file"},
      {"a socket",
       [](const fs::path& p) {
         int fd = socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         std::strncpy(address.sun_path, p.c_str(), sizeof address.sun_path - 1);
         ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
         close(fd);
       },
       false, "It is a socket, not a file"},
      {"a link to itself", [](const fs::path& p) { fs::create_symlink(p.filename(), p); }, false,
       std::strerror(ELOOP)},
      {"a link loop of two",
       [](const fs::path& p) {
         fs::create_symlink("other", p);
         fs::create_symlink(p.filename(), p.parent_path() / "other");
       },
       false, std::strerror(ELOOP)},
      {"a link through a file", [](const fs::path& p) { fs::create_symlink("file/words.dll", p); }, false,
       std::strerror(ENOTDIR)},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = folder / "pelvor.dll";
    fs::remove(folder / "other");
    fs::remove_all(path);
    c.make(path);
    TPelvor store;
    if (c.reason.empty()) {
      EXPECT_EQ(WordFileExists(path.string()), c.exists);
      EXPECT_NO_THROW(LoadWordFile(path.string(), store));
      EXPECT_EQ(store.Count(), c.exists ? 3 : 0);
      continue;
    }
    for (auto call : {std::function<void()>([&] { WordFileExists(path.string()); }),
                      std::function<void()>([&] { LoadWordFile(path.string(), store); })}) {
      try {
        call();
        ADD_FAILURE() << "nothing was raised";
      } catch (const EFOpenError& e) {
        EXPECT_EQ(AnsiToUtf8(e.Message()), "Cannot open file \"" + path.string() + "\". " + c.reason);
      }
    }
    EXPECT_EQ(store.Count(), 0);
  }
}

// A folder that may not be entered and a file that may not be read, seen by a user other than their owner:
// as root the test drops to an ordinary user in a child process, since root enters every folder.
TEST(WordFileExists, WhatTheUserMayNotReachIsReportedWithTheReason) {
  TempDir dir;
  const fs::path base = fs::path(dir.file("x")).parent_path();
  const fs::path folder = base / "s\xC3\xB6zl\xC3\xBCk", locked = base / "locked";
  fs::create_directories(folder);
  fs::create_directories(locked);
  std::ofstream(locked / "words.dll") << Encipher(kPlain) + "\r\n";
  std::ofstream(folder / "closed.dll") << Encipher(kPlain) + "\r\n";
  fs::create_symlink(locked / "words.dll", folder / "pelvor.dll");
  fs::permissions(base, fs::perms(0755));
  fs::permissions(folder, fs::perms(0755));
  fs::permissions(locked, fs::perms(0));
  fs::permissions(folder / "closed.dll", fs::perms(0));

  // Each call answers the message it raised, as UTF-8; a child run as an ordinary user sends it through a
  // pipe.
  auto messageFor = [](const std::function<void()>& call) {
    auto attempt = [&]() -> std::string {
      try {
        call();
      } catch (const EFOpenError& e) {
        return AnsiToUtf8(e.Message());
      }
      return "nothing was raised";
    };
    if (geteuid() != 0)
      return attempt();
    int ends[2];
    if (pipe(ends) != 0)
      return std::string("no pipe");
    const pid_t child = fork();
    if (child == 0) {
      close(ends[0]);
      const std::string message = setresgid(65534, 65534, 65534) == 0 && setresuid(65534, 65534, 65534) == 0
                                      ? attempt()
                                      : "cannot become an ordinary user";
      const ssize_t written = write(ends[1], message.data(), message.size());
      _exit(written == ssize_t(message.size()) ? 0 : 1);
    }
    close(ends[1]);
    std::string message;
    char buffer[512];
    for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;)
      message.append(buffer, std::size_t(n));
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return message;
  };
  const std::string link = (folder / "pelvor.dll").string(), closed = (folder / "closed.dll").string();
  EXPECT_EQ(messageFor([&] { WordFileExists(link); }),
            "Cannot open file \"" + link + "\". " + std::strerror(EACCES));
  EXPECT_EQ(messageFor([&] {
              TPelvor store;
              LoadWordFile(closed, store);
            }),
            "Cannot open file \"" + closed + "\". " + std::strerror(EACCES));
  fs::permissions(locked, fs::perms(0700));
}

TEST(LoadWordFile, DamagedFilesGiveOnlyWhatParses) {
  std::string line = Encipher(kPlain);
  std::mt19937 rng(9);
  std::string random(400, '\0');
  for (auto& c : random)
    c = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[rng() % 64];
  struct Damage {
    const char* name;
    std::string text;
  } damaged[] = {
      {"cut inside the second entry", line.substr(0, 40)},
      {"one character changed", line.substr(0, 30) + (line[30] == 'A' ? "B" : "A") + line.substr(31)},
      {"broken across lines", line.substr(0, 10) + "\r\n" + line.substr(10)},
      {"not enciphered with the dictionary's key", random},
      {"binary junk", std::string("\0\xFF\r\x80\n====", 10)},
  };
  TempDir dir;
  for (const auto& d : damaged) {
    TPelvor store;
    EXPECT_NO_THROW(LoadWordFile(dir.write("pelvor.dll", d.text), store)) << d.name;
    EXPECT_LE(store.Count(), 3) << d.name;
  }
  // Everything before the cut still deciphers, since the key stream does not depend on the cipher text.
  TPelvor truncated;
  LoadWordFile(dir.write("pelvor.dll", damaged[0].text), truncated);
  auto entries = entriesOf(truncated);
  ASSERT_GE(entries.size(), 1u);
  EXPECT_EQ(entries[0], u"ev|pxpri|isim|");
}

#ifdef PELVOR_MKWORDFILE
// The tool writes what the loader reads: the sample list comes back entry for entry as AddLine takes the
// list's own lines.
TEST(WordFileTool, SampleListRoundTrips) {
  TempDir dir;
  std::string out = dir.file("pelvor.dll");
  std::string list = std::string(PELVOR_SOURCE_DIR) + "/tools/sample-words.txt";
  ASSERT_EQ(std::system((std::string(PELVOR_MKWORDFILE) + " '" + list + "' '" + out + "'").c_str()), 0);

  TPelvor loaded;
  LoadWordFile(out, loaded);
  TPelvor direct;
  std::ifstream in(list, std::ios::binary);
  for (std::string line; std::getline(in, line);)
    direct.AddLine(Utf8ToWide(line));
  EXPECT_EQ(loaded.Count(), 49);
  EXPECT_EQ(entriesOf(loaded), entriesOf(direct));
  EXPECT_EQ(entriesOf(loaded)[0], u"su|wzri|isim|");
}

TEST(WordFileTool, RefusesWhatTheCodePageCannotHold) {
  TempDir dir;
  const std::pair<const char*, std::string> lists[] = {
      {"letter outside the code page", "ev;oxori\nay;tuta;\xC4\x81\n"},
      {"invalid UTF-8", "ev;ox\xFFori\n"},
      {"no separator", "ev oxori\n"},
  };
  for (const auto& [name, content] : lists) {
    std::string list = dir.write("list.txt", content);
    std::string cmd =
        std::string(PELVOR_MKWORDFILE) + " '" + list + "' '" + dir.file("out.dll") + "' 2>/dev/null";
    EXPECT_NE(std::system(cmd.c_str()), 0) << name;
  }
}
#endif

} // namespace
