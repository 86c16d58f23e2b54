// Operation 18 end to end: associations registered for the current user
// start a recorder program, which writes down the argument it got; the
// shell and the processes are real. Windows takes them from
// HKCU\Software\Classes; Wine 8's shell reads only HKEY_CLASSES_ROOT (the
// prefix's own), so under Wine they are written there too. On Windows an
// application the user chose (UserChoice) outranks both, and a test that
// would then start it is skipped instead.
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <objbase.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "plugin/client/broker_session.h"
#include "policy/shell_policy.h"
#include "protocol/hex_text.h"
#include "requests/corvane_broker_registry_svc.h"
#include "tests/support/broker_suite.h"
#include "tests/support/debug_capture.h"
#include "tests/support/platform.h"
#include "win/folders.h"
#include "win/scoped_handle.h"

namespace {

using corvane::BrokerOperation;
using corvane::RegistryHive;
using enum corvane::BrokerStatus;

const std::wstring kFolder = L"C:\\corvane-shell-test";
const std::wstring kLaunches = kFolder + L"\\launches";
const std::wstring kTestProgId = L"Corvane.ShellTest.Csv";
constexpr size_t kCommandLength = 255;

std::u16string U(const std::wstring& s) {
  return std::u16string(s.begin(), s.end());
}

std::wstring W(const std::u16string& s) {
  return std::wstring(s.begin(), s.end());
}

corvane::BrokerStatus Open(const std::wstring& target,
                           RegistryHive hive = RegistryHive::CurrentUser,
                           const std::u16string& name = {}, std::u16string data = {}) {
  std::u16string text = u"stale";
  const corvane::BrokerStatus status = corvane::DispatchOperation(
      OperationCode(BrokerOperation::ShellOpen), hive, U(target), name, data, text);
  EXPECT_EQ(text, u"");
  return status;
}

std::wstring ProgramFolder() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.rfind(L'\\'));
}

// Where the test's associations are written: the current user's classes,
// and under Wine also HKEY_CLASSES_ROOT, which Wine does not merge them into.
struct ClassRoot {
  HKEY hive;
  std::wstring prefix;
};

std::vector<ClassRoot> ClassRoots() {
  std::vector<ClassRoot> roots = {{HKEY_CURRENT_USER, L"Software\\Classes\\"}};
  if (corvane::test::UnderWine()) roots.push_back({HKEY_CLASSES_ROOT, L""});
  return roots;
}

bool KeyExists(HKEY hive, const std::wstring& key) {
  corvane::RegKey handle;
  return RegOpenKeyExW(hive, key.c_str(), 0, KEY_READ, handle.Receive()) == ERROR_SUCCESS;
}

