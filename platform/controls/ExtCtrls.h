#pragma once
// The timer component: OnTimer at a fixed interval, through a hidden window of its own.
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/rtl/Types.h"

class TTimer : public TComponent {
  PELVOR_CLASS(TTimer, TComponent)
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned Value);
  TNotifyEvent OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent Value);

protected:
  virtual void Timer();

private:
  void UpdateTimer();
  HWND FWindowHandle = nullptr; // owned hidden window
  bool FEnabled = true;
  unsigned FInterval = 1000;
  TNotifyEvent FOnTimer;
};
