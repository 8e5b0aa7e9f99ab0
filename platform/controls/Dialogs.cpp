#include "platform/controls/Dialogs.h"

#include <algorithm>

#include "platform/controls/Forms.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/Win.h"

namespace {

constexpr int kMargin = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kMaxTextWidth = 400;
constexpr UINT kTextFormat = DT_WORDBREAK | DT_NOPREFIX;

class TMessageText : public TGraphicControl {
  PELVOR_CLASS(TMessageText, TGraphicControl)
  using TGraphicControl::TGraphicControl;

protected:
  void Paint() override {
    TRect r = ClientRect();
    const AnsiString text = Caption();
    Canvas()->RequiredState({csHandleValid, csFontValid});
    HDC dc = Canvas()->Handle();
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text.c_str(), int(text.size()), &r, kTextFormat);
  }
};

class TMessageButton : public TCustomControl {
  PELVOR_CLASS(TMessageButton, TCustomControl)
  explicit TMessageButton(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }

  void Click() override {
    TCustomControl::Click();
    if (TCustomForm* form = GetParentForm())
      form->SetModalResult(mrOk);
  }

protected:
  void Paint() override {
    TRect r = ClientRect();
    Canvas()->Brush()->SetColor(clBtnFace);
    Canvas()->FillRect(r);
    HDC dc = Canvas()->Handle();
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_SOFT);
    Canvas()->RequiredState({csHandleValid, csFontValid});
    SetBkMode(dc, TRANSPARENT);
    const AnsiString text = Caption();
    TRect t = ClientRect();
    DrawTextA(dc, text.c_str(), int(text.size()), &t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (Focused()) {
      InflateRect(&t, -4, -4);
      ::DrawFocusRect(dc, &t);
    }
  }
  // Return and Escape reach the form as dialog keys; the box's one button answers both.
  void CMDialogKey(TCMDialogKey& Message) override {
    if (Message.CharCode() == VK_RETURN || Message.CharCode() == VK_ESCAPE) {
      Click();
      Message.Result = 1;
      return;
    }
    TCustomControl::CMDialogKey(Message);
  }
  void KeyUp(WORD& Key, TShiftState Shift) override {
    TCustomControl::KeyUp(Key, Shift);
    if (Key == VK_SPACE)
      Click();
  }
  void CMEnter(TCMEnter& Message) override {
    TCustomControl::CMEnter(Message);
    Invalidate();
  }
  void CMExit(TCMExit& Message) override {
    TCustomControl::CMExit(Message);
    Invalidate();
  }
};

} // namespace

int ModalMessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Flags) {
  if ((Flags & 0x0F) != MB_OK)
    throw EInvalidArgument("Only message boxes with an OK button are supported");
  std::unique_ptr<TForm, TObjectDeleter> form(new TForm(nullptr));
  form->SetBorderStyle(bsDialog);
  form->SetCaption(Caption);
  form->SetPosition(poScreenCenter);

  HDC measure = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFont = SelectObject(measure, form->Font()->Handle());
  RECT r{0, 0, kMaxTextWidth, 0};
  DrawTextA(measure, Text.c_str(), int(Text.size()), &r, kTextFormat | DT_CALCRECT);
  SelectObject(measure, oldFont);
  DeleteDC(measure);
  const int textWidth = std::max(int(r.right - r.left), 1);
  const int textHeight = std::max(int(r.bottom - r.top), 1);
  const int clientWidth = std::max(textWidth, kButtonWidth) + 2 * kMargin;

  auto* text = new TMessageText(form.get());
  text->SetCaption(Text);
  text->SetBounds(kMargin, kMargin, textWidth, textHeight);
  text->SetParent(form.get());
  auto* button = new TMessageButton(form.get());
  button->SetCaption("OK");
  button->SetBounds((clientWidth - kButtonWidth) / 2, kMargin + textHeight + kMargin, kButtonWidth,
                    kButtonHeight);
  button->SetParent(form.get());
  form->SetClientSize(clientWidth, textHeight + kButtonHeight + 3 * kMargin);
  form->SetActiveControl(button);
  return form->ShowModal();
}
