// What a plug-in may touch through the broker: every grant of the access
// policy, top to bottom. Anything not granted here is refused. The checks of
// this folder read these constants and hold no copies; SECURITY.md's table
// "What a plug-in may touch" is held to them by a test.
//
// Texts are lower case: the checks compare them with lower-cased copies of
// the request's texts, so any case is admitted.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "protocol/hives.h"

namespace corvane {

// ---- The registry: keys and values at or below these roots, given without
// separators at either end ("software\corvanex" is not below
// "software\corvane").

inline constexpr std::array<std::u16string_view, 2> kCurrentUserRoots = {u"software\\corvane",
                                                                         u"corvane"};
inline constexpr std::array<std::u16string_view, 2> kLocalMachineRoots = {
    u"software\\corvane", u"software\\wow6432node\\corvane"};

// A read-only hive refuses every writing operation, whatever the key.
enum class HiveAccess { Read, ReadWrite };

struct HiveGrant {
  RegistryHive hive;
  HiveAccess access;
  std::span<const std::u16string_view> roots;
};

// Any other hive code is refused.
inline constexpr HiveGrant kHiveGrants[] = {
    {RegistryHive::CurrentUser, HiveAccess::ReadWrite, kCurrentUserRoots},
    {RegistryHive::LocalMachine, HiveAccess::Read, kLocalMachineRoots},
};

// ---- Files, bound to two folders that the request service looks up for each
// request: the user's roaming application-data folder, and the temporary
// folder ("Temp" in the local application-data folder).

// Read, write, test and delete: anything inside a folder directly below the
// roaming application-data folder whose name is this one, or this one
// followed by this many hex digits.
inline constexpr std::u16string_view kAppDataFolderName = u"corvane";
inline constexpr size_t kAppDataFolderHexDigits = 8;

// Copy in: a document of this type, from any absolute path, to anywhere
// inside the temporary folder.
inline constexpr std::u16string_view kCopyExtension = u".pdf";

// Copy out: an image of one of these types, from inside the temporary folder
// to any plain absolute path with the same extension.
inline constexpr std::array<std::u16string_view, 6> kExportExtensions = {u".jpg", u".png", u".bmp",
                                                                         u".dib", u".tif", u".gif"};

// ---- The shell's "open": web addresses and documents.

// A web address starts with its scheme's prefix; the shell opens it with the
// handler of `type`.
struct WebScheme {
  std::u16string_view prefix;
  std::u16string_view type;
};
inline constexpr WebScheme kWebSchemes[] = {{u"http://", u"http"}, {u"https://", u"https"}};

// A document ends in one of these extensions and opens with that type's
// handler. It is named by its path, or by an address of a document scheme.
inline constexpr std::array<std::u16string_view, 6> kShellOpenExtensions = {
    u".html", u".htm", u".txt", u".csv", u".pdf", u".xml"};
inline constexpr std::u16string_view kDocumentSchemes[] = {u"ftp"};

// ---- How much.

// The longest target, in UTF-16 units, that may reach the shell. Wine's shell
// crashes on targets of about 1,000 units (997 was the shortest seen), and
// with a 255-unit association command it cuts the argument of targets from
// 772 units on; the figure keeps clear of both and still admits every
// 260-unit document path and web addresses well beyond 512 units.
inline constexpr size_t kMaxShellTargetLength = 720;

// The most data one registry write stores: ample for settings, which is what
// the registry is for. A larger write fails before anything is created.
inline constexpr size_t kMaxValueDataBytes = 1024 * 1024;

// The largest file that a read returns (it bounds the reply's size).
inline constexpr int64_t kMaxFileReadBytes = 4 * 1024 * 1024;

// The most plug-in channels the broker holds at once.
inline constexpr size_t kMaxPluginChannels = 16;

}  // namespace corvane
