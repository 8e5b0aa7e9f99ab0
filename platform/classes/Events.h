#pragma once
// Method-pointer events: an event names one object and one of its member functions. Two events are equal
// when they name the same object and the same member, so a handler can be found again and removed.
#include <cstddef>
#include <cstring>
#include <utility>

#include "platform/rtl/SysUtils.h"

class TObject;

template <class Signature> class TEvent;

template <class R, class... A> class TEvent<R(A...)> {
  // Itanium member-function pointers are two words; they are kept as bytes so that one event type can hold a
  // member of any class and still compare by value.
  static constexpr std::size_t StorageSize = 2 * sizeof(void*);

  void* object_ = nullptr;
  R (*thunk_)(const TEvent&, A...) = nullptr;
  alignas(void*) unsigned char member_[StorageSize] = {};

  template <class C, class M> static R Call(const TEvent& e, A... args) {
    M member;
    std::memcpy(&member, e.member_, sizeof member);
    return (static_cast<C*>(e.object_)->*member)(std::forward<A>(args)...);
  }

  template <class C, class M> void Bind(C* object, M member) {
    static_assert(sizeof(M) <= StorageSize, "member pointer does not fit");
    if (!object || !member)
      return;
    object_ = const_cast<void*>(static_cast<const void*>(object));
    std::memcpy(member_, &member, sizeof member);
    thunk_ = &Call<C, M>;
  }

public:
  constexpr TEvent() = default;
  constexpr TEvent(std::nullptr_t) {}
  // The object is kept as the member's own class, so the same handler compares equal whichever static type
  // the caller happened to hold the object by.
  template <class C, class D> TEvent(C* object, R (D::*member)(A...)) {
    Bind<D, R (D::*)(A...)>(static_cast<D*>(object), member);
  }
  template <class C, class D> TEvent(C* object, R (D::*member)(A...) const) {
    Bind<const D, R (D::*)(A...) const>(static_cast<const D*>(object), member);
  }

  bool Assigned() const { return thunk_ != nullptr; }
  explicit operator bool() const { return Assigned(); }
  // The object the handler belongs to (the Pascal method's data), nullptr when unassigned.
  void* Object() const { return object_; }

  // Calling an unassigned event is a programming error; it fails loudly instead of doing nothing.
  R operator()(A... args) const {
    if (!thunk_)
      throw EInvalidOperation("Call of an unassigned event");
    return thunk_(*this, std::forward<A>(args)...);
  }

  friend bool operator==(const TEvent& a, const TEvent& b) {
    return a.object_ == b.object_ && a.thunk_ == b.thunk_ &&
           std::memcmp(a.member_, b.member_, StorageSize) == 0;
  }
  friend bool operator==(const TEvent& a, std::nullptr_t) { return !a.Assigned(); }
};

using TNotifyEvent = TEvent<void(TObject* Sender)>;
