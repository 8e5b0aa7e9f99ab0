#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/classes/ComponentStream.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A fixed underlying type, so that values without a name are still values of the type.
enum TShape : int { shRound, shSquare };

// A component with one property of each streamed kind and two properties it streams itself.
class TSample : public TComponent {
  PELVOR_CLASS(TSample, TComponent)
public:
  using TComponent::TComponent;
  std::int64_t Count = 0;
  char Mark = '%';
  bool Enabled = true;
  TShape Shape = shRound;
  std::int64_t Flags = 0;
  AnsiString Caption;
  std::vector<unsigned char> Blob;
  std::int64_t Extra = 0;
  bool LoadedCalled = false;

  void DefineProperties(TFiler* Filer) override {
    Filer->DefineProperty(
        "Extra", [this](TReader* r) { Extra = r->ReadInteger(); },
        [this](TWriter* w) { w->WriteInteger(Extra); }, Extra != 0);
    Filer->DefineBinaryProperty(
        "Blob",
        [this](TStream* s) {
          Blob.resize(std::size_t(s->Size()));
          if (!Blob.empty())
            s->ReadBuffer(Blob.data(), std::int64_t(Blob.size()));
        },
        [this](TStream* s) {
          if (!Blob.empty())
            s->WriteBuffer(Blob.data(), std::int64_t(Blob.size()));
        },
        !Blob.empty());
  }

protected:
  void Loaded() override {
    TComponent::Loaded();
    LoadedCalled = true;
  }
};

TSample* AsSample(TPersistent* p) {
  return static_cast<TSample*>(p);
}

void RegisterSample() {
  static bool done = false;
  if (done)
    return;
  done = true;
  TPropInfo count("Count", TPropType::Integer);
  count.GetOrd = [](TPersistent* p) { return AsSample(p)->Count; };
  count.SetOrd = [](TPersistent* p, std::int64_t v) { AsSample(p)->Count = v; };
  count.Default = 0;
  TPropInfo mark("Mark", TPropType::Char);
  mark.GetOrd = [](TPersistent* p) { return std::int64_t(std::uint8_t(AsSample(p)->Mark)); };
  mark.SetOrd = [](TPersistent* p, std::int64_t v) { AsSample(p)->Mark = char(v); };
  mark.Default = '%';
  TPropInfo enabled("Enabled", TPropType::Boolean);
  enabled.GetOrd = [](TPersistent* p) { return std::int64_t(AsSample(p)->Enabled); };
  enabled.SetOrd = [](TPersistent* p, std::int64_t v) { AsSample(p)->Enabled = v != 0; };
  enabled.Default = 1;
  TPropInfo shape("Shape", TPropType::Enumeration);
  shape.GetOrd = [](TPersistent* p) { return std::int64_t(AsSample(p)->Shape); };
  shape.SetOrd = [](TPersistent* p, std::int64_t v) { AsSample(p)->Shape = TShape(v); };
  shape.ElementNames = {"shRound", "shSquare"};
  shape.Default = 0;
  TPropInfo flags("Flags", TPropType::Set);
  flags.GetOrd = [](TPersistent* p) { return AsSample(p)->Flags; };
  flags.SetOrd = [](TPersistent* p, std::int64_t v) { AsSample(p)->Flags = v; };
  flags.ElementNames = {"fA", "fB", "fC"};
  flags.Default = 0;
  TPropInfo caption("Caption", TPropType::String);
  caption.GetStr = [](TPersistent* p) { return AsSample(p)->Caption; };
  caption.SetStr = [](TPersistent* p, const AnsiString& v) { AsSample(p)->Caption = v; };
  RegisterPublishedProperties(ClassOf<TSample>(), {count, mark, enabled, shape, flags, caption});
}

Bytes Save(TComponent* c) {
  TMemoryStream s;
  WriteComponent(&s, c);
  auto* p = static_cast<const unsigned char*>(s.Memory());
  return Bytes(p, p + s.Size());
}

void Load(TComponent* c, const Bytes& bytes) {
  TMemoryStream s;
  if (!bytes.empty())
    s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  ReadComponent(&s, c);
}

Bytes Name(const char* s) {
  Bytes b{std::uint8_t(std::strlen(s))};
  b.insert(b.end(), s, s + std::strlen(s));
  return b;
}

const Bytes kHeader = [] {
  Bytes b{'T', 'P', 'F', '0'};
  Bytes n = Name("TSample");
  b.insert(b.end(), n.begin(), n.end());
  n = Name("Sample1");
  b.insert(b.end(), n.begin(), n.end());
  return b;
}();

TEST(ComponentStream, DefaultsAreNotWritten) {
  RegisterSample();
  TSample sample(nullptr);
  sample.SetName("Sample1");
  Bytes expected = kHeader;
  expected.insert(expected.end(), {0x00, 0x00});
  EXPECT_EQ(Save(&sample), expected);
}

