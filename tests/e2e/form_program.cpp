// A small form with an edit, a memo and a sorted list box on the real display, for the end-to-end tests:
// it prints where its controls are, lets the test type and click, and on F12 prints the controls' state,
// saves its window's pixels and quits; F11 minimises it. It refuses the first request to close it and grants
// the next, telling each and whether it is minimised, so that a test can see a close from the desktop go
// through the form's own close handling.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/backend/sdl/SdlBackend.h"
#include "platform/controls/ExtCtrls.h"
#include "platform/controls/Forms.h"
#include "platform/controls/ListBoxes.h"
#include "platform/controls/StdCtrls.h"
#include "platform/gdi/Surface.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"

namespace {

struct Program {
  TForm* form = nullptr;
  TEdit* edit = nullptr;
  TMemo* memo = nullptr;
  TListBox* list = nullptr;
  const char* shotPath = nullptr;
  int exitCode = 0;
  int closeRequests = 0;

  // A point inside a control, relative to the form's client area, which is what the desktop shows of it.
  void PrintPlace(const char* name, TControl* c, TPoint inside) {
    TPoint p = c->ClientToScreen(inside);
    TPoint origin = form->ClientOrigin();
    std::printf("at %s %d %d\n", name, int(p.x - origin.x), int(p.y - origin.y));
  }

  void CloseQuery(TObject*, bool& CanClose) {
    CanClose = ++closeRequests > 1;
    std::printf("close %s (%s)\n", CanClose ? "granted" : "refused",
                IsIconic(form->Handle()) ? "minimised" : "shown");
    std::fflush(stdout);
  }

  void KeyDown(TObject*, WORD& Key, TShiftState) {
    if (Key == VK_F11) {
      Key = 0;
      ShowWindow(form->Handle(), SW_MINIMIZE);
      return;
    }
    if (Key != VK_F12)
      return;
    Key = 0;
    std::printf("edit=%s\n", AnsiToUtf8(edit->Text()).c_str());
    AnsiString lines;
    for (int i = 0; i < memo->Lines()->Count(); ++i)
      lines += (i ? "|" : "") + memo->Lines()->Strings(i);
    std::printf("memo=%s\n", AnsiToUtf8(lines).c_str());
    int index = list->ItemIndex();
    std::printf("list.index=%d\n", index);
    std::printf("list.item=%s\n", index >= 0 ? AnsiToUtf8(list->Items()->Strings(index)).c_str() : "");
    std::printf("list.count=%d\n", list->Count());
    const Surface* pixels = platform::GetWindowSurface(form->Handle());
    std::printf("shot=%s\n", pixels && SaveSurfacePng(*pixels, shotPath) ? "saved" : "failed");
    std::fflush(stdout);
    Application()->Terminate();
  }

  void GiveUp(TObject*) {
    std::printf("timed out\n");
    std::fflush(stdout);
    exitCode = 3;
    Application()->Terminate();
  }
};

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s SCREENSHOT.png\n", argv[0]);
    return 2;
  }
  std::unique_ptr<platform::Backend> display = platform::CreateDisplayBackend();
  if (!dynamic_cast<platform::SdlBackend*>(display.get())) {
    std::fprintf(stderr, "no display to show the form on\n");
    return 2;
  }
  Program p;
  p.shotPath = argv[1];
  Application()->Initialize();
  Application()->CreateForm(p.form);
  p.form->SetCaption("pelvor-e2e");
  p.form->SetBounds(40, 40, 420, 260);
  p.form->SetKeyPreview(true);
  p.form->OnKeyDown = TKeyEvent(&p, &Program::KeyDown);
  p.form->OnCloseQuery = TCloseQueryEvent(&p, &Program::CloseQuery);
  p.edit = new TEdit(p.form);
  p.edit->SetParent(p.form);
  p.edit->SetBounds(10, 10, 200, 21);
  p.memo = new TMemo(p.form);
  p.memo->SetParent(p.form);
  p.memo->SetBounds(10, 40, 200, 120);
  p.list = new TListBox(p.form);
  p.list->SetParent(p.form);
  p.list->SetBounds(220, 10, 180, 150);
  p.list->SetSorted(true);
  for (const char* word : {"kiraz", "elma", "istanbul", "\xFDrmak", "armut", "\xE7\x69\x6C\x65k"})
    p.list->Items()->Add(word);
  auto* timer = new TTimer(p.form);
  timer->SetInterval(60000);
  timer->SetOnTimer(TNotifyEvent(&p, &Program::GiveUp));
  p.form->Show();
  Application()->ProcessMessages();
  p.PrintPlace("edit", p.edit, TPoint{20, 10});
  p.PrintPlace("memo", p.memo, TPoint{20, 10});
  TRect second = p.list->ItemRect(1);
  p.PrintPlace("item1", p.list, TPoint{20, (second.top + second.bottom) / 2});
  std::fflush(stdout);
  Application()->Run();
  DoneApplication();
  return p.exitCode;
}
