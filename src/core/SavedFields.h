#pragma once
// The build-time check that keeps a saved struct and its `Fields` list
// together: the list is what the tests walk to give every saved field a value
// and compare it after a save and a load, so a member missing from it would
// go unsaved without any test noticing. Beside each list:
//   static_assert(saved::kListsEveryMember<T>, "...");
#include <cstddef>

namespace korvana::saved {

// Stands for any one member in the aggregate-initialisation probe below.
struct AnyMember {
  template <typename T>
  operator T() const;
};

// How many members an aggregate has: the longest list of initializers it
// accepts (each initializer converts to the whole member, so no braces are
// elided into a member's own members).
template <typename T, typename... Members>
consteval size_t MemberCount() {
  if constexpr (requires { T{Members{}..., AnyMember{}}; })
    return MemberCount<T, Members..., AnyMember>();
  else
    return sizeof...(Members);
}

// How many fields T's `Fields` list visits. The visitor reads no field, so the
// group is never constructed: it is named as a union member that is not
// active.
template <typename T>
consteval size_t ListedCount() {
  union Storage {
    char none;
    T group;
    constexpr Storage() : none() {}
    constexpr ~Storage() {}
  } storage;
  size_t count = 0;
  T::Fields(storage.group, [&count](const char*, auto&) { ++count; });
  return count;
}

template <typename T>
inline constexpr bool kListsEveryMember = MemberCount<T>() == ListedCount<T>();

}  // namespace korvana::saved
