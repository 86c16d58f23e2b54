// The hostile-path suite with requests dispatched in this process.
#include "tests/files/hostile_paths_suite.h"

namespace corvane::test {

Reply SendRequest(BrokerOperation operation, const std::u16string& path, const std::u16string& name,
                  const std::u16string& data) {
  return Call(operation, path, name, data);
}

}  // namespace corvane::test
