// A second LZSS encoder for tests and fuzzing, written as plainly as the format is
// described, to check the fast encoder's exact bytes against.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace dl::testing {

// The encoder as the format describes it, written plainly: modular window positions,
// one byte compared at a time, three int arrays for the tree and a recursive delete. The
// oracle for the fast encoder's exact bytes, on short inputs too (where strings run into
// the window's zero bytes) and on inputs full of 0x00 and 0x80..0xFF bytes.
class ReferenceLzssEncoder {
 public:
  std::vector<std::uint8_t> Encode(const std::vector<std::uint8_t>& in) {
    std::vector<std::uint8_t> out = {'E', 'n', 'C', 'o', 'd', 'e'};
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(in.size() >> (8 * b)));
    out.insert(out.end(), 4, 0);
    Reset();
    const std::size_t length = in.size();
    int ahead = 0;
    while (ahead < kF && static_cast<std::size_t>(ahead) < length) {
      window_[1 + ahead] = in[static_cast<std::size_t>(ahead)];
      ++ahead;
    }
    std::size_t next = static_cast<std::size_t>(ahead), k = 0;
    int cur = 1;
    larger_[kRoot] = 1;
    parent_[1] = kRoot;
    std::vector<std::uint8_t> group = {0};
    unsigned bit = 1;
    while (ahead > 0) {
      if (matchLength_ > ahead) matchLength_ = ahead;
      std::size_t cover = 1;
      if (matchLength_ <= 2) {
        group[0] = static_cast<std::uint8_t>(group[0] | bit);
        group.push_back(window_[cur]);
      } else {
        std::size_t run = 0;
        while (k + run < length && run < 69649 && in[k + run] == in[k + run - 1]) ++run;
        if (run == 4113) run = 4112;  // 4,113 has no code: the rest follows
        if (run >= 18 && run <= 4112) {
          group.insert(group.end(),
                       {static_cast<std::uint8_t>((run - 18) & 0xFF),
                        static_cast<std::uint8_t>((((run - 18) >> 8) << 4) | 15), window_[cur]});
          cover = run;
        } else if (run >= 18) {
          group.insert(group.end(),
                       {0xFF, 0xFF, window_[cur], static_cast<std::uint8_t>((run - 4114) & 0xFF),
                        static_cast<std::uint8_t>((run - 4114) >> 8)});
          cover = run;
        } else {
          const int pos = (matchPosition_ - 17 + kN) % kN;
          group.push_back(static_cast<std::uint8_t>(pos & 0xFF));
          group.push_back(static_cast<std::uint8_t>(((pos >> 8) << 4) | (matchLength_ - 3)));
          cover = static_cast<std::size_t>(matchLength_);
        }
      }
      bit <<= 1;
      if (bit == 256) {
        out.insert(out.end(), group.begin(), group.end());
        group = {0};
        bit = 1;
      }
      for (std::size_t i = 0; i < cover; ++i) {
        Delete((cur + kF) % kN);
        if (next < length) {
          window_[(cur + kF) % kN] = in[next++];
        } else {
          --ahead;
        }
        cur = (cur + 1) % kN;
        ++k;
        if (ahead > 0) Insert(cur);
      }
    }
    if (group.size() > 1) out.insert(out.end(), group.begin(), group.end());
    for (int b = 0; b < 4; ++b) out[10 + b] = static_cast<std::uint8_t>(out.size() >> (8 * b));
    return out;
  }

 private:
  static constexpr int kN = 4096, kF = 17, kRoot = 4096;

  void Reset() {
    std::memset(window_, 0, sizeof window_);
    std::memset(parent_, 0, sizeof parent_);
    std::memset(smaller_, 0, sizeof smaller_);
    std::memset(larger_, 0, sizeof larger_);
    matchLength_ = matchPosition_ = 0;
  }

  std::int8_t At(int pos) const { return static_cast<std::int8_t>(window_[pos % kN]); }

  void Insert(int node) {
    if (node == 0) {
      matchLength_ = 0;
      return;
    }
    int t = larger_[kRoot], best = 0;
    for (;;) {
      int same = 0;
      while (same < kF && At(node + same) == At(t + same)) ++same;
      if (same > best) {
        best = same;
        matchPosition_ = t;
        if (same == kF) {
          Substitute(t, node);
          matchLength_ = kF;
          return;
        }
      }
      int& child = At(node + same) < At(t + same) ? smaller_[t] : larger_[t];
      if (child == 0) {
        child = node;
        parent_[node] = t;
        smaller_[node] = larger_[node] = 0;
        matchLength_ = best;
        return;
      }
      t = child;
    }
  }
  void Splice(int old, int with) {
    parent_[with] = parent_[old];
    (larger_[parent_[old]] == old ? larger_ : smaller_)[parent_[old]] = with;
    parent_[old] = 0;
  }
  void Substitute(int old, int with) {
    (smaller_[parent_[old]] == old ? smaller_ : larger_)[parent_[old]] = with;
    parent_[with] = parent_[old];
    smaller_[with] = smaller_[old];
    larger_[with] = larger_[old];
    parent_[smaller_[with]] = with;
    parent_[larger_[with]] = with;
    parent_[old] = 0;
  }
  void Delete(int p) {
    if (parent_[p] == 0) return;
    if (larger_[p] == 0) {
      Splice(p, smaller_[p]);
    } else if (smaller_[p] == 0) {
      Splice(p, larger_[p]);
    } else {
      int r = smaller_[p];
      while (larger_[r] != 0) r = larger_[r];
      Delete(r);
      Substitute(p, r);
    }
  }

  std::uint8_t window_[kN] = {};
  int parent_[kN + 1] = {}, smaller_[kN + 1] = {}, larger_[kN + 1] = {};
  int matchLength_ = 0, matchPosition_ = 0;
};

}  // namespace dl::testing
