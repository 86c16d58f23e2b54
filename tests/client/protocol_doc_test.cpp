// Keeps the hex dumps of docs/protocol.md true: each "request-X" dump is
// sent to a real broker byte for byte, and what comes back must equal the
// "reply-X" dump byte for byte. The pipe is spoken raw, with no client code
// between the document and the broker.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/broker_suite.h"
#include "win/scoped_handle.h"
#include "win/wide_text.h"

namespace corvane::test {
namespace {

using Bytes = std::vector<uint8_t>;

// The key and value the read-string dumps name.
constexpr wchar_t kDocKey[] = L"Software\\Corvane\\ProtocolDoc";
constexpr wchar_t kDocName[] = L"Greeting";
constexpr wchar_t kDocValue[] = L"hello";

// Every ```hex LABEL fence of the document: its bytes, written as two-digit
// hex numbers; "#" starts a comment that runs to the end of the line.
std::map<std::string, Bytes> HexDumps(const std::string& document) {
  std::map<std::string, Bytes> dumps;
  std::istringstream lines(document);
  std::string line;
  std::string label;
  bool inside = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!inside && line.rfind("```hex ", 0) == 0) {
      label = line.substr(7);
      dumps[label];
      inside = true;
      continue;
    }
    if (!inside) continue;
    if (line.rfind("```", 0) == 0) {
      inside = false;
      continue;
    }
    std::istringstream words(line.substr(0, line.find('#')));
    std::string word;
    while (words >> word) {
      EXPECT_TRUE(word.size() == 2 && std::isxdigit(static_cast<unsigned char>(word[0])) &&
                  std::isxdigit(static_cast<unsigned char>(word[1])))
          << label << ": '" << word << "' is not a byte";
      dumps[label].push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
    }
  }
  EXPECT_FALSE(inside) << label << ": fence not closed";
  return dumps;
}

std::string ReadDocument() {
  // Copied beside the test at configure time (tests/client/CMakeLists.txt).
  const std::u16string path = client::PathBesideThisProgram(u"protocol.md");
  std::ifstream file(win::Wide(path), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A broker for this process and a plain blocking connection to its pipe.
class RawBroker {
 public:
  RawBroker() {
    const std::u16string ipcName = client::MakeUniqueIpcName();
    process_ = test::StartBrokerFor(ipcName);
    if (!process_.handle()) return;
    const std::u16string pipeName = client::BrokerPipePath(ipcName);
    // Until the broker has made its pipe, or has ended.
    while (!pipe_ && WaitForSingleObject(process_.handle(), 0) == WAIT_TIMEOUT) {
      pipe_.Reset(CreateFileW(win::Wide(pipeName), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr));
      if (!pipe_) Sleep(20);
    }
    EXPECT_TRUE(pipe_) << "the broker ended before its pipe could be opened";
  }
  ~RawBroker() {
    pipe_.Reset();  // ends the broker
    process_.WaitForExit();
  }

  bool Send(const Bytes& bytes) {
    DWORD written = 0;
    return pipe_ &&
           WriteFile(pipe_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
  }

  // One frame exactly as it came: the header, whose fourth word gives the
  // frame's length in words, then the rest.
  Bytes ReadFrame() {
    Bytes frame(32);
    if (!ReadExactly(frame.data(), frame.size())) return {};
    uint32_t words = 0;
    std::memcpy(&words, frame.data() + 24, sizeof words);
    if (words < 5 || words > 0x10000) return frame;  // not a frame: compare what came
    frame.resize(size_t{words} * 8);
    if (!ReadExactly(frame.data() + 32, frame.size() - 32)) return {};
    return frame;
  }

 private:
  bool ReadExactly(uint8_t* into, size_t size) {
    while (size > 0) {
      DWORD got = 0;
      if (!pipe_ || !ReadFile(pipe_.get(), into, static_cast<DWORD>(size), &got, nullptr) ||
          got == 0) {
        return false;
      }
      into += got;
      size -= got;
    }
    return true;
  }

  client::BrokerProcess process_;
  UniqueHandle pipe_;
};

std::string Hex(const Bytes& bytes) {
  std::string text;
  char digits[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
    text += digits;
    text += (i % 8 == 7) ? '\n' : ' ';
  }
  return text;
}

class ProtocolDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    RegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kDocKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              key.Receive(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueExW(key.get(), kDocName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kDocValue),
                       static_cast<DWORD>(sizeof kDocValue)),
        ERROR_SUCCESS);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kDocKey); }
};

TEST_F(ProtocolDocument, TheBrokerAnswersItsDumpsByteForByte) {
  const std::map<std::string, Bytes> dumps = HexDumps(ReadDocument());
  // The ones the document promises; a renamed fence must not pass unseen.
  for (const char* label : {"request-ping", "reply-ping", "request-read-string",
                            "reply-read-string", "request-file-exists", "reply-file-exists",
                            "request-plugin-channel", "reply-plugin-channel"}) {
    EXPECT_EQ(dumps.count(label), 1u) << "docs/protocol.md has no ```hex " << label;
  }
  RawBroker broker;
  int pairs = 0;
  for (const auto& [label, request] : dumps) {
    if (label.rfind("request-", 0) != 0) continue;
    const auto reply = dumps.find("reply-" + label.substr(8));
    ASSERT_NE(reply, dumps.end()) << label << " has no reply dump";
    ASSERT_TRUE(broker.Send(request)) << label;
    const Bytes answer = broker.ReadFrame();
    EXPECT_EQ(Hex(answer), Hex(reply->second)) << "the broker's answer to " << label;
    ++pairs;
  }
  EXPECT_GE(pairs, 4);
}

}  // namespace
}  // namespace corvane::test
