#include "ipc/kept_storage.h"

#include "ipc/msg_param.h"

namespace ipc {

namespace {

struct Kept {
  int scopes = 0;
  std::u16string text;
};

thread_local Kept kept;

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

bool HoldsKeptStorage() {
  return kept.text.capacity() * 2 > kKeptStorageBytes;
}

void ReleaseKeptStorage() {
  std::u16string().swap(kept.text);
}

}  // namespace ipc
