#pragma once
// Components: named objects that own other components and hear when components they refer to go away.
#include <vector>

#include "platform/classes/Persistent.h"
#include "platform/classes/Sets.h"

enum TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateItem, 16>;

enum TOperation { opInsert, opRemove };

class EComponentError : public Exception {
  using Exception::Exception;
};

class TReader;
class TWriter;

class TComponent : public TPersistent {
  PELVOR_CLASS(TComponent, TPersistent)

  using TCreateArgs = std::tuple<TComponent*>;

  // The owner (if any) takes the new component into its list and frees it with itself.
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return int(FComponents.size()); }
  // Raises EListError for an index outside 0..ComponentCount-1.
  TComponent* Components(int Index) const;
  // The position in the owner's list, -1 without an owner.
  int ComponentIndex() const;
  // The owned component of that name (case-insensitive), nullptr when none or for an empty name.
  TComponent* FindComponent(std::string_view AName) const;
  // Takes AComponent over from its current owner, if any.
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);

  const AnsiString& Name() const { return FName; }
  // A name is empty or an identifier, and unique among the owner's components; otherwise EComponentError.
  virtual void SetName(const AnsiString& NewName);

  TComponentState ComponentState() const { return FComponentState; }
  // Asks AComponent to tell this component (Notification with opRemove) when it is destroyed, and the other
  // way round; the link is mutual so that neither side keeps a pointer to a freed peer.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Marks this component and everything it owns as being destroyed.
  void Destroying();
  void BeforeDestruction() override;

  AnsiString GetNamePath() override { return FName; }
  TPersistent* GetOwner() override { return FOwner; }

  // Called when AComponent is inserted into or removed from the owner's family, and when a component this
  // one asked to be told about is destroyed. The base passes the news on to every owned component; an
  // override that keeps a reference to AComponent clears it for opRemove and then calls the base.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

protected:
  // Called once the component has been read from a stream and every property is in place.
  virtual void Loaded();
  void SetDesigning(bool Value, bool SetChildren = true);
  void SetInline(bool Value);
  void SetDesignInstance(bool Value);

private:
  // The component streaming classes set the loading, reading and writing states.
  friend class TReader;
  friend class TWriter;

  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void ValidateRename(TComponent* AComponent, const AnsiString& CurName, const AnsiString& NewName) const;
  void DestroyComponents();
  void RemoveNotification(TComponent* AComponent);

  TComponent* FOwner = nullptr;           // borrowed: the owner frees this component
  std::vector<TComponent*> FComponents;   // owned
  std::vector<TComponent*> FFreeNotifies; // borrowed, the links are kept mutual
  AnsiString FName;
  TComponentState FComponentState;
};
