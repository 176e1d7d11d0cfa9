// The LZSS codec of encoded pack entries: a 4,096-byte window, copies of 3 to 17 bytes,
// and run codes for long runs of one byte. An encoded entry is the 14-byte header
// ("EnCode", decodedSize, storedSize) followed by the stream.
//
// The encoder's output is part of the file format: it must stay byte-identical for every
// input, so its match finder (a binary tree over window positions, with its exact order
// of link updates) is kept as it is; speed comes from layout, not a different search.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dl {

// Where the encoder writes an entry.
class LzssSink {
 public:
  virtual ~LzssSink() = default;
  // Appends bytes. False on failure.
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
  // Fills in storedSize (bytes 10..13 of the entry written since the encode began).
  virtual bool PatchStoredSize(std::uint32_t storedSize) = 0;
};

// An entry in memory.
class MemorySink : public LzssSink {
 public:
  bool Write(const std::uint8_t* data, std::size_t size) override;
  bool PatchStoredSize(std::uint32_t storedSize) override;
  std::vector<std::uint8_t> bytes;

 private:
  std::size_t start_ = 0;
  bool started_ = false;
};

// The encoder's state: window, tree and output buffer, held in one object so that nothing
// is shared between calls and nothing is allocated per entry. Reuse one for many entries.
class LzssEncoder {
 public:
  LzssEncoder();
  // Writes the whole encoded entry of input to sink. Returns storedSize, or 0 when the
  // sink failed (or the input is 4 GiB or more, which the header cannot describe).
  std::uint32_t Encode(const std::uint8_t* input, std::size_t length, LzssSink& sink);

 private:
  static constexpr int kN = 4096;  // window size
  static constexpr int kF = 17;    // look-ahead
  static constexpr int kRoot = kN;

  // A node's children: [0] holds the smaller strings, [1] the larger, so that the walk picks
  // one by the comparison's result instead of branching on it.
  static constexpr int kSmaller = 0;
  static constexpr int kLarger = 1;

  void StoreWindow(int pos, std::uint8_t byte);
  // Puts node into the tree and finds its longest match on the way down. With kTrack
  // false only the tree is kept: the match of a position inside a code is never used.
  template <bool kTrack>
  void TreeInsert(int node);
  void TreeDelete(int p);
  void TreeSplice(int oldNode, int newNode);
  void TreeSubstitute(int oldNode, int newNode);
  bool FlushOutput(LzssSink& sink);

  // The tree's nodes are numbered back to front: window position p is node (kN - p) mod kN,
  // so position 0 is still node 0, "no node", and a node's string lies at increasing
  // addresses of the window as the node number grows (see StoreWindow).
  static int NodeOf(int pos) { return (kN - pos) & (kN - 1); }
  // A node's window position: the mapping is its own inverse.
  static int PositionOf(int node) { return NodeOf(node); }

  // The window back to front, each byte with its top bit flipped: bytes compared as
  // unsigned then sort as the signed bytes they stand for, and on a little-endian machine
  // eight of them read as one word sort as the string does. Positions 0 to kF - 1 are held
  // twice, after position kN - 1 as well, so that every string is one straight run.
  // Node n's string: its byte 16 at window_[n], bytes 15..8 from window_[n + 1], bytes 7..0
  // from window_[n + 9].
  alignas(64) std::uint8_t window_[kN + kF + 8];
  // The tree: 16-bit links, the children of a node side by side, 0 for "no node".
  std::uint16_t child_[kN + 1][2];
  std::uint16_t parent_[kN + 1];
  int matchLength_ = 0;  // the last insert's match: its length
  int matchNode_ = 0;    // and the node it was found at
  std::uint8_t out_[8192];
  std::size_t outUsed_ = 0;
};

// Encodes one entry into memory (header included).
std::vector<std::uint8_t> LzssEncodeToMemory(const std::uint8_t* input, std::size_t length);
// Encodes one entry to sink with a fresh encoder state. Returns storedSize, 0 on failure.
std::uint32_t LzssEncode(LzssSink& sink, const std::uint8_t* input, std::size_t length);

enum class LzssStatus {
  kOk,
  kBadHeader,  // not an encoded entry, or storedSize beyond the bytes given
  kCutOff,     // a code runs past the end of the stream
  kTooLong,    // the stream produces more than decodedSize bytes
  kTooShort,   // the stream ends before decodedSize bytes
};
const char* LzssStatusText(LzssStatus status);

// Decodes a whole encoded entry into *out (sized from its header). A header that claims
// more than a stream of that length can produce (no code expands one stored byte into more
// than 13,930) is damage, not a reason to allocate: kBadHeader.
LzssStatus LzssDecodeEntry(const std::uint8_t* entry, std::size_t entryLength,
                           std::vector<std::uint8_t>* out);

// Reads decodedSize from an encoded entry's header; false when there is no header.
bool LzssDecodedSize(const std::uint8_t* entry, std::size_t entryLength, std::uint32_t* size);

// Decodes an encoded entry (entryLength bytes from its "EnCode" tag) into output, which
// holds outputSize bytes (the entry's decodedSize). Never writes past outputSize, never
// reads past storedSize or entryLength.
LzssStatus LzssDecode(std::uint8_t* output, std::size_t outputSize, const std::uint8_t* entry,
                      std::size_t entryLength);

}  // namespace dl
