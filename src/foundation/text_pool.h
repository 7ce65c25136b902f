// Texts that many records repeat (the registrations and callsigns of learned flights): each
// distinct text is stored once, for the life of the program, and a record keeps its 32-bit
// id. Interning takes a lock; reading the text of an id does not, since an entry is never
// changed or moved once its id is handed out.
#pragma once

#include <fmt/format.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace vexo {

class TextPool {
public:
  TextPool();
  ~TextPool();
  TextPool(const TextPool&) = delete;
  TextPool& operator=(const TextPool&) = delete;

  // The id of the text, stored when it is new; the empty text is id 0. Throws
  // std::length_error when the pool is full.
  std::uint32_t intern(std::string_view text);
  // The text of an id that intern() gave.
  std::string_view text(std::uint32_t id) const {
    return chunks_[id >> kChunkBits].load(std::memory_order_acquire)[id & (kChunkSize - 1)];
  }

private:
  static constexpr std::uint32_t kChunkBits = 14;
  static constexpr std::uint32_t kChunkSize = 1U << kChunkBits;
  static constexpr std::size_t kMaxChunks = std::size_t{1} << 14;
  static constexpr std::size_t kBlockSize = 64 * 1024;

  std::string_view storeLocked(std::string_view text);

  void growLocked();

  std::mutex mutex_;
  // The ids by text, open addressing: a slot is the upper half of its text's hash over the
  // id plus one; 0 is a free slot. Texts are compared as the pool stores them.
  std::vector<std::uint64_t> slots_;
  std::vector<std::unique_ptr<char[]>> blocks_;  // texts, kBlockSize each, the last one being filled
  std::size_t blockUsed_ = kBlockSize;
  std::vector<std::unique_ptr<char[]>> longTexts_;  // texts too long to share a block
  std::uint32_t count_ = 0;
  // The entries, kChunkSize to a chunk; a chunk is published before any of its ids.
  std::array<std::atomic<std::string_view*>, kMaxChunks> chunks_{};
};

// The program's pool.
TextPool& gf_textPool();

// A text kept in the program's pool: compared by id, read as a std::string_view.
class PooledText {
public:
  PooledText() = default;
  explicit PooledText(std::string_view text) : id_(gf_textPool().intern(text)) {}
  PooledText& operator=(std::string_view text) {
    id_ = gf_textPool().intern(text);
    return *this;
  }

  std::string_view view() const { return id_ == 0 ? std::string_view() : gf_textPool().text(id_); }
  operator std::string_view() const { return view(); }
  bool empty() const { return id_ == 0; }
  std::size_t size() const { return view().size(); }
  std::uint32_t id() const { return id_; }

  friend bool operator==(const PooledText& a, const PooledText& b) { return a.id_ == b.id_; }
  friend bool operator==(const PooledText& a, std::string_view b) { return a.view() == b; }

private:
  std::uint32_t id_ = 0;
};

std::ostream& operator<<(std::ostream& out, const PooledText& text);

}  // namespace vexo

template <>
struct fmt::formatter<vexo::PooledText> : fmt::formatter<std::string_view> {
  template <class Context>
  auto format(const vexo::PooledText& text, Context& context) const {
    return fmt::formatter<std::string_view>::format(text.view(), context);
  }
};
