#include "platform/controls/Menus.h"

#include <algorithm>

#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

namespace {

constexpr const char* kPopupClass = "PelvorPopupMenu";
constexpr int kTextIndent = 16;

struct PopupState {
  std::vector<TMenuItem*> Items;
  int ItemHeight = 0;
  int Hot = -1;
  HFONT Font = nullptr;
};

void FillSolid(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void PaintPopup(HWND hwnd, HDC dc) {
  auto* state = reinterpret_cast<PopupState*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  RECT client{};
  GetClientRect(hwnd, &client);
  FillSolid(dc, client, COLORREF(ColorToRGB(clMenu)));
  if (!state)
    return;
  HGDIOBJ oldFont = SelectObject(dc, state->Font);
  SetBkMode(dc, TRANSPARENT);
  for (int i = 0; i < int(state->Items.size()); ++i) {
    TMenuItem* item = state->Items[std::size_t(i)];
    RECT r{client.left, i * state->ItemHeight, client.right, (i + 1) * state->ItemHeight};
    if (item->IsLine()) {
      const int y = (r.top + r.bottom) / 2;
      FillSolid(dc, RECT{r.left + 1, y - 1, r.right - 1, y}, COLORREF(ColorToRGB(clBtnShadow)));
      FillSolid(dc, RECT{r.left + 1, y, r.right - 1, y + 1}, COLORREF(ColorToRGB(clBtnHighlight)));
      continue;
    }
    const bool hot = i == state->Hot && item->Enabled();
    if (hot)
      FillSolid(dc, r, COLORREF(ColorToRGB(clHighlight)));
    SetTextColor(dc, COLORREF(ColorToRGB(!item->Enabled() ? clGrayText
                                         : hot            ? clHighlightText
                                                          : clMenuText)));
    RECT text = r;
    text.left += kTextIndent;
    DrawTextA(dc, item->Caption().c_str(), int(item->Caption().size()), &text, DT_SINGLELINE | DT_VCENTER);
  }
  SelectObject(dc, oldFont);
}

LRESULT PopupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    PaintPopup(hwnd, dc);
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_MOUSEACTIVATE)
    return MA_NOACTIVATE;
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void MenusInitialize() {
  WNDCLASSA wc{};
  if (GetClassInfo(nullptr, kPopupClass, &wc))
    return;
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = &PopupProc;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kPopupClass;
  if (!RegisterClass(&wc))
    throw EOutOfResources("Cannot register the popup menu window class");
}

void MenusFinalize() {
  UnregisterClass(kPopupClass, nullptr);
}

const TUnitInfo MenusUnit{"Menus", &MenusInitialize, &MenusFinalize};

namespace {

int ItemAt(HWND hwnd, const PopupState& state, POINT screen) {
  POINT p = screen;
  ScreenToClient(hwnd, &p);
  RECT client{};
  GetClientRect(hwnd, &client);
  if (!PtInRect(&client, p) || state.ItemHeight <= 0)
    return -1;
  const int i = p.y / state.ItemHeight;
  return i < int(state.Items.size()) ? i : -1;
}

bool Selectable(const TMenuItem* item) {
  return item->Enabled() && !item->IsLine();
}

} // namespace

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  Clear();
  if (FParent)
    FParent->Remove(this);
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= int(FItems.size()))
    throw EListError("Menu index out of range");
  return FItems[std::size_t(Index)];
}

