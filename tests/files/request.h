// Sends one request through the service's dispatch, in-process.
#pragma once

#include <cstdint>
#include <string>

#include "requests/corvane_broker_registry_svc.h"

namespace corvane::test {

struct Reply {
  int32_t status = -1;
  std::u16string text;
};

inline Reply Call(uint32_t operation, const std::u16string& path, const std::u16string& name = {},
                  std::u16string data = {}) {
  Reply reply;
  reply.text = u"stale";  // the dispatch must clear it
  reply.status = StatusCode(
      DispatchOperation(operation, RegistryHive::CurrentUser, path, name, data, reply.text));
  return reply;
}

}  // namespace corvane::test
