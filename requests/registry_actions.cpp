// The registry actions: they act on the key text the check judged
// (CheckedRequest::key), never on the request's raw path. A key reached
// through a registry link is refused like a key outside the subtree.
#include <vector>

#include "protocol/decimal_text.h"
#include "protocol/nul_joined_text.h"
#include "registry/registry_enum.h"
#include "registry/registry_values.h"
#include "requests/operation_actions.h"

namespace corvane::action {
namespace {

BrokerStatus ReadResult(RegistryResult result) {
  if (result.throughLink()) return BrokerStatus::Denied;
  return result ? BrokerStatus::Ok : BrokerStatus::NotFound;
}
BrokerStatus WriteResult(RegistryResult result) {
  if (result.throughLink()) return BrokerStatus::Denied;
  return result ? BrokerStatus::Ok : BrokerStatus::Failed;
}

// A number value, answered in unsigned decimal.
template <class T,
          RegistryResult (*Read)(RegistryHive, const std::u16string&, const std::u16string&, T&)>
BrokerStatus ReadNumber(const CheckedRequest& r, std::u16string& text) {
  T value = 0;
  const RegistryResult result = Read(r.hive, r.key, r.name, value);
  if (!result) return ReadResult(result);
  text += FormatDecimal(value);
  return ReadResult(true);
}

// A listing, answered as its elements each followed by U+0000.
template <class T, RegistryResult (*List)(RegistryHive, const std::u16string&, std::vector<T>&)>
BrokerStatus ReadListing(const CheckedRequest& r, std::u16string& text) {
  std::vector<T> items;
  const RegistryResult result = List(r.hive, r.key, items);
  if (!result) return ReadResult(result);
  text += JoinWithNul(items);
  return ReadResult(true);
}

}  // namespace

BrokerStatus ReadString(const CheckedRequest& r, std::u16string& text) {
  return ReadResult(RegistryReadString(r.hive, r.key, r.name, text));
}

BrokerStatus WriteString(const CheckedRequest& r, std::u16string&) {
  return WriteResult(RegistryWriteString(r.hive, r.key, r.name, r.data));
}

BrokerStatus ReadDword(const CheckedRequest& r, std::u16string& text) {
  return ReadNumber<uint32_t, RegistryReadDword>(r, text);
}

BrokerStatus WriteDword(const CheckedRequest& r, std::u16string&) {
  // The low 32 bits of the signed parse: "-1" stores 0xFFFFFFFF.
  const auto value = static_cast<uint32_t>(static_cast<uint64_t>(ParseSignedDecimal(r.data)));
  return WriteResult(RegistryWriteDword(r.hive, r.key, r.name, value));
}

BrokerStatus ReadQword(const CheckedRequest& r, std::u16string& text) {
  return ReadNumber<uint64_t, RegistryReadQword>(r, text);
}

BrokerStatus WriteQword(const CheckedRequest& r, std::u16string&) {
  return WriteResult(RegistryWriteQword(r.hive, r.key, r.name, ParseUnsignedDecimal(r.data)));
}

BrokerStatus DeleteValue(const CheckedRequest& r, std::u16string&) {
  return WriteResult(RegistryDeleteValue(r.hive, r.key, r.name));
}

BrokerStatus DeleteKey(const CheckedRequest& r, std::u16string&) {
  return WriteResult(RegistryDeleteKey(r.hive, r.key));
}

BrokerStatus DeleteKeyTree(const CheckedRequest& r, std::u16string&) {
  return WriteResult(RegistryDeleteTree(r.hive, r.key));
}

BrokerStatus KeyExists(const CheckedRequest& r, std::u16string&) {
  return ReadResult(RegistryKeyExists(r.hive, r.key));
}

BrokerStatus ListSubkeys(const CheckedRequest& r, std::u16string& text) {
  return ReadListing<std::u16string, RegistryListSubkeys>(r, text);
}

BrokerStatus ListValues(const CheckedRequest& r, std::u16string& text) {
  return ReadListing<ValueEntry, RegistryListValues>(r, text);
}

BrokerStatus CopyKeyTree(const CheckedRequest& r, std::u16string&) {
  return ReadResult(RegistryCopyTree(r.hive, r.key, r.destinationKey));
}

}  // namespace corvane::action
