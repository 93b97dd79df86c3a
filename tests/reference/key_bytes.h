// The bytes of a KeyStream: a buffer that grows without writing to the bytes it adds, for the
// conversion to a KeyStream that the tests and the benchmark hold the one-pass count against.
#pragma once

#include <cstddef>
#include <string_view>

namespace kananet {

// The conversion writes every byte it keeps, so filling new room with zeros first would only
// cost time and, for room that ends up unused, resident memory. Large buffers grow in place
// (the C library moves pages, not bytes), so growing never holds two copies of the stream.
class KeyBytes {
 public:
  KeyBytes() = default;
  KeyBytes(const KeyBytes& other);
  KeyBytes(KeyBytes&& other) noexcept;
  KeyBytes& operator=(const KeyBytes& other);
  KeyBytes& operator=(KeyBytes&& other) noexcept;
  KeyBytes& operator=(std::string_view bytes);
  ~KeyBytes();

  const char* Data() const { return data_; }
  char* Data() { return data_; }
  std::size_t Size() const { return size_; }
  std::size_t Capacity() const { return capacity_; }
  std::string_view View() const { return {data_, size_}; }
  operator std::string_view() const { return View(); }
  friend bool operator==(const KeyBytes& bytes, std::string_view other) {
    return bytes.View() == other;
  }

  void Clear() { size_ = 0; }
  // Room for at least capacity bytes; the bytes past Size() are not set. Throws std::bad_alloc.
  void Reserve(std::size_t capacity);
  // Takes the first size bytes (at most Capacity()) as the contents; the caller wrote them.
  void SetWrittenSize(std::size_t size) { size_ = size; }
  void Append(std::string_view bytes);

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace kananet
