#include "pack/pack_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/fake_system.h"

namespace dl {
namespace {

using testing::FakeSystem;

std::string SlotText(const PackSlot* slot) {
  return slot == nullptr ? "<none>"
                         : std::string(reinterpret_cast<const char*>(slot->data), slot->size);
}

std::uint32_t U32At(const std::string& s, std::size_t pos) {
  return LoadU32(reinterpret_cast<const std::uint8_t*>(s.data() + pos));
}

// Builds packs on the fake's drive C: through the writer itself.
class PackTest : public ::testing::Test {
 protected:
  static constexpr const char* kBase = "C:\\windows\\KVX.ini";
  static constexpr const char* kPack = "C:\\windows\\KVX.ini.pak";
  static constexpr const char* kTemp = "C:\\Wdtemp";

  void Put(PackFile& pack, const char* name, const std::string& content) {
    ASSERT_EQ(pack.PutEntry(name, content.data(), static_cast<std::uint32_t>(content.size())), 1)
        << name;
  }
  // A pack with files at the root and in nested folders.
  void MakeSample() {
    PackFile pack(sys_);
    ASSERT_EQ(pack.Open(kBase, 5, 0), 1);
    Put(pack, "KVX.ini", "[inst_path]\r\npath=C:\\Wendmark\\Game\r\n");
    Put(pack, "Data\\Maps\\", "");
    Put(pack, "data\\maps\\M1.dat", std::string(3000, 'm'));
    Put(pack, "data\\readme.txt", "read me");
    Put(pack, "zeta", "last");
    ASSERT_EQ(pack.Save(kTemp, 1), 1);
  }

