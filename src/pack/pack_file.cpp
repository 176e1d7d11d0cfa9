#include "pack/pack_file.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace dl {

namespace {

bool EndsWithSeparator(const std::string& s) {
  return !s.empty() && s.back() == '\\';
}

// The pending edit of exactly that (folded) name, or null.
PackEdit* FindEdit(std::list<PackEdit>& edits, const std::string& name) {
  for (PackEdit& e : edits) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

// The last component of a full name; a folder keeps its final "\".
std::string LastComponent(const std::string& name) {
  std::string::size_type limit = EndsWithSeparator(name) ? name.size() - 1 : name.size();
  std::string::size_type slash = limit == 0 ? std::string::npos : name.rfind('\\', limit - 1);
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Every component of a name fits a record: 1 to 31 bytes, a folder's "\" included.
bool ComponentsFit(const std::string& name) {
  std::size_t start = 0;
  while (start < name.size()) {
    std::size_t slash = name.find('\\', start);
    std::size_t end = slash == std::string::npos ? name.size() : slash + 1;
    std::size_t length = end - start;
    if (length == 0 || length >= kPackNameSize || (slash != std::string::npos && length == 1))
      return false;
    start = end;
  }
  return true;
}

// Writes an encoded entry to a file, patching storedSize in place.
class FileSink : public LzssSink {
 public:
  explicit FileSink(WritableFile& file) : file_(file) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    if (!started_) {
      start_ = file_.Tell();
      started_ = true;
    }
    return file_.Write(data, size);
  }
  bool PatchStoredSize(std::uint32_t storedSize) override {
    std::uint8_t bytes[4];
    StoreU32(bytes, storedSize);
    return started_ && file_.Seek(start_ + 10) && file_.Write(bytes, 4) && file_.SeekEnd();
  }

 private:
  WritableFile& file_;
  std::uint64_t start_ = 0;
  bool started_ = false;
};

}  // namespace

int PackFile::Open(const char* basePath, std::uint32_t slotCount, int looseOnly) {
  Close();
  if (basePath == nullptr || std::strlen(basePath) > kMaxBasePath) return 0;
  looseOnly_ = looseOnly;
  basePath_ = basePath;
  try {
    slots_ = std::vector<PackSlot>(slotCount);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  hasSlotTable_ = true;
  std::string packName = basePath_ + kPakSuffix;
  const std::uint8_t* resource = nullptr;
  std::size_t resourceSize = 0;
  if (system_.FindPackResource(packName, &resource, &resourceSize)) {
    view_ = resource;
    viewSize_ = resourceSize;
  } else {
    switch (system_.MapReadOnly(packName, &mapping_)) {
      case MapStatus::kNotFound:
        return 1;  // no pack: loose files only
      case MapStatus::kFailed:
        Close();
        return 0;
      case MapStatus::kMapped:
        break;
    }
    view_ = mapping_->data();
    viewSize_ = mapping_->size();
  }
  if (viewSize_ > 0xFFFFFFFFu) {  // offsets are 32-bit: no valid pack is this long
    Close();
    return 0;
  }
  isOpen_ = true;
  rootCount_ = viewSize_ >= 4 ? LoadU32(view_) : 0;
  return 1;
}

void PackFile::Close() {
  isOpen_ = false;
  mapping_.reset();
  view_ = nullptr;
  viewSize_ = 0;
  rootCount_ = 0;
  slots_.clear();
  hasSlotTable_ = false;
}

bool PackFile::ReadBlock(std::uint32_t pos, std::uint32_t limit, Block* block) const {
  if (!isOpen_ || limit > viewSize_ || pos > limit || limit - pos < kPackCountSize) return false;
  std::uint32_t count = LoadU32(view_ + pos);
  std::uint64_t end = std::uint64_t{pos} + kPackCountSize + std::uint64_t{count} * kPackRecordSize;
  if (count == 0 || end > limit) return false;
  *block = Block{pos, count, static_cast<std::uint32_t>(end), limit};
  return true;
}

bool PackFile::ReadRecord(const Block& block, std::uint32_t i, PackRecordRef* out) const {
  if (i >= block.count) return false;
  const std::uint8_t* p = view_ + block.pos + kPackCountSize + std::size_t{i} * kPackRecordSize;
  if (std::memchr(p + 4, 0, kPackNameSize) == nullptr) return false;  // no terminator
  out->record.offset = LoadU32(p);
  std::memcpy(out->record.name, p + 4, kPackNameSize);
  out->end = i + 1 < block.count ? LoadU32(p + kPackRecordSize) : out->record.offset;
  return block.dataStart <= out->record.offset && out->record.offset <= out->end &&
         out->end <= block.limit;
}

bool PackFile::RootBlock(Block* block) const {
  return isOpen_ && ReadBlock(0, static_cast<std::uint32_t>(viewSize_), block);
}

bool PackFile::FindRecord(const char* name, PackRecordRef* out) const {
  if (name == nullptr || !isOpen_) return false;
  std::size_t length = std::strlen(name);
  if (length == 0 || length > kMaxLookupName) return false;
  std::string folded = FoldName(std::string(name, length));
  Block block;
  if (!RootBlock(&block)) return false;
  std::size_t start = 0;
  for (;;) {
    std::size_t slash = folded.find('\\', start);
    std::size_t end = slash == std::string::npos ? folded.size() : slash + 1;
    if (end - start >= kPackNameSize) return false;  // no record can hold it
    PackDirRecord key;
    std::memcpy(key.name, folded.data() + start, end - start);
    // Binary search among the entry records (the end marker is not searched).
    std::uint32_t lo = 0, hi = block.count - 1;
    PackRecordRef found;
    bool hit = false;
    while (lo < hi) {
      std::uint32_t mid = lo + (hi - lo) / 2;
      PackRecordRef probe;
      if (!ReadRecord(block, mid, &probe)) return false;  // damaged directory
      int order = CompareRecordNames(key, probe.record);
      if (order == 0) {
        found = probe;
        hit = true;
        break;
      }
      if (order < 0) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    if (!hit) return false;
    if (slash == std::string::npos || end == folded.size()) {
      *out = found;
      return true;
    }
    // A folder: its block lies in its own stored bytes, after the enclosing records, so
    // every step goes deeper into the pack and the descent ends.
    if (!ReadBlock(found.record.offset, found.end, &block)) return false;
    start = end;
  }
}

PackSlot* PackFile::FreeSlot() {
  for (PackSlot& s : slots_) {
    if (s.inUse == 0) return &s;
  }
  return nullptr;
}

PackSlot* PackFile::LoadEntry(const char* name) {
  if (!hasSlotTable_) return nullptr;
  if (isOpen_ && looseOnly_ == 0) {
    if (name == nullptr || *name == '\0') return nullptr;
    PackRecordRef ref;
    PackSlot* slot = FreeSlot();
    if (slot != nullptr && FindRecord(name, &ref)) {
      const std::uint8_t* data = view_ + ref.record.offset;
      std::uint32_t stored = ref.end - ref.record.offset;
      if (!IsEncodedEntry(data, stored)) {
        slot->inUse = 1;
        slot->owned = 0;
        slot->size = stored;
        slot->data = data;
        return slot;
      }
      // A damaged entry reads as absent.
      std::vector<std::uint8_t> decoded;
      if (LzssDecodeEntry(data, stored, &decoded) == LzssStatus::kOk) {
        slot->inUse = 1;
        slot->owned = 1;
        slot->size = static_cast<std::uint32_t>(decoded.size());
        slot->buffer = std::move(decoded);
        slot->data = slot->buffer.data();
        return slot;
      }
    }
  }
  return LoadLoose(name);
}

PackSlot* PackFile::LoadLoose(const char* name) {
  if (name == nullptr) return nullptr;
  std::string path = basePath_ + "\\" + name;
  if (path.size() > kMaxLoosePath) return nullptr;
  std::string content;
  if (!system_.ReadWholeFile(path, &content) || content.size() > 0xFFFFFFFFu) return nullptr;
  PackSlot* slot = FreeSlot();
  if (slot == nullptr) return nullptr;
  slot->inUse = 1;
  slot->owned = 1;
  slot->size = static_cast<std::uint32_t>(content.size());
  slot->buffer.assign(content.begin(), content.end());
  slot->data = slot->buffer.data();
  return slot;
}

int PackFile::ReleaseEntry(PackSlot* slot) {
  if (slot == nullptr || slot->inUse != 1) return 0;
  slot->inUse = 0;
  if (slot->owned) {
    slot->buffer.clear();
    slot->buffer.shrink_to_fit();
  }
  slot->data = nullptr;
  return 1;
}

int PackFile::PutEntry(const char* name, const void* data, std::uint32_t length) {
  if (name == nullptr) return 0;
  std::size_t n = std::strlen(name);
  if (n == 0 || n > kMaxPutName) return 0;
  std::string folded = FoldName(std::string(name, n));
  if (!ComponentsFit(folded)) return 0;
  // A name nested deeper than a pack may be could never be saved, and its refusal at Save
  // would take every other pending edit with it: refuse it here.
  if (std::count(folded.begin(), folded.end(), '\\') > kMaxPackDepth) return 0;
  if (data == nullptr) length = 0;
  PackEdit* edit = FindEdit(edits_, folded);
  if (edit == nullptr) {
    edits_.push_front(PackEdit{PackEditState::kNew, folded, {}});
    edit = &edits_.front();
  }
  PackRecordRef ref;
  if (FindRecord(folded.c_str(), &ref)) {
    edit->state = data != nullptr ? PackEditState::kReplace : PackEditState::kRemove;
  }
  if (length != 0 && length != edit->data.size()) edit->data.resize(length);
  if (length != 0) std::memcpy(edit->data.data(), data, length);
  return 1;
}

namespace {

struct PackSource {
  const PackEdit* edit = nullptr;  // kind 1: a pending edit
  PackRecordRef record;            // kind 0: an entry of the open pack
};

struct PackBuildDir {
  std::string path;  // full name with its final "\"; empty for the root
  std::vector<PackSource> sources;
  std::vector<PackDirRecord> records;
  std::uint32_t entryCount = 0;
};

class PackBuilder {
 public:
  PackBuilder(const PackFile& pack, std::list<PackEdit>& edits, WritableFile& file,
              LzssEncoder& encoder)
      : pack_(pack), edits_(edits), file_(file), encoder_(encoder) {
    dirs_.push_back(PackBuildDir{});
  }

  void TakeInOpenPack() {
    PackFile::Block root;
    if (pack_.RootBlock(&root)) TakeIn(root, 0, std::string(), 0);
  }

  // True when the open pack was found damaged in a way that forbids rewriting it.
  bool damaged() const { return damaged_; }

  void TakeInEdits() {
    for (auto it = edits_.begin(); it != edits_.end();) {
      if (it->state == PackEditState::kNew && EndsWithSeparator(it->name)) {
        MakeFolderChain(it->name);
        it = edits_.erase(it);
      } else {
        ++it;
      }
    }
    for (const PackEdit& e : edits_) {
      if (e.state != PackEditState::kNew) continue;
      std::string::size_type slash = e.name.rfind('\\');
      std::string folder = slash == std::string::npos ? std::string() : e.name.substr(0, slash + 1);
      int dir = FindDir(folder, true);
      if (dir < 0) continue;  // its folder does not exist: not written
      dirs_[dir].sources.push_back(PackSource{&e, {}});
      ++dirs_[dir].entryCount;
    }
  }

  void BuildRecords() {
    for (PackBuildDir& d : dirs_) {
      d.records.assign(d.entryCount + 1, PackDirRecord{});
      std::size_t i = 0;
      for (const PackSource& s : d.sources) {
        if (i >= d.entryCount) break;
        std::string name = s.edit != nullptr ? LastComponent(s.edit->name) : s.record.record.name;
        std::memcpy(d.records[i].name, name.data(), std::min(name.size(), kPackNameSize - 1));
        ++i;
      }
      std::stable_sort(d.records.begin(), d.records.begin() + d.entryCount,
                       [](const PackDirRecord& a, const PackDirRecord& b) {
                         return CompareRecordNames(a, b) < 0;
                       });
    }
  }

  bool WriteFolder(std::size_t dir, const std::string& prefix, int depth) {
    if (depth > kMaxPackDepth) return false;
    std::vector<PackDirRecord> records = dirs_[dir].records;
    std::uint64_t start = file_.Tell();
    if (!WriteRecords(records)) return false;
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
      if (file_.Tell() > 0xFFFFFFFFu) return false;
      records[i].offset = static_cast<std::uint32_t>(file_.Tell());
      std::string full = prefix + records[i].name;
      if (EndsWithSeparator(full)) {
        int sub = FindDir(full, false);
        if (sub > 0 && !WriteFolder(static_cast<std::size_t>(sub), full, depth + 1)) return false;
        continue;
      }
      if (!WriteEntry(dirs_[dir], records[i], full)) return false;
    }
    if (file_.Tell() > 0xFFFFFFFFu) return false;
    records.back().offset = static_cast<std::uint32_t>(file_.Tell());
    return file_.Seek(start) && WriteRecords(records) && file_.SeekEnd();
  }

 private:
  void TakeIn(const PackFile::Block& block, std::size_t dir, const std::string& prefix, int depth) {
    for (std::uint32_t i = 0; i + 1 < block.count; ++i) {
      PackRecordRef ref;
      if (!pack_.ReadRecord(block, i, &ref)) return;  // a damaged directory ends here
      // A record without a name has its folder's full name: kept, it would be written as
      // the folder inside itself. It is damage, and is left out.
      if (ref.record.name[0] == '\0') continue;
      std::string full = prefix + ref.record.name;
      PackEdit* edit = FindEdit(edits_, full);
      if (edit != nullptr && edit->state == PackEditState::kRemove) continue;
      ++dirs_[dir].entryCount;
      if (EndsWithSeparator(full)) {
        dirs_.push_back(PackBuildDir{full, {}, {}, 0});
        std::size_t sub = dirs_.size() - 1;
        PackFile::Block child;
        // The nesting is checked before the walk goes down, so that no pack, however
        // deep, can exhaust the stack.
        if (depth + 1 > kMaxPackDepth) {
          damaged_ = true;
        } else if (pack_.ReadBlock(ref.record.offset, ref.end, &child)) {
          TakeIn(child, sub, full, depth + 1);
        }
      }
      // Only a replacing edit stands for a kept name (in a damaged, unsorted pack a lookup
      // may miss a name that this walk meets).
      bool replacing = edit != nullptr && edit->state == PackEditState::kReplace;
      dirs_[dir].sources.push_back(PackSource{replacing ? edit : nullptr, ref});
    }
  }

  void MakeFolderChain(const std::string& name) {
    std::size_t parent = 0;
    for (std::size_t slash = name.find('\\'); slash != std::string::npos;
         slash = name.find('\\', slash + 1)) {
      std::string prefix = name.substr(0, slash + 1);
      int found = FindDir(prefix, true);
      if (found >= 0) {
        parent = static_cast<std::size_t>(found);
        continue;
      }
      dirs_.push_back(PackBuildDir{prefix, {}, {}, 0});
      chain_.push_back(PackEdit{PackEditState::kNew, prefix, {}});
      dirs_[parent].sources.push_back(PackSource{&chain_.back(), {}});
      ++dirs_[parent].entryCount;
      parent = dirs_.size() - 1;
    }
  }

  int FindDir(const std::string& path, bool rootToo) const {
    for (std::size_t i = rootToo ? 0 : 1; i < dirs_.size(); ++i) {
      if (dirs_[i].path == path) return static_cast<int>(i);
    }
    return -1;
  }

  bool WriteRecords(const std::vector<PackDirRecord>& records) {
    std::vector<std::uint8_t> bytes(kPackCountSize + records.size() * kPackRecordSize);
    StoreU32(bytes.data(), static_cast<std::uint32_t>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i) {
      EncodeRecord(records[i], bytes.data() + kPackCountSize + i * kPackRecordSize);
    }
    return file_.Write(bytes.data(), bytes.size());
  }

  bool WriteEntry(PackBuildDir& dir, const PackDirRecord& record, const std::string& full) {
    for (auto it = dir.sources.begin(); it != dir.sources.end(); ++it) {
      if (it->edit == nullptr && std::strcmp(it->record.record.name, record.name) == 0) {
        const PackRecordRef ref = it->record;
        dir.sources.erase(it);
        // Kept entries are copied as stored, without decoding.
        return file_.Write(pack_.view() + ref.record.offset, ref.end - ref.record.offset);
      }
      if (it->edit != nullptr && it->edit->name == full) {
        const PackEdit* edit = it->edit;
        dir.sources.erase(it);
        FileSink sink(file_);
        return encoder_.Encode(edit->data.data(), edit->data.size(), sink) != 0;
      }
    }
    return true;  // no source: the entry stays empty
  }

  const PackFile& pack_;
  std::list<PackEdit>& edits_;
  WritableFile& file_;
  LzssEncoder& encoder_;
  std::vector<PackBuildDir> dirs_;
  std::list<PackEdit> chain_;  // folders made for new folder names
  bool damaged_ = false;
};

}  // namespace

int PackFile::Save(const char* tempBase, int replace) {
  if (tempBase == nullptr) return 0;
  if (replace != 0 && basePath_.empty()) return 0;  // nothing to replace
  std::string tempName = std::string(tempBase) + kPakSuffix;
  std::unique_ptr<WritableFile> file = system_.CreateForWriting(tempName);
  if (!file) return 0;  // the pending edits stay

  if (!encoder_) encoder_ = std::make_unique<LzssEncoder>();
  bool ok;
  {
    PackBuilder builder(*this, edits_, *file, *encoder_);
    builder.TakeInOpenPack();
    builder.TakeInEdits();
    builder.BuildRecords();
    ok = !builder.damaged() && builder.WriteFolder(0, std::string(), 0);
  }
  edits_.clear();  // a Save that made its scratch pack consumes every edit
  ok = ok && file->Sync();
  ok = file->Close() && ok;
  file.reset();
  if (!ok) {
    system_.RemoveFile(tempName);
    return 0;
  }
  if (replace == 0) return 1;

  std::uint32_t slots = slotCount();
  std::string base = basePath_;
  int looseOnly = looseOnly_;
  Close();  // the old pack must not stay mapped while it is replaced
  bool replaced = system_.RenameReplacing(tempName, base + kPakSuffix);
  if (!replaced) system_.RemoveFile(tempName);
  int reopened = Open(base.c_str(), slots, looseOnly);
  return replaced && reopened ? 1 : 0;
}

}  // namespace dl
