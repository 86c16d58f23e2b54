// What a call on the plug-in side (client, SDK, tool) gives back: its value,
// or the error that says why there is none; by default a ClientError, which
// says in words what went wrong between the plug-in and the broker. Shaped
// like std::expected, which C++20's library does not have yet.
//
// A failure is passed up in one way only, by returning the error as it is:
//   auto r = Call(); if (!r) return r.error();
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace corvane::client {

enum class ErrorKind {
  StartFailed,      // the broker process could not be started
  BrokerGone,       // the broker has exited or closed its end of the pipe
  TimedOut,         // no connection or no answer within the time allowed
  Malformed,        // the broker answered something other than the expected reply
  IoFailed,         // any other system error on the pipe
  InvalidArgument,  // the request cannot be put into a frame
};

// "StartFailed", "BrokerGone", ... for display.
const char* ErrorKindName(ErrorKind kind);

struct ClientError {
  ErrorKind kind;
  std::string message;
  uint32_t systemError = 0;  // the platform's code, where one caused it
};

// The value of a call that has nothing to give back but success.
struct Done {};

template <class T, class E = ClientError>
class [[nodiscard]] Result {
  static_assert(!std::is_same_v<T, E>, "a value and an error of one type cannot be told apart");

 public:
  Result(T v) : state_(std::in_place_index<0>, std::move(v)) {}  // NOLINT: implicit
  Result(E e) : state_(std::in_place_index<1>, std::move(e)) {}  // NOLINT: implicit

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // Only when ok().
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  // Only when !ok().
  const E& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, E> state_;
};

}  // namespace corvane::client
