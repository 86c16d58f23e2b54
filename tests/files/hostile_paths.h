// Crafted paths that try to leave the folders a plug-in may reach: every
// separator, case, traversal, prefix, stream, device, length and lookalike
// trick, built around the real folders of the running prefix. Every
// hostile leaf is named "escape" + extension, so that a bystander file of
// that name outside the folders shows whether a request reached it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace corvane::test {

inline std::u16string Replace(std::u16string text, char16_t from, char16_t to) {
  for (auto& c : text)
    if (c == from) c = to;
  return text;
}

inline std::u16string Upper(std::u16string text) {
  for (auto& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return text;
}

inline std::u16string Lower(std::u16string text) {
  for (auto& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return text;
}

// Wine's Unix name of a Windows path, or empty outside Wine.
inline std::u16string UnixName(const std::u16string& path) {
  using Fn = char*(CDECL*)(LPCWSTR);
  const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (fn == nullptr) return {};
  char* name = fn(reinterpret_cast<const wchar_t*>(path.c_str()));
  if (name == nullptr) return {};
  std::u16string out(name, name + strlen(name));
  HeapFree(GetProcessHeap(), 0, name);
  return out;
}

inline std::u16string ShortName(const std::u16string& path) {
  wchar_t buffer[1024] = {};
  const DWORD n = GetShortPathNameW(reinterpret_cast<const wchar_t*>(path.c_str()), buffer, 1024);
  if (n == 0 || n >= 1024) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(buffer), n);
}

// Tails appended to a folder that may be reached; `leaf` is "escape" + `ext`.
inline std::vector<std::u16string> GenericTails(const std::u16string& ext) {
  const std::u16string L = u"escape" + ext;
  const std::u16string nul(1, u'\0');
  return {
      u"\\" + L,  // the plain case, for comparison
      // traversal in its spellings
      u"\\..\\" + L,
      u"\\..\\..\\" + L,
      u"/../" + L,
      u"/..\\" + L,
      u"\\sub\\..\\..\\" + L,
      u"\\..\\..\\..\\..\\..\\..\\..\\..\\" + L,
      u"\\..",
      u"\\..\\",
      u"\\...\\" + L,
      u"\\...\\...\\" + L,
      u"\\....\\" + L,
      u"\\.. \\" + L,
      u"\\ ..\\" + L,
      u"\\. .\\" + L,
      u"\\.. .\\" + L,
      u"\\..  \\" + L,
      u"\\.\\.\\..\\" + L,
      u"\\..\t\\" + L,
      u"\\...",
      u"\\.. ",
      u"\\. .",
      u"\\.",
      u"\\.\\" + L,
      u"\\..%5c" + L,
      u"\\..\u2215" + L,
      u"\\\u2024\u2024\\" + L,
      u"\\\uff0e\uff0e\\" + L,
      u"\\..\u00a0\\" + L,
      u"\\..\u3000\\" + L,
      u"\\x\\...\\...\\" + L,
      u"\\x\\. .\\. .\\" + L,
      u"\\x\\.. \\.. \\" + L,
      u"\\...\\..\\" + L,
      u"\\..:\\" + L,
      u"\\..:" + L,
      u"\\..::$DATA\\" + L,
      // separators
      u"//" + L,
      u"\\\\\\" + L,
      u"/\\" + L,
      u"\\" + L + u"\\",
      u"\\" + L + u"/",
      u"\\sub/" + L,
      u"\\sub\\/\\" + L,
      // streams
      u":" + L,
      u"\\" + L + u":s",
      u"\\" + L + u"::$DATA",
      u"::$DATA",
      u":$I30:$INDEX_ALLOCATION\\" + L,
      u"\\" + L + u":s:$DATA",
      u"\\:s",
      u"\\" + L + u":s" + ext,
      // trailing dots and blanks
      u"\\" + L + u".",
      u"\\" + L + u" ",
      u"\\" + L + u". . ",
      u"\\sub.\\" + L,
      u"\\sub \\" + L,
      u"\\sub. .\\" + L,
      // reserved device names
      u"\\CON" + ext,
      u"\\nul" + ext,
      u"\\NUL",
      u"\\aux" + ext,
      u"\\prn" + ext,
      u"\\COM1" + ext,
      u"\\lpt1" + ext,
      u"\\CONIN$" + ext,
      u"\\CONOUT$",
      u"\\nul\\" + L,
      u"\\COM1 " + ext,
      u"\\com\u00b9" + ext,
      u"\\CLOCK$" + ext,
      u"\\nul:" + ext,
      u"\\con .x" + ext,
      // wildcards and invalid characters
      u"\\*",
      u"\\?" + ext,
      u"\\esc*" + ext,
      u"\\esca?e" + ext,
      u"\\<" + ext,
      u"\\>" + ext,
      u"\\|" + ext,
      u"\\\"q\"" + ext,
      // long paths
      u"\\" + std::u16string(255, u'a') + ext,
      u"\\" + std::u16string(300, u'a') + ext,
      u"\\" + std::u16string(200, u'b') + u"\\" + std::u16string(200, u'b') + u"\\" + L,
      u"\\" + std::u16string(32767, u'c') + ext,
      u"\\" + std::u16string(250, u'd') + u"\\..\\..\\" + L,
      // U+0000
      u"\\" + L + nul + u".jpg",
      u"\\" + nul,
      u"\\x\\" + nul + u"\\..\\..\\" + L,
      nul + u"\\" + L,
      // prefixes inside the path
      u"\\?\\C:\\" + L,
      u"\\\\?\\C:\\" + L,
      u"\\\\.\\pipe\\" + L,
      u"\\C:\\" + L,
  };
}

// The folder written as other prefixes and forms, each with a few tails.
inline std::vector<std::u16string> RootForms(const std::u16string& folder,
                                             const std::u16string& ext) {
  const std::u16string L = u"escape" + ext;
  const std::u16string rest = folder.substr(2);  // without the drive letter and colon
  std::vector<std::u16string> roots = {
      Replace(folder, u'\\', u'/'),
      Upper(folder),
      Lower(folder),
      u"\\\\?\\" + folder,
      u"\\\\.\\" + folder,
      u"\\??\\" + folder,
      u"//?/" + Replace(folder, u'\\', u'/'),
      u"\\\\?\\UNC\\localhost\\c$" + rest,
      u"\\\\localhost\\c$" + rest,
      u"\\\\127.0.0.1\\c$" + rest,
      u"\\\\LOCALHOST\\C$" + rest,
      u"\\\\" + folder,
      u"\\" + folder,
      u"/" + folder,
      u"\\\\\\" + folder,
      u"\\\\?\\GLOBALROOT\\??\\" + folder,
      u"\\\\.\\GLOBALROOT\\??\\" + folder,
      folder.substr(0, 2) + folder.substr(3),  // drive-relative
      folder.substr(0, 3) + u".\\" + folder.substr(3),
      rest,
  };
  const std::u16string unix = UnixName(folder);
  if (!unix.empty()) {
    roots.push_back(u"\\\\?\\unix" + Replace(unix, u'/', u'\\'));
    roots.push_back(u"Z:" + Replace(unix, u'/', u'\\'));
    roots.push_back(u"z:" + unix);
  }
  const std::u16string shortName = ShortName(folder);
  if (!shortName.empty() && shortName != folder) roots.push_back(shortName);

  std::vector<std::u16string> out;
  for (const auto& root : roots) {
    for (const auto& tail : {u"\\" + L, u"\\..\\" + L, u"\\...\\" + L, u"\\.. \\" + L})
      out.push_back(root + tail);
  }
  return out;
}

// Paths for the application-data operations; `appData` is the roaming folder.
inline std::vector<std::u16string> HostileAppDataPaths(const std::u16string& appData) {
  const std::u16string R = appData;
  const std::u16string C = R + u"\\corvane";
  const std::u16string L = u"\\escape.txt";
  std::vector<std::u16string> out;
  for (const auto& tail : GenericTails(u".txt")) out.push_back(C + tail);
  for (const auto& tail : GenericTails(u".txt")) {
    if (tail.find(u"..") != std::u16string::npos || tail.find(u':') != std::u16string::npos)
      out.push_back(R + u"\\corvane0123abcd" + tail);
  }
  for (const auto& path : RootForms(C, u".txt")) out.push_back(path);
  const std::u16string shortHex = ShortName(R + u"\\corvane0123abcd");
  const std::u16string roamingShort = ShortName(R);
  for (const std::u16string& tail : std::vector<std::u16string>{
           u"\\corvanex" + L,
           u"\\corvane0123abcg" + L,
           u"\\corvane012" + L,
           u"\\corvane0123abcd0" + L,
           u"\\corvane0123abc" + L,
           u"\\corvane.tmp",
           u"\\corvane0123abcd.tmp",
           u"\\corvane-x" + L,
           u"\\corvan" + L,
           u"\\xcorvane" + L,
           u"\\\uff43\uff4f\uff52\uff56\uff41\uff4e\uff45" + L,
           u"\\corvan\u0435" + L,
           u"\\CORVAN~1" + L,
           u"\\corvane*" + L,
           u"\\corvan?" + L,
           u"\\corvane0123abcd" + L,
           u"\\Corvane0123ABCD" + L,
           u"\\corvane0123ABCG" + L,
           u"\\corvane." + L,
           u"\\corvane " + L,
           u"\\corvane. " + L,
           u"\\corvane.." + L,
           u"\\ corvane" + L,
           u"\\corvane.",
           u"\\corvane ",
           u"\\corvane",
           u"\\corvane0123abcd",
           u"\\CORVANE",
           u"/corvane",
           u"\\corvane\\",
           u"\\corvane/",
           u"\\corvane\\.",
           u"\\corvane/.",
           u"\\corvane\\ ",
           u"\\corvane\\.\\",
           u".\\corvane" + L,
           u" \\corvane" + L,
           u"\\",
           u"",
           L,
           u"\\other\\corvane" + L,
           u"\\..\\Roaming\\corvane" + L,
           u"\\corvane\\..\\corvane" + L,
           u"\\corvane0123abcd\\..\\corvane" + L,
           u"\\corvane:x" + L,
           u"\\corvane::$DATA" + L,
           u"\\corvane\\..\\..\\Roaming\\corvane" + L,
       }) {
    out.push_back(R + tail);
  }
  if (!shortHex.empty()) out.push_back(shortHex + L);
  if (!roamingShort.empty()) out.push_back(roamingShort + u"\\corvane" + L);
  out.push_back(R.substr(0, R.size() - 7) + u"ROAMIN~1\\corvane" + L);
  out.push_back(u"corvane" + L);
  out.push_back(u"..\\corvane" + L);
  out.push_back(u"%APPDATA%\\corvane" + L);
  out.push_back(u"C:\\escape.txt");
  return out;
}

// Destinations for the copy into the temporary folder.
inline std::vector<std::u16string> HostileTempDestinations(const std::u16string& temp) {
  std::vector<std::u16string> out;
  for (const auto& tail : GenericTails(u".pdf")) out.push_back(temp + tail);
  for (const auto& path : RootForms(temp, u".pdf")) out.push_back(path);
  const std::u16string local = temp.substr(0, temp.size() - 5);
  for (const std::u16string& path : std::vector<std::u16string>{
           temp + u"x\\escape.pdf",
           temp + u"~\\escape.pdf",
           temp + u".\\escape.pdf",
           temp + u" \\escape.pdf",
           temp + u"\\",
           temp,
           temp + u".pdf",
           local + u"\\escape.pdf",
           local + u"\\TEMP\\..\\escape.pdf",
           temp + u"\\..\\Temp\\escape.pdf",
           temp + u"\\..\\Tempx\\escape.pdf",
           local + u"\\TEMP~1\\escape.pdf",
           temp + u":escape.pdf",
           temp + u"\\escape.pdf:x.pdf",
           temp + u"\\..:escape.pdf",
       }) {
    out.push_back(path);
  }
  return out;
}

// Sources for the export out of the temporary folder.
inline std::vector<std::u16string> HostileTempSources(const std::u16string& temp) {
  std::vector<std::u16string> out;
  for (const auto& tail : GenericTails(u".png")) out.push_back(temp + tail);
  for (const auto& path : RootForms(temp, u".png")) out.push_back(path);
  const std::u16string local = temp.substr(0, temp.size() - 5);
  for (const std::u16string& path : std::vector<std::u16string>{
           temp + u"x\\escape.png",
           temp + u"\\..\\Tempx\\escape.png",
           local + u"\\escape.png",
           temp + u"\\..\\Temp\\..\\escape.png",
           temp + u":escape.png",
           temp + u"\\escape.png:x.png",
           u"C:\\escape.png",
       }) {
    out.push_back(path);
  }
  return out;
}

// Export destinations that must be refused or land inside `sink`.
inline std::vector<std::u16string> HostileExportDestinations(const std::u16string& sink) {
  std::vector<std::u16string> out;
  for (const auto& tail : GenericTails(u".png")) out.push_back(sink + tail);
  for (const std::u16string& path : std::vector<std::u16string>{
           sink + u"\\x.png:s",
           sink + u"\\x.png:s.png",
           sink + u"\\x.png::$DATA",
           u"\\\\?\\" + sink + u"\\x.png",
           u"\\\\.\\" + sink + u"\\x.png",
           u"\\??\\" + sink + u"\\x.png",
           u"//?/" + Replace(sink, u'\\', u'/') + u"/x.png",
           std::u16string(u"x.png"),
           std::u16string(u"C:x.png"),
           sink + u"\\x.jpg",
           sink + u"\\x.png.",
           sink + u"\\x.png ",
           sink + u"\\x.PNG",
           sink + u"\\x.tiff",
           sink + u"\\x.png\\",
           std::u16string(u"\\\\.\\nul.png"),
           std::u16string(u"\\\\.\\pipe\\escape.png"),
           std::u16string(u"\\\\?\\unix\\tmp\\escape.png"),
       }) {
    out.push_back(path);
  }
  return out;
}

}  // namespace corvane::test
