#include "refdata/code_pool.h"

#include <fmt/format.h>

#include "foundation/log.h"

namespace vexo {

CodePool::CodePool(std::string name) : name_(std::move(name)) {}

std::optional<std::uint16_t> CodePool::findLocked(std::string_view text) const {
  auto it = index_.find(text);
  if (it == index_.end()) {
    return std::nullopt;
  }
  return it->second;
}

std::uint16_t CodePool::intern(std::string_view text, FixLookup fix) {
  bool logFull = false;
  {
    std::lock_guard lock(mutex_);
    if (auto id = findLocked(text)) {
      return *id;
    }
    if (fix != nullptr && sealed()) {
      if (auto correct = fix(text)) {
        if (auto id = findLocked(*correct)) {
          return *id;
        }
      }
    }
    if (texts_.size() < maxTexts) {
      auto id = static_cast<std::uint16_t>(texts_.size());
      const std::string& stored = texts_.emplace_back(text);
      index_.emplace(std::string_view(stored), id);
      return id;
    }
    // Reusing an id would silently make two codes one; refusing keeps every earlier id right.
    logFull = !fullLogged_;
    fullLogged_ = true;
  }
  if (logFull) {
    gf_logWarning(fmt::format("{} pool is full ({} codes): new codes such as '{}' get id 0", name_, maxTexts, text));
  }
  return 0;
}

std::optional<std::uint16_t> CodePool::find(std::string_view text) const {
  std::lock_guard lock(mutex_);
  return findLocked(text);
}

std::optional<std::string_view> CodePool::text(std::uint16_t id) const {
  std::lock_guard lock(mutex_);
  if (id >= texts_.size()) {
    return std::nullopt;
  }
  return std::string_view(texts_[id]);
}

std::size_t CodePool::size() const {
  std::lock_guard lock(mutex_);
  return texts_.size();
}

void CodePool::reset() {
  std::lock_guard lock(mutex_);
  index_.clear();
  texts_.clear();
  fullLogged_ = false;
  sealed_.store(false, std::memory_order_release);
}

}  // namespace vexo
