#pragma once
// The painter family. A painter is stateless: each class has one instance, and "the painter class" that a
// look-and-feel chooses is a pointer to it.
#include "platform/classes/Object.h"

enum TcxLookAndFeelStyle { lfsFlat, lfsStandard, lfsUltraFlat, lfsNative, lfsOffice11 };

class TcxCustomLookAndFeelPainter : public TObject {
  PELVOR_CLASS(TcxCustomLookAndFeelPainter, TObject)

  virtual TcxLookAndFeelStyle LookAndFeelStyle() const { return lfsStandard; }

protected:
  TcxCustomLookAndFeelPainter() = default;
};

using TcxLookAndFeelPainterClass = const TcxCustomLookAndFeelPainter*;

class TcxStandardLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
  PELVOR_CLASS(TcxStandardLookAndFeelPainter, TcxCustomLookAndFeelPainter)

  static TcxLookAndFeelPainterClass Instance();
  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsStandard; }

protected:
  TcxStandardLookAndFeelPainter() = default;
};

class TcxFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
  PELVOR_CLASS(TcxFlatLookAndFeelPainter, TcxCustomLookAndFeelPainter)

  static TcxLookAndFeelPainterClass Instance();
  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsFlat; }

protected:
  TcxFlatLookAndFeelPainter() = default;
};

class TcxUltraFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
  PELVOR_CLASS(TcxUltraFlatLookAndFeelPainter, TcxCustomLookAndFeelPainter)

  static TcxLookAndFeelPainterClass Instance();
  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsUltraFlat; }

protected:
  TcxUltraFlatLookAndFeelPainter() = default;
};

class TcxOffice11LookAndFeelPainter : public TcxUltraFlatLookAndFeelPainter {
  PELVOR_CLASS(TcxOffice11LookAndFeelPainter, TcxUltraFlatLookAndFeelPainter)

  static TcxLookAndFeelPainterClass Instance();
  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsOffice11; }

protected:
  TcxOffice11LookAndFeelPainter() = default;
};

class TcxWinXPLookAndFeelPainter : public TcxStandardLookAndFeelPainter {
  PELVOR_CLASS(TcxWinXPLookAndFeelPainter, TcxStandardLookAndFeelPainter)

  static TcxLookAndFeelPainterClass Instance();
  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsNative; }

protected:
  TcxWinXPLookAndFeelPainter() = default;
};
