#include "requests/registry_operations.h"

#include <vector>

#include "policy/registry_key_policy.h"
#include "registry/registry_enum.h"
#include "registry/registry_values.h"
#include "requests/broker_request.h"
#include "requests/decimal_text.h"
#include "requests/nul_joined_text.h"

namespace corvane {
namespace {

constexpr int32_t Code(BrokerStatus status) {
  return static_cast<int32_t>(status);
}

// The operations that name a single value.
bool NamesValue(BrokerOperation operation) {
  switch (operation) {
    case BrokerOperation::ReadString:
    case BrokerOperation::WriteString:
    case BrokerOperation::ReadDword:
    case BrokerOperation::WriteDword:
    case BrokerOperation::DeleteValue:
    case BrokerOperation::ReadQword:
    case BrokerOperation::WriteQword:
      return true;
    default:
      return false;
  }
}

int32_t ReadResult(bool ok) {
  return Code(ok ? BrokerStatus::Ok : BrokerStatus::NotFound);
}
int32_t WriteResult(bool ok) {
  return Code(ok ? BrokerStatus::Ok : BrokerStatus::Failed);
}

}  // namespace

int32_t PerformRegistryOperation(uint32_t operation, int32_t hive, const std::u16string& key,
                                 const std::u16string& name, const std::u16string& data,
                                 std::u16string& text) {
  const auto op = static_cast<BrokerOperation>(operation);
  if (NamesValue(op) && !IsValidValueName(name)) return Code(BrokerStatus::Invalid);

  switch (op) {
    case BrokerOperation::ReadString:
      return ReadResult(RegistryReadString(hive, key, name, text));
    case BrokerOperation::WriteString:
      return WriteResult(RegistryWriteString(hive, key, name, data));
    case BrokerOperation::ReadDword: {
      uint32_t value = 0;
      if (!RegistryReadDword(hive, key, name, value)) return ReadResult(false);
      text = FormatDecimal(value);
      return ReadResult(true);
    }
    case BrokerOperation::WriteDword:
      // The low 32 bits of the signed parse: "-1" stores 0xFFFFFFFF.
      return WriteResult(RegistryWriteDword(
          hive, key, name, static_cast<uint32_t>(static_cast<uint64_t>(ParseSignedDecimal(data)))));
    case BrokerOperation::DeleteValue:
      return WriteResult(RegistryDeleteValue(hive, key, name));
    case BrokerOperation::DeleteKey:
      return WriteResult(RegistryDeleteKey(hive, key));
    case BrokerOperation::DeleteKeyTree:
      return WriteResult(RegistryDeleteTree(hive, key));
    case BrokerOperation::KeyExists:
      return ReadResult(RegistryKeyExists(hive, key));
    case BrokerOperation::ListSubkeys: {
      std::vector<std::u16string> subkeys;
      if (!RegistryListSubkeys(hive, key, subkeys)) return ReadResult(false);
      text = JoinWithNul(subkeys);
      return ReadResult(true);
    }
    case BrokerOperation::ListValues: {
      std::vector<ValueEntry> values;
      if (!RegistryListValues(hive, key, values)) return ReadResult(false);
      text = JoinWithNul(values);
      return ReadResult(true);
    }
    case BrokerOperation::ReadQword: {
      uint64_t value = 0;
      if (!RegistryReadQword(hive, key, name, value)) return ReadResult(false);
      text = FormatDecimal(value);
      return ReadResult(true);
    }
    case BrokerOperation::WriteQword:
      return WriteResult(RegistryWriteQword(hive, key, name, ParseUnsignedDecimal(data)));
    default:
      return Code(BrokerStatus::Invalid);
  }
}

}  // namespace corvane
