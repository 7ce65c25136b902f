#include "foundation/text_pool.h"

#include <cstring>
#include <ostream>
#include <stdexcept>

namespace vexo {

TextPool::TextPool() { intern(std::string_view()); }

TextPool::~TextPool() {
  for (auto& chunk : chunks_) delete[] chunk.load(std::memory_order_relaxed);
}

std::string_view TextPool::storeLocked(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() > kBlockSize / 4) {
    auto& own = longTexts_.emplace_back(std::make_unique<char[]>(text.size()));
    std::memcpy(own.get(), text.data(), text.size());
    return {own.get(), text.size()};
  }
  if (kBlockSize - blockUsed_ < text.size()) {
    blocks_.push_back(std::make_unique<char[]>(kBlockSize));
    blockUsed_ = 0;
  }
  char* at = blocks_.back().get() + blockUsed_;
  std::memcpy(at, text.data(), text.size());
  blockUsed_ += text.size();
  return {at, text.size()};
}

std::uint32_t TextPool::intern(std::string_view text) {
  std::lock_guard lock(mutex_);
  if (const auto found = ids_.find(text); found != ids_.end()) return found->second;
  if (count_ >= kMaxChunks * kChunkSize) throw std::length_error("TextPool: too many texts");
  const std::uint32_t id = count_;
  std::atomic<std::string_view*>& published = chunks_[id >> kChunkBits];
  std::string_view* chunk = published.load(std::memory_order_relaxed);
  if (chunk == nullptr) {
    chunk = new std::string_view[kChunkSize];
    published.store(chunk, std::memory_order_release);
  }
  const std::string_view stored = storeLocked(text);
  chunk[id & (kChunkSize - 1)] = stored;
  ids_.emplace(stored, id);
  ++count_;
  return id;
}

TextPool& gf_textPool() {
  // Never destroyed: records that hold ids may outlive any order of static destruction.
  static TextPool* const pool = new TextPool;
  return *pool;
}

std::ostream& operator<<(std::ostream& out, const PooledText& text) { return out << text.view(); }

}  // namespace vexo
