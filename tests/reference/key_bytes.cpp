#include "reference/key_bytes.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace kananet {

KeyBytes::KeyBytes(const KeyBytes& other) {
  *this = other.View();
}

KeyBytes::KeyBytes(KeyBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

KeyBytes& KeyBytes::operator=(const KeyBytes& other) {
  if (this != &other) {
    *this = other.View();
  }
  return *this;
}

KeyBytes& KeyBytes::operator=(KeyBytes&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

KeyBytes& KeyBytes::operator=(std::string_view bytes) {
  size_ = 0;
  Append(bytes);
  return *this;
}

KeyBytes::~KeyBytes() {
  std::free(data_);
}

void KeyBytes::Reserve(std::size_t capacity) {
  if (capacity <= capacity_) {
    return;
  }
  void* grown = std::realloc(data_, capacity);
  if (grown == nullptr) {
    throw std::bad_alloc();
  }
  data_ = static_cast<char*>(grown);
  capacity_ = capacity;
}

void KeyBytes::Append(std::string_view bytes) {
  if (bytes.empty()) {
    return;
  }
  if (bytes.size() > capacity_ - size_) {
    Reserve(size_ + bytes.size() + (size_ + bytes.size()) / 2);
  }
  std::memmove(data_ + size_, bytes.data(), bytes.size());
  size_ += bytes.size();
}

}  // namespace kananet
