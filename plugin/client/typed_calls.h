// One typed call per broker operation, written once over the operation's
// row (protocol/operations.h). A call takes the hive when its path is a key,
// then one argument for each field the row uses: a text, a number for
// decimal data, bytes for hexadecimal data. It answers in the form of the
// row's Ok text: a text, a number, a list, name/text pairs or bytes; an
// operation whose Ok text is empty answers its status alone. A status other
// than 0 comes back as an answer, not as an error; errors are for a broker
// that is gone, silent or answers nonsense. Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "plugin/client/broker_connection.h"
#include "plugin/client/client_result.h"
#include "protocol/hives.h"
#include "protocol/operations.h"

namespace corvane::client {

using Hive = ::corvane::RegistryHive;

// `value` is meaningful only when ok().
template <class T>
struct Answer {
  int32_t status = 0;
  T value{};
  bool ok() const { return status == StatusCode(BrokerStatus::Ok); }
};

struct ValueItem {
  std::u16string name;
  std::u16string text;  // empty for a value that is not a string
};

namespace detail {

using Bytes = std::vector<uint8_t>;

// The arguments a field of each role takes (a key also takes its hive), and
// what an Ok text of each form is read into: declarations read by decltype.
template <FieldRole R>
using Role = std::integral_constant<FieldRole, R>;
std::tuple<> ArgumentsOf(Role<FieldRole::Unused>);
std::tuple<Hive, std::u16string> ArgumentsOf(Role<FieldRole::Key>);
std::tuple<uint32_t> ArgumentsOf(Role<FieldRole::Decimal32>);
std::tuple<uint64_t> ArgumentsOf(Role<FieldRole::Decimal64>);
std::tuple<const Bytes&> ArgumentsOf(Role<FieldRole::HexBytes>);
std::tuple<std::u16string> ArgumentsOf(...);  // every other role: a text

template <OkText F>
using Form = std::integral_constant<OkText, F>;
void ValueOf(Form<OkText::Empty>);  // the status is the answer
uint32_t ValueOf(Form<OkText::Decimal32>);
uint64_t ValueOf(Form<OkText::Decimal64>);
std::vector<std::u16string> ValueOf(Form<OkText::NulList>);
std::vector<ValueItem> ValueOf(Form<OkText::NulPairs>);
Bytes ValueOf(Form<OkText::HexBytes>);
std::u16string ValueOf(...);  // a text, "pong"

// A field's text for a typed argument.
std::u16string FieldText(std::u16string text);
std::u16string FieldText(uint32_t number);
std::u16string FieldText(uint64_t number);
std::u16string FieldText(const Bytes& bytes);

// Reads an Ok text into its value; false when the text has the wrong form.
bool ReadOkText(std::u16string& text, std::u16string& out);
bool ReadOkText(std::u16string& text, uint32_t& out);
bool ReadOkText(std::u16string& text, uint64_t& out);
bool ReadOkText(std::u16string& text, std::vector<std::u16string>& out);
bool ReadOkText(std::u16string& text, std::vector<ValueItem>& out);
bool ReadOkText(std::u16string& text, Bytes& out);

Result<int32_t> StatusOf(Result<Reply> reply);
ClientError WrongForm();

template <class T>
Result<Answer<T>> Read(Result<Reply> reply) {
  if (!reply) return reply.error();
  Answer<T> answer;
  answer.status = reply->status;
  if (answer.ok() && !ReadOkText(reply->text, answer.value)) return WrongForm();
  return answer;
}

// The call's parameters after the connection: those of path, name and data.
template <BrokerOperation Op>
using Arguments = decltype(std::tuple_cat(ArgumentsOf(Role<Operation(Op).pathRole>{}),
                                          ArgumentsOf(Role<Operation(Op).nameRole>{}),
                                          ArgumentsOf(Role<Operation(Op).dataRole>{})));

template <BrokerOperation Op, class Args = Arguments<Op>>
struct TypedCall;

template <BrokerOperation Op, class... A>
struct TypedCall<Op, std::tuple<A...>> {
  auto operator()(BrokerConnection& c, A... arguments) const {
    constexpr OperationInfo row = Operation(Op);
    [[maybe_unused]] auto given = std::forward_as_tuple(arguments...);
    constexpr size_t path = row.pathRole == FieldRole::Key ? 1 : 0;
    constexpr size_t name = path + (row.pathRole != FieldRole::Unused ? 1 : 0);
    constexpr size_t data = name + (row.nameRole != FieldRole::Unused ? 1 : 0);
    int32_t hive = HiveCode(Hive::CurrentUser);
    std::u16string fields[3];
    if constexpr (path == 1) hive = HiveCode(std::get<0>(given));
    if constexpr (name > path) fields[0] = FieldText(std::move(std::get<path>(given)));
    if constexpr (data > name) fields[1] = FieldText(std::move(std::get<name>(given)));
    if constexpr (row.dataRole != FieldRole::Unused) {
      fields[2] = FieldText(std::move(std::get<data>(given)));
    }
    Result<Reply> reply = c.Request(OperationCode(Op), hive, std::move(fields[0]),
                                    std::move(fields[1]), std::move(fields[2]));
    using T = decltype(ValueOf(Form<row.okText>{}));
    if constexpr (std::is_void_v<T>) {
      return StatusOf(std::move(reply));
    } else {
      return Read<T>(std::move(reply));
    }
  }
};

}  // namespace detail

// The call of every row; by name below, for the SDK's C layer and the tests.
// KeyExists and FileExists answer 0 for yes, 1 for no.
template <BrokerOperation Op>
inline constexpr detail::TypedCall<Op> Call{};

inline constexpr auto& ReadString = Call<BrokerOperation::ReadString>;
inline constexpr auto& WriteString = Call<BrokerOperation::WriteString>;
inline constexpr auto& ReadDword = Call<BrokerOperation::ReadDword>;
inline constexpr auto& WriteDword = Call<BrokerOperation::WriteDword>;
inline constexpr auto& ReadQword = Call<BrokerOperation::ReadQword>;
inline constexpr auto& WriteQword = Call<BrokerOperation::WriteQword>;
inline constexpr auto& DeleteValue = Call<BrokerOperation::DeleteValue>;
inline constexpr auto& DeleteKey = Call<BrokerOperation::DeleteKey>;
inline constexpr auto& DeleteKeyTree = Call<BrokerOperation::DeleteKeyTree>;
inline constexpr auto& KeyExists = Call<BrokerOperation::KeyExists>;
inline constexpr auto& ListSubkeys = Call<BrokerOperation::ListSubkeys>;
inline constexpr auto& ListValues = Call<BrokerOperation::ListValues>;
inline constexpr auto& CopyKeyTree = Call<BrokerOperation::CopyKeyTree>;
inline constexpr auto& FileRead = Call<BrokerOperation::FileRead>;
inline constexpr auto& FileWrite = Call<BrokerOperation::FileWrite>;
inline constexpr auto& FileExists = Call<BrokerOperation::FileExists>;
inline constexpr auto& FileDelete = Call<BrokerOperation::FileDelete>;
inline constexpr auto& FileCopy = Call<BrokerOperation::FileCopy>;
inline constexpr auto& FileExport = Call<BrokerOperation::FileExport>;
inline constexpr auto& ShellOpen = Call<BrokerOperation::ShellOpen>;
inline constexpr auto& Ping = Call<BrokerOperation::Ping>;

}  // namespace corvane::client
