// Walking a whole subtree of open keys, for deleting and copying it, without
// following a link anywhere below: a link can lead anywhere in the registry.
// Windows only.
#pragma once

#include "win/handle_types.h"

namespace corvane {

// The longest key name is 255 units, plus its terminator.
constexpr DWORD kSubkeyNameUnits = 256;

// Deletes every key below `key` (opened with KEY_ENUMERATE_SUB_KEYS), the
// key itself staying. A link below is deleted as the key it is; what it
// leads to is not touched.
LSTATUS DeleteSubkeys(HKEY key);

// Copies the values and subkeys of `from` (opened with KEY_READ) into `to`
// (KEY_READ | KEY_WRITE), creating missing subkeys and keeping what `to`
// held otherwise. kKeyIsLink, and no further copying, when a subkey on
// either side is a link: the broker makes no links, and writing through one
// would land outside the tree. What was copied until then stays.
LSTATUS CopySubtree(HKEY from, HKEY to);

// What CopySubtree would meet, found without writing: kKeyIsLink when a key
// below `from`, or its counterpart below `to` (KEY_READ; null for a
// destination not yet there), is a link; another status when the walk
// fails. Run first, it keeps a copy refused for a link from changing
// anything; a link made between the two walks is still refused by the copy.
LSTATUS FindLinkInCopy(HKEY from, HKEY to);

}  // namespace corvane
