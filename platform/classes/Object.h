#pragma once
// The root of the class hierarchy, class references and the global class registry.
//
// Every class of the hierarchy puts PELVOR_CLASS(Self, Base) first in its body. That gives it a static
// metaclass (name, parent, a factory) and the virtual ClassType() that answers it. A class reference is a
// pointer to that metaclass, so registries can compare, walk and construct classes without RTTI tricks.
//
// Virtual construction: a class declares the arguments of its "virtual constructor" as
// `using TCreateArgs = std::tuple<...>;` (inherited from the nearest ancestor that declares it: none for
// TObject, the owner for TComponent, the collection for TCollectionItem). NewInstance<T>(cls, args...) builds
// an instance of the class that cls names through the public constructor taking exactly those arguments.
#include <exception>
#include <string>
#include <tuple>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "platform/rtl/SysUtils.h"

class TObject;

struct TMetaClass {
  const char* Name;
  const TMetaClass* Parent; // nullptr for TObject
  // The argument tuple type the class's factory expects, and the factory itself; Construct answers nullptr
  // for an abstract class or one without a public constructor taking those arguments.
  const std::type_info* CreateArgsType;
  TObject* (*Construct)(const void* args);

  AnsiString ClassName() const { return Name; }
  const TMetaClass* ClassParent() const { return Parent; }
  // True for the class itself and for every descendant of AClass.
  bool InheritsFrom(const TMetaClass* AClass) const;
  bool ClassNameIs(std::string_view AName) const;
};

using TClass = const TMetaClass*;

class EInvalidCast : public Exception {
  using Exception::Exception;
};
class EFilerError : public EStreamError {
  using EStreamError::EStreamError;
};
class EClassNotFound : public EFilerError {
  using EFilerError::EFilerError;
};

namespace pelvor_detail {
template <class T, class Tuple> struct ConstructibleFromTuple;
template <class T, class... A>
struct ConstructibleFromTuple<T, std::tuple<A...>> : std::is_constructible<T, A...> {};

template <class T> TObject* ConstructFromArgs(const void* args) {
  using Args = typename T::TCreateArgs;
  if constexpr (std::is_abstract_v<T> || !ConstructibleFromTuple<T, Args>::value) {
    (void)args;
    return nullptr;
  } else {
    return std::apply([](auto... a) -> TObject* { return new T(a...); }, *static_cast<const Args*>(args));
  }
}
} // namespace pelvor_detail

#define PELVOR_CLASS(Self, Base)                                                                             \
public:                                                                                                      \
  static TClass StaticClass() {                                                                              \
    static const TMetaClass info{#Self, Base::StaticClass(), &typeid(typename Self::TCreateArgs),            \
                                 &::pelvor_detail::ConstructFromArgs<Self>};                                 \
    return &info;                                                                                            \
  }                                                                                                          \
  TClass ClassType() const override {                                                                        \
    return StaticClass();                                                                                    \
  }

class TObject {
public:
  using TCreateArgs = std::tuple<>;

  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }

  AnsiString ClassName() const { return ClassType()->Name; }
  TClass ClassParent() const { return ClassType()->Parent; }
  bool InheritsFrom(TClass AClass) const { return ClassType()->InheritsFrom(AClass); }
  bool ClassNameIs(std::string_view AName) const { return ClassType()->ClassNameIs(AName); }

  // Runs before any destructor of the object, while it is still whole; components mark themselves as being
  // destroyed here so that their descendants' destructors can see it.
  virtual void BeforeDestruction() {}
  // Destroys an object through BeforeDestruction; prefer it (or FreeAndNil) to a bare delete.
  void Free() {
    BeforeDestruction();
    delete this;
  }
};

template <class T> TClass ClassOf() {
  return T::StaticClass();
}

template <class T> void FreeAndNil(T*& obj) {
  T* p = obj;
  obj = nullptr;
  if (p)
    p->Free();
}

// A deleter for std::unique_ptr that frees through Free().
struct TObjectDeleter {
  void operator()(TObject* obj) const {
    if (obj)
      obj->Free();
  }
};

template <class T> bool Is(const TObject* obj) {
  return dynamic_cast<const T*>(obj) != nullptr;
}

// The checked cast: nullptr stays nullptr, an object of another class raises EInvalidCast.
template <class T> T* As(TObject* obj) {
  if (!obj)
    return nullptr;
  if (T* p = dynamic_cast<T*>(obj))
    return p;
  throw EInvalidCast("Invalid class typecast");
}
template <class T> const T* As(const TObject* obj) {
  return As<T>(const_cast<TObject*>(obj));
}

// Raises unless AClass is T or a descendant of it and its virtual constructor takes T's arguments.
void CheckInstantiable(TClass AClass, TClass ABase, const std::type_info& argsType);

// Creates an instance of the class that AClass names through the virtual constructor declared at T's level;
// AClass must be T or a descendant of it.
template <class T, class... A> T* NewInstance(TClass AClass, A&&... args) {
  using Args = typename T::TCreateArgs;
  CheckInstantiable(AClass, ClassOf<T>(), typeid(Args));
  const Args tuple(std::forward<A>(args)...);
  TObject* obj = AClass->Construct(&tuple);
  if (!obj)
    throw EInvalidOperation("Cannot create an instance of class " + AClass->ClassName());
  return dynamic_cast<T*>(obj);
}

// The process-wide registry of classes by name (case-insensitive), used by streaming to find a class again.
// Registering a class a second time does nothing; another class under a name already taken raises
// EFilerError.
void RegisterClass(TClass AClass);
void RegisterClasses(std::initializer_list<TClass> AClasses);
void UnRegisterClass(TClass AClass);
TClass GetClass(std::string_view AClassName);  // nullptr when not registered
TClass FindClass(std::string_view AClassName); // raises EClassNotFound when not registered

// Brackets a batch of changes in BeginUpdate and EndUpdate. EndUpdate also runs when the batch raises, and
// then anything it raises itself is dropped, so the caller sees the failure from inside the batch.
template <class T> class TUpdateBlock {
public:
  explicit TUpdateBlock(T& Target) : FTarget(Target), FUncaught(std::uncaught_exceptions()) {
    FTarget.BeginUpdate();
  }
  ~TUpdateBlock() noexcept(false) {
    if (std::uncaught_exceptions() == FUncaught) {
      FTarget.EndUpdate();
      return;
    }
    try {
      FTarget.EndUpdate();
    } catch (...) {
    }
  }
  TUpdateBlock(const TUpdateBlock&) = delete;
  TUpdateBlock& operator=(const TUpdateBlock&) = delete;

private:
  T& FTarget;
  int FUncaught;
};
