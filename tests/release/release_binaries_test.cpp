// The shipped binaries as Windows sees them: PE header settings, the
// version resource and the manifest, read from the built files with the
// system's own resource and version calls; and the tool's --version.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "corvane_version.h"
#include "plugin/client/broker_process.h"
#include "win/process_information.h"
#include "win/scoped_handle.h"

namespace corvane {
namespace {

struct Shipped {
  const char16_t* fileName;
  const char* label;  // the test name's suffix
  WORD manifestId;    // the loader reads a process's manifest from 1, a DLL's from 2
};

const wchar_t* W(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string PathOf(const Shipped& program) {
  return client::PathBesideThisProgram(program.fileName);
}

std::vector<char> ReadAll(const std::u16string& path) {
  std::ifstream in(W(path), std::ios::binary);
  return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Copies a T from `bytes` at `offset`, or fails the test if it would run off the end.
template <typename T>
bool ReadAt(const std::vector<char>& bytes, size_t offset, T& out) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) {
    ADD_FAILURE() << "file ends inside a header at offset " << offset;
    return false;
  }
  std::memcpy(&out, bytes.data() + offset, sizeof(T));
  return true;
}

class ShippedProgram : public ::testing::TestWithParam<Shipped> {};

TEST_P(ShippedProgram, PeHeaderKeepsAslrAndDepAndTargetsWindows7) {
  const std::vector<char> file = ReadAll(PathOf(GetParam()));
  IMAGE_DOS_HEADER dos{};
  ASSERT_TRUE(ReadAt(file, 0, dos));
  ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
  IMAGE_NT_HEADERS64 nt{};
  ASSERT_TRUE(ReadAt(file, static_cast<size_t>(dos.e_lfanew), nt));
  ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
  ASSERT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);

  const WORD flags = nt.OptionalHeader.DllCharacteristics;
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << "no ASLR";
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA) << "no high-entropy ASLR";
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << "no DEP";
  // Dynamic base is void if the relocations were stripped.
  EXPECT_FALSE(nt.FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);

  const auto atLeast61 = [](WORD major, WORD minor) {
    return major > 6 || (major == 6 && minor >= 1);
  };
  EXPECT_TRUE(
      atLeast61(nt.OptionalHeader.MajorSubsystemVersion, nt.OptionalHeader.MinorSubsystemVersion))
      << "subsystem version " << nt.OptionalHeader.MajorSubsystemVersion << "."
      << nt.OptionalHeader.MinorSubsystemVersion;
  EXPECT_TRUE(atLeast61(nt.OptionalHeader.MajorOperatingSystemVersion,
                        nt.OptionalHeader.MinorOperatingSystemVersion));
}

TEST_P(ShippedProgram, VersionResourceCarriesTheProjectVersionAndName) {
  const std::u16string path = PathOf(GetParam());
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(W(path), &ignored);
  ASSERT_NE(size, 0u) << "no version resource, error " << GetLastError();
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(W(path), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
  ASSERT_GE(fixedSize, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD high = MAKELONG(CORVANE_VERSION_MINOR, CORVANE_VERSION_MAJOR);
  const DWORD low = MAKELONG(0, CORVANE_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(GetParam().manifestId == 2 ? VFT_DLL : VFT_APP));

  const auto text = [&](const char16_t* name) -> std::u16string {
    const std::u16string query = std::u16string(u"\\StringFileInfo\\040904B0\\") + name;
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), W(query), reinterpret_cast<void**>(&value), &length) ||
        value == nullptr) {
      return u"(missing)";
    }
    return std::u16string(reinterpret_cast<const char16_t*>(value));
  };
  const std::string version = CORVANE_VERSION;
  EXPECT_TRUE(text(u"OriginalFilename") == GetParam().fileName);
  EXPECT_TRUE(text(u"ProductName") == u"Corvane broker");
  EXPECT_TRUE(text(u"ProductVersion") == std::u16string(version.begin(), version.end()));
  for (const char16_t* name : {u"CompanyName", u"FileDescription", u"InternalName"}) {
    const std::u16string value = text(name);
    EXPECT_TRUE(!value.empty() && value != u"(missing)")
        << std::string(name, name + std::char_traits<char16_t>::length(name));
  }
}

TEST_P(ShippedProgram, ManifestRunsAsInvokerAndNamesWindows7To11) {
  struct ModuleFree {
    void operator()(HMODULE module) const { FreeLibrary(module); }
  };
  const std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree> image(
      LoadLibraryExW(W(PathOf(GetParam())), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(image) << "cannot map the file, error " << GetLastError();
  HRSRC found = FindResourceW(image.get(), MAKEINTRESOURCEW(GetParam().manifestId), RT_MANIFEST);
  ASSERT_NE(found, nullptr) << "no manifest";
  HGLOBAL loaded = LoadResource(image.get(), found);
  ASSERT_NE(loaded, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(loaded)),
                             SizeofResource(image.get(), found));

  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  for (const char* windows : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",     // 7
                              "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",     // 8
                              "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",     // 8.1
                              "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {  // 10, 11
    EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + windows + "\"/>"),
              std::string::npos)
        << windows;
  }
}

INSTANTIATE_TEST_SUITE_P(Binaries, ShippedProgram,
                         ::testing::Values(Shipped{u"corvane-broker.exe", "broker", 1},
                                           Shipped{u"corvane-plugin.exe", "plugin", 1},
                                           Shipped{u"corvane_client.dll", "sdk", 2}),
                         [](const ::testing::TestParamInfo<Shipped>& param) {
                           return std::string(param.param.label);
                         });

// Also shows that the tool starts with its manifest in place.
TEST(ToolVersionOption, PrintsTheVersionAndSucceeds) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  UniqueHandle reader;
  UniqueHandle writer;
  ASSERT_TRUE(CreatePipe(reader.Receive(), writer.Receive(), &inherit, 0));
  ASSERT_TRUE(SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0));

  const std::u16string tool = client::PathBesideThisProgram(u"corvane-plugin.exe");
  std::u16string commandLine = u"\"" + tool + u"\" --version";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writer.get();
  startup.hStdError = writer.get();
  win::ProcessInformation info;
  ASSERT_TRUE(CreateProcessW(W(tool), reinterpret_cast<wchar_t*>(commandLine.data()), nullptr,
                             nullptr, TRUE, 0, nullptr, nullptr, &startup, info.Receive()))
      << GetLastError();
  writer.Reset();  // the tool now holds the only write end: reading stops when it exits

  std::string output;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(reader.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    output.append(buffer, got);
  }
  ASSERT_EQ(WaitForSingleObject(info.process(), INFINITE), WAIT_OBJECT_0);
  DWORD exitCode = 0xDEAD;
  ASSERT_TRUE(GetExitCodeProcess(info.process(), &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(output, "corvane-plugin " CORVANE_VERSION "\n");
}

}  // namespace
}  // namespace corvane