  FakeSystem sys_;
};

TEST_F(PackTest, ThePackOfOneRecordIsLaidOutByteForByte) {
  PackFile pack(sys_);
  ASSERT_EQ(pack.Open(kBase, 5, 0), 1);
  EXPECT_FALSE(pack.isOpen());  // no pack yet: loose files only
  std::string record = "[inst_path]\r\npath=C:\\G\r\n";
  Put(pack, "KVX.ini", record);
  ASSERT_EQ(pack.Save(kTemp, 1), 1);
  EXPECT_TRUE(pack.edits().empty());
  EXPECT_FALSE(sys_.FileExists("C:\\Wdtemp.pak"));

  std::string bytes = sys_.ReadHostFile(kPack);
  std::vector<std::uint8_t> encoded =
      LzssEncodeToMemory(reinterpret_cast<const std::uint8_t*>(record.data()), record.size());
  const std::size_t s = encoded.size();
  ASSERT_EQ(bytes.size(), 76 + s);
  EXPECT_EQ(U32At(bytes, 0), 2u);
  EXPECT_EQ(U32At(bytes, 4), 76u);
  EXPECT_EQ(bytes.substr(8, 32), std::string("kvx.ini") + std::string(25, '\0'));
  EXPECT_EQ(U32At(bytes, 40), 76 + s);
  EXPECT_EQ(bytes.substr(44, 32), std::string(32, '\0'));
  EXPECT_EQ(bytes.substr(76), std::string(encoded.begin(), encoded.end()));
  EXPECT_EQ(bytes.substr(76, 6), "EnCode");

  // Reopened by the Save: the record reads back decoded, under any ASCII case.
  ASSERT_TRUE(pack.isOpen());
  PackSlot* slot = pack.LoadEntry("Kvx.INI");
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(slot->owned, 1);
  EXPECT_EQ(SlotText(slot), record);
  EXPECT_EQ(pack.ReleaseEntry(slot), 1);
  EXPECT_EQ(pack.ReleaseEntry(slot), 0);
}

TEST_F(PackTest, FoldersAndNestedFoldersAreFoundComponentByComponent) {
  MakeSample();
  PackFile pack(sys_);
  ASSERT_EQ(pack.Open(kBase, 5, 0), 1);
  PackRecordRef ref;
  ASSERT_TRUE(pack.FindRecord("DATA\\", &ref));
  EXPECT_STREQ(ref.record.name, "data\\");
  ASSERT_TRUE(pack.FindRecord("data\\MAPS\\m1.DAT", &ref));
  EXPECT_STREQ(ref.record.name, "m1.dat");
  EXPECT_FALSE(pack.FindRecord("data\\maps\\m2.dat", &ref));
  EXPECT_FALSE(pack.FindRecord("maps\\m1.dat", &ref));
  EXPECT_FALSE(pack.FindRecord("", &ref));
  EXPECT_FALSE(pack.FindRecord(std::string(260, 'a').c_str(), &ref));
  EXPECT_FALSE(pack.FindRecord(std::string(40, 'a').c_str(), &ref));  // no record holds it
  EXPECT_EQ(SlotText(pack.LoadEntry("data\\maps\\m1.dat")), std::string(3000, 'm'));
  EXPECT_EQ(SlotText(pack.LoadEntry("data\\readme.txt")), "read me");

  // The root block: entries sorted by folded name, end marker last with the pack length.
  PackFile::Block root;
  ASSERT_TRUE(pack.RootBlock(&root));
  ASSERT_EQ(root.count, 4u);
  std::vector<std::string> names;
  for (std::uint32_t i = 0; i < root.count; ++i) {
    ASSERT_TRUE(pack.ReadRecord(root, i, &ref));
    names.push_back(ref.record.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"data\\", "kvx.ini", "zeta", ""}));
  EXPECT_EQ(ref.record.offset, pack.viewSize());
}

TEST_F(PackTest, SlotsPlainAndEncodedAndLooseFiles) {
  // A pack with a plain entry can only come from another writer: lay one out by hand.
  std::string plain = "PLAIN";
  std::string bytes(4 + 3 * 36, '\0');
  StoreU32(reinterpret_cast<std::uint8_t*>(bytes.data()), 3);
  auto rec = [&](int i, std::uint32_t off, const char* name) {
    StoreU32(reinterpret_cast<std::uint8_t*>(bytes.data()) + 4 + 36 * i, off);
    std::memcpy(bytes.data() + 8 + 36 * i, name, std::strlen(name));
  };
  rec(0, 112, "empty");
  rec(1, 112, "p.txt");
  rec(2, 117, "");
  bytes += plain;
  sys_.WriteHostFile(kPack, bytes);
  sys_.WriteHostFile("C:\\windows\\KVX.ini\\loose.txt", "from the folder");
  sys_.WriteHostFile("C:\\windows\\KVX.ini\\p.txt", "shadowed");

  PackFile pack(sys_);
  ASSERT_EQ(pack.Open(kBase, 3, 0), 1);
  PackSlot* p = pack.LoadEntry("P.TXT");  // the pack wins over a loose file
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->owned, 0);
  EXPECT_EQ(p->data, pack.view() + 112);
  EXPECT_EQ(SlotText(p), "PLAIN");
  PackSlot* e = pack.LoadEntry("empty");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->size, 0u);
  PackSlot* loose = pack.LoadEntry("loose.txt");
  EXPECT_EQ(SlotText(loose), "from the folder");
  EXPECT_EQ(pack.LoadEntry("p.txt"), nullptr);  // every slot in use
  EXPECT_EQ(pack.LoadEntry(""), nullptr);
  EXPECT_EQ(pack.ReleaseEntry(e), 1);
  EXPECT_EQ(SlotText(pack.LoadEntry("p.txt")), "PLAIN");

  PackFile looseOnly(sys_);
  ASSERT_EQ(looseOnly.Open(kBase, 2, 1), 1);
  EXPECT_EQ(SlotText(looseOnly.LoadEntry("p.txt")), "shadowed");
  EXPECT_EQ(looseOnly.LoadEntry("nothing"), nullptr);

  PackFile tooLong(sys_);
  EXPECT_EQ(tooLong.Open(("C:\\" + std::string(97, 'b')).c_str(), 5, 0), 0);
  ASSERT_EQ(tooLong.Open(("C:\\" + std::string(96, 'b')).c_str(), 5, 0), 1);
  EXPECT_EQ(tooLong.LoadEntry(std::string(50, 'n').c_str()), nullptr);  // loose path > 139
}

