// PackFile: reads a pack in place (mapped, or a program resource), loads entries into a
// fixed table of slots, and rewrites the pack through a scratch file.
//
// A pack is addressed by a base path B: the pack is B + ".pak", and a name the pack does
// not hold is read as the loose file B\name. Every count, offset and name is checked
// against the pack's length before use, so a damaged pack reads as one without the
// damaged entries and nothing outside it is ever touched.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "pack/lzss.h"
#include "pack/pack_format.h"
#include "platform/file_system.h"

namespace dl {

struct PackSlot {
  std::int32_t inUse = 0;
  std::int32_t owned = 0;  // 1: data belongs to the slot; 0: data points into the pack
  std::uint32_t size = 0;
  const std::uint8_t* data = nullptr;
  std::vector<std::uint8_t> buffer;  // the owned data
};

enum class PackEditState { kRemove = 0, kNew = 1, kReplace = 2 };

struct PackEdit {
  PackEditState state = PackEditState::kNew;
  std::string name;  // full name, folded; a folder's ends in "\"
  std::vector<std::uint8_t> data;
};

// A record found in the open pack, with the end of its stored bytes.
struct PackRecordRef {
  PackDirRecord record;
  std::uint32_t end = 0;  // the next record's offset
};

class PackFile {
 public:
  // Limits of the names the pack works with; longer ones are refused.
  static constexpr std::size_t kMaxBasePath = 99;
  static constexpr std::size_t kMaxLookupName = 259;
  static constexpr std::size_t kMaxLoosePath = 139;
  static constexpr std::size_t kMaxPutName = 155;

  explicit PackFile(FileSystem& files) : system_(files) {}
  ~PackFile() { Close(); }
  PackFile(const PackFile&) = delete;
  PackFile& operator=(const PackFile&) = delete;

  // Opens B + ".pak" (or a resource of that name) with slotCount slots. 1 also when the
  // pack does not exist (loose files only); 0 when it exists but cannot be mapped, or the
  // base path is too long.
  int Open(const char* basePath, std::uint32_t slotCount, int looseOnly);
  void Close();
  bool FindRecord(const char* name, PackRecordRef* out) const;
  PackSlot* LoadEntry(const char* name);
  int ReleaseEntry(PackSlot* slot);

  // Records a pending change: with data, add or replace the entry; with none, remove it.
  // A name ending in "\" creates that folder and its missing parents. 0 for a name that
  // no pack can hold (too long, or a component of more than 31 bytes).
  int PutEntry(const char* name, const void* data, std::uint32_t length);
  // Writes a new pack to tempBase + ".pak"; with replace, puts it in place of the open
  // pack in one atomic step and reopens it. Returns 1, or 0 when anything failed: then
  // the scratch pack is removed and the old pack is left untouched.
  int Save(const char* tempBase, int replace);

  // State, for tests and tools.
  bool isOpen() const { return isOpen_; }
  std::uint32_t slotCount() const { return static_cast<std::uint32_t>(slots_.size()); }
  const std::string& basePath() const { return basePath_; }
  const std::uint8_t* view() const { return view_; }
  std::size_t viewSize() const { return viewSize_; }
  std::uint32_t rootCount() const { return rootCount_; }
  const std::list<PackEdit>& edits() const { return edits_; }
  bool hasSlotTable() const { return hasSlotTable_; }

  // A validated directory block of the open pack: its records, and the range its entries
  // may occupy. False when the block at pos does not fit within [pos, limit).
  struct Block {
    std::uint32_t pos = 0;
    std::uint32_t count = 0;      // records, the end marker included
    std::uint32_t dataStart = 0;  // first byte after the records
    std::uint32_t limit = 0;      // first byte past the folder's stored bytes
  };
  bool ReadBlock(std::uint32_t pos, std::uint32_t limit, Block* block) const;
  // Record i of a block; false when its name has no terminator or its range is out of
  // order or outside the block's bounds.
  bool ReadRecord(const Block& block, std::uint32_t i, PackRecordRef* out) const;
  bool RootBlock(Block* block) const;

 private:
  PackSlot* FreeSlot();
  PackSlot* LoadLoose(const char* name);

  FileSystem& system_;
  int looseOnly_ = 0;
  std::string basePath_;
  std::unique_ptr<MappedFile> mapping_;
  const std::uint8_t* view_ = nullptr;
  std::size_t viewSize_ = 0;
  std::uint32_t rootCount_ = 0;
  bool isOpen_ = false;
  bool hasSlotTable_ = false;
  std::vector<PackSlot> slots_;
  std::list<PackEdit> edits_;  // newest first
  std::unique_ptr<LzssEncoder> encoder_;
};

}  // namespace dl
