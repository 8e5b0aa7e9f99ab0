// What the window shows against what it holds: after every step of a script of keys, clicks and drags, the
// picture of each word list, explanation box and scroll bar is checked against that control's own state.
#include <algorithm>
#include <functional>
#include <sstream>

#include "app/Session.h"
#include "app_fixture.h"
#include "lookandfeel/cxGraphics.h"
#include "platform/controls/Graphics.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/Input.h"
#include "platform/win/ListBox.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"

namespace {

// Enough headwords that the emptied box gives the left list a scroll bar, and one headword with enough
// translations to give the right list one too.
std::vector<std::string> Words() {
  std::vector<std::string> lines = {
      "su;3´ari;isim;",    "ev;oxori;isim;",   "anne;nana;isim;",  "baba;baba;isim;",   "kız;bozo;isim;",
      "erkek;k´oçi;isim;", "çocuk;bere;isim;", "köpek;3´ok´ori;;", "kedi;k´atu;isim;",  "kuş;k´inçi;isim;",
      "balık;çxomi;;",     "güneş;mjora;;",    "ay;tuta;;",        "yıldız;muru3xi;;",  "deniz;zuğa;;",
      "elma;uşkuri;;",     "göz;toli;isim;",   "el;xe;vücut;",     "baş;ti;vücut;",     "kalp;guri;vücut;",
      "dil;nena;;",        "gece;seri;;",      "yol;gza;;",        "büyük;didi;sıfat;", "iyi;kai;sıfat;",
      "evet;ho;ünlem;",    "hayır;va;ünlem;",  "ateş;daçxuri;;",   "ne;mu;;",           "kim;mi;;",
      "nerede;sole;;",     "dede;p´ap´u;;",    "kardeş;cuma;;",    "kız kardeş;da;;",   "bir;ar;sayı;",
      "iki;jur;sayı;",     "üç;sum;sayı;",     "dört;otxo;sayı;",  "beş;xut;sayı;",     "altı;aşi;sayı;",
  };
  for (char c = 'a'; c <= 'z'; ++c)
    lines.push_back(std::string("gün;ndğa") + c + ";zaman;");
  return lines;
}

struct Step {
  enum Kind {
    Type,
    Backspace,
    Tab,
    CtrlTab,
    ClickLeft,
    ClickRight,
    KeyLeft,
    KeyRight,
    DragLeft,
    DragRight,
    WheelLeft,
    WheelRight
  };
  Kind kind;
  int arg = 0;      // tab, item, virtual key, the pixels a thumb is dragged by, or wheel notches (down > 0)
  std::string text; // for Type
  int motion = 7;   // for a drag: the pixels of each move of the mouse
};

std::string Describe(const Step& s) {
  static const char* names[] = {"type",       "backspace",   "tab",        "ctrl+tab",
                                "click left", "click right", "key left",   "key right",
                                "drag left",  "drag right",  "wheel left", "wheel right"};
  std::ostringstream os;
  os << names[s.kind] << ' ' << (s.kind == Step::Type ? s.text : std::to_string(s.arg));
  return os.str();
}

struct Script {
  const char* name;
  std::vector<Step> steps;
  std::vector<std::string> (*words)() = Words;
  friend void PrintTo(const Script& S, std::ostream* os) { *os << S.name; }
};

Step Type(const char* Text) {
  return {Step::Type, 0, Text};
}
Step Do(Step::Kind Kind, int Arg = 0) {
  return {Step::Kind(Kind), Arg, {}};
}
Step Drag(Step::Kind Kind, int Pixels, int Motion) {
  return {Kind, Pixels, {}, Motion};
}

const Script scripts[] = {
    {"TypingAndDeleting",
     {Type("k"), Type("a"), Do(Step::Backspace), Do(Step::Backspace), Do(Step::Backspace), Type("k"),
      Do(Step::Backspace), Do(Step::Backspace), Type("g"), Type("e")}},
    {"DirectionSwitchesBothWays",
     {Type("k"), Do(Step::Tab, 1), Do(Step::Tab, 0), Do(Step::CtrlTab), Do(Step::CtrlTab),
      Do(Step::Backspace), Do(Step::Backspace), Do(Step::Tab, 1), Type("m"), Do(Step::Tab, 0)}},
    {"ClicksAndKeysInBothLists",
     {Type("k"), Do(Step::ClickLeft, 2), Do(Step::KeyLeft, VK_DOWN), Do(Step::KeyLeft, VK_END),
      Do(Step::KeyLeft, VK_HOME), Do(Step::ClickRight, 0), Do(Step::Backspace), Do(Step::Backspace),
      Do(Step::ClickLeft, 30), Do(Step::KeyLeft, VK_NEXT), Do(Step::KeyLeft, VK_UP), Do(Step::ClickRight, 0),
      Do(Step::KeyRight, VK_DOWN)}},
    {"DraggingThumbs",
     {Type("k"), Do(Step::Backspace), Do(Step::Backspace), Do(Step::DragLeft, 60), Do(Step::ClickLeft, 20),
      Do(Step::DragLeft, -40), Type("gü"), Do(Step::ClickRight, 3), Do(Step::DragRight, 50),
      Do(Step::KeyRight, VK_END)}},
    // The wheel over a list that does not have the focus, the search box keeping it.
    {"WheelOverBothLists",
     {Type("k"), Do(Step::Backspace), Do(Step::Backspace), Do(Step::WheelLeft, 2), Do(Step::WheelLeft, -1),
      Type("gü"), Do(Step::WheelRight, 3), Do(Step::WheelLeft, 1)}},
    // A thumb shorter than the mouse's moves, which pass its old place before it catches up.
    {"DraggingAShortThumbInLongMoves",
     {Type("k"), Do(Step::Backspace), Do(Step::Backspace), Drag(Step::DragLeft, 60, 10),
      Drag(Step::DragLeft, -30, 15)},
     ManyWords},
};

std::uint32_t Rgb(TColor Color) {
  return ColorRefToPixel(COLORREF(ColorToRGB(Color)));
}

class WindowPictureTest : public MainWindowTest, public ::testing::WithParamInterface<Script> {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    main = Open(GetParam().words());
  }