TEST_F(PackTest, ReplacingKeepsEveryOtherEntryByteForByte) {
  // Start from the hand-made pack with a plain entry, plus a folder written by us.
  MakeSample();
  PackFile pack(sys_);
  ASSERT_EQ(pack.Open(kBase, 5, 0), 1);
  std::string before = sys_.ReadHostFile(kPack);
  PackRecordRef maps;
  ASSERT_TRUE(pack.FindRecord("data\\maps\\m1.dat", &maps));
  std::string m1Stored = before.substr(maps.record.offset, maps.end - maps.record.offset);

  Put(pack, "kvx.ini", "new record");
  ASSERT_EQ(pack.Save(kTemp, 1), 1);
  ASSERT_TRUE(pack.FindRecord("data\\maps\\m1.dat", &maps));
  std::string after = sys_.ReadHostFile(kPack);
  EXPECT_EQ(after.substr(maps.record.offset, maps.end - maps.record.offset), m1Stored);
  EXPECT_EQ(SlotText(pack.LoadEntry("kvx.ini")), "new record");
  EXPECT_EQ(SlotText(pack.LoadEntry("zeta")), "last");
}

TEST_F(PackTest, RemovalAddingEmptyAndFoldersThatDoNotExist) {
  MakeSample();
  PackFile pack(sys_);
  ASSERT_EQ(pack.Open(kBase, 5, 0), 1);
  ASSERT_EQ(pack.PutEntry("DATA\\", nullptr, 0), 1);  // a folder goes with all it holds
  ASSERT_EQ(pack.PutEntry("fresh", nullptr, 0), 1);   // not in the pack: an empty entry
  Put(pack, "nowhere\\file", "lost");                 // its folder does not exist
  Put(pack, "a\\b\\", "");                            // a new folder chain
  Put(pack, "a\\b\\c", "deep");
  ASSERT_EQ(pack.Save(kTemp, 1), 1);
  PackRecordRef ref;
  EXPECT_FALSE(pack.FindRecord("data\\", &ref));
  EXPECT_FALSE(pack.FindRecord("data\\readme.txt", &ref));
  EXPECT_FALSE(pack.FindRecord("nowhere\\file", &ref));
  ASSERT_TRUE(pack.FindRecord("fresh", &ref));
  EXPECT_EQ(ref.end - ref.record.offset, 14u);  // encoded empty content
  EXPECT_EQ(SlotText(pack.LoadEntry("a\\b\\c")), "deep");
  ASSERT_TRUE(pack.FindRecord("a\\", &ref));

  // An empty new folder has a block of count 1.
  Put(pack, "empty\\", "");
  ASSERT_EQ(pack.Save(kTemp, 1), 1);
  ASSERT_TRUE(pack.FindRecord("empty\\", &ref));
  PackFile::Block block;
  ASSERT_TRUE(pack.ReadBlock(ref.record.offset, ref.end, &block));
  EXPECT_EQ(block.count, 1u);
}

TEST_F(PackTest, PendingEditsOnePerNameAndSaveWithoutReplace) {
  MakeSample();
  std::string before = sys_.ReadHostFile(kPack);
  PackFile pack(sys_);
  ASSERT_EQ(pack.Open(kBase, 5, 0), 1);
  Put(pack, "x", "first");
  Put(pack, "X", "second, longer");
  ASSERT_EQ(pack.PutEntry("x", "ignored", 0), 1);  // length 0 keeps the data
  ASSERT_EQ(pack.edits().size(), 1u);
  EXPECT_EQ(pack.PutEntry(std::string(156, 'n').c_str(), "d", 1), 0);
  EXPECT_EQ(pack.PutEntry((std::string(32, 'c') + "\\f").c_str(), "d", 1), 0);
  EXPECT_EQ(pack.PutEntry("a\\\\b", "d", 1), 0);
  ASSERT_EQ(pack.Save("C:\\other", 0), 1);
  EXPECT_EQ(sys_.ReadHostFile(kPack), before);  // the old pack is untouched
  EXPECT_TRUE(pack.isOpen());
  EXPECT_TRUE(pack.edits().empty());

  PackFile other(sys_);
  ASSERT_EQ(other.Open("C:\\other", 1, 0), 1);
  EXPECT_EQ(SlotText(other.LoadEntry("x")), "second, longer");
}

