// Sends one request through the service's dispatch, in-process.
#pragma once

#include <string>

#include "requests/corvane_broker_registry_svc.h"
#include "tests/support/frames.h"

namespace corvane::test {

inline Reply Call(BrokerOperation operation, const std::u16string& path,
                  const std::u16string& name = {}, std::u16string data = {}) {
  std::u16string text = u"stale";  // the dispatch must clear it
  const BrokerStatus status = DispatchOperation(OperationCode(operation), RegistryHive::CurrentUser,
                                                path, name, data, text);
  return {status, text};
}

}  // namespace corvane::test