TEST(ComponentStream, EveryKindInItsBinaryForm) {
  RegisterSample();
  TSample sample(nullptr);
  sample.SetName("Sample1");
  sample.Count = 70000;
  sample.Mark = '*';
  sample.Enabled = false;
  sample.Shape = shSquare;
  sample.Flags = 0b101;
  sample.Caption = "hi";
  sample.Extra = -2;
  sample.Blob = {0xDE, 0xAD};
  Bytes expected = kHeader;
  auto add = [&](const Bytes& b) { expected.insert(expected.end(), b.begin(), b.end()); };
  add(Name("Count"));
  add({0x04, 0x70, 0x11, 0x01, 0x00});
  add(Name("Mark"));
  add({0x06, 0x01, '*'});
  add(Name("Enabled"));
  add({0x08});
  add(Name("Shape"));
  add({0x07});
  add(Name("shSquare"));
  add(Name("Flags"));
  add({0x0B});
  add(Name("fA"));
  add(Name("fC"));
  add({0x00});
  add(Name("Caption"));
  add({0x06, 0x02, 'h', 'i'});
  add(Name("Extra"));
  add({0x02, 0xFE});
  add(Name("Blob"));
  add({0x0A, 0x02, 0x00, 0x00, 0x00, 0xDE, 0xAD});
  add({0x00, 0x00});
  Bytes saved = Save(&sample);
  EXPECT_EQ(saved, expected);

  TSample loaded(nullptr);
  Load(&loaded, saved);
  EXPECT_EQ(loaded.Name(), "Sample1");
  EXPECT_EQ(loaded.Count, 70000);
  EXPECT_EQ(loaded.Mark, '*');
  EXPECT_FALSE(loaded.Enabled);
  EXPECT_EQ(loaded.Shape, shSquare);
  EXPECT_EQ(loaded.Flags, 0b101);
  EXPECT_EQ(loaded.Caption, "hi");
  EXPECT_EQ(loaded.Extra, -2);
  EXPECT_EQ(loaded.Blob, (Bytes{0xDE, 0xAD}));
  EXPECT_TRUE(loaded.LoadedCalled);
  EXPECT_FALSE(loaded.ComponentState().Contains(csLoading));
}

TEST(ComponentStream, IntegersTakeTheSmallestWidth) {
  struct Case {
    std::int64_t value;
    Bytes bytes;
  } cases[] = {{127, {0x02, 0x7F}},
               {-128, {0x02, 0x80}},
               {128, {0x03, 0x80, 0x00}},
               {-32769, {0x04, 0xFF, 0x7F, 0xFF, 0xFF}},
               {std::int64_t(1) << 40, {0x13, 0, 0, 0, 0, 0, 0x01, 0, 0}}};
  for (auto& c : cases) {
    TMemoryStream s;
    TWriter writer(&s);
    writer.WriteInteger(c.value);
    auto* p = static_cast<const unsigned char*>(s.Memory());
    EXPECT_EQ(Bytes(p, p + s.Size()), c.bytes);
    s.SetPosition(0);
    TReader reader(&s);
    EXPECT_EQ(reader.ReadInteger(), c.value);
  }
}

TEST(ComponentStream, ValuesWithoutNamesAreNotWritten) {
  RegisterSample();
  struct Case {
    TShape shape;
    std::int64_t flags;
  } cases[] = {{TShape(2), 0}, {TShape(-1), 0}, {shRound, 8}, {shRound, -1}};
  for (auto& c : cases) {
    TSample sample(nullptr);
    sample.Shape = c.shape;
    sample.Flags = c.flags;
    TMemoryStream s;
    EXPECT_THROW(WriteComponent(&s, &sample), EWriteError) << int(c.shape) << " " << c.flags;
  }
}

TEST(ComponentStream, DamagedStreamsRaiseTheReadError) {
  RegisterSample();
  TSample sample(nullptr);
  sample.SetName("Sample1");
  sample.Count = 5;
  sample.Blob = {1, 2, 3};
  Bytes good = Save(&sample);
  std::size_t countAt = kHeader.size() + 6; // the value tag after "Count"

  std::vector<Bytes> damaged;
  damaged.push_back(Bytes(good.begin(), good.begin() + 3)); // no whole signature
  Bytes b = good;
  b[0] = 'X';
  damaged.push_back(b); // foreign signature
  b = good;
  b[kHeader.size() + 1] = 'D'; // "Dount": no such property
  damaged.push_back(b);
  b = good;
  b[countAt] = 0x06; // a text where a number belongs
  damaged.push_back(b);
  b = good;
  b[countAt] = 0x30; // a value tag out of range
  damaged.push_back(b);
  b = good;
  b[good.size() - 2 - 3 - 4] = 0xFF; // the blob claims more bytes than there are
  damaged.push_back(b);
  damaged.push_back(Bytes(good.begin(), good.end() - 1)); // the closing list end is missing
  b = good;
  b[5] = 'X'; // another class's record
  damaged.push_back(b);
  b = good;
  b[kHeader.size() - 7] = '1'; // a name that is no identifier
  damaged.push_back(b);
  for (const Bytes& bytes : damaged) {
    TSample target(nullptr);
    EXPECT_THROW(Load(&target, bytes), EReadError) << "input of " << bytes.size() << " bytes";
    EXPECT_FALSE(target.ComponentState().Contains(csLoading));
    EXPECT_FALSE(target.LoadedCalled);
  }
}

} // namespace
