#pragma once
// Objects that can copy their state from one another and know who owns them.
#include "platform/classes/Object.h"

class TFiler;

class TPersistent : public TObject {
  PELVOR_CLASS(TPersistent, TObject)

  // Copies Source's state into this object. The base asks Source to do it (AssignTo), so either side can
  // know how; when neither does, EConvertError says which classes met.
  virtual void Assign(TPersistent* Source);
  virtual void AssignTo(TPersistent* Dest);
  // The object that owns this one (a component, a collection, a control's sub-object), nullptr for none.
  // Public here because C++ access rules would otherwise keep sibling classes from asking.
  virtual TPersistent* GetOwner() { return nullptr; }
  // The path of names by which a designer or a streaming error message refers to this object.
  virtual AnsiString GetNamePath();
  // Properties that are not plain fields stream themselves through the filer.
  virtual void DefineProperties(TFiler* Filer) { (void)Filer; }

protected:
  [[noreturn]] void AssignError(TPersistent* Source);
};

// A persistent object that stands behind interfaces. Interfaces here are plain abstract classes found with
// dynamic_cast, and lifetime follows ownership, so it adds no reference counting of its own.
class TInterfacedPersistent : public TPersistent {
  PELVOR_CLASS(TInterfacedPersistent, TPersistent)
};