  static void Settle() {
    Pump();
    UpdateWindow(Application()->MainForm()->Handle());
  }

  const Surface& Picture() {
    Settle();
    const Surface* surface = platform::GetWindowSurface(main->Handle());
    EXPECT_NE(surface, nullptr);
    static const Surface none(1, 1);
    return surface ? *surface : none;
  }

  // A client point of a window in the picture's space.
  TPoint InPicture(HWND Window, TPoint P) {
    RECT frame{};
    GetWindowRect(main->Handle(), &frame);
    POINT screen{P.x, P.y};
    ClientToScreen(Window, &screen);
    return TPoint{screen.x - frame.left, screen.y - frame.top};
  }

  void Apply(const Step& S, const std::function<void()>& CheckMidway) {
    switch (S.kind) {
    case Step::Type:
      TypeText(S.text);
      break;
    case Step::Backspace:
      if (!main->Arama->Focused())
        main->Arama->SetFocus();
      backend->PressKey(VK_BACK);
      break;
    case Step::Tab:
      ASSERT_TRUE(ClickTab(main->DilSecimi, S.arg));
      break;
    case Step::CtrlTab:
      backend->KeyDown(VK_CONTROL);
      backend->PressKey(VK_TAB);
      backend->KeyUp(VK_CONTROL);
      break;
    case Step::ClickLeft:
    case Step::ClickRight: {
      TcxListBox* list = S.kind == Step::ClickLeft ? main->ListSol : main->ListSag;
      ASSERT_TRUE(ClickItem(list, std::min(S.arg, list->Count() - 1)));
      break;
    }
    case Step::KeyLeft:
    case Step::KeyRight: {
      TcxInnerListBox* inner = (S.kind == Step::KeyLeft ? main->ListSol : main->ListSag)->InnerListBox();
      if (!inner->Focused())
        inner->SetFocus();
      backend->PressKey(S.arg);
      break;
    }
    case Step::DragLeft:
    case Step::DragRight:
      DragThumb((S.kind == Step::DragLeft ? main->ListSol : main->ListSag)->InnerListBox()->VScrollBar(),
                S.arg, S.motion, CheckMidway);
      break;
    case Step::WheelLeft:
    case Step::WheelRight: {
      TcxInnerListBox* inner = (S.kind == Step::WheelLeft ? main->ListSol : main->ListSag)->InnerListBox();
      const TPoint p = inner->ClientToScreen(TPoint{inner->ClientWidth() / 2, inner->ClientHeight() / 2});
      platform::InjectMouseMove(p.x, p.y);
      for (int i = 0; i < std::abs(S.arg); ++i)
        platform::InjectMouseWheel(S.arg > 0 ? -WHEEL_DELTA : WHEEL_DELTA, p.x, p.y);
      break;
    }
    }
    Settle();
  }

