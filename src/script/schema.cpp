#include "script/schema.h"

#include "util/safe_format.h"

namespace dl {

std::string DiscSectionName(int index) {
  return FormatString("[disc%02d]", {index});
}

std::string FileKeyName(int index) {
  return FormatString("file%d", {index});
}

std::string DiscNameKey(int discNumber) {
  return FormatString("string%d", {discNumber + 11});
}

}  // namespace dl
