#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "protocol/operations.h"
#include "requests/corvane_broker_registry_svc.h"
#include "tests/registry/planted_link.h"
#include "tests/registry/scratch_key.h"
#include "tests/support/debug_capture.h"
#include "tests/support/frames.h"

namespace corvane {
namespace {

using namespace std::string_literals;
using namespace test;
using enum BrokerOperation;
using enum BrokerStatus;
using enum RegistryHive;

// The codes of the table's rows that `pick` selects.
template <class Pick>
std::vector<BrokerOperation> CodesWhere(Pick pick) {
  std::vector<BrokerOperation> codes;
  for (const OperationInfo& row : kOperations) {
    if (pick(row)) codes.push_back(row.code);
  }
  return codes;
}

// Codes without a row: zero, the table's first gap, one past its largest
// code, and far ones.
std::vector<uint32_t> UnassignedCodes() {
  uint32_t gap = 1;
  while (FindOperation(gap) != nullptr) ++gap;
  uint32_t largest = 0;
  for (const OperationInfo& row : kOperations) largest = std::max(largest, OperationCode(row.code));
  return {0u, gap, largest + 1, 1000u, 0xFFFFFFFFu};
}

const std::string kOutside = "[CorvaneBroker] denied: outside Corvane subtree\n";
const std::string kMalformed = "[CorvaneBroker] denied: malformed key\n";
const std::string kUnknownHive = "[CorvaneBroker] denied: unknown hive\n";
const std::string kReadOnly = "[CorvaneBroker] denied: write to read-only hive\n";
const std::string kCopyDenied = "[CorvaneBroker] copy tree denied\n";

using Lines = std::vector<std::string>;

class Dispatch : public ::testing::Test {
 protected:
  // Runs one request with a text that must be replaced or emptied, and
  // keeps only the diagnostic lines of that request.
  Reply Run(BrokerOperation operation, const std::u16string& path, const std::u16string& name = u"",
            const std::u16string& data = u"", RegistryHive hive = CurrentUser) {
    return Run(OperationCode(operation), path, name, data, hive);
  }
  Reply Run(uint32_t operation, const std::u16string& path, const std::u16string& name = u"",
            std::u16string data = u"", RegistryHive hive = CurrentUser) {
    capture_.Clear();
    text = u"stale";
    const BrokerStatus status = DispatchOperation(operation, hive, path, name, data, text);
    return {status, text};
  }
  Lines lines() { return capture_.Lines(); }

  ScratchKey key;
  std::u16string text;

 private:
  test::DebugCapture capture_;
};

TEST_F(Dispatch, PingAnswersPongWhateverElseArrives) {
  EXPECT_EQ(Run(Ping, u"..\\\0junk"s, u"a\\b", u"x", static_cast<RegistryHive>(99)),
            (Reply{Ok, u"pong"}));
  EXPECT_EQ(lines(), Lines{});
}

TEST_F(Dispatch, UnassignedCodesPassTheKeyCheckAsReadersAndAnswerInvalid) {
  for (uint32_t op : UnassignedCodes()) {
    SCOPED_TRACE(op);
    ASSERT_EQ(FindOperation(op), nullptr);
    EXPECT_EQ(Run(op, key.path()), (Reply{Invalid, u""}));
    EXPECT_EQ(lines(), Lines{});
    EXPECT_EQ(Run(op, u"Software\\Corvane\\x", u"", u"", LocalMachine).status, Invalid);
    EXPECT_EQ(lines(), Lines{});

    EXPECT_EQ(Run(op, u"Software\\Other"), (Reply{Denied, u""}));
    EXPECT_EQ(lines(), Lines{kOutside});
    EXPECT_EQ(Run(op, u"").status, Denied);
    EXPECT_EQ(lines(), Lines{kMalformed});
    EXPECT_EQ(Run(op, key.path(), u"", u"", static_cast<RegistryHive>(7)).status, Denied);
    EXPECT_EQ(lines(), Lines{kUnknownHive});
  }
  EXPECT_FALSE(RawKeyExists(key.root(), key.path()));
}

TEST_F(Dispatch, ReadStringAnswersTheValueOrNotFound) {
  RawSetString(key.root(), key.path(), u"s", u"hello");
  RawSetString(key.root(), key.path(), u"e", u"%TEMP%\\x", REG_EXPAND_SZ);
  RawSetString(key.root(), key.path(), u"", u"default");
  RawSetDword(key.root(), key.path(), u"d", 1);

  EXPECT_EQ(Run(ReadString, key.path(), u"s"), (Reply{Ok, u"hello"}));
  EXPECT_EQ(Run(ReadString, key.path(), u"e"), (Reply{Ok, u"%TEMP%\\x"}));
  EXPECT_EQ(Run(ReadString, key.path(), u""), (Reply{Ok, u"default"}));
  for (const auto& name : {u"d"s, u"missing"s}) {
    EXPECT_EQ(Run(ReadString, key.path(), name), (Reply{NotFound, u""}));
  }
  EXPECT_EQ(Run(ReadString, key.Sub(u"missing"), u"s").status, NotFound);
  EXPECT_EQ(lines(), Lines{});
}

TEST_F(Dispatch, ValueNamesWithSeparatorsAreInvalidOnlyAfterThePolicyAllows) {
  const std::u16string fresh = key.Sub(u"fresh");
  for (BrokerOperation op :
       CodesWhere([](const OperationInfo& row) { return row.nameRole == FieldRole::ValueName; })) {
    SCOPED_TRACE(Operation(op).name);
    for (const auto& name : {u"a\\b"s, u"a/b"s, u"a\0b"s}) {
      EXPECT_EQ(Run(op, fresh, name, u"1"), (Reply{Invalid, u""}));
      EXPECT_EQ(lines(), Lines{});
    }
    EXPECT_EQ(Run(op, u"Software\\Other", u"a\\b", u"1").status, Denied);
    EXPECT_EQ(lines(), Lines{kOutside});
  }
  EXPECT_FALSE(RawKeyExists(key.root(), fresh));

  // The key operations do not look at the name.
  RawCreateKey(key.root(), key.Sub(u"k"));
  EXPECT_EQ(Run(KeyExists, key.Sub(u"k"), u"a\\b").status, Ok);
  EXPECT_EQ(Run(ListSubkeys, key.Sub(u"k"), u"a\\b").status, Ok);
  EXPECT_EQ(Run(DeleteKey, key.Sub(u"k"), u"a\\b").status, Ok);
  EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(u"k")));
}