  // Drags the thumb in moves of Motion pixels and checks the window after each of them, the button still
  // down.
  void DragThumb(TcxScrollBar* Bar, int Pixels, int Motion, const std::function<void()>& CheckMidway) {
    ASSERT_TRUE(Bar && Bar->Visible() && Bar->HandleAllocated()) << "the list has no bar to drag";
    const TRect thumb = Bar->PartBounds(spThumb);
    ASSERT_FALSE(IsRectEmpty(&thumb));
    POINT p{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    ClientToScreen(Bar->Handle(), &p);
    platform::InjectMouseMove(p.x, p.y);
    platform::InjectMouseButton(platform::MouseButton::Left, true, p.x, p.y);
    Settle();
    const int step = Pixels > 0 ? Motion : -Motion;
    for (int moved = step; std::abs(moved) <= std::abs(Pixels); moved += step) {
      platform::InjectMouseMove(p.x, p.y + moved);
      Settle();
      CheckMidway();
    }
    platform::InjectMouseButton(platform::MouseButton::Left, false, p.x, p.y + Pixels);
  }

  // The visible rows of the list: each row holds ink where its text goes and the row's own background
  // everywhere else, the selected row's background being the highlight across the whole client width; below
  // the last item there is only the list's background.
  void CheckList(const char* Name, TcxListBox* List, std::vector<std::string>& Faults) {
    TcxInnerListBox* inner = List->InnerListBox();
    const Surface& picture = Picture();
    HWND h = inner->Handle();
    RECT client{};
    GetClientRect(h, &client);
    const std::uint32_t window = Rgb(inner->Color());
    const std::uint32_t highlight = Rgb(clHighlight);
    const int selected = List->ItemIndex();
    const bool focused = GetFocus() == h;
    const int caret = int(SendMessage(h, LB_GETCARETINDEX, 0, 0));
    HDC dc = GetDC(h);
    HGDIOBJ oldFont = SelectObject(dc, inner->Font()->Handle());
    int y = client.top;
    auto fault = [&](const std::string& What) {
      if (Faults.size() < 8)
        Faults.push_back(std::string(Name) + ": " + What);
    };
    for (int i = inner->TopIndex(); i < List->Count(); ++i) {
      const TRect r = inner->ItemRect(i);
      if (r.top >= client.bottom)
        break;
      const AnsiString text = List->Items()->Strings(i);
      SIZE extent{};
      GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &extent);
      const int inkLeft = r.left, inkRight = r.left + 1 + extent.cx + 2;
      const std::uint32_t back = i == selected ? highlight : window;
      const bool outlined = focused && i == caret;
      bool ink = false;
      int stray = 0;
      TPoint firstStray{};
      for (int py = std::max<int>(r.top, client.top); py < std::min<int>(r.bottom, client.bottom); ++py)
        for (int px = client.left; px < client.right; ++px) {
          const TPoint at = InPicture(h, TPoint{px, py});
          const std::uint32_t pixel = picture.Pixel(at.x, at.y);
          const bool inText = px >= inkLeft && px < inkRight;
          const bool onOutline =
              outlined && (py == r.top || py == r.bottom - 1 || px == r.left || px == r.right - 1);
          if (inText && pixel != back)
            ink = true;
          else if (!inText && !onOutline && pixel != back && stray++ == 0)
            firstStray = TPoint{px, py};
        }
      if (!text.empty() && !ink)
        fault("row " + std::to_string(i) + " \"" + AnsiToUtf8(text) + "\" is drawn without its text");
      if (stray)
        fault("row " + std::to_string(i) + (i == selected ? " (selected)" : "") + " has " +
              std::to_string(stray) + " pixels off its background, the first at " +
              std::to_string(firstStray.x) + "," + std::to_string(firstStray.y) + " of a client " +
              std::to_string(client.right) + " wide");
      y = r.bottom;
    }
    int below = 0;
    for (int py = std::max<int>(y, client.top); py < client.bottom; ++py)
      for (int px = client.left; px < client.right; ++px) {
        const TPoint at = InPicture(h, TPoint{px, py});
        if (picture.Pixel(at.x, at.y) != window)
          ++below;
      }
    if (below)
      fault(std::to_string(below) + " pixels under the last row are not the list's background");
    SelectObject(dc, oldFont);
    ReleaseDC(h, dc);
  }

  void CheckMemo(const char* Name, TcxMemo* Memo, std::vector<std::string>& Faults) {
    if (Memo->Text().empty())
      return;
    TcxCustomInnerMemo* inner = Memo->InnerMemo();
    const Surface& picture = Picture();
    RECT client{};
    GetClientRect(inner->Handle(), &client);
    const std::uint32_t back = Rgb(inner->Color());
    for (int py = client.top; py < client.bottom; ++py)
      for (int px = client.left; px < client.right; ++px) {
        const TPoint at = InPicture(inner->Handle(), TPoint{px, py});
        if (picture.Pixel(at.x, at.y) != back)
          return;
      }
    Faults.push_back(std::string(Name) + ": the text \"" + AnsiToUtf8(Memo->Text()) + "\" is not drawn");
  }