TEST_F(PackTest, AReplacingSaveOfAClosedPackReopensWithoutSlots) {
  MakeSample();
  PackFile pack(sys_);
  ASSERT_EQ(pack.Open(kBase, 5, 0), 1);
  PackSlot* slot = pack.LoadEntry("kvx.ini");
  ASSERT_NE(slot, nullptr);
  pack.ReleaseEntry(slot);
  pack.Close();  // as start-up leaves it after reading the record
  Put(pack, "KVX.ini", "rewritten");
  ASSERT_EQ(pack.Save(kTemp, 1), 1);
  EXPECT_TRUE(pack.isOpen());
  EXPECT_EQ(pack.slotCount(), 0u);
  EXPECT_EQ(pack.LoadEntry("kvx.ini"), nullptr);
  PackFile check(sys_);
  ASSERT_EQ(check.Open(kBase, 1, 0), 1);
  EXPECT_EQ(SlotText(check.LoadEntry("kvx.ini")), "rewritten");

  PackFile never(sys_);
  Put(never, "KVX.ini", "x");
  EXPECT_EQ(never.Save(kTemp, 1), 0);  // nothing to replace: refused
  EXPECT_FALSE(sys_.FileExists("C:\\Wdtemp.pak"));
}

TEST_F(PackTest, DbcsNamesKeepTheirTrailBytes) {
  PackFile pack(sys_);
  ASSERT_EQ(pack.Open(kBase, 5, 0), 1);
  std::string name = "\xB5\x41\xCE\xC4.TXT";  // trail byte 0x41 ('A') stays a capital
  Put(pack, name.c_str(), "dbcs");
  ASSERT_EQ(pack.Save(kTemp, 1), 1);
  PackRecordRef ref;
  ASSERT_TRUE(pack.FindRecord(name.c_str(), &ref));
  EXPECT_STREQ(ref.record.name, "\xB5\x41\xCE\xC4.txt");
  EXPECT_FALSE(pack.FindRecord("\xB5\x61\xCE\xC4.txt", &ref));
}

// Fault injection: whatever write, sync, close or rename fails, and whenever the power is
// cut, the record on disk is either the complete old pack or the complete new one.
class PackFaultTest : public PackTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PackFaultTest, NoFailurePointLosesTheRecord) {
  const bool crash = GetParam();
  MakeSample();
  const std::string oldPack = sys_.ReadHostFile(kPack);
  std::string newPack;
  int mutations = 0;
  {  // One clean run measures the new pack and the number of mutations.
    FakeSystem clean;
    clean.WriteHostFile(kPack, oldPack);
    PackFile pack(clean);
    ASSERT_EQ(pack.Open(kBase, 5, 0), 1);
    Put(pack, "KVX.ini", std::string(20000, 'r'));
    int start = clean.mutations();
    ASSERT_EQ(pack.Save(kTemp, 1), 1);
    mutations = clean.mutations() - start;
    newPack = clean.ReadHostFile(kPack);
  }
  ASSERT_GT(mutations, 5);
  ASSERT_NE(newPack, oldPack);
  for (int n = 1; n <= mutations; ++n) {
    FakeSystem sys;
    sys.WriteHostFile(kPack, oldPack);
    PackFile pack(sys);
    ASSERT_EQ(pack.Open(kBase, 5, 0), 1);
    Put(pack, "KVX.ini", std::string(20000, 'r'));
    if (crash) {
      sys.CrashAt(n);
    } else {
      sys.FailMutation(n, false);
    }
    int result = pack.Save(kTemp, 1);
    std::string onDisk = sys.ReadHostFile(kPack);
    if (onDisk != newPack) {
      EXPECT_EQ(onDisk, oldPack) << "failure at mutation " << n;
    }
    if (!crash) {
      EXPECT_EQ(result, onDisk == newPack ? 1 : 0) << n;
      EXPECT_FALSE(sys.FileExists("C:\\Wdtemp.pak")) << n;
      EXPECT_TRUE(pack.isOpen()) << n;  // reopened on whichever pack is there
    }
  }
}

INSTANTIATE_TEST_SUITE_P(FailOnceOrCrash, PackFaultTest, ::testing::Values(false, true));

TEST_F(PackTest, AScratchPackThatCannotBeCreatedChangesNothing) {
  MakeSample();
  PackFile pack(sys_);
  ASSERT_EQ(pack.Open(kBase, 5, 0), 1);
  Put(pack, "kvx.ini", "x");
  EXPECT_EQ(pack.Save("Q:\\nodrive", 1), 0);
  EXPECT_EQ(pack.edits().size(), 1u);  // the pending edits stay
}

}  // namespace
}  // namespace dl
