#pragma once
// Small general classes the control library builds on: class registries, a column width distributor, weak
// object links, and the translation hook of the library's resource texts.
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Object.h"
#include "platform/classes/UnitList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Types.h"

namespace cx_detail {
// The item at Index, or EListError with the platform's list message for an index out of range.
template <class V> auto& ListItem(V& items, int Index) {
  if (Index < 0 || Index >= int(items.size()))
    throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return items[std::size_t(Index)];
}
} // namespace cx_detail

// A persistent sub-object that knows its owner, as the owner query answers it.
class TcxInterfacedPersistent : public TPersistent {
  PELVOR_CLASS(TcxInterfacedPersistent, TPersistent)

  using TCreateArgs = std::tuple<TPersistent*>;
  explicit TcxInterfacedPersistent(TPersistent* AOwner) : FOwner(AOwner) {}
  TPersistent* GetOwner() override { return FOwner; }

private:
  TPersistent* FOwner; // borrowed
};

// A component that, while designed, keeps up to three links to components it depends on, so that a designer
// saves and loads them together.
class TcxComponent : public TComponent {
  PELVOR_CLASS(TcxComponent, TComponent)

  explicit TcxComponent(TComponent* AOwner) : TComponent(AOwner) {}
  ~TcxComponent() override;
  void BeforeDestruction() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TComponent* FakeComponentLink1() const { return FFakeComponentLinks[0]; }
  TComponent* FakeComponentLink2() const { return FFakeComponentLinks[1]; }
  TComponent* FakeComponentLink3() const { return FFakeComponentLinks[2]; }

protected:
  void Loaded() override;
  virtual void GetFakeComponentLinks(std::vector<TComponent*>& AList) { (void)AList; }

private:
  TComponent* FFakeComponentLinks[3] = {}; // borrowed, cleared by free notification
};

// A list that owns its objects and frees them, first to last, when cleared or destroyed.
class TcxObjectList : public TObject {
  PELVOR_CLASS(TcxObjectList, TObject)

  TcxObjectList() = default;
  ~TcxObjectList() override { Clear(); }
  int Add(TObject* AObject);
  void Clear();
  int Count() const { return int(FItems.size()); }
  TObject* Items(int Index) const { return cx_detail::ListItem(FItems, Index); }

private:
  std::vector<TObject*> FItems;
};

using TcxFreeNotificationEvent = TEvent<void(TObject* Sender, TComponent* AComponent)>;

// Tells its owner, through an event, when a component it watches is destroyed.
class TcxFreeNotificator : public TComponent {
  PELVOR_CLASS(TcxFreeNotificator, TComponent)

  explicit TcxFreeNotificator(TComponent* AOwner) : TComponent(AOwner) {}
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TcxFreeNotificationEvent OnFreeNotification;
};

void cxAddFreeNotification(TComponent* AReceiver, TComponent* AComponent);
void cxRemoveFreeNotification(TComponent* AReceiver, TComponent* AComponent);
TPersistent* GetPersistentOwner(TPersistent* APersistent);

// One pair of a registered class list: an item class and the class registered for it.
struct TcxRegisteredClassListItemData {
  TClass ItemClass = nullptr;
  TClass RegisteredClass = nullptr;
};

// Maps classes to classes so that a lookup finds the nearest registered ancestor. Items are kept so that
// every class stands after the entries of its ancestors.
class TcxRegisteredClassList : public TObject {
  PELVOR_CLASS(TcxRegisteredClassList, TObject)
public:
  TcxRegisteredClassList() = default;
  ~TcxRegisteredClassList() override = default;

  // True with Index at the nearest registered ancestor of AClass (or AClass itself). Without a hit Index is
  // left at the first registered descendant, or untouched when there is none.
  virtual bool Find(TClass AClass, int& Index) const;
  virtual void Register(TClass AClass, TClass ARegisteredClass);
  virtual void Unregister(TClass AClass, TClass ARegisteredClass);

  void Clear() { FItems.clear(); }
  int Count() const { return int(FItems.size()); }
  const TcxRegisteredClassListItemData& Items(int Index) const { return cx_detail::ListItem(FItems, Index); }
  // The class registered for the nearest registered ancestor of AClass, or nullptr.
  TClass FindClass(TClass AClass) const;

private:
  std::vector<TcxRegisteredClassListItemData> FItems;
};

// A list of classes with descriptions, optionally also registered for streaming.
class TcxRegisteredClasses : public TObject {
  PELVOR_CLASS(TcxRegisteredClasses, TObject)
public:
  explicit TcxRegisteredClasses(bool ARegisterClasses = false) : FRegisterClasses(ARegisterClasses) {}

  void Register(TClass AClass, const String& ADescription);
  void Unregister(TClass AClass);
  TClass FindByClassName(std::string_view AName) const;
  int Count() const { return int(FItems.size()); }
  TClass Items(int Index) const { return cx_detail::ListItem(FItems, Index).second; }
  const String& Descriptions(int Index) const { return cx_detail::ListItem(FItems, Index).first; }
  bool RegisterClasses() const { return FRegisterClasses; }

private:
  bool FRegisterClasses;
  std::vector<std::pair<String, TClass>> FItems;
};

class TcxAutoWidthItem : public TObject {
  PELVOR_CLASS(TcxAutoWidthItem, TObject)
public:
  int MinWidth = 0;
  int Width = 0;
  bool Fixed = false;
  int AutoWidth = -1;
};

// Shares an available width among items in proportion to their widths, honouring minimums and fixed items.
class TcxAutoWidthObject : public TObject {
  PELVOR_CLASS(TcxAutoWidthObject, TObject)
public:
  explicit TcxAutoWidthObject(int ACapacity);

  TcxAutoWidthItem* AddItem();
  TcxAutoWidthItem* Items(int Index) const { return cx_detail::ListItem(FItems, Index).get(); }
  int Count() const { return int(FItems.size()); }
  int AvailableWidth() const { return FAvailableWidth; }
  void SetAvailableWidth(int Value) { FAvailableWidth = Value; }
  void Calculate();

private:
  int FAvailableWidth = 0;
  std::vector<std::unique_ptr<TcxAutoWidthItem>> FItems;
};

// A weak reference: Ref becomes nullptr once ClearObjectLinks runs for the object it names. The holder owns
// the link object and gives it back with RemoveObjectLink.
class TcxObjectLink : public TObject {
  PELVOR_CLASS(TcxObjectLink, TObject)
public:
  TObject* Ref = nullptr;
};

TcxObjectLink* AddObjectLink(TObject* AObject);
void RemoveObjectLink(TcxObjectLink* ALink);
void ClearObjectLinks(TObject* AObject);
// The number of live links; the controller that keeps them exists only while this is above zero.
int ObjectLinkCount();

TPoint cxPoint(int X, int Y);
// The floor of (A + B) / 2.
int HalfSum(int A, int B);

// The translation hook of the library's texts: the text itself unless a translation was registered.
String cxGetResourceString(const String& AText);
void cxSetResourceStringTranslation(const String& ASource, const String& ATranslation);
// Frees the translation table, as at the end of the run.
void cxClearResourceStringTranslations();

// The unit's entry in the program's start-up list: it frees the translation table at shut-down.
extern const TUnitInfo cxClassesUnit;
