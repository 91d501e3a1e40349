#pragma once
// c_compactList: an append-only list of small trivially copyable values that keeps
// a lone value in place and goes to the heap only for a second one. Most nodes of a
// plant have one successor and one predecessor; a plant of a million tracking
// points is read without two million small allocations.

#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

template <typename T>
class c_compactList {
  static_assert(std::is_trivially_copyable_v<T> && std::is_default_constructible_v<T>);

 public:
  c_compactList() = default;
  c_compactList(const c_compactList&) = delete;
  c_compactList& operator=(const c_compactList&) = delete;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const T* begin() const { return heap_ ? heap_.get() : &single_; }
  const T* end() const { return begin() + size_; }
  const T& operator[](std::size_t i) const { return begin()[i]; }

  void push_back(const T& value) {
    if (size_ == 0 && !heap_) {
      single_ = value;
      size_ = 1;
      return;
    }
    if (!heap_ || size_ == capacity_) {
      std::size_t capacity = heap_ ? capacity_ * 2 : 4;
      auto grown = std::make_unique<T[]>(capacity);
      std::memcpy(static_cast<void*>(grown.get()), begin(), size_ * sizeof(T));
      heap_ = std::move(grown);
      capacity_ = capacity;
    }
    heap_[size_++] = value;
  }

 private:
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;  // of heap_
  T single_{};                // the value while there is only one and no heap
  std::unique_ptr<T[]> heap_;
};