void SetDefault(const ClassRoot& root, const std::wstring& key, const std::wstring& value) {
  corvane::RegKey handle;
  ASSERT_EQ(RegCreateKeyExW(root.hive, (root.prefix + key).c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, handle.Receive(), nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(handle.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Whether an association of the test decides what the shell starts for
// `userChoice` (a key below HKCU): on Windows a choice the user made there
// outranks it, and only the user's own settings can change that.
bool TestAssociationGoverns(const wchar_t* userChoice) {
  return corvane::test::UnderWine() || !KeyExists(HKEY_CURRENT_USER, userChoice);
}

void WriteFileText(const std::wstring& path, const char* text) {
  const corvane::UniqueHandle h(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(h);
  DWORD written = 0;
  WriteFile(h.get(), text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

std::vector<std::wstring> Records(const std::wstring& folder) {
  std::vector<std::wstring> records;
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((folder + L"\\*.txt").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return records;
  do {
    const corvane::UniqueHandle file(CreateFileW((folder + L"\\" + found.cFileName).c_str(),
                                                 GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                 OPEN_EXISTING, 0, nullptr));
    if (!file) continue;
    wchar_t buffer[4096] = {};
    DWORD got = 0;
    ReadFile(file.get(), buffer, sizeof buffer - sizeof(wchar_t), &got, nullptr);
    records.emplace_back(buffer, got / sizeof(wchar_t));
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return records;
}

void RemoveRecords(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(h, &found));
    FindClose(h);
  }
}

// The shell hands over and returns; the recorder runs on its own. Waits
// (giving up after a minute) until `count` launches have been recorded.
std::vector<std::wstring> WaitForRecords(size_t count) {
  std::vector<std::wstring> records;
  for (int i = 0; i < 1200; ++i) {
    records = Records(kLaunches);
    if (records.size() >= count) break;
    Sleep(50);
  }
  return records;
}

// Targets of exactly `length` units.
std::wstring LongUrl(size_t length) {
  std::wstring url = L"http://corvane.invalid/";
  return url.append(length - url.size(), L'C');
}

std::wstring LongDocument(size_t length, const std::wstring& start = kFolder + L"\\") {
  std::wstring document = start;
  return document.append(length - document.size() - 4, L'C').append(L".csv");
}

std::string FailureLine(int rc, const char* hrCoInit) {
  return "[CorvaneBroker] ShellExecuteW failed: rc=" + std::to_string(rc) +
         " hrCoInit=" + hrCoInit + "\n";
}

// An association's key, set for the suite and put back afterwards: its
// first name removed whole when the suite made it, else the key or its
// default value as they were (type and bytes).
struct Saved {
  ClassRoot root;
  std::wstring key;
  bool topExisted = false;
  bool keyExisted = false;
  bool hadValue = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

void SetSaved(std::vector<Saved>& saved, const std::wstring& key, const std::wstring& value) {
  for (const ClassRoot& root : ClassRoots()) {
    Saved entry;
    entry.root = root;
    entry.key = key;
    const std::wstring path = root.prefix + key;
    entry.topExisted = KeyExists(root.hive, root.prefix + key.substr(0, key.find(L'\\')));
    entry.keyExisted = KeyExists(root.hive, path);
    DWORD size = 0;
    if (RegGetValueW(root.hive, path.c_str(), nullptr, RRF_RT_ANY | RRF_NOEXPAND, &entry.type,
                     nullptr, &size) == ERROR_SUCCESS) {
      entry.bytes.resize(size);
      entry.hadValue = RegGetValueW(root.hive, path.c_str(), nullptr, RRF_RT_ANY | RRF_NOEXPAND,
                                    &entry.type, entry.bytes.data(), &size) == ERROR_SUCCESS;
      entry.bytes.resize(size);
    }
    saved.push_back(entry);
    SetDefault(root, key, value);
  }
}

void Restore(const std::vector<Saved>& saved) {
  for (auto entry = saved.rbegin(); entry != saved.rend(); ++entry) {
    const std::wstring path = entry->root.prefix + entry->key;
    if (!entry->topExisted) {
      RegDeleteTreeW(entry->root.hive,
                     (entry->root.prefix + entry->key.substr(0, entry->key.find(L'\\'))).c_str());
    } else if (!entry->keyExisted) {
      RegDeleteKeyW(entry->root.hive, path.c_str());
    } else if (entry->hadValue) {
      RegSetKeyValueW(entry->root.hive, path.c_str(), nullptr, entry->type, entry->bytes.data(),
                      static_cast<DWORD>(entry->bytes.size()));
    } else {
      RegDeleteKeyValueW(entry->root.hive, path.c_str(), nullptr);
    }
  }
}

class ShellOpen : public corvane::test::BrokerSuite {
 protected:
  static void SetUpTestSuite() {
    corvane::test::BrokerSuite::SetUpTestSuite();
    const std::wstring recorder = ProgramFolder() + L"\\corvane_shell_recorder.exe";
    ASSERT_NE(GetFileAttributesW(recorder.c_str()), INVALID_FILE_ATTRIBUTES);
    CreateDirectoryW(kFolder.c_str(), nullptr);
    CreateDirectoryW(kLaunches.c_str(), nullptr);
    // The recorder sits in a folder whose name pads the command to 255 units,
    // the longest that Wine's shell still uses (from 256 on it answers rc=31):
    // the longer the command, the shorter the targets whose argument it cuts.
    const std::wstring tail = L"\\recorder.exe\" \"" + kLaunches + L"\" \"%1\"";
    const std::wstring padded =
        kFolder + L"\\" + std::wstring(kCommandLength - 1 - kFolder.size() - 1 - tail.size(), L'p');
    CreateDirectoryW(padded.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(recorder.c_str(), (padded + L"\\recorder.exe").c_str(), FALSE));
    strayLaunches = padded + L"\\recorder.exe.launches";
    const std::wstring command = L"\"" + padded + tail;
    ASSERT_EQ(command.size(), kCommandLength);
    SetSaved(saved, L".csv", kTestProgId);
    SetSaved(saved, kTestProgId + L"\\shell\\open\\command", command);
    // Web and ftp addresses go to the recorder too, instead of a browser.
    SetSaved(saved, L"http\\shell\\open\\command", command);
    SetSaved(saved, L"https\\shell\\open\\command", command);
    SetSaved(saved, L"ftp\\shell\\open\\command", command);
    // So do the other listed types that the suite opens.
    for (const wchar_t* type : {L".pdf", L".txt", L".html", L".htm"}) {
      SetSaved(saved, type, kTestProgId);
    }
    // A listed type that has no application in this prefix (Wine only: on
    // Windows it has one for all users, which the tests below then skip).
    if (corvane::test::UnderWine()) RegDeleteTreeW(HKEY_CLASSES_ROOT, L".xml");
    csvGoverned = TestAssociationGoverns(
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.csv\\UserChoice");
    documentsGoverned = csvGoverned;
    for (const wchar_t* type : {L".pdf", L".txt", L".html", L".htm"}) {
      documentsGoverned =
          documentsGoverned &&
          TestAssociationGoverns(
              (L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\" +
               std::wstring(type) + L"\\UserChoice")
                  .c_str());
    }
    webGoverned =
        TestAssociationGoverns(
            L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoic"
            L"e") &&
        TestAssociationGoverns(
            L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\ftp\\UserChoice");
    std::printf("[platform] %s: .csv %s, web addresses %s\n", corvane::test::PlatformName(),
                csvGoverned ? "to the recorder" : "to the user's choice",
                webGoverned ? "to the recorder" : "to the user's choice");
    // A program that must never be run: a copy of the recorder.
    CopyFileW(recorder.c_str(), (kFolder + L"\\run-me.exe").c_str(), FALSE);
  }

  static void TearDownTestSuite() {
    Restore(saved);
    saved.clear();
    corvane::test::BrokerSuite::TearDownTestSuite();
  }

  void SetUp() override {
    RemoveRecords(kLaunches);
    capture.Clear();
  }

  // Where the recorder writes when its command line was split or altered.
  static inline std::wstring strayLaunches;
  static inline std::vector<Saved> saved;
  static inline bool csvGoverned = false;
  static inline bool webGoverned = false;
  static inline bool documentsGoverned = false;
  corvane::test::DebugCapture capture;
};

constexpr const char* kCsvChosen =
    "skipped on Windows: the user chose an application for .csv (UserChoice), which outranks "
    "the test's association";
constexpr const char* kWebChosen =
    "skipped on Windows: the user chose a browser (UserChoice), which outranks the test's "
    "association for web addresses";

TEST_F(ShellOpen, ListedDocumentOpensWithItsApplication) {
  if (!csvGoverned) GTEST_SKIP() << kCsvChosen;
  const std::wstring document = kFolder + L"\\Report 1.csv";
  WriteFileText(document, "a,b\n");
  // The other parameters of the request play no part.
  EXPECT_EQ(Open(document, static_cast<RegistryHive>(7), u"name\\x", u"zz"), Ok);
  const auto records = WaitForRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0], document);
  EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(ShellOpen, WebAddressOpensWithItsHandler) {
  if (!webGoverned) GTEST_SKIP() << kWebChosen;
  EXPECT_EQ(Open(L"http://corvane.invalid/page?q=1"), Ok);
  const auto records = WaitForRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].find(L"corvane.invalid/page?q=1"), std::wstring::npos) << records[0].size();
  EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(ShellOpen, ListedTypeWithoutApplicationFailsWithTheShellsCode) {
  CORVANE_SKIP_ON_WINDOWS(
      ".xml has an application for all users there, which a test without admin rights keeps");
  const std::wstring document = kFolder + L"\\data.xml";
  WriteFileText(document, "<a/>");
  EXPECT_EQ(Open(document), Failed);
  EXPECT_EQ(capture.Lines(), std::vector<std::string>{FailureLine(31, "0x00000000")});

  capture.Clear();
  EXPECT_EQ(Open(kFolder + L"\\missing.csv"), Failed);
  EXPECT_EQ(capture.Lines(), std::vector<std::string>{FailureLine(2, "0x00000000")});
}

TEST_F(ShellOpen, RefusedTargetsLaunchNothing) {
  struct Refused {
    std::wstring target;
    const char* verdict;
  };
  const char* malformed = "denied: malformed key";
  const char* outside = "denied: outside Corvane subtree";
  const std::vector<Refused> refused = {
      {L"\"" + kFolder + L"\\Report 1.csv\" x", malformed},
      {kFolder + L"\\a\"b.csv", malformed},
      {L"http://corvane.invalid/a\"b", malformed},  // quotes are refused in addresses too
      {L"https://corvane.invalid/\" --flag", malformed},
      {L"-x.csv", malformed},
      {L"-x.pdf", malformed},
      {L"/select," + kFolder + L"\\a.csv", malformed},
      {L"", malformed},
      {std::wstring(L"C:\\a.csv\0.exe", 13), malformed},
      {kFolder + L"\\run-me.exe", outside},
      {kFolder + L"\\run-me", outside},
      {kFolder + L"\\docs.csv\\run", outside},
      {L"C:\\x.xhtml", outside},
      {L"mailto:someone", outside},
      {kFolder + L"\\Report 1.csv ", outside},
  };
  for (const auto& r : refused) {
    capture.Clear();
    EXPECT_EQ(Open(r.target), Denied) << r.target.size();
    EXPECT_EQ(capture.Lines(), std::vector<std::string>{std::string("[CorvaneBroker] shell open ") +
                                                        r.verdict + "\n"});
  }
  // One allowed launch afterwards: once it is recorded, it is the only one.
  if (!csvGoverned) GTEST_SKIP() << kCsvChosen;
  const std::wstring document = kFolder + L"\\sentinel.csv";
  WriteFileText(document, "x");
  ASSERT_EQ(Open(document), Ok);
  const auto records = WaitForRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0], document);
  EXPECT_EQ(GetFileAttributesW((kFolder + L"\\run-me.exe.launches").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

// The admitted examples of the shell-target rule reach the shell: missing
// documents fail there (rc=2), never with a refusal.
TEST_F(ShellOpen, AdmittedTargetsReachTheShell) {
  for (const std::wstring target :
       {L"C:\\Docs\\Readme.TXT", L"readme.txt", L"C:\\x.htm", L"C:\\x.html", L"C:\\a.exe.pdf",
        L"C:\\..\\..\\x.pdf", L"C:\\nowhere\\a.csv"}) {
    capture.Clear();
    EXPECT_EQ(Open(target), Failed) << target.size();
    EXPECT_EQ(capture.Lines(), std::vector<std::string>{FailureLine(2, "0x00000000")});
  }
  if (!webGoverned) GTEST_SKIP() << kWebChosen;
  capture.Clear();
  EXPECT_EQ(Open(L"Http://corvane.invalid/"), Ok);  // the scheme's case is folded
  const auto records = WaitForRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].find(L"corvane.invalid"), std::wstring::npos);
  EXPECT_TRUE(capture.Lines().empty());
}

std::vector<uint8_t> FileBytes(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Through the real broker: a program that the plug-in writes under a listed
// document's name, in the Corvane folder or copied into Temp, goes to the
// handler of that type and never runs; a real document and a web address
// still reach theirs. The program would leave "<its path>.ran".
TEST_F(ShellOpen, ProgramWrittenAsDocumentNeverRuns) {
  if (!documentsGoverned || !webGoverned) {
    GTEST_SKIP() << "skipped on Windows: the user chose an application for a listed type or a "
                    "browser (UserChoice), which would be started with a program as its document";
  }
  const std::u16string folder = corvane::AppDataFolder() + u"\\corvane";
  const std::u16string temp = corvane::TempFolder();
  CreateDirectoryW(W(folder).c_str(), nullptr);
  CreateDirectoryW(W(temp).c_str(), nullptr);
  const std::u16string program =
      corvane::HexText::Encode(FileBytes(ProgramFolder() + L"\\corvane_run_marker.exe"));
  ASSERT_GT(program.size(), 1000u);
  const std::u16string document = corvane::HexText::Encode({'a', ',', 'b', '\n'});
  enum class Placed { InFolder, CopiedToTemp, Nowhere };
  const struct {
    std::u16string target;  // below the Corvane folder or Temp, or an address
    Placed placed;
    bool isProgram;
    corvane::BrokerStatus status;
  } rows[] = {
      {u"run.pdf", Placed::InFolder, true, Ok},
      {u"run.txt", Placed::InFolder, true, Ok},
      {u"sub\\report.html", Placed::InFolder, true, Ok},
      {u"run.htm", Placed::InFolder, true, Ok},
      {u"run.csv", Placed::InFolder, true, Ok},
      {u"run.xml", Placed::InFolder, true, Failed},  // no application for the type here
      {u"run2.pdf", Placed::CopiedToTemp, true, Ok},
      {u"report.csv", Placed::InFolder, false, Ok},
      {u"https://corvane.invalid/page", Placed::Nowhere, false, Ok},
  };
  std::vector<std::wstring> handled, markers;
  for (const auto& r : rows) {
    // Only Wine's prefix has a listed type without an application.
    if (r.status == Failed && !corvane::test::UnderWine()) continue;
    SCOPED_TRACE(std::string(r.target.begin(), r.target.end()));
    std::u16string target = r.target;
    const std::u16string& bytes = r.isProgram ? program : document;
    if (r.placed == Placed::InFolder) {
      target = folder + u"\\" + r.target;
      EXPECT_EQ(Send(BrokerOperation::FileWrite, target, u"", bytes).status, Ok);
    }
    if (r.placed == Placed::CopiedToTemp) {
      const std::u16string source = folder + u"\\copied.pdf";
      target = temp + u"\\" + r.target;
      EXPECT_EQ(Send(BrokerOperation::FileWrite, source, u"", bytes).status, Ok);
      EXPECT_EQ(Send(BrokerOperation::FileCopy, source, target).status, Ok);
    }
    if (r.isProgram) markers.push_back(W(target) + L".ran");
    DeleteFileW((W(target) + L".ran").c_str());  // from an earlier run
    EXPECT_EQ(Send(BrokerOperation::ShellOpen, target).status, r.status);
    if (r.status == Ok) handled.push_back(W(target));
  }
  // The shell starts what it starts before it returns: once the handlers
  // have recorded their calls, a program started alongside has had its time.
  auto records = WaitForRecords(handled.size());
  std::sort(records.begin(), records.end());
  std::sort(handled.begin(), handled.end());
  EXPECT_EQ(records, handled);
  Sleep(2000);  // and a little longer
  for (const std::wstring& marker : markers) {
    EXPECT_EQ(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES) << marker.size();
  }
}

// A variable of this process's environment for one test.
class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
    SetEnvironmentVariableW(name, value);
  }
  ~ScopedVariable() { SetEnvironmentVariableW(name_, nullptr); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const wchar_t* name_;
};

std::wstring Repeat(const std::wstring& piece, size_t times) {
  std::wstring out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

// The handler gets exactly the text that was judged: the shell would expand
// variables in it, and a trailing "\\", a blank or a control unit would alter
// the handler's command line. Such targets are refused and launch nothing;
// percent escapes, lone "%" and blanks in document paths reach the handler
// intact. Two variables of this process whose names look like escapes are
// caught by comparing the real expansion.
TEST_F(ShellOpen, HandlerGetsTheJudgedText) {
  const ScopedVariable pipe(L"DBCORVANE", L"\\\\.\\pipe\\corvane-shell-test");
  const ScopedVariable escape(L"2F", L"/evil");
  const std::wstring docs = kFolder + L"\\My Documents";
  CreateDirectoryW(docs.c_str(), nullptr);
  const struct {
    std::wstring target;
    bool launched;
  } cases[] = {
      // Variables, as found by the attack and in other places.
      {L"%PATH%", false},
      {L"%LOGONSERVER%\\pipe\\x.pdf", false},
      {L"%SHELL%.pdf", false},
      {L"http://example.invalid/?u=%USERNAME%&p=%USERPROFILE%", false},
      {L"C:\\docs\\" + Repeat(L"%PATH%", 12) + L".pdf", false},
      {L"%SystemDrive%\\corvane-shell-test\\Report 1.csv", false},
      {kFolder + L"\\%NOTSET%PATH%.csv", false},
      {kFolder + L"\\%DBCORVANE%.csv", false},
      {L"http://corvane.invalid/%2F%2F", false},
      // The handler's command line.
      {L"http://example.invalid/a\\", false},
      {kFolder + L"\\Report 1.csv\\", false},
      {L"http://corvane.invalid/?x= /c calc", false},
      {L"http://corvane.invalid/a\tb", false},
      {L"http://corvane.invalid/a\x7f", false},
      // What keeps working.
      {L"http://corvane.invalid/%20%20", true},
      {L"http://corvane.invalid/100%", true},
      {docs + L"\\report.csv", true},
      {kFolder + L"\\50% off.csv", true},
      {kFolder + L"\\my%20file%2B1.csv", true},
  };
  std::vector<std::wstring> launched;
  bool leftOut = false;
  for (const auto& c : cases) {
    capture.Clear();
    if (c.launched && !(c.target.starts_with(L"C:") ? csvGoverned : webGoverned)) {
      leftOut = true;  // it would start the user's application
    } else if (c.launched) {
      if (c.target.starts_with(L"C:")) WriteFileText(c.target, "x");
      EXPECT_EQ(Open(c.target), Ok) << c.target.size();
      EXPECT_TRUE(capture.Lines().empty());
      launched.push_back(c.target);
    } else {
      EXPECT_EQ(Open(c.target), Denied) << c.target.size();
      EXPECT_EQ(capture.Lines(),
                std::vector<std::string>{"[CorvaneBroker] shell open denied: malformed key\n"});
    }
  }
  auto records = WaitForRecords(launched.size());
  std::sort(records.begin(), records.end());
  std::sort(launched.begin(), launched.end());
  EXPECT_EQ(records, launched);
  EXPECT_EQ(GetFileAttributesW(strayLaunches.c_str()), INVALID_FILE_ATTRIBUTES);
  if (leftOut) GTEST_SKIP() << (csvGoverned ? kWebChosen : kCsvChosen) << " (refusals checked)";
}

// The component model is initialised and released within the request, so
// the thread is left in the state it was found in; a failed initialisation
// is not released and shows in the failure line.
TEST_F(ShellOpen, LeavesTheThreadsComponentModelAsFound) {
  CORVANE_SKIP_ON_WINDOWS(
      "it needs a listed type without an application, and .xml has one for all users there");
  const std::wstring document = kFolder + L"\\data.xml";
  WriteFileText(document, "<a/>");
  std::thread([&] {
    EXPECT_EQ(Open(document), Failed);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);  // nothing left over
    CoUninitialize();

    // Already initialised: S_FALSE, and released once more.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(Open(document), Failed);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);  // ours still holds
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);  // and nothing more
    CoUninitialize();

    // Another apartment model: the initialisation fails and is not released.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(Open(document), Failed);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
  }).join();
  EXPECT_EQ(capture.Lines(),
            (std::vector<std::string>{FailureLine(31, "0x00000000"), FailureLine(31, "0x00000001"),
                                      FailureLine(31, "0x80010106")}));

  // An allowed launch works from an initialised thread as well.
  std::thread([&] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(Open(kFolder + L"\\Report 1.csv"), Ok);
    CoUninitialize();
  }).join();
  EXPECT_EQ(WaitForRecords(1).size(), 1u);
}

// Wine's shell crashes on targets of about 1,000 units and, with a long
// command, cuts the argument from about 770 on. Up to the bound a target
// reaches the handler intact; beyond it, it never reaches the shell.
TEST_F(ShellOpen, LengthBound) {
  const size_t bound = corvane::kMaxShellTargetLength;
  for (const size_t length : {bound + 1, size_t{1000}, size_t{1200}, size_t{5000}}) {
    EXPECT_EQ(Open(LongUrl(length)), Denied) << length;
    EXPECT_EQ(Open(LongDocument(length)), Denied) << length;
  }
  EXPECT_EQ(capture.Lines(),
            std::vector<std::string>(8, "[CorvaneBroker] shell open denied: malformed key\n"));
  CORVANE_SKIP_ON_WINDOWS(
      "the launches up to the bound measure Wine's shell (255-unit commands and paths); "
      "refusals checked");

  capture.Clear();
  // Wine's shell finds no file whose path is longer than 255 units (rc=2);
  // an ftp document address of full length reaches the handler.
  const std::wstring longestFound = LongDocument(255);
  WriteFileText(longestFound, "x");
  std::vector<std::wstring> launched = {LongUrl(bound - 1), LongUrl(bound),
                                        LongDocument(bound, L"ftp://corvane.invalid/"),
                                        longestFound};
  for (const std::wstring& target : launched) {
    EXPECT_EQ(Open(target), Ok) << target.size();
  }
  EXPECT_TRUE(capture.Lines().empty());
  EXPECT_EQ(Open(LongDocument(bound)), Failed);
  EXPECT_EQ(capture.Lines(), std::vector<std::string>{FailureLine(2, "0x00000000")});

  auto records = WaitForRecords(launched.size());
  std::sort(records.begin(), records.end());
  std::sort(launched.begin(), launched.end());
  EXPECT_EQ(records, launched);
  DeleteFileW(longestFound.c_str());
}

// The real broker process answers an over-long target, or one that the shell
// would expand past the bound, and goes on serving.
TEST_F(ShellOpen, BrokerSurvivesOverlongTargets) {
  // Targets within the bound that the shell would expand past it.
  const std::wstring expanding[] = {
      L"C:\\docs\\" + Repeat(L"%PATH%", 12) + L".pdf",
      L"C:\\docs\\" + Repeat(L"%PATH%", 25) + std::wstring(528, L'C') + L".pdf",
  };
  for (const std::wstring& target :
       {LongUrl(5000), LongDocument(5000), expanding[0], expanding[1]}) {
    EXPECT_EQ(Send(BrokerOperation::ShellOpen, U(target)).status, Denied);
  }
  EXPECT_FALSE(Session().process.ExitCode());
}

}  // namespace