  // Every pixel of a shown bar is what the window's one painter draws for the bar's parts where they lie now:
  // arrows and track as they are at rest, the thumb pressed while it is dragged.
  void CheckBar(const std::string& Name, TcxScrollBar* Bar, TcxLookAndFeelPainterClass Painter,
                std::vector<std::string>& Faults) {
    if (!Bar || !Bar->Visible() || Bar->Width() <= 0 || Bar->Height() <= 0)
      return;
    const bool horizontal = Bar->Kind() == sbHorizontal;
    std::unique_ptr<TBitmap, TObjectDeleter> expected(new TBitmap);
    expected->SetSize(Bar->Width(), Bar->Height());
    std::unique_ptr<TcxCanvas, TObjectDeleter> canvas(new TcxCanvas(expected->Canvas()));
    const auto state = [&](TcxScrollBarPart Part) {
      if (!Bar->Enabled())
        return cxbsDisabled;
      return Part == spThumb && Bar->PressedPart() == spThumb ? cxbsPressed : cxbsNormal;
    };
    const TRect first = Bar->PartBounds(spFirstArrow), second = Bar->PartBounds(spSecondArrow);
    for (TcxScrollBarPart part : {spFirstArrow, spSecondArrow, spThumb, spFirstPage, spSecondPage}) {
      const TRect r = Bar->PartBounds(part);
      if (!IsRectEmpty(&r))
        Painter->DrawScrollBarPart(canvas.get(), horizontal, r, part, state(part));
    }
    if (const TRect thumb = Bar->PartBounds(spThumb); IsRectEmpty(&thumb)) {
      const TRect track = horizontal ? TRect{first.right, 0, second.left, Bar->Height()}
                                     : TRect{0, first.bottom, Bar->Width(), second.top};
      Painter->DrawScrollBarPart(canvas.get(), horizontal, track, spFirstPage, state(spFirstPage));
    }
    const Surface& picture = Picture();
    HDC dc = expected->Canvas()->Handle();
    int wrong = 0;
    TPoint firstWrong{};
    for (int py = 0; py < Bar->Height(); ++py)
      for (int px = 0; px < Bar->Width(); ++px) {
        const TPoint at = InPicture(Bar->Parent()->Handle(), TPoint{Bar->Left() + px, Bar->Top() + py});
        if (picture.Pixel(at.x, at.y) != ColorRefToPixel(GetPixel(dc, px, py)) && wrong++ == 0)
          firstWrong = TPoint{px, py};
      }
    if (wrong)
      Faults.push_back(Name + ": " + std::to_string(wrong) +
                       " pixels differ from its parts as drawn now, the first at " +
                       std::to_string(firstWrong.x) + "," + std::to_string(firstWrong.y) + " (thumb " +
                       std::to_string(Bar->PartBounds(spThumb).top) + ".." +
                       std::to_string(Bar->PartBounds(spThumb).bottom) + ")");
  }

  void CheckWindow(const std::string& When) {
    std::vector<std::string> faults;
    CheckList("left list", main->ListSol, faults);
    CheckList("right list", main->ListSag, faults);
    CheckMemo("left memo", main->SolAciklama, faults);
    CheckMemo("right memo", main->SagAciklama, faults);
    // One look-and-feel for the whole window: the search box's is the one every bar must follow.
    TcxLookAndFeelPainterClass painter = main->Arama->Style()->LookAndFeel()->GetPainter();
    for (auto [name, bar] : std::initializer_list<std::pair<const char*, TcxScrollBar*>>{
             {"left list's bar", main->ListSol->InnerListBox()->VScrollBar()},
             {"right list's bar", main->ListSag->InnerListBox()->VScrollBar()},
             {"left memo's bar", main->SolAciklama->InnerMemo()->VScrollBar()},
             {"right memo's bar", main->SagAciklama->InnerMemo()->VScrollBar()}})
      CheckBar(name, bar, painter, faults);
    std::string all;
    for (const std::string& f : faults)
      all += "\n  " + f;
    EXPECT_TRUE(faults.empty()) << When << ":" << all;
  }

  TMain* main = nullptr;
};

TEST_P(WindowPictureTest, EveryStepShowsWhatTheWindowHolds) {
  CheckWindow("opened");
  const Script& script = GetParam();
  for (std::size_t i = 0; i < script.steps.size(); ++i) {
    const std::string when = "step " + std::to_string(i) + " (" + Describe(script.steps[i]) + ")";
    SCOPED_TRACE(when);
    Apply(script.steps[i], [&] { CheckWindow(when + ", thumb held"); });
    CheckWindow(when);
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, WindowPictureTest, ::testing::ValuesIn(scripts),
                         [](const ::testing::TestParamInfo<Script>& info) { return info.param.name; });

} // namespace
