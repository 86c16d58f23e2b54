#include "ipc/kept_storage.h"

#include <algorithm>
#include <utility>

#include "ipc/msg_param.h"

namespace ipc {

namespace {

struct Kept {
  int scopes = 0;
  std::u16string text;
  std::vector<uint8_t> blocks[2];
};

thread_local Kept kept;

bool IsLarge(const std::vector<uint8_t>& bytes) {
  return bytes.capacity() > kKeptStorageBytes;
}

}  // namespace

KeptStorageScope::KeptStorageScope() {
  ++kept.scopes;
}

KeptStorageScope::~KeptStorageScope() {
  if (--kept.scopes == 0) ReleaseKeptStorage();
}

std::u16string TakeLargeText() {
  std::u16string text;
  text.swap(kept.text);
  return text;
}

void KeepLargeText(std::u16string& text) {
  if (kept.scopes > 0 && text.capacity() * 2 > kKeptStorageBytes &&
      text.capacity() > kept.text.capacity()) {
    text.swap(kept.text);
  }
  std::u16string().swap(text);
}

std::vector<uint8_t> TakeLargeBytes(size_t size) {
  std::vector<uint8_t>* best = nullptr;
  for (auto& block : kept.blocks) {
    if (block.capacity() >= size && IsLarge(block) &&
        (best == nullptr || block.capacity() < best->capacity())) {
      best = &block;
    }
  }
  std::vector<uint8_t> bytes;
  if (best != nullptr) bytes.swap(*best);
  return bytes;
}

void KeepLargeBytes(std::vector<uint8_t>& bytes) {
  if (kept.scopes > 0 && IsLarge(bytes)) {
    auto* smallest =
        std::min_element(std::begin(kept.blocks), std::end(kept.blocks),
                         [](const auto& a, const auto& b) { return a.capacity() < b.capacity(); });
    if (bytes.capacity() > smallest->capacity()) bytes.swap(*smallest);
  }
  std::vector<uint8_t>().swap(bytes);
}

bool HoldsKeptStorage() {
  return kept.text.capacity() * 2 > kKeptStorageBytes ||
         std::any_of(std::begin(kept.blocks), std::end(kept.blocks), IsLarge);
}

void ReleaseKeptStorage() {
  std::u16string().swap(kept.text);
  for (auto& block : kept.blocks) std::vector<uint8_t>().swap(block);
}

}  // namespace ipc