TEST_F(Dispatch, WriteStringStoresTheDataWithItsTerminator) {
  EXPECT_EQ(Run(WriteString, key.Sub(u"new\\deep"), u"v", u"a\0b"s), (Reply{Ok, u""}));
  const auto stored = RawGet(key.root(), key.Sub(u"new\\deep"), u"v");
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored.bytes, BytesOf(u"a\0b\0"s));
  EXPECT_EQ(lines(), Lines{});
}

TEST_F(Dispatch, WritesThatFailAnswerFailed) {
  // The registry refuses a lasting key below a volatile one.
  RegKey volatileKey;
  ASSERT_EQ(
      RegCreateKeyExW(key.root(), test::W(key.Sub(u"volatile")), 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_WRITE, nullptr, volatileKey.Receive(), nullptr),
      ERROR_SUCCESS);
  const std::u16string refused = key.Sub(u"volatile\\lasting");
  EXPECT_EQ(Run(WriteString, refused, u"v", u"x").status, Failed);
  EXPECT_EQ(Run(WriteDword, refused, u"v", u"1").status, Failed);
  EXPECT_EQ(Run(WriteQword, refused, u"v", u"1"), (Reply{Failed, u""}));
  EXPECT_EQ(lines(), Lines{});
}

TEST_F(Dispatch, LocalMachineIsReadOnly) {
  if (!MachineSoftwareWritable()) GTEST_SKIP() << kNoMachineWrites;
  ScratchKey machine(HKEY_LOCAL_MACHINE);
  RawSetString(HKEY_LOCAL_MACHINE, machine.path(), u"v", u"machine value");
  RawCreateKey(HKEY_LOCAL_MACHINE, machine.Sub(u"child"));

  EXPECT_EQ(Run(ReadString, machine.path(), u"v", u"", LocalMachine),
            (Reply{Ok, u"machine value"}));
  EXPECT_EQ(Run(KeyExists, machine.path(), u"", u"", LocalMachine).status, Ok);
  EXPECT_EQ(Run(ListSubkeys, machine.path(), u"", u"", LocalMachine), (Reply{Ok, u"child\0"s}));
  EXPECT_EQ(lines(), Lines{});

  const auto keyWriters = CodesWhere([](const OperationInfo& row) {
    return row.writes && row.check == OperationCheck::RegistryKey;
  });
  for (BrokerOperation op : keyWriters) {
    SCOPED_TRACE(Operation(op).name);
    EXPECT_EQ(Run(op, machine.path(), u"v", u"1", LocalMachine).status, Denied);
    EXPECT_EQ(lines(), Lines{kReadOnly});
    EXPECT_EQ(Run(op, u"System", u"v", u"1", LocalMachine).status, Denied);
    EXPECT_EQ(lines(), Lines{kReadOnly});
  }
  EXPECT_EQ(Run(CopyKeyTree, machine.path(), machine.Sub(u"copy"), u"", LocalMachine).status,
            Denied);
  EXPECT_EQ(lines(), Lines{kCopyDenied});
  EXPECT_EQ(RawGet(HKEY_LOCAL_MACHINE, machine.path(), u"v").bytes, BytesOf(u"machine value\0"s));
  EXPECT_EQ(RawSubkeys(HKEY_LOCAL_MACHINE, machine.path()), std::vector<std::u16string>{u"child"});

  // The user hive's own "corvane" root is not a machine root.
  EXPECT_EQ(Run(ReadString, u"Corvane\\x", u"v", u"", LocalMachine).status, Denied);
  EXPECT_EQ(lines(), Lines{kOutside});
}

