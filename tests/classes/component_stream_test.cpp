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

namespace {

class TBook : public TCollectionItem {
  PELVOR_CLASS(TBook, TCollectionItem)
public:
  using TCollectionItem::TCollectionItem;
  AnsiString Title;
  std::int64_t Pages = 0;
};

// A component holding a collection, whose own Label is published beside its items.
class TBooks : public TCollection {
  PELVOR_CLASS(TBooks, TCollection)
public:
  TBooks() : TCollection(ClassOf<TBook>()) {}
  AnsiString Label = "none";
  int Updates = 0;

protected:
  void Update(TCollectionItem*) override { ++Updates; }
};

class TShelf : public TComponent {
  PELVOR_CLASS(TShelf, TComponent)
public:
  using TComponent::TComponent;
  TBooks Books;
};

void RegisterShelf() {
  static bool done = false;
  if (done)
    return;
  done = true;
  TPropInfo title("Title", TPropType::String);
  title.GetStr = [](TPersistent* p) { return static_cast<TBook*>(p)->Title; };
  title.SetStr = [](TPersistent* p, const AnsiString& v) { static_cast<TBook*>(p)->Title = v; };
  TPropInfo pages("Pages", TPropType::Integer);
  pages.GetOrd = [](TPersistent* p) { return static_cast<TBook*>(p)->Pages; };
  pages.SetOrd = [](TPersistent* p, std::int64_t v) { static_cast<TBook*>(p)->Pages = v; };
  pages.Default = 0;
  RegisterPublishedProperties(ClassOf<TBook>(), {title, pages});
  // Stored whenever it differs from "none", even when empty.
  TPropInfo label("Label", TPropType::String);
  label.GetStr = [](TPersistent* p) { return static_cast<TBooks*>(p)->Label; };
  label.SetStr = [](TPersistent* p, const AnsiString& v) { static_cast<TBooks*>(p)->Label = v; };
  label.IsStored = [](TPersistent* p) { return static_cast<TBooks*>(p)->Label != "none"; };
  RegisterPublishedProperties(ClassOf<TBooks>(), {label});
  TPropInfo books("Books", TPropType::Class);
  books.GetObject = [](TPersistent* p) -> TPersistent* { return &static_cast<TShelf*>(p)->Books; };
  RegisterPublishedProperties(ClassOf<TShelf>(), {books});
}

Bytes ShelfHeader() {
  Bytes b{'T', 'P', 'F', '0'};
  for (const Bytes& n : {Name("TShelf"), Name("Shelf1")})
    b.insert(b.end(), n.begin(), n.end());
  return b;
}

TEST(ComponentStream, CollectionsStreamTheirItemsAndTheirOwnProperties) {
  RegisterShelf();
  TShelf shelf(nullptr);
  shelf.SetName("Shelf1");
  Bytes empty = ShelfHeader();
  empty.insert(empty.end(), {0x00, 0x00});
  EXPECT_EQ(Save(&shelf), empty) << "an empty collection with its defaults writes nothing";

  shelf.Books.Label = "";
  static_cast<TBook*>(shelf.Books.Add())->Title = "Ay";
  static_cast<TBook*>(shelf.Books.Add())->Pages = 300;
  Bytes expected = ShelfHeader();
  auto add = [&](const Bytes& b) { expected.insert(expected.end(), b.begin(), b.end()); };
  add(Name("Books.Label"));
  add({0x06, 0x00});
  add(Name("Books"));
  add({0x0E, 0x01});
  add(Name("Title"));
  add({0x06, 0x02, 'A', 'y', 0x00, 0x01});
  add(Name("Pages"));
  add({0x03, 0x2C, 0x01, 0x00, 0x00, 0x00, 0x00});
  Bytes saved = Save(&shelf);
  EXPECT_EQ(saved, expected);

  TShelf loaded(nullptr);
  static_cast<TBook*>(loaded.Books.Add())->Title = "replaced";
  loaded.Books.Updates = 0;
  Load(&loaded, saved);
  EXPECT_EQ(loaded.Books.Label, "");
  ASSERT_EQ(loaded.Books.Count(), 2);
  EXPECT_EQ(static_cast<TBook*>(loaded.Books.Items(0))->Title, "Ay");
  EXPECT_EQ(static_cast<TBook*>(loaded.Books.Items(1))->Pages, 300);
  EXPECT_EQ(loaded.Books.Updates, 1) << "the items arrive as one change of the collection";
  EXPECT_EQ(Save(&loaded), saved);

  // Another writer's stream may put each item's index before it.
  Bytes indexed = ShelfHeader();
  for (const Bytes& b : {Name("Books"), Bytes{0x0E, 0x02, 0x07, 0x01}, Name("Pages"), Bytes{0x02, 0x05, 0x00},
                         Bytes{0x00, 0x00, 0x00}})
    indexed.insert(indexed.end(), b.begin(), b.end());
  TShelf other(nullptr);
  Load(&other, indexed);
  ASSERT_EQ(other.Books.Count(), 1);
  EXPECT_EQ(static_cast<TBook*>(other.Books.Items(0))->Pages, 5);

  std::size_t listAt = ShelfHeader().size() + Name("Books.Label").size() + 2 + Name("Books").size() + 1;
  ASSERT_EQ(saved[listAt], 0x01);
  std::vector<Bytes> damaged;
  Bytes b = saved;
  b[listAt] = 0x06; // an item that is no list
  damaged.push_back(b);
  b = saved;
  b[listAt - 1] = 0x01; // a list where the collection belongs
  damaged.push_back(b);
  b = saved;
  b[listAt + 1 + 1] = 'X'; // "Xitle": no such property of the item
  damaged.push_back(b);
  damaged.push_back(Bytes(saved.begin(), saved.end() - 3)); // the collection never ends
  for (const Bytes& bytes : damaged) {
    TShelf target(nullptr);
    EXPECT_THROW(Load(&target, bytes), EReadError) << "input of " << bytes.size() << " bytes";
  }
}

} // namespace
