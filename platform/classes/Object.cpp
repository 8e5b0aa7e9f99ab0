#include "platform/classes/Object.h"

#include <map>
#include <mutex>

namespace {

bool AsciiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z')
      x = char(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z')
      y = char(y - 'a' + 'A');
    if (x != y)
      return false;
  }
  return true;
}

// Class names are identifiers, so an ASCII case fold is the whole of their case rule.
struct AsciiLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
      unsigned char x = a[i], y = b[i];
      if (x >= 'a' && x <= 'z')
        x = x - 'a' + 'A';
      if (y >= 'a' && y <= 'z')
        y = y - 'a' + 'A';
      if (x != y)
        return x < y;
    }
    return a.size() < b.size();
  }
};

struct ClassRegistry {
  std::mutex lock;
  std::map<std::string, TClass, AsciiLess> classes;
};

// Built on first use rather than by a static constructor, so registration order never depends on link order.
ClassRegistry& Registry() {
  static ClassRegistry registry;
  return registry;
}

} // namespace

bool TMetaClass::InheritsFrom(const TMetaClass* AClass) const {
  for (const TMetaClass* c = this; c; c = c->Parent)
    if (c == AClass)
      return true;
  return false;
}

bool TMetaClass::ClassNameIs(std::string_view AName) const {
  return AsciiSameText(Name, AName);
}

TClass TObject::StaticClass() {
  static const TMetaClass info{"TObject", nullptr, &typeid(TCreateArgs),
                               &pelvor_detail::ConstructFromArgs<TObject>};
  return &info;
}

void CheckInstantiable(TClass AClass, TClass ABase, const std::type_info& argsType) {
  if (!AClass)
    throw EInvalidOperation("Cannot create an instance of a nil class");
  if (!AClass->InheritsFrom(ABase))
    throw EInvalidCast("Invalid class typecast: " + AClass->ClassName() + " is not a " + ABase->ClassName());
  if (*AClass->CreateArgsType != argsType)
    throw EInvalidOperation("Class " + AClass->ClassName() + " is not constructed with the arguments of " +
                            ABase->ClassName());
}

void RegisterClass(TClass AClass) {
  if (!AClass)
    return;
  ClassRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  auto [it, inserted] = r.classes.try_emplace(AClass->Name, AClass);
  if (!inserted && it->second != AClass)
    throw EFilerError("A class named " + AClass->ClassName() + " already exists");
}

void RegisterClasses(std::initializer_list<TClass> AClasses) {
  for (TClass c : AClasses)
    RegisterClass(c);
}

void UnRegisterClass(TClass AClass) {
  if (!AClass)
    return;
  ClassRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  auto it = r.classes.find(std::string_view(AClass->Name));
  if (it != r.classes.end() && it->second == AClass)
    r.classes.erase(it);
}

TClass GetClass(std::string_view AClassName) {
  ClassRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  auto it = r.classes.find(AClassName);
  return it == r.classes.end() ? nullptr : it->second;
}

TClass FindClass(std::string_view AClassName) {
  if (TClass c = GetClass(AClassName))
    return c;
  throw EClassNotFound("Class " + std::string(AClassName) + " not found");
}
