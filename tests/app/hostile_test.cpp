// The program where the world is not as it should be: word files that cannot be followed, snapshots that
// cannot be written whole, output that goes nowhere, text the code page cannot type.
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include <nlohmann/json.hpp>

#include "app/Session.h"
#include "app_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Names(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

const char* const pngSignature = "\x89PNG\r\n\x1A\n";

// The window is up with no words and tells why: in its state, in the dump and in a message.
void ExpectUnreadable(TMain* main, const std::string& message) {
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->Showing());
  EXPECT_EQ(main->WordFileState(), TWordFileState::Unreadable);
  EXPECT_EQ(AnsiToUtf8(main->WordFileError()), message);
  ASSERT_FALSE(Application()->MessageLog().empty());
  EXPECT_EQ(AnsiToUtf8(Application()->MessageLog().back()), message + ".");
  const nlohmann::json state = nlohmann::json::parse(StateText(*main));
  EXPECT_EQ(state["wordFile"], "unreadable");
  EXPECT_EQ(state["wordFileError"], message);
  EXPECT_EQ(state["entries"], 0);
}

TEST_F(MainWindowTest, AWordFileThatCannotBeFollowedLeavesTheWindowUpWithNoWordsAndSaysWhy) {
  const std::string folder = "s\xC3\xB6zl\xC3\xBCk";
  fs::create_directory(directory / folder);
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    std::string reason;
  } cases[] = {
      {"a link to itself", [](const fs::path& p) { fs::create_symlink("pelvor.dll", p); },
       std::strerror(ELOOP)},
      {"a link through a file",
       [&](const fs::path& p) {
         std::ofstream(directory / folder / "plain");
         fs::create_symlink("plain/pelvor.dll", p);
       },
       std::strerror(ENOTDIR)},
      {"a fifo", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
       "It is a named pipe (fifo), not a file"},
      {"a device", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
       "It is a character device, not a file"},
  };
  SetProgramDirectory((directory / folder).string() + "/");
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = directory / folder / "pelvor.dll";
    fs::remove(path);
    fs::remove(directory / folder / "plain");
    c.make(path);
    TMain* main = OpenExisting();
    ExpectUnreadable(main, "Cannot open file \"" + path.string() + "\". " + c.reason);
    // The window goes on working with an empty dictionary.
    TypeText("ev");
    EXPECT_EQ(Utf8Text(main->Arama), "ev");
    EXPECT_TRUE(Items(main->ListSol).empty());
    DoneApplication();
  }
}

// A word file whose words do not fit in memory is one more that cannot be read: the window comes up with no
// words, says why, and holds none of what the read took.
TEST_F(MainWindowTest, AWordFileTooLargeForTheMemoryLeavesTheWindowUpWithNoWordsAndSaysWhy) {
  std::vector<std::string> lines;
  for (int i = 0; i < 100000; ++i)
    lines.push_back("kelime" + std::to_string(i) + ";oxori" + std::to_string(i) + ";isim, sıfat;");
  WriteWords(lines);
  const std::size_t baseline = BulkMemoryInUse();
  // The bytes of the entries' texts, which the store must hold whatever else the read gives back.
  std::size_t texts = 0;
  TPelvor* entries = OpenExisting()->AllEntries();
  ASSERT_EQ(entries->Count(), int(lines.size()));
  for (int i = 0; i < entries->Count(); ++i) {
    const TKelime* k = entries->Items(i);
    texts += 2 * (8 + k->TurkceText().size() + k->LazcaText().size() + k->TurkceAciklamaText().size() +
                  k->LazcaAciklamaText().size());
  }
  DoneApplication();
  const fs::path path = directory / "pelvor.dll";
  const std::size_t bytes = fs::file_size(path);
  const std::string message = "Cannot read file \"" + path.string() +
                              "\". There is not enough memory to read its " + std::to_string(bytes) +
                              " bytes";
  struct Case {
    const char* name;
    std::size_t limit;
  } cases[] = {
      {"not even for the file", bytes / 2},
      {"for the file but not for all its words", texts - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetBulkMemoryLimit(baseline + c.limit);
    TMain* main = OpenExisting();
    RemoveBulkMemoryLimit();
    EXPECT_EQ(BulkMemoryInUse(), baseline);
    ExpectUnreadable(main, message);
    EXPECT_EQ(nlohmann::json::parse(StateText(*main))["left"]["items"], nlohmann::json::array());
    EXPECT_TRUE(main->Arama->Focused());
    TypeText("ke");
    EXPECT_EQ(Utf8Text(main->Arama), "ke");
    EXPECT_TRUE(Items(main->ListSol).empty());
    DoneApplication();
  }
}

class SnapshotTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    shots = directory / "shots";
    fs::create_directory(shots);
    main = Open({"ev;oxori;isim;"});
  }

  bool Save(const fs::path& path) {
    error.clear();
    return SaveSnapshot(*main, path.string(), error);
  }

  fs::path shots;
  TMain* main = nullptr;
  std::string error;
};

