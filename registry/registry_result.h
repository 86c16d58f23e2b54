// What a registry primitive answers: done or not, and when not, whether
// that was because a key it was given lies through a registry link, which
// no primitive follows. Portable.
#pragma once

#include <type_traits>

namespace corvane {

class RegistryResult {
 public:
  // From a bool only, so `return true;` reads as the plain answer it is and
  // no status code slips in as one.
  template <class Bool, std::enable_if_t<std::is_same_v<Bool, bool>, int> = 0>
  constexpr RegistryResult(Bool done) : kind_(done ? Kind::Done : Kind::NotDone) {}
  static constexpr RegistryResult ThroughLink() { return RegistryResult(Kind::ThroughLink); }

  constexpr explicit operator bool() const { return kind_ == Kind::Done; }
  constexpr bool throughLink() const { return kind_ == Kind::ThroughLink; }

 private:
  enum class Kind { NotDone, Done, ThroughLink };
  constexpr explicit RegistryResult(Kind kind) : kind_(kind) {}
  Kind kind_;
};

}  // namespace corvane
