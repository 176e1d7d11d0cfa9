#include "pack/pack_verify.h"

#include <cstring>
#include <memory>
#include <new>

#include "pack/lzss.h"
#include "pack/pack_format.h"

namespace dl {
namespace {

class Verifier {
 public:
  Verifier(const std::uint8_t* data, std::size_t size, std::vector<std::string>* problems,
           const std::function<void(const PackEntryInfo&)>& visit)
      : data_(data), size_(size), problems_(problems), visit_(visit) {}

  void Run() {
    if (size_ > 0xFFFFFFFFu) return Problem("pack", "longer than 4 GiB");
    std::uint32_t end = 0;
    if (!Folder("", 0, static_cast<std::uint32_t>(size_), 0, &end)) return;
    if (end != size_)
      Problem("root", "end marker says " + std::to_string(end) + " bytes, the pack has " +
                          std::to_string(size_));
  }

 private:
  void Problem(const std::string& where, const std::string& what) {
    problems_->push_back(where + ": " + what);
  }

  // Checks the block at pos whose folder may use bytes up to limit; *end receives its
  // end marker's offset.
  bool Folder(const std::string& prefix, std::uint32_t pos, std::uint32_t limit, int depth,
              std::uint32_t* end) {
    const std::string where = prefix.empty() ? "root" : prefix;
    if (depth > kMaxPackDepth) {
      Problem(where, "folders nested too deeply");
      return false;
    }
    if (limit < pos || limit - pos < 4) {
      Problem(where, "directory block cut off");
      return false;
    }
    std::uint32_t count = LoadU32(data_ + pos);
    std::uint64_t recordsEnd = std::uint64_t{pos} + 4 + std::uint64_t{count} * kPackRecordSize;
    if (count == 0) {
      Problem(where, "count 0 (there must be at least the end marker)");
      return false;
    }
    if (recordsEnd > limit) {
      Problem(where, "count " + std::to_string(count) + " does not fit in the pack");
      return false;
    }
    std::vector<PackDirRecord> records(count);
    bool ok = true;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint8_t* p = data_ + pos + 4 + std::size_t{i} * kPackRecordSize;
      records[i].offset = LoadU32(p);
      std::memcpy(records[i].name, p + 4, kPackNameSize);
      const char* name = records[i].name;
      const void* nul = std::memchr(name, 0, kPackNameSize);
      std::string shown = nul ? std::string(name) : std::string(name, kPackNameSize);
      if (nul == nullptr) {
        Problem(where + shown, "name without terminator");
        ok = false;
        continue;
      }
      std::size_t length = std::strlen(name);
      if (std::string(name + length, kPackNameSize - length) !=
          std::string(kPackNameSize - length, '\0'))
        Problem(where + shown, "bytes after the name's terminator are not zero");
      if (i + 1 == count) {
        if (length != 0) Problem(where, "end marker has a name");
        continue;
      }
      if (length == 0) Problem(where, "entry with an empty name");
      if (FoldName(std::string(name)) != name) Problem(where + shown, "name is not folded");
      const char* slash = std::strchr(name, '\\');
      if (slash != nullptr && slash[1] != '\0')
        Problem(where + shown, "name holds a separator before its end");
      if (i > 0 && CompareRecordNames(records[i - 1], records[i]) >= 0)
        Problem(where + shown, "records out of order or repeated");
    }
    if (!ok) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t off = records[i].offset;
      std::uint32_t next = i + 1 < count ? records[i + 1].offset : off;
      std::string full = prefix + records[i].name;
      if (off < recordsEnd || off > limit || next < off || next > limit) {
        Problem(i + 1 == count ? where : full,
                "offset " + std::to_string(off) + " outside its folder");
        return false;
      }
      if (i == 0 && off != recordsEnd)
        Problem(where, "first entry does not follow its directory block");
    }
    for (std::uint32_t i = 0; i + 1 < count; ++i) {
      PackEntryInfo info;
      info.fullName = prefix + records[i].name;
      info.offset = records[i].offset;
      info.storedSize = records[i + 1].offset - records[i].offset;
      info.decodedSize = info.storedSize;
      info.folder = !info.fullName.empty() && info.fullName.back() == '\\';
      const std::uint8_t* entry = data_ + info.offset;
      if (info.folder) {
        if (visit_) visit_(info);
        std::uint32_t subEnd = 0;
        if (Folder(info.fullName, info.offset, records[i + 1].offset, depth + 1, &subEnd) &&
            subEnd != records[i + 1].offset)
          Problem(info.fullName, "folder's end marker does not close its entry");
        continue;
      }
      info.encoded = IsEncodedEntry(entry, info.storedSize);
      if (info.encoded) CheckEncoded(info, entry);
      if (visit_) visit_(info);
    }
    *end = records[count - 1].offset;
    return true;
  }

  void CheckEncoded(PackEntryInfo& info, const std::uint8_t* entry) {
    if (info.storedSize < kEncodedHeaderSize) {
      Problem(info.fullName, "encoded entry shorter than its header");
      return;
    }
    if (std::memcmp(entry, kEncodedTag, 6) != 0)
      Problem(info.fullName, "encoded entry's tag is not \"EnCode\"");
    info.decodedSize = LoadU32(entry + 6);
    std::uint32_t stored = LoadU32(entry + 10);
    if (stored != info.storedSize) {
      Problem(info.fullName, "storedSize " + std::to_string(stored) + " but the entry has " +
                                 std::to_string(info.storedSize) + " bytes");
      if (stored > info.storedSize) return;
    }
    std::vector<std::uint8_t> out;
    LzssStatus status = LzssDecodeEntry(entry, info.storedSize, &out);
    if (status != LzssStatus::kOk) Problem(info.fullName, LzssStatusText(status));
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::vector<std::string>* problems_;
  const std::function<void(const PackEntryInfo&)>& visit_;
};

}  // namespace

bool VerifyPack(const std::uint8_t* data, std::size_t size, std::vector<std::string>* problems,
                const std::function<void(const PackEntryInfo&)>& visit) {
  std::size_t before = problems->size();
  Verifier(data, size, problems, visit).Run();
  return problems->size() == before;
}

}  // namespace dl
