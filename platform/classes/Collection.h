#pragma once
// Collections: an ordered, owning list of items of one item class, with batched change notification.
#include <vector>

#include "platform/classes/Persistent.h"

class TCollection;

class TCollectionItem : public TPersistent {
  PELVOR_CLASS(TCollectionItem, TPersistent)

  // Items are built by class reference with their collection, which they join at once.
  using TCreateArgs = std::tuple<TCollection*>;

  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  // Moves the item from its collection to another (or out of any, with nullptr).
  virtual void SetCollection(TCollection* Value);
  // The position in the collection, -1 outside one. Setting it moves the item.
  int Index() const;
  virtual void SetIndex(int Value);
  // A number unique within the collection for the collection's lifetime, kept when the item moves.
  int ID() const { return FID; }

  TPersistent* GetOwner() override;
  AnsiString GetNamePath() override;

protected:
  // Tells the collection that this item changed (Update(this)) or that all items did (Update(nullptr)).
  void Changed(bool AllItems);

private:
  friend class TCollection;
  TCollection* FCollection = nullptr; // borrowed: the collection owns the item
  int FID = 0;
};

class TCollection : public TPersistent {
  PELVOR_CLASS(TCollection, TPersistent)

  explicit TCollection(TClass ItemClass);
  TCollection(TPersistent* AOwner, TClass ItemClass);
  ~TCollection() override;

  TClass ItemClass() const { return FItemClass; }
  int Count() const { return int(FItems.size()); }
  // Raises EListError for an index outside 0..Count-1.
  TCollectionItem* Items(int Index) const;

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  TCollectionItem* FindItemID(int ID) const;

  // Folds the change notifications of everything between the outermost BeginUpdate and its EndUpdate into
  // one Update(nullptr) at that EndUpdate.
  virtual void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override { return FOwner; }
  AnsiString GetNamePath() override;
  // The owner's property that holds this collection, for the name path.
  void SetPropName(const AnsiString& Value) { FPropName = Value; }

protected:
  // Reports a change: of one item when Item is given, of the whole collection when it is nullptr.
  virtual void Update(TCollectionItem* Item) { (void)Item; }
  // Calls Update(nullptr) unless an update is in progress.
  void Changed();

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);
  void CheckIndex(int Index) const;

  TClass FItemClass;
  TPersistent* FOwner = nullptr;        // borrowed
  std::vector<TCollectionItem*> FItems; // owned
  int FUpdateCount = 0;
  int FNextID = 0;
  AnsiString FPropName;
};
