// A double-ended queue of trivially copyable values in one power-of-two ring of slots: an
// element is reached with a mask instead of a walk over blocks, and a queue that takes
// from the front and appends at the back as much as it holds never allocates again.
// Unlike std::deque, appending may move the elements (references and iterators into the
// queue do not survive a push, an insert or an erase). Not shared between threads.
#pragma once

#include <algorithm>
#include <compare>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <type_traits>
#include <utility>
#include <vector>

namespace vexo {

template <class T>
class RingDeque {
  static_assert(std::is_trivially_copyable_v<T>, "the slots are copied as they are");

  template <bool Const>
  class Iter {
    using Queue = std::conditional_t<Const, const RingDeque, RingDeque>;

  public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = std::conditional_t<Const, const T*, T*>;
    using reference = std::conditional_t<Const, const T&, T&>;

    Iter() = default;
    Iter(Queue* queue, std::size_t index) : queue_(queue), index_(static_cast<difference_type>(index)) {}
    operator Iter<true>() const
      requires(!Const)
    {
      return Iter<true>(queue_, static_cast<std::size_t>(index_));
    }

    reference operator*() const { return (*queue_)[static_cast<std::size_t>(index_)]; }
    pointer operator->() const { return &**this; }
    reference operator[](difference_type n) const { return *(*this + n); }
    Iter& operator++() { ++index_; return *this; }
    Iter operator++(int) { Iter old = *this; ++index_; return old; }
    Iter& operator--() { --index_; return *this; }
    Iter operator--(int) { Iter old = *this; --index_; return old; }
    Iter& operator+=(difference_type n) { index_ += n; return *this; }
    Iter& operator-=(difference_type n) { index_ -= n; return *this; }
    friend Iter operator+(Iter it, difference_type n) { return it += n; }
    friend Iter operator+(difference_type n, Iter it) { return it += n; }
    friend Iter operator-(Iter it, difference_type n) { return it -= n; }
    friend difference_type operator-(const Iter& a, const Iter& b) { return a.index_ - b.index_; }
    friend bool operator==(const Iter& a, const Iter& b) { return a.index_ == b.index_; }
    friend auto operator<=>(const Iter& a, const Iter& b) { return a.index_ <=> b.index_; }
    std::size_t index() const { return static_cast<std::size_t>(index_); }

  private:
    Queue* queue_ = nullptr;
    difference_type index_ = 0;
  };

public:
  using value_type = T;
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using reference = T&;
  using const_reference = const T&;
  using iterator = Iter<false>;
  using const_iterator = Iter<true>;

  RingDeque() = default;
  RingDeque(std::initializer_list<T> values) { assign(values); }
  RingDeque(const RingDeque&) = default;
  RingDeque& operator=(const RingDeque&) = default;
  RingDeque(RingDeque&& other) noexcept
      : slots_(std::move(other.slots_)),
        mask_(std::exchange(other.mask_, 0)),
        head_(std::exchange(other.head_, 0)),
        size_(std::exchange(other.size_, 0)) {
    other.slots_.clear();
  }
  RingDeque& operator=(RingDeque&& other) noexcept {
    if (this != &other) {
      slots_ = std::move(other.slots_);
      mask_ = std::exchange(other.mask_, 0);
      head_ = std::exchange(other.head_, 0);
      size_ = std::exchange(other.size_, 0);
      other.slots_.clear();
    }
    return *this;
  }
  RingDeque& operator=(std::initializer_list<T> values) {
    assign(values);
    return *this;
  }

  size_type size() const { return size_; }
  bool empty() const { return size_ == 0; }

  T& operator[](size_type i) { return slots_[(head_ + i) & mask_]; }
  const T& operator[](size_type i) const { return slots_[(head_ + i) & mask_]; }
  T& front() { return (*this)[0]; }
  const T& front() const { return (*this)[0]; }
  T& back() { return (*this)[size_ - 1]; }
  const T& back() const { return (*this)[size_ - 1]; }

  iterator begin() { return {this, 0}; }
  iterator end() { return {this, size_}; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size_}; }
  const_iterator cbegin() const { return begin(); }
  const_iterator cend() const { return end(); }

  void clear() {
    head_ = 0;
    size_ = 0;
  }

  void push_back(const T& value) {
    const T copy = value;  // the value may lie in the ring that grows
    reserveOneMore();
    slots_[(head_ + size_) & mask_] = copy;
    ++size_;
  }

  void push_front(const T& value) {
    const T copy = value;
    reserveOneMore();
    head_ = (head_ + mask_) & mask_;
    slots_[head_] = copy;
    ++size_;
  }

  void pop_front() {
    head_ = (head_ + 1) & mask_;
    --size_;
  }

  void pop_back() { --size_; }

  void resize(size_type n) {
    if (n <= size_) {
      size_ = n;
      return;
    }
    while (size_ < n) push_back(T{});
  }

  // Inserts before pos; returns the inserted element's position. The shorter side moves.
  iterator insert(const_iterator pos, const T& value) {
    const T copy = value;
    const size_type at = pos.index();
    if (at < size_ / 2) {
      push_front(copy);
      for (size_type i = 0; i < at; ++i) (*this)[i] = (*this)[i + 1];
    } else {
      push_back(copy);
      for (size_type i = size_ - 1; i > at; --i) (*this)[i] = (*this)[i - 1];
    }
    (*this)[at] = copy;
    return {this, at};
  }

  // Removes the element at pos; returns the position of the one that followed it. The
  // shorter side moves.
  iterator erase(const_iterator pos) {
    const size_type at = pos.index();
    if (at < size_ / 2) {
      for (size_type i = at; i > 0; --i) (*this)[i] = (*this)[i - 1];
      pop_front();
    } else {
      for (size_type i = at; i + 1 < size_; ++i) (*this)[i] = (*this)[i + 1];
      --size_;
    }
    return {this, at};
  }

private:
  void assign(std::initializer_list<T> values) {
    clear();
    for (const T& v : values) push_back(v);
  }

  // Room for one more element: the ring doubles (at least 8 slots), its elements laid out
  // again from slot 0.
  void reserveOneMore() {
    if (!slots_.empty() && size_ <= mask_) return;
    std::vector<T> grown(std::max<size_type>(8, slots_.size() * 2));
    for (size_type i = 0; i < size_; ++i) grown[i] = (*this)[i];
    slots_ = std::move(grown);
    mask_ = slots_.size() - 1;
    head_ = 0;
  }

  std::vector<T> slots_;  // a power of two of them, or none
  size_type mask_ = 0;    // their count less one
  size_type head_ = 0;
  size_type size_ = 0;
};

}  // namespace vexo
