// Runs every access check on fuzz-derived texts and stops on the first broken
// invariant (see tests/policy/policy_invariants.h).
//
// Input: one flag byte, then texts separated by "\n": the key / path / source
// / shell target, the destination, and a folder of the fuzzer's own. Each byte
// is one unit (U+0000..U+00FF, "\n" excepted); 0xFF and two more bytes give any
// unit, little-endian.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tests/policy/policy_invariants.h"

namespace {

using namespace corvane;

const std::u16string kAppData = u"C:\\Users\\Ann\\AppData\\Roaming";
const std::u16string kShareAppData = u"\\\\srv\\home\\ann\\AppData\\Roaming";
const std::u16string kTemp = u"C:\\Users\\Ann\\AppData\\Local\\Temp";

struct Input {
  uint8_t flags = 0;
  std::u16string texts[3];
};

Input Parse(const uint8_t* data, size_t size) {
  Input input;
  if (size == 0) return input;
  input.flags = data[0];
  size_t field = 0;
  for (size_t i = 1; i < size && field < 3; ++i) {
    if (data[i] == '\n') {
      ++field;
    } else if (data[i] == 0xFF && i + 2 < size) {
      input.texts[field].push_back(static_cast<char16_t>(data[i + 1] | data[i + 2] << 8));
      i += 2;
    } else {
      input.texts[field].push_back(static_cast<char16_t>(data[i]));
    }
  }
  return input;
}

void Require(const std::string& broken, std::u16string_view a, std::u16string_view b) {
  if (broken.empty()) return;
  std::fprintf(stderr, "invariant broken: %s\n", broken.c_str());
  for (std::u16string_view text : {a, b}) {
    for (char16_t unit : text) std::fprintf(stderr, "%04X ", static_cast<unsigned>(unit));
    std::fprintf(stderr, "\n");
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Input in = Parse(data, size);
  const std::u16string& text = in.texts[0];
  const std::u16string& other = in.texts[1];

  const int32_t hives[] = {0, 1, 7, -1};
  const auto hive = static_cast<corvane::RegistryHive>(hives[in.flags & 3]);
  const bool write = (in.flags & 4) != 0;
  Require(policy_invariants::RegistryKey(hive, text, write), text, {});

  // Bits 3-4 pick the application-data folder, bits 5-7 glue a folder in front
  // of a text so that the paths reach the inside of the folders often.
  const std::u16string folders[] = {kAppData, kShareAppData, in.texts[2], u""};
  const std::u16string& appData = folders[(in.flags >> 3) & 3];
  const std::u16string path = (in.flags & 0x20) != 0 ? appData + text : text;
  Require(policy_invariants::AppDataPath(path, appData), path, appData);

  const std::u16string destination = (in.flags & 0x40) != 0 ? kTemp + other : other;
  Require(policy_invariants::FileCopy(text, destination, kTemp), text, destination);
  const std::u16string source = (in.flags & 0x80) != 0 ? kTemp + text : text;
  Require(policy_invariants::FileExport(source, other, kTemp), source, other);
  if (!in.texts[2].empty()) {
    Require(policy_invariants::FileCopy(text, other, in.texts[2]), text, other);
    Require(policy_invariants::FileExport(text, other, in.texts[2]), text, other);
  }

  Require(policy_invariants::ShellTarget(text), text, {});
  return 0;
}
