#include "engine/Kelime.h"

#include <gtest/gtest.h>

#include <random>

#include "code_page_scope.h"
#include "engine/LazLetters.h"

namespace {

struct Fields {
  std::u16string turkce, lazca, turkceAciklama, lazcaAciklama;
  bool operator==(const Fields&) const = default;
};

Fields fieldsOf(const TKelime* k) {
  return {k->Turkce(), k->Lazca(), k->TurkceAciklama(), k->LazcaAciklama()};
}

std::ostream& operator<<(std::ostream& os, const Fields& f) {
  return os << "[" << WideToUtf8(f.turkce) << "|" << WideToUtf8(f.lazca) << "|"
            << WideToUtf8(f.turkceAciklama) << "|" << WideToUtf8(f.lazcaAciklama) << "]";
}

struct LineCase {
  std::u16string line;
  bool added;
  Fields expected;
};

TEST(AddLine, SplitsTrimsAndSubstitutes) {
  const LineCase cases[] = {
      {u"a;b", true, {u"a", u"b", u"", u""}},
      {u"a;b;c", true, {u"a", u"b", u"", u""}},
      {u"a;b;c;d;e", true, {u"a", u"b", u"c", u"d;e"}},
      {u"a;b;c;t;u", true, {u"a", u"b", u"c", u"u;t"}},
      {u"a;b;;", true, {u"a", u"b", u"", u""}},
      {u"kedi;k´atu;isim;", true, {u"kedi", u"üzut", u"isim", u""}},
      {u"\t a ;b", true, {u"\t a ", u"b", u"", u""}},
      {u"a; t ", true, {u"a", u" u ", u"", u""}},
      {u"a;\u00a0", true, {u"a", u"\u00a0", u"", u""}},
      {u"a;!", true, {u"a", u"!", u"", u""}},
      {u"ab", false, {}},
      {u"", false, {}},
      {u";", false, {}},
      {u" ;b", false, {}},
      {u"a; ", false, {}},
      {u"a;", false, {}},
      {u";b;c;d", false, {}},
      {u"a;\x01\x1f\t;c;d", false, {}},
  };
  for (const auto& c : cases) {
    TPelvor store;
    store.AddLine(c.line);
    ASSERT_EQ(store.Count(), c.added ? 1 : 0) << WideToUtf8(c.line);
    if (c.added) {
      EXPECT_EQ(fieldsOf(store.Items(0)), c.expected) << WideToUtf8(c.line);
    }
  }
}

TEST(AddLine, KeepsOrderAndDuplicates) {
  TPelvor store;
  for (auto line : {u"gün;ndğa", u"ev;oxori", u"gün;ndğa", u"gün;dğa"})
    store.AddLine(line);
  ASSERT_EQ(store.Count(), 4);
  const char16_t* turkce[] = {u"gün", u"ev", u"gün", u"gün"};
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(store.Items(i)->Turkce(), turkce[i]) << i;
  EXPECT_EQ(store.Items(0)->Lazca(), store.Items(2)->Lazca());
}

TEST(TKelime, LazWritesSubstituteAndReadsDoNot) {
  TPelvor store;
  TKelime* k = store.Add();
  k->SetTurkce(u"kat");
  k->SetLazca(u"kat");
  k->SetTurkceAciklama(u"kat");
  k->SetLazcaAciklama(u"KAT");
  EXPECT_EQ(fieldsOf(k), (Fields{u"kat", u"kzu", u"kat", u"KZU"}));
  // Writing the read value back substitutes once more.
  k->SetLazca(k->Lazca());
  EXPECT_EQ(k->Lazca(), u"kat");
}

TEST(TKelime, AssignCopiesAsStored) {
  TPelvor store;
  TKelime* a = store.Add();
  a->SetTurkce(u"kedi");
  a->SetLazca(u"kat");
  a->SetTurkceAciklama(u"isim");
  a->SetLazcaAciklama(u"tu");
  TKelime* b = store.Add();
  b->SetTurkce(u"eski");
  b->Assign(a);
  EXPECT_EQ(fieldsOf(b), (Fields{u"kedi", u"kzu", u"isim", u"ut"}));

  // Anything but an entry is ignored; so is an entry assigned to itself.
  TPelvor other;
  b->Assign(&other);
  b->Assign(b);
  b->Assign(nullptr);
  EXPECT_EQ(fieldsOf(b), (Fields{u"kedi", u"kzu", u"isim", u"ut"}));

  // A whole store copies the same way, also entries whose texts live in the source's pool.
  store.AddAnsiLine("su;3\xB4"
                    "ari;isim;");
  TPelvor copy;
  copy.Assign(&store);
  ASSERT_EQ(copy.Count(), 3);
  EXPECT_EQ(fieldsOf(copy.Items(1)), (Fields{u"kedi", u"kzu", u"isim", u"ut"}));
  EXPECT_EQ(fieldsOf(copy.Items(2)), (Fields{u"su", u"wzri", u"isim", u""}));
}

TEST(TKelime, EachFieldKeepsItsOwnText) {
  // The four texts share one block; writing any one of them in any order must leave the others alone.
  std::mt19937 rng(5);
  TPelvor store;
  TKelime* k = store.Add();
  Fields model;
  const std::u16string samples[] = {u"", u"b", u"ğüşiöç", u"bir iki üç dört beş", std::u16string(300, u'x')};
  for (int i = 0; i < 500; ++i) {
    const std::u16string& v = samples[rng() % 5];
    switch (rng() % 4) {
    case 0:
      k->SetTurkce(v);
      model.turkce = v;
      break;
    case 1:
      k->SetLazca(v);
      model.lazca = ConvertLaz(v);
      break;
    case 2:
      k->SetTurkceAciklama(v);
      model.turkceAciklama = v;
      break;
    case 3:
      k->SetLazcaAciklama(v);
      model.lazcaAciklama = ConvertLaz(v);
      break;
    }
    ASSERT_EQ(fieldsOf(k), model) << i;
  }
}

TEST(AddAnsiLine, EqualsWideningThenAddLine) {
  const std::string pieces[] = {";",    ";",    ";",    " ",    "\t", "\x01", "a",    "t",
                                "u",    "k",    "\xB4", "3",    "#",  "\xE7", "\xC7", "\xF0",
                                "\xFD", "\x81", "\x80", "\xFF", "T",  "Z",    "?",    "\xA0"};
  for (UINT cp : {1254u, 1252u}) {
    CodePageScope scope(cp);
    std::mt19937 rng(cp);
    TPelvor fast, wide;
    for (int i = 0; i < 20000; ++i) {
      std::string line;
      for (int n = int(rng() % 10); n > 0; --n)
        line += pieces[rng() % std::size(pieces)];
      fast.AddAnsiLine(line);
      wide.AddLine(AnsiToWide(line));
      ASSERT_EQ(fast.Count(), wide.Count()) << "code page " << cp << ": " << line;
      if (fast.Count()) {
        ASSERT_EQ(fieldsOf(fast.Items(fast.Count() - 1)), fieldsOf(wide.Items(wide.Count() - 1))) << line;
      }
    }
    EXPECT_GT(fast.Count(), 1000);
  }
}

} // namespace
