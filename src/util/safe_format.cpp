#include "util/safe_format.h"

#include <algorithm>
#include <cstring>

namespace dl {
namespace {

constexpr std::size_t kMaxField = 4096;

struct Spec {
  bool left = false;
  bool zero = false;
  std::size_t width = 0;
  bool hasPrecision = false;
  std::size_t precision = 0;
  char conversion = 0;
};

std::string Digits(unsigned long long value, unsigned base, bool upper) {
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string s;
  do {
    s.push_back(set[value % base]);
    value /= base;
  } while (value != 0);
  std::reverse(s.begin(), s.end());
  return s;
}

// The value of a numeric argument as the conversion sees it.
unsigned long long AsUnsigned(const FormatArg& arg) {
  if (arg.kind() == FormatArg::Kind::kUnsigned) return arg.unsignedValue();
  long long v = arg.signedValue();
  // Negative values of the 32-bit range read as their 32-bit pattern, as printf shows an int.
  if (v < 0 && v >= INT32_MIN) return static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
  return static_cast<unsigned long long>(v);
}

std::string Convert(const Spec& spec, const FormatArg& arg) {
  std::string body;
  std::string sign;
  bool numeric = false;
  if (arg.kind() == FormatArg::Kind::kText) {
    const char* text = arg.text();
    if (spec.conversion == 'c') {
      if (*text != '\0') body.assign(1, *text);
    } else {
      std::size_t n = std::strlen(text);
      if (spec.conversion == 's' && spec.hasPrecision) n = std::min(n, spec.precision);
      body.assign(text, n);
    }
  } else if (spec.conversion == 'c') {
    body.assign(1, static_cast<char>(arg.kind() == FormatArg::Kind::kUnsigned
                                         ? arg.unsignedValue()
                                         : static_cast<unsigned long long>(arg.signedValue())));
  } else {
    numeric = true;
    switch (spec.conversion) {
      case 'x':
      case 'X':
        body = Digits(AsUnsigned(arg), 16, spec.conversion == 'X');
        break;
      case 'u':
        body = Digits(AsUnsigned(arg), 10, false);
        break;
      default:  // d, i, and s given a number
        if (arg.kind() == FormatArg::Kind::kUnsigned) {
          body = Digits(arg.unsignedValue(), 10, false);
        } else {
          long long v = arg.signedValue();
          unsigned long long magnitude = v < 0 ? 0ull - static_cast<unsigned long long>(v)
                                               : static_cast<unsigned long long>(v);
          if (v < 0) sign = "-";
          body = Digits(magnitude, 10, false);
        }
        break;
    }
    if (spec.conversion != 's' && spec.hasPrecision) {
      if (spec.precision == 0 && body == "0") body.clear();
      if (body.size() < spec.precision) body.insert(0, spec.precision - body.size(), '0');
    }
  }
  std::size_t length = sign.size() + body.size();
  if (length >= spec.width) return sign + body;
  std::size_t pad = spec.width - length;
  if (spec.left) return sign + body + std::string(pad, ' ');
  if (spec.zero && numeric && !spec.hasPrecision) return sign + std::string(pad, '0') + body;
  return std::string(pad, ' ') + sign + body;
}

// Reads a decimal field, saturating at kMaxField.
std::size_t ReadNumber(const char*& p) {
  std::size_t n = 0;
  while (*p >= '0' && *p <= '9') {
    n = std::min<std::size_t>(n * 10 + static_cast<std::size_t>(*p - '0'), kMaxField);
    ++p;
  }
  return n;
}

// Formats into sink(text, length); stops early when sink returns false.
template <typename Sink>
void Format(const char* format, FormatArgs args, Sink&& sink) {
  if (format == nullptr) return;
  const FormatArg* next = args.begin();
  const char* p = format;
  while (*p != '\0') {
    const char* percent = std::strchr(p, '%');
    if (percent == nullptr) {
      sink(p, std::strlen(p));
      return;
    }
    if (percent > p && !sink(p, static_cast<std::size_t>(percent - p))) return;
    const char* q = percent + 1;
    if (*q == '%') {
      if (!sink("%", 1)) return;
      p = q + 1;
      continue;
    }
    Spec spec;
    for (;; ++q) {
      if (*q == '-') {
        spec.left = true;
      } else if (*q == '0') {
        spec.zero = true;
      } else {
        break;
      }
    }
    spec.width = ReadNumber(q);
    if (*q == '.') {
      ++q;
      spec.hasPrecision = true;
      spec.precision = ReadNumber(q);
    }
    while (*q == 'h' || *q == 'l') ++q;
    spec.conversion = *q;
    if (std::strchr("sdiuxXc", spec.conversion) == nullptr || spec.conversion == '\0') {
      // Unknown (or %n, or cut off): copied as it stands.
      std::size_t n = static_cast<std::size_t>(q - percent) + (*q == '\0' ? 0 : 1);
      if (!sink(percent, n)) return;
      p = percent + n;
      continue;
    }
    p = q + 1;
    if (next == args.end()) continue;  // no argument left: nothing
    std::string piece = Convert(spec, *next++);
    if (!sink(piece.data(), piece.size())) return;
  }
}

}  // namespace

std::size_t SafeFormat(char* out, std::size_t capacity, const char* format, FormatArgs args) {
  if (out == nullptr || capacity == 0) return 0;
  std::size_t used = 0;
  Format(format, args, [&](const char* text, std::size_t n) {
    std::size_t room = capacity - 1 - used;
    std::size_t take = std::min(room, n);
    std::memcpy(out + used, text, take);
    used += take;
    return take == n;
  });
  out[used] = '\0';
  return used;
}

std::string FormatString(const char* format, FormatArgs args) {
  std::string result;
  Format(format, args, [&](const char* text, std::size_t n) {
    result.append(text, n);
    return true;
  });
  return result;
}

}  // namespace dl
