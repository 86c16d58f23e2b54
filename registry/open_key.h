// Opening keys below the root that a hive code selects, never through a
// registry link: a link can lead anywhere in the registry, so a key whose
// path holds one is not opened. Windows only.
#pragma once

#include <windows.h>  // REGSAM and the registry status codes of the interface

#include <cstdint>
#include <string>

#include "protocol/hives.h"
#include "registry/registry_result.h"
#include "win/scoped_handle.h"

namespace corvane {

// Answered instead of a key when a key on the way is a registry link
// (ERROR_STOPPED_ON_SYMLINK).
constexpr LSTATUS kKeyIsLink = 681;

// Done on ERROR_SUCCESS, through a link on kKeyIsLink, else not done.
inline RegistryResult ResultOf(LSTATUS status) {
  if (status == kKeyIsLink) return RegistryResult::ThroughLink();
  return status == ERROR_SUCCESS;
}

// Hive 1 is HKEY_LOCAL_MACHINE; every other code is HKEY_CURRENT_USER.
HKEY RootKeyFor(RegistryHive hive);

// The key in the hive's root ("\" separates; empty names are skipped): kept
// when, opened by its whole path, its full name is the path asked for (a
// link on the way would have led to another name), else opened name by name
// and each judged. `out` holds the key only on success.
LSTATUS OpenRegKey(RegistryHive hive, const std::u16string& key, REGSAM access, RegKey& out);
// The same, creating the missing keys (non-volatile) on the way.
LSTATUS CreateRegKey(RegistryHive hive, const std::u16string& key, REGSAM access, RegKey& out);

// One direct subkey of an open key, opened, or created when missing; a
// subkey that is a link answers kKeyIsLink. `access` always gains
// KEY_QUERY_VALUE, which telling a link needs.
LSTATUS OpenSubkey(HKEY parent, const std::u16string& name, REGSAM access, RegKey& out);
LSTATUS CreateSubkey(HKEY parent, const std::u16string& name, REGSAM access, RegKey& out);

// One direct subkey opened as it is: a link is opened itself, not followed.
// For a walk that deletes links below a key.
LSTATUS OpenSubkeyUnfollowed(HKEY parent, const std::u16string& name, REGSAM access, RegKey& out);
// Whether a key opened with KEY_QUERY_VALUE and not followed is a link. A key
// whose kind cannot be told counts as one.
bool IsRegistryLink(HKEY key);

// Deletes the open key itself (opened with DELETE), never what it may link
// to. Fails when the key has subkeys.
bool DeleteOpenKey(HKEY key);

}  // namespace corvane