TEST_F(SnapshotTest, TheNewPictureTakesTheOldOnesPlaceWholeAndKeepsItsMode) {
  const fs::path target = shots / "window.png";
  std::ofstream(target) << "old";
  fs::permissions(target, fs::perms(0640));
  ASSERT_TRUE(Save(target)) << error;
  EXPECT_EQ(Contents(target).substr(0, 8), pngSignature);
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
  EXPECT_EQ(Names(shots), std::vector<std::string>{"window.png"});

  // Through a link the picture lands in the file it points at, and the link stays.
  const fs::path link = shots / "link.png";
  std::ofstream(shots / "real.png") << "old";
  fs::create_symlink("real.png", link);
  ASSERT_TRUE(Save(link)) << error;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Contents(shots / "real.png").substr(0, 8), pngSignature);
  EXPECT_EQ(Names(shots), (std::vector<std::string>{"link.png", "real.png", "window.png"}));
}

TEST_F(SnapshotTest, AWriteThatFailsHalfWayLeavesTheOldFileAndSaysWhy) {
  const fs::path target = shots / "window.png";
  std::ofstream(target) << "old";
  // A file size limit makes the writing fail after its first kilobyte, as a full disk would.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved_ok = Save(target);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(saved_ok);
  EXPECT_EQ(error, std::strerror(EFBIG));
  EXPECT_EQ(Contents(target), "old");
  EXPECT_EQ(Names(shots), std::vector<std::string>{"window.png"});
}

TEST_F(SnapshotTest, WhatCannotTakeAPictureIsLeftAloneWithTheReason) {
  ASSERT_EQ(mkfifo((shots / "fifo.png").c_str(), 0600), 0);
  fs::create_directory(shots / "folder.png");
  struct Case {
    fs::path target;
    std::string reason;
  } cases[] = {
      {shots / "absent" / "window.png", std::strerror(ENOENT)},
      {shots / "folder.png", "it is a directory"},
      {shots / "fifo.png", "it is not an ordinary file"},
      {shots / "folder.png" / "", "it names no file"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.target.string());
    EXPECT_FALSE(Save(c.target));
    EXPECT_EQ(error, c.reason);
  }
  EXPECT_TRUE(fs::is_fifo(shots / "fifo.png"));
  EXPECT_TRUE(fs::is_empty(shots / "folder.png"));
  EXPECT_EQ(Names(shots), (std::vector<std::string>{"fifo.png", "folder.png"}));
}

TEST(StateOutput, WritingFailsWithTheSystemsReason) {
  std::string error;
  const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  EXPECT_FALSE(WriteFully(full, "{}\n", error));
  EXPECT_EQ(error, std::strerror(ENOSPC));
  close(full);

  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[1]);
  EXPECT_FALSE(WriteFully(ends[1], "{}\n", error));
  EXPECT_EQ(error, std::strerror(EBADF));

  ASSERT_EQ(pipe(ends), 0);
  const std::string text(3000, 'x');
  ASSERT_TRUE(WriteFully(ends[1], text, error)) << error;
  close(ends[1]);
  std::string back(text.size() + 1, '\0');
  EXPECT_EQ(read(ends[0], back.data(), back.size()), ssize_t(text.size()));
  close(ends[0]);
}

TEST(SessionOptions, TextToTypeMustBeUtf8ThatTheCodePageHolds) {
  EXPECT_EQ(ParseSessionOptions({"--type", "\xC3\xA7\xC4\x9F\xC4\xB1\xC5\x9F"}).steps.at(0).text,
            "\xC3\xA7\xC4\x9F\xC4\xB1\xC5\x9F");
  struct Case {
    std::string text;
    std::string message;
  } cases[] = {
      {"a\xE6\x97\xA5", "--type: the code page 1254 cannot hold the character \"\xE6\x97\xA5\" (U+65E5)"},
      {"\xF0\x9F\x98\x80",
       "--type: the code page 1254 cannot hold the character \"\xF0\x9F\x98\x80\" (U+1F600)"},
      {"ev\xC3", "--type needs UTF-8 text"},
      {"\xFF", "--type needs UTF-8 text"},
  };
  for (auto& c : cases) {
    try {
      ParseSessionOptions({"--type", c.text});
      ADD_FAILURE() << c.message << ": nothing was raised";
    } catch (const EInvalidArgument& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

} // namespace
