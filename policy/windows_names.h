// Path components that the Windows file system does not treat as the plain
// names they look like. The path rules refuse them. Both tests take a path
// after NormalizeSeparators and AsciiLower.
#pragma once

#include <string_view>

namespace corvane {

// A component of dots and blanks only, other than ".": Windows strips trailing
// dots and blanks from names, so ". .", ".. " or "..." can end up as "..".
bool HasDotOrBlankOnlyComponent(std::u16string_view normalizedPath);
// A component naming a DOS device ("nul", "con.txt", "COM1 .json", "lpt2:"):
// opening it reaches the device, not a file in the folder.
bool HasReservedDeviceComponent(std::u16string_view normalizedPath);
// A path, as received, that opens a named pipe, a mailslot or another object
// of the device namespace rather than a file on a disk: "\\.\...", "\\?\"
// not followed by a drive, "\??\...", or a network path whose share is
// "pipe" or "mailslot". A file operation or a launched handler that opens such
// a path connects to whoever serves it, and a pipe server can impersonate its
// client: a sandboxed caller must not be able to point the broker there.
bool NamesPipeOrDevice(std::u16string_view path);

}  // namespace corvane