TEST_F(Dispatch, DwordWritesKeepTheLow32BitsOfASignedParse) {
  struct Case {
    std::u16string data;
    uint32_t stored;
  };
  const Case cases[] = {
      {u"4294967295", 0xFFFFFFFFu}, {u"-1", 0xFFFFFFFFu}, {u"letters", 0},
      {u"4294967296", 0},           {u" \t+42xyz", 42},   {u"99999999999999999999", 0xFFFFFFFFu}};
  for (const auto& c : cases) {
    EXPECT_EQ(Run(WriteDword, key.path(), u"d", c.data).status, Ok);
    const auto stored = RawGet(key.root(), key.path(), u"d");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
    uint32_t value = 0;
    ASSERT_EQ(stored.bytes.size(), sizeof(value));
    memcpy(&value, stored.bytes.data(), sizeof(value));
    EXPECT_EQ(value, c.stored);
  }
  EXPECT_EQ(text, u"");
}

TEST_F(Dispatch, DwordReadsAnswerUnsignedDecimalOrNotFound) {
  RawSetDword(key.root(), key.path(), u"max", 0xFFFFFFFFu);
  RawSetDword(key.root(), key.path(), u"zero", 0);
  RawSetString(key.root(), key.path(), u"s", u"12");
  const uint64_t q = 5;
  RawSet(key.root(), key.path(), u"q", REG_QWORD, &q, sizeof(q));

  EXPECT_EQ(Run(ReadDword, key.path(), u"max"), (Reply{Ok, u"4294967295"}));
  EXPECT_EQ(Run(ReadDword, key.path(), u"zero"), (Reply{Ok, u"0"}));
  for (const auto& name : {u"s"s, u"q"s, u"missing"s}) {
    EXPECT_EQ(Run(ReadDword, key.path(), name), (Reply{NotFound, u""}));
  }
}

TEST_F(Dispatch, QwordsRoundTripThroughAnUnsignedParse) {
  EXPECT_EQ(Run(WriteQword, key.path(), u"q", u"-1").status, Ok);
  EXPECT_EQ(RawGet(key.root(), key.path(), u"q").bytes, std::vector<uint8_t>(8, 0xFF));
  EXPECT_EQ(Run(ReadQword, key.path(), u"q"), (Reply{Ok, u"18446744073709551615"}));

  EXPECT_EQ(Run(WriteQword, key.path(), u"q", u"123456789012").status, Ok);
  EXPECT_EQ(Run(ReadQword, key.path(), u"q"), (Reply{Ok, u"123456789012"}));

  RawSetDword(key.root(), key.path(), u"d", 1);
  EXPECT_EQ(Run(ReadQword, key.path(), u"d"), (Reply{NotFound, u""}));
}

TEST_F(Dispatch, DeletesSucceedWhenNothingIsLeft) {
  RawSetString(key.root(), key.path(), u"v", u"x");
  RawCreateKey(key.root(), key.Sub(u"parent\\child"));
  RawSetString(key.root(), key.Sub(u"tree\\a\\b"), u"v", u"x");

  EXPECT_EQ(Run(DeleteValue, key.path(), u"v").status, Ok);
  EXPECT_FALSE(RawGet(key.root(), key.path(), u"v").found);
  EXPECT_EQ(Run(DeleteValue, key.path(), u"v").status, Ok);
  EXPECT_EQ(Run(DeleteValue, key.Sub(u"missing"), u"v").status, Failed);

  EXPECT_EQ(Run(DeleteKey, key.Sub(u"parent"), u"").status, Failed);
  EXPECT_TRUE(RawKeyExists(key.root(), key.Sub(u"parent\\child")));
  EXPECT_EQ(Run(DeleteKey, key.Sub(u"parent\\child"), u"").status, Ok);
  EXPECT_EQ(Run(DeleteKey, key.Sub(u"missing"), u"").status, Ok);

  EXPECT_EQ(Run(DeleteKeyTree, key.Sub(u"tree"), u"").status, Ok);
  EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(u"tree")));
  EXPECT_EQ(Run(DeleteKeyTree, key.Sub(u"tree"), u""), (Reply{Ok, u""}));
  EXPECT_EQ(lines(), Lines{});
}

