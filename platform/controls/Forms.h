#pragma once
// Forms, the screen and the application: top-level windows, focus bookkeeping across a form, modal loops
// and the message loop of the program.
#include <exception>
#include <map>

#include "platform/controls/Controls.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TFormStyle { fsNormal, fsStayOnTop };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poMainFormCenter
};
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsActivated };
using TFormState = TSet<TFormStateItem, 8>;

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7;

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
  PELVOR_CLASS(TCustomForm, TWinControl)
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  // Runs OnCreate once the object is whole; the application calls it for the forms it creates.
  virtual void AfterConstruction();
  void BeforeDestruction() override;

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  bool AlphaBlend() const { return FAlphaBlend; }
  void SetAlphaBlend(bool Value);
  BYTE AlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(BYTE Value);
  TFormState FormState() const { return FFormState; }
  bool Active() const { return FActive; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }

  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Control);
  void FocusControl(TWinControl* Control);
  // Called when a control on the form gets the platform focus; sends the exit and enter messages.
  bool SetFocusedControl(TWinControl* Control);
  // Forgets a control that is going away or can no longer hold the focus.
  void DefocusControl(TWinControl* Control, bool Removing);

  void Show();
  void Hide();
  void Close();
  bool CloseQuery();
  TModalResult ShowModal();
  void Release();
  void SetFocus() override;
  bool CanFocus() override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

protected:
  friend class TWinControl;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  TRect GetClientRect() override;
  void Dispatch(TMessage& Message) override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void Activate();
  virtual void Deactivate();
  void CloseModal();
  void LeaveModalState();
  void ApplyPosition();
  void SetWindowFocus();
  void CMShowingChanged(TMessageView& Message) override;
  void CMDialogKey(TCMDialogKey& Message) override;
  void CMVisibleChanged(TMessageView& Message) override;
  virtual void WMActivate(TWMActivate& Message);
  virtual void WMClose(TWMClose& Message);
  virtual void WMActivateApp(TMessageView& Message);
  virtual void CMRelease(TMessageView& Message);

private:
  TFormBorderStyle FBorderStyle = bsSizeable;
  TFormStyle FFormStyle = fsNormal;
  TPosition FPosition = poDesigned;
  bool FKeyPreview = false;
  bool FAlphaBlend = false;
  BYTE FAlphaBlendValue = 255;
  TFormState FFormState;
  bool FActive = false;
  bool FPositioned = false;
  TModalResult FModalResult = mrNone;
  TWinControl* FActiveControl = nullptr;  // borrowed, a control on this form
  TWinControl* FFocusedControl = nullptr; // borrowed, the one that holds the platform focus
};

class TForm : public TCustomForm {
  PELVOR_CLASS(TForm, TCustomForm)
  using TCustomForm::TCustomForm;
};

class TScreen : public TComponent {
  PELVOR_CLASS(TScreen, TComponent)
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  int FormCount() const { return int(FForms.size()); }
  TCustomForm* Forms(int Index) const;
  TCustomForm* ActiveForm() const { return FActiveForm; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  // The cursor shown for a cursor number; numbers without a registered cursor show the default one.
  HCURSOR Cursors(TCursor Index) const;
  void SetCursors(TCursor Index, HCURSOR Handle);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  TFont* MenuFont() const { return FMenuFont.get(); }
  int Width() const;
  int Height() const;
  TRect WorkAreaRect() const;
  int WorkAreaWidth() const { return RectWidth(WorkAreaRect()); }
  int WorkAreaHeight() const { return RectHeight(WorkAreaRect()); }

  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TCustomForm;
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);
  void SetActive(TCustomForm* Form, TWinControl* Control);
  void LoadDefaultCursors();

  std::vector<TCustomForm*> FForms; // borrowed
  TCustomForm* FActiveForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  std::map<TCursor, HCURSOR> FCursors;
  std::vector<HCURSOR> FOwnedCursors;
  TCursor FCursor = crDefault;
  std::unique_ptr<TFont> FMenuFont;
};

using TExceptionEvent = TEvent<void(TObject* Sender, const std::exception& E)>;
using TMessageEvent = TEvent<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = TEvent<void(TObject* Sender, bool& Done)>;

class TApplication : public TComponent {
  PELVOR_CLASS(TApplication, TComponent)
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  void Initialize();
  template <class T> void CreateForm(T*& Reference) {
    Reference = new T(this);
    AddCreatedForm(Reference);
  }
  void Run();
  void HandleMessage();
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Shows the exception being handled (or gives it to OnException) and lets the loop go on.
  void HandleException(TObject* Sender);
  void ShowException(const std::exception& E);
  int MessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Flags);
  // The program puts a real message box here; without one, messages are only recorded, as in tests.
  void SetMessageBoxHandler(std::function<int(const AnsiString&, const AnsiString&, UINT)> Handler) {
    FMessageBoxHandler = std::move(Handler);
  }
  const std::vector<AnsiString>& MessageLog() const { return FMessageLog; }
  void ClearMessageLog() { FMessageLog.clear(); }

  TCustomForm* MainForm() const { return FMainForm; }
  bool Active() const { return FActive; }
  const AnsiString& Title() const { return FTitle; }
  void SetTitle(const AnsiString& Value) { FTitle = Value; }
  // Whether a change of the international settings is read into FormatSettings.
  bool UpdateFormatSettings() const { return FUpdateFormatSettings; }
  void SetUpdateFormatSettings(bool Value) { FUpdateFormatSettings = Value; }
  bool ShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool Value) { FShowMainForm = Value; }

  TExceptionEvent OnException;
  TMessageEvent OnMessage;
  TIdleEvent OnIdle;

  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TCustomForm;
  void AddCreatedForm(TCustomForm* Form);
  bool ProcessMessage(MSG& Msg);
  bool IsKeyMsg(MSG& Msg);
  void Idle(const MSG& Msg);
  void TrackMouseControl();
  void SetActiveFlag(bool Value) { FActive = Value; }

  TCustomForm* FMainForm = nullptr; // borrowed; owned like any other form
  TControl* FMouseControl = nullptr;
  bool FTerminated = false;
  bool FActive = false;
  bool FShowMainForm = true;
  bool FUpdateFormatSettings = true;
  AnsiString FTitle;
  std::vector<AnsiString> FMessageLog;
  std::function<int(const AnsiString&, const AnsiString&, UINT)> FMessageBoxHandler;
};

TScreen* Screen();
TApplication* Application();
// Frees the application and the screen with everything they own; the next call makes fresh ones.
void DoneApplication();
