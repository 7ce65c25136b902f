#include "foundation/text_pool.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <stdexcept>

#include "foundation/text_hash.h"

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
  const std::uint64_t hash = gf_textHash(text);
  const std::uint64_t tag = hash >> 32;
  std::lock_guard lock(mutex_);
  if (2 * (static_cast<std::size_t>(count_) + 1) > slots_.size()) growLocked();
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = static_cast<std::size_t>(hash) & mask;
  for (;; i = (i + 1) & mask) {
    const std::uint64_t slot = slots_[i];
    if (slot == 0) break;
    const auto id = static_cast<std::uint32_t>(slot - 1);
    if ((slot >> 32) == tag && this->text(id) == text) return id;
  }
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
  slots_[i] = (tag << 32) + id + 1;
  ++count_;
  return id;
}

void TextPool::growLocked() {
  slots_.assign(std::max<std::size_t>(1024, 2 * slots_.size()), 0);
  const std::size_t mask = slots_.size() - 1;
  for (std::uint32_t id = 0; id < count_; ++id) {
    const std::uint64_t hash = gf_textHash(text(id));
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = ((hash >> 32) << 32) + id + 1;
  }
}

TextPool& gf_textPool() {
  // Never destroyed: records that hold ids may outlive any order of static destruction.
  static TextPool* const pool = new TextPool;
  return *pool;
}

std::ostream& operator<<(std::ostream& out, const PooledText& text) { return out << text.view(); }

}  // namespace vexo