TEST_F(Dispatch, KeyExistsAnswersOkOrNotFound) {
  RawCreateKey(key.root(), key.path());
  EXPECT_EQ(Run(KeyExists, key.path()).status, Ok);
  EXPECT_EQ(Run(KeyExists, key.Sub(u"missing")), (Reply{NotFound, u""}));
}

TEST_F(Dispatch, ListSubkeysJoinsNamesEachFollowedByNul) {
  RawCreateKey(key.root(), key.Sub(u"A\\grandchild"));
  RawCreateKey(key.root(), key.Sub(u"B"));
  RawCreateKey(key.root(), key.Sub(u"empty"));

  const auto order = RawSubkeys(key.root(), key.path());
  ASSERT_EQ(order.size(), 3u);
  std::u16string expected;
  for (const auto& name : order) expected += name + u'\0';
  EXPECT_EQ(Run(ListSubkeys, key.path()), (Reply{Ok, expected}));

  EXPECT_EQ(Run(ListSubkeys, key.Sub(u"A")), (Reply{Ok, u"grandchild\0"s}));
  EXPECT_EQ(Run(ListSubkeys, key.Sub(u"empty")), (Reply{Ok, u""}));
  EXPECT_EQ(Run(ListSubkeys, key.Sub(u"missing")), (Reply{NotFound, u""}));
}

TEST_F(Dispatch, ListValuesJoinsNamesAndTexts) {
  RawSetString(key.root(), key.path(), u"", u"default");
  RawSetDword(key.root(), key.path(), u"d", 5);
  RawSetString(key.root(), key.path(), u"s", u"text");

  const std::map<std::u16string, std::u16string> texts = {
      {u"", u"default"}, {u"d", u""}, {u"s", u"text"}};
  std::u16string expected;
  for (const auto& name : test::RawValueNames(key.root(), key.path())) {
    expected += name + u'\0' + texts.at(name) + u'\0';
  }
  EXPECT_EQ(expected.size(), 19u);
  EXPECT_EQ(Run(ListValues, key.path()), (Reply{Ok, expected}));

  RawCreateKey(key.root(), key.Sub(u"none"));
  EXPECT_EQ(Run(ListValues, key.Sub(u"none")), (Reply{Ok, u""}));
  EXPECT_EQ(Run(ListValues, key.Sub(u"missing")), (Reply{NotFound, u""}));
}

TEST_F(Dispatch, CopyKeyTreeChecksBothKeysAndAnswersNotFoundOnFailure) {
  RawSetString(key.root(), key.Sub(u"src\\sub"), u"v", u"x");

  EXPECT_EQ(Run(CopyKeyTree, key.Sub(u"src"), key.Sub(u"dst")).status, Ok);
  EXPECT_TRUE(RawGet(key.root(), key.Sub(u"dst\\sub"), u"v").found);
  EXPECT_EQ(lines(), Lines{});

  EXPECT_EQ(Run(CopyKeyTree, key.Sub(u"src"), u"Software\\Other\\dst").status, Denied);
  EXPECT_EQ(lines(), Lines{kCopyDenied});
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, u"Software\\Other\\dst"));
  EXPECT_EQ(Run(CopyKeyTree, u"Software\\Other", key.Sub(u"dst2")).status, Denied);
  EXPECT_EQ(lines(), Lines{kCopyDenied});
  EXPECT_EQ(Run(CopyKeyTree, key.Sub(u"src"), u"").status, Denied);
  EXPECT_EQ(lines(), Lines{kCopyDenied});
  EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(u"dst2")));

  EXPECT_EQ(Run(CopyKeyTree, key.Sub(u"missing"), key.Sub(u"dst3")).status, NotFound);
  EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(u"dst3")));
  EXPECT_EQ(Run(CopyKeyTree, key.Sub(u"src"), key.Sub(u"src\\inside")), (Reply{NotFound, u""}));
  EXPECT_EQ(lines(), Lines{});

  // A link found while copying is refused with the copy's own line too.
  test::PlantedLink link(key.Sub(u"src\\link"), u"Software\\Corvane");
  EXPECT_EQ(Run(CopyKeyTree, key.Sub(u"src"), key.Sub(u"dst4")).status, Denied);
  EXPECT_EQ(lines(), Lines{kCopyDenied});
}

}  // namespace
}  // namespace corvane
