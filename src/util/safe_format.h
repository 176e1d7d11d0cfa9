// A printf-style formatter that is safe for texts that come from a script.
//
// Only the arguments given are ever read, each with its own type. Supported: %% and
// %s %d %i %u %x %X %c with the flags "-" and "0", a width and a precision (length
// modifiers h, l, ll are accepted and ignored). %n and any other conversion are copied
// literally; a conversion with no argument left produces nothing. A text argument given
// to a numeric conversion is written as text, a number given to %s as decimal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace dl {

class FormatArg {
 public:
  enum class Kind { kText, kSigned, kUnsigned, kChar };

  FormatArg(const char* text) : kind_(Kind::kText), text_(text == nullptr ? "" : text) {}
  FormatArg(const std::string& text) : kind_(Kind::kText), text_(text.c_str()) {}
  FormatArg(int value) : kind_(Kind::kSigned), signed_(value) {}
  FormatArg(long value) : kind_(Kind::kSigned), signed_(value) {}
  FormatArg(long long value) : kind_(Kind::kSigned), signed_(value) {}
  FormatArg(unsigned value) : kind_(Kind::kUnsigned), unsigned_(value) {}
  FormatArg(unsigned long value) : kind_(Kind::kUnsigned), unsigned_(value) {}
  FormatArg(unsigned long long value) : kind_(Kind::kUnsigned), unsigned_(value) {}
  FormatArg(char c) : kind_(Kind::kChar), signed_(static_cast<unsigned char>(c)) {}

  Kind kind() const { return kind_; }
  const char* text() const { return text_; }
  long long signedValue() const { return signed_; }
  unsigned long long unsignedValue() const { return unsigned_; }

 private:
  Kind kind_;
  const char* text_ = "";
  long long signed_ = 0;
  unsigned long long unsigned_ = 0;
};

using FormatArgs = std::initializer_list<FormatArg>;

// Formats into out, which holds capacity bytes: at most capacity - 1 bytes of text and a
// terminator (nothing at all when capacity is 0). Returns the length written.
std::size_t SafeFormat(char* out, std::size_t capacity, const char* format, FormatArgs args);

// Formats into a string; widths and precisions above 4096 are taken as 4096.
std::string FormatString(const char* format, FormatArgs args);

}  // namespace dl
