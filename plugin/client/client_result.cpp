#include "plugin/client/client_result.h"

namespace corvane::client {

const char* ErrorKindName(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::StartFailed:
      return "StartFailed";
    case ErrorKind::BrokerGone:
      return "BrokerGone";
    case ErrorKind::TimedOut:
      return "TimedOut";
    case ErrorKind::Malformed:
      return "Malformed";
    case ErrorKind::IoFailed:
      return "IoFailed";
    case ErrorKind::InvalidArgument:
      return "InvalidArgument";
  }
  return "Unknown";
}

}  // namespace corvane::client
