#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/classes/Streams.h"

namespace {

class StreamFiles : public testing::Test {
protected:
  // Tests run as concurrent processes with the same heap layout, so the address alone does not tell them
  // apart.
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("classes-streams-" + std::to_string(::getpid()) + "-" +
                                                std::to_string(reinterpret_cast<std::uintptr_t>(this)));
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Path(const char* name) const { return (dir / name).string(); }
};

// The same exact-size rules hold for every kind of stream.
TEST_F(StreamFiles, ReadBufferAndWriteBufferAreExact) {
  const std::string file = Path("exact.bin");
  const std::function<std::unique_ptr<TStream>()> makers[] = {
      [] { return std::make_unique<TMemoryStream>(); },
      [] { return std::make_unique<TStringStream>(); },
      [&] { return std::make_unique<TFileStream>(file, fmCreate); },
  };
  for (const auto& make : makers) {
    auto stream = make();
    SCOPED_TRACE(stream->ClassName());
    stream->WriteBuffer("abcdef", 6);
    EXPECT_EQ(stream->Size(), 6);
    EXPECT_EQ(stream->Position(), 6);
    stream->SetPosition(2);
    char buf[8] = {};
    stream->ReadBuffer(buf, 3);
    EXPECT_EQ(std::string(buf, 3), "cde");
    try {
      stream->ReadBuffer(buf, 2); // one byte left
      FAIL();
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), "Stream read error");
    }
    stream->SetPosition(6);
    EXPECT_EQ(stream->Read(buf, 4), 0);
    EXPECT_THROW(stream->ReadBuffer(buf, -1), EReadError);
    stream->ReadBuffer(buf, 0);
    EXPECT_THROW(stream->Seek(-7, soEnd), EStreamError);
    EXPECT_EQ(stream->Seek(-1, soEnd), 5);
    stream->SetSize(3);
    EXPECT_EQ(stream->Size(), 3);
    EXPECT_EQ(stream->Position(), 3);
  }
  // A file opened for reading cannot be written: the short write is reported.
  TFileStream readOnly(file, fmOpenRead);
  try {
    readOnly.WriteBuffer("x", 1);
    FAIL();
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
}

TEST(MemoryStream, WritingPastTheEndZeroFillsTheGap) {
  TMemoryStream m;
  m.Seek(4, soBeginning);
  m.WriteBuffer("z", 1);
  ASSERT_EQ(m.Size(), 5);
  EXPECT_EQ(std::string(static_cast<const char*>(m.Memory()), 5), std::string("\0\0\0\0z", 5));
  m.SetSize(7);
  EXPECT_EQ(static_cast<const char*>(m.Memory())[6], '\0');
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
}

TEST(StringStream, ReadStringAndOverwritingWrites) {
  TStringStream s("hello world");
  EXPECT_EQ(s.ReadString(5), "hello");
  EXPECT_EQ(s.ReadString(100), " world");
  EXPECT_EQ(s.ReadString(1), "");
  s.SetPosition(6);
  s.WriteString("there!");
  EXPECT_EQ(s.DataString(), "hello there!");
}

TEST(Stream, CopyFromWholeOrPart) {
  TStringStream source(std::string(200000, 'q') + "end");
  TMemoryStream dest;
  source.SetPosition(10);
  EXPECT_EQ(dest.CopyFrom(&source, 0), 200003); // 0: everything, from the start
  EXPECT_EQ(dest.Size(), 200003);
  EXPECT_EQ(std::string(static_cast<const char*>(dest.Memory()) + 200000, 3), "end");
  source.SetPosition(199999);
  TStringStream part;
  EXPECT_EQ(part.CopyFrom(&source, 4), 4);
  EXPECT_EQ(part.DataString(), "qend");
  source.SetPosition(200001);
  EXPECT_THROW(part.CopyFrom(&source, 5), EReadError);
}

TEST_F(StreamFiles, FileModesAndOpenErrors) {
  const std::string file = Path("modes.bin");
  {
    TFileStream f(file, fmCreate);
    f.WriteBuffer("0123456789", 10);
  }
  {
    TFileStream f(file, fmOpenReadWrite | fmShareDenyNone);
    EXPECT_EQ(f.Size(), 10);
    f.Seek(0, soEnd);
    f.WriteBuffer("AB", 2);
  }
  {
    TFileStream f(file, fmOpenWrite);
    f.WriteBuffer("xy", 2);
  }
  {
    TMemoryStream m;
    m.LoadFromFile(file);
    EXPECT_EQ(std::string(static_cast<const char*>(m.Memory()), std::size_t(m.Size())), "xy23456789AB");
  }
  {
    TFileStream f(file, fmCreate); // truncates
    EXPECT_EQ(f.Size(), 0);
  }
  struct Case {
    std::string path;
    unsigned mode;
    std::string start;
  };
  const Case cases[] = {
      {Path("absent.bin"), fmOpenRead, "Cannot open file \"" + Path("absent.bin") + "\". "},
      {dir.string(), fmOpenRead, "Cannot open file \"" + dir.string() + "\". "},
      {Path("no/such/dir.bin"), fmCreate, "Cannot create file \"" + Path("no/such/dir.bin") + "\". "},
      {"", fmOpenRead, "Cannot open file \"\". "},
  };
  for (const Case& c : cases) {
    try {
      TFileStream f(c.path, c.mode);
      FAIL() << c.path;
    } catch (const EFOpenError& e) {
      EXPECT_EQ(e.Message().rfind(c.start, 0), 0u) << e.Message();
      EXPECT_GT(e.Message().size(), c.start.size()) << "the reason is given";
    }
  }
}

} // namespace
