// What every client call gives back: its value, or an error that says in
// words what went wrong between the plug-in and the broker.
#pragma once

#include <cstdint>
#include <string>
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

// A call that has nothing to give back but success.
struct Done {};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(ClientError error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // Only when ok().
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  // Only when !ok().
  const ClientError& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, ClientError> state_;
};

}  // namespace corvane::client
