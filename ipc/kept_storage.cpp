#include "ipc/kept_storage.h"

#include <utility>

#include "ipc/msg_param.h"

namespace ipc {

namespace {

bool IsLarge(const std::u16string& text) {
  return text.capacity() * sizeof(char16_t) > kKeptStorageBytes;
}

bool IsLarge(const std::vector<uint8_t>& bytes) {
  return bytes.capacity() > kKeptStorageBytes;
}

}  // namespace

std::u16string KeptStorage::TakeText() {
  return std::exchange(text_, {});
}

void KeptStorage::KeepText(std::u16string& text) {
  if (IsLarge(text) && text.capacity() > text_.capacity()) text.swap(text_);
  std::u16string().swap(text);
}

std::vector<uint8_t> KeptStorage::TakeBytes(size_t size) {
  if (bytes_.capacity() < size) return {};
  return std::exchange(bytes_, {});
}

void KeptStorage::KeepBytes(std::vector<uint8_t>& bytes) {
  if (IsLarge(bytes) && bytes.capacity() > bytes_.capacity()) bytes.swap(bytes_);
  std::vector<uint8_t>().swap(bytes);
}

bool KeptStorage::Holds() const {
  return IsLarge(text_) || IsLarge(bytes_);
}

void KeptStorage::Release() {
  std::u16string().swap(text_);
  std::vector<uint8_t>().swap(bytes_);
}

std::u16string TakeText(KeptStorage* kept) {
  return kept != nullptr ? kept->TakeText() : std::u16string();
}

void KeepText(KeptStorage* kept, std::u16string& text) {
  if (kept != nullptr) {
    kept->KeepText(text);
  } else {
    std::u16string().swap(text);
  }
}

std::vector<uint8_t> TakeBytes(KeptStorage* kept, size_t size) {
  return kept != nullptr ? kept->TakeBytes(size) : std::vector<uint8_t>();
}

void KeepBytes(KeptStorage* kept, std::vector<uint8_t>& bytes) {
  if (kept != nullptr) {
    kept->KeepBytes(bytes);
  } else {
    std::vector<uint8_t>().swap(bytes);
  }
}

}  // namespace ipc
