// The broker's messages (declared in protocol/messages.h) as parameters and
// back. Both ends convert with these templates, each from the one
// declaration of a shape. The broker's typed entry converts leniently (a
// null 16-bit text is an empty text) and reports the tag that the first
// mismatching parameter should have had, as a returned value rather than an
// exception, since Wine loses a register when a C++ exception is caught in a
// process that runs under a debugger. The client takes a reply only with
// exactly the declared tags.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "ipc/msg_param.h"
#include "protocol/messages.h"

namespace ipc {

using corvane::protocol::kMsgBrokerReply;
using corvane::protocol::kMsgBrokerRequest;
using corvane::protocol::kMsgGetPluginChannel;
using corvane::protocol::kMsgKeepAlive;
using corvane::protocol::kMsgPluginChannelReply;
using corvane::protocol::kNoHandle;

// The tag a mismatching parameter should have had; nothing when it matched.
using ParamMismatch = std::optional<int32_t>;

// A 16-bit text, taken out of the parameter, or an empty text for a null
// 16-bit text; nothing for any other tag.
inline std::optional<std::u16string> Text16OrNull(MsgParam& p) {
  if (p.type == kText16) return std::move(p.text16);
  if (p.type == kNullText16) return std::u16string();
  return std::nullopt;
}

// The low 32 bits of a scalar with exactly this tag; nothing for any other.
inline std::optional<uint32_t> Scalar32(const MsgParam& p, int32_t tag) {
  if (p.type != tag) return std::nullopt;
  return p.Low32();
}

namespace shape {

template <class Shape>
using Fields = decltype(std::declval<Shape&>().Fields());
template <class Shape, size_t I>
using Field = std::remove_reference_t<std::tuple_element_t<I, Fields<Shape>>>;

// A text member takes kText16, a 64-bit one kInt64, a 32-bit one a 32-bit tag.
template <class T>
constexpr bool Fits(int32_t tag) {
  if constexpr (std::is_same_v<T, std::u16string>) {
    return tag == kText16;
  } else if constexpr (std::is_same_v<T, uint64_t>) {
    return tag == kInt64;
  } else {
    static_assert(std::is_same_v<T, uint32_t> || std::is_same_v<T, int32_t>);
    return tag == kInt32 || tag == kUint32;
  }
}

template <class Shape, size_t... I>
constexpr bool IsWellDeclared(std::index_sequence<I...>) {
  return std::tuple_size_v<Fields<Shape>> == sizeof...(I) &&
         (Fits<Field<Shape, I>>(Shape::kTags[I]) && ...);
}

template <class Shape>
constexpr size_t Count() {
  constexpr size_t n = corvane::protocol::kParamCount<Shape>;
  static_assert(IsWellDeclared<Shape>(std::make_index_sequence<n>()),
                "a shape's members must follow its tags");
  return n;
}

// The broker's reading of one parameter into its member.
inline ParamMismatch Take(MsgParam& p, int32_t tag, std::u16string& member) {
  auto text = Text16OrNull(p);
  if (!text) return tag;
  member = std::move(*text);
  return std::nullopt;
}
template <class T>
requires(sizeof(T) == 4) ParamMismatch Take(MsgParam& p, int32_t tag, T& member) {
  const auto value = Scalar32(p, tag);
  if (!value) return tag;
  member = static_cast<T>(*value);
  return std::nullopt;
}
inline ParamMismatch Take(MsgParam& p, int32_t tag, uint64_t& member) {
  if (p.type != tag) return tag;
  member = p.value;
  return std::nullopt;
}

// The client's reading of a parameter whose tag was checked.
inline void Read(const MsgParam& p, std::u16string& member) {
  member = p.text16;
}
template <class T>
requires(sizeof(T) == 4) void Read(const MsgParam& p, T& member) {
  member = static_cast<T>(p.Low32());
}
inline void Read(const MsgParam& p, uint64_t& member) {
  member = p.value;
}

// A member as the parameter that carries it.
inline MsgParam Make(int32_t, std::u16string&& member) {
  return MsgParam::Text16(std::move(member));
}
template <class T>
requires(sizeof(T) == 4) MsgParam Make(int32_t tag, T member) {
  return MsgParam::Scalar(tag, static_cast<uint32_t>(member));
}
inline MsgParam Make(int32_t tag, uint64_t member) {
  return MsgParam::Scalar(tag, member);
}

}  // namespace shape

// Fills `out` from `params` (as many as the shape declares), converted from
// the last parameter to the first; the first mismatch in that order decides
// the reported tag. `out` is changed only when all match.
template <class Shape>
ParamMismatch ConvertParams(MsgParam** params, Shape& out) {
  constexpr size_t n = shape::Count<Shape>();
  Shape in;
  auto members = in.Fields();
  ParamMismatch mismatch;
  [&]<size_t... I>(std::index_sequence<I...>) {
    (void)((!(mismatch = shape::Take(*params[n - 1 - I], Shape::kTags[n - 1 - I],
                                     std::get<n - 1 - I>(members)))) &&
           ...);
  }
  (std::make_index_sequence<n>());
  if (!mismatch) out = std::move(in);
  return mismatch;
}

// True, with `out` filled, when `params` has exactly the shape's tags.
template <class Shape>
bool ReadParams(const MsgParam* params, size_t count, Shape& out) {
  constexpr size_t n = shape::Count<Shape>();
  if (count != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (params[i].type != Shape::kTags[i]) return false;
  }
  auto members = out.Fields();
  [&]<size_t... I>(std::index_sequence<I...>) {
    (shape::Read(params[I], std::get<I>(members)), ...);
  }
  (std::make_index_sequence<n>());
  return true;
}

// The parameters of a message, into `out[0]` .. `out[n-1]`.
template <class Shape>
void MakeParams(Shape&& message, MsgParam* const* out) {
  constexpr size_t n = shape::Count<std::remove_cvref_t<Shape>>();
  auto members = message.Fields();
  [&]<size_t... I>(std::index_sequence<I...>) {
    ((*out[I] = shape::Make(std::remove_cvref_t<Shape>::kTags[I], std::move(std::get<I>(members)))),
     ...);
  }
  (std::make_index_sequence<n>());
}

// The typed entry's view of a shape (ipc/msg_in.h).
template <class Shape>
struct ShapeConverter {
  using In = Shape;
  static constexpr int32_t kCount = static_cast<int32_t>(shape::Count<Shape>());
  static ParamMismatch Convert(MsgParam** params, In& in) { return ConvertParams(params, in); }
};

template <int Id>
struct MsgParamConverter;

template <>
struct MsgParamConverter<kMsgBrokerRequest> : ShapeConverter<corvane::protocol::BrokerRequest> {};

template <>
struct MsgParamConverter<kMsgGetPluginChannel>
    : ShapeConverter<corvane::protocol::GetPluginChannel> {};

template <>
struct MsgParamConverter<kMsgBrokerReply> : ShapeConverter<corvane::protocol::BrokerReply> {
  static void Build(int32_t status, std::u16string&& text, MsgParam& p0, MsgParam& p1) {
    MsgParam* const out[] = {&p0, &p1};
    MakeParams(corvane::protocol::BrokerReply{status, std::move(text)}, out);
  }
};

}  // namespace ipc