void TMenuItem::Add(TMenuItem* Item) {
  Insert(Count(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item)
    return;
  if (Item->FParent)
    throw EInvalidOperation("Menu item is already inserted");
  if (Index < 0 || Index > Count())
    throw EListError("Menu index out of range");
  Item->FParent = this;
  FItems.insert(FItems.begin() + Index, Item);
}

void TMenuItem::Remove(TMenuItem* Item) {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  if (it == FItems.end())
    throw EInvalidOperation("Menu item is not a child of this item");
  FItems.erase(it);
  Item->FParent = nullptr;
}

void TMenuItem::Delete(int Index) {
  TMenuItem* item = Items(Index);
  Remove(item);
  item->Free();
}

void TMenuItem::Clear() {
  while (!FItems.empty())
    Delete(Count() - 1);
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void TMenuItem::Click() {
  if (FEnabled && OnClick)
    OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) {}

TPopupMenu::~TPopupMenu() {
  FItems->Free();
}

TShortCut ShortCut(WORD Key, TShiftState Shift) {
  TShortCut result = TShortCut(Key & 0xFF);
  if (Shift.Contains(ssShift))
    result |= scShift;
  if (Shift.Contains(ssCtrl))
    result |= scCtrl;
  if (Shift.Contains(ssAlt))
    result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut Value, WORD& Key, TShiftState& Shift) {
  Key = WORD(Value & 0xFF);
  Shift = {};
  if (Value & scShift)
    Shift.Include(ssShift);
  if (Value & scCtrl)
    Shift.Include(ssCtrl);
  if (Value & scAlt)
    Shift.Include(ssAlt);
}

TMenuItem* TMenuItem::FindShortCut(TShortCut Value) {
  if (!FVisible || !FEnabled || Value == scNone)
    return nullptr;
  if (FShortCut == Value)
    return this;
  for (TMenuItem* item : FItems)
    if (TMenuItem* found = item->FindShortCut(Value))
      return found;
  return nullptr;
}

bool TPopupMenu::IsShortCut(TWMKey& Message) {
  const TShortCut key = ShortCut(Message.CharCode(), KeyDataToShiftState(Message.KeyData()));
  for (int i = 0; i < FItems->Count(); ++i)
    if (TMenuItem* item = FItems->Items(i)->FindShortCut(key)) {
      item->Click();
      return true;
    }
  return false;
}

void TPopupMenu::Popup(int X, int Y) {
  FLastChosen = nullptr;
  if (OnPopup)
    OnPopup(this);
  PopupState state;
  for (int i = 0; i < FItems->Count(); ++i)
    if (FItems->Items(i)->Visible())
      state.Items.push_back(FItems->Items(i));
  if (state.Items.empty())
    return;
  WNDCLASSA registered{};
  if (!GetClassInfo(nullptr, kPopupClass, &registered))
    throw EInvalidOperation("The popup menu window class is not registered: the Menus unit has not started");
  state.Font = Screen()->MenuFont()->Handle();

  HDC measure = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFont = SelectObject(measure, state.Font);
  TEXTMETRICA tm{};
  GetTextMetricsA(measure, &tm);
  int widest = 0;
  for (TMenuItem* item : state.Items) {
    SIZE s{};
    GetTextExtentPoint32A(measure, item->Caption().c_str(), int(item->Caption().size()), &s);
    widest = std::max(widest, int(s.cx));
  }
  SelectObject(measure, oldFont);
  DeleteDC(measure);
  state.ItemHeight = tm.tmHeight + 4;

  const int border = 1;
  const int width = widest + 2 * kTextIndent + 2 * border;
  const int height = state.ItemHeight * int(state.Items.size()) + 2 * border;
  // Keep the menu on the work area, opening up or left from the point when it would run off.
  const TRect work = Screen()->WorkAreaRect();
  int x = X, y = Y;
  if (x + width > work.right)
    x = std::max(int(work.left), X - width);
  if (y + height > work.bottom)
    y = std::max(int(work.top), Y - height);

  HWND hwnd = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kPopupClass, "", WS_POPUP | WS_BORDER, x, y,
                             width, height, nullptr, nullptr, nullptr, nullptr);
  if (!hwnd)
    throw EOutOfResources("Cannot create the popup menu window");
  SetWindowLongPtr(hwnd, GWLP_USERDATA, LONG_PTR(&state));
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  UpdateWindow(hwnd);
  SetCapture(hwnd);

  TMenuItem* chosen = nullptr;
  auto setHot = [&](int index) {
    if (index == state.Hot)
      return;
    state.Hot = index;
    InvalidateRect(hwnd, nullptr, FALSE);
  };
  bool done = false;
  try {
    while (!done && IsWindow(hwnd)) {
      MSG msg{};
      if (!GetMessage(&msg, nullptr, 0, 0)) {
        PostQuitMessage(int(msg.wParam));
        break;
      }
      switch (msg.message) {
      case WM_MOUSEMOVE:
        setHot(ItemAt(hwnd, state, msg.pt));
        break;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
        if (ItemAt(hwnd, state, msg.pt) < 0)
          done = true;
        break;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP: {
        const int i = ItemAt(hwnd, state, msg.pt);
        if (i >= 0 && Selectable(state.Items[std::size_t(i)])) {
          chosen = state.Items[std::size_t(i)];
          done = true;
        }
        break;
      }
      case WM_KEYDOWN:
        if (msg.wParam == VK_ESCAPE) {
          done = true;
        } else if (msg.wParam == VK_RETURN) {
          if (state.Hot >= 0 && Selectable(state.Items[std::size_t(state.Hot)])) {
            chosen = state.Items[std::size_t(state.Hot)];
            done = true;
          }
        } else if (msg.wParam == VK_DOWN || msg.wParam == VK_UP) {
          const int n = int(state.Items.size());
          const int step = msg.wParam == VK_DOWN ? 1 : -1;
          int i = state.Hot;
          for (int k = 0; k < n; ++k) {
            i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
            if (Selectable(state.Items[std::size_t(i)]))
              break;
          }
          setHot(i);
        }
        break;
      case WM_KEYUP:
      case WM_CHAR:
        break;
      default:
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        break;
      }
      if (GetCapture() != hwnd)
        done = true;
    }
  } catch (...) {
    if (GetCapture() == hwnd)
      ReleaseCapture();
    DestroyWindow(hwnd);
    throw;
  }
  if (GetCapture() == hwnd)
    ReleaseCapture();
  DestroyWindow(hwnd);
  FLastChosen = chosen;
  if (chosen)
    chosen->Click();
}
