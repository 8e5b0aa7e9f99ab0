#include "lookandfeel/cxLookAndFeelPainters.h"

namespace {

// Painter constructors are protected so that nobody makes a second instance; this opens them for the one.
template <class P> TcxLookAndFeelPainterClass Singleton() {
  struct Instance final : P {};
  static const Instance instance;
  return &instance;
}

} // namespace

TcxLookAndFeelPainterClass TcxStandardLookAndFeelPainter::Instance() {
  return Singleton<TcxStandardLookAndFeelPainter>();
}

TcxLookAndFeelPainterClass TcxFlatLookAndFeelPainter::Instance() {
  return Singleton<TcxFlatLookAndFeelPainter>();
}

TcxLookAndFeelPainterClass TcxUltraFlatLookAndFeelPainter::Instance() {
  return Singleton<TcxUltraFlatLookAndFeelPainter>();
}

TcxLookAndFeelPainterClass TcxOffice11LookAndFeelPainter::Instance() {
  return Singleton<TcxOffice11LookAndFeelPainter>();
}

TcxLookAndFeelPainterClass TcxWinXPLookAndFeelPainter::Instance() {
  return Singleton<TcxWinXPLookAndFeelPainter>();
}
