// A pool that turns code texts (airline codes, model type designators) into 16-bit ids.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "refdata/fnv1a.h"

namespace vexo {

class CodePool {
public:
  // Ids are 16 bits wide.
  static constexpr std::size_t maxTexts = 65536;

  // A correction of a wrong code (the dbase fixes); none when the code is not a known mistake.
  using FixLookup = std::optional<std::string> (*)(std::string_view);

  explicit CodePool(std::string name);
  CodePool(const CodePool&) = delete;
  CodePool& operator=(const CodePool&) = delete;

  // Called from any thread. Returns the text's id, adding the text when it is new (texts
  // are kept exactly as given). With a fix lookup and a sealed pool, a text that the pool
  // lacks is first corrected: when the correct code is in the pool, its id is returned
  // and the wrong text is not added. A full pool refuses new texts with id 0 (logged once).
  std::uint16_t intern(std::string_view text, FixLookup fix = nullptr);

  std::optional<std::uint16_t> find(std::string_view text) const;

  // The text of an id; none when the id is not below the number of texts. The view stays
  // valid as long as the pool lives, since texts never move or go away.
  std::optional<std::string_view> text(std::uint16_t id) const;

  std::size_t size() const;
  bool sealed() const { return sealed_.load(std::memory_order_acquire); }
  void seal() { sealed_.store(true, std::memory_order_release); }

  // Empties the pool for a fresh start (tests); views handed out before become invalid.
  void reset();

private:
  std::optional<std::uint16_t> findLocked(std::string_view text) const;

  const std::string name_;
  mutable std::mutex mutex_;  // guards texts_, index_ and fullLogged_
  // A deque keeps every text at its address while the pool grows, so the index can key on
  // views into it and readers can keep the views.
  std::deque<std::string> texts_;
  std::unordered_map<std::string_view, std::uint16_t, Fnv1aTextHash, std::equal_to<>> index_;
  bool fullLogged_ = false;
  std::atomic<bool> sealed_{false};
};

}  // namespace vexo
