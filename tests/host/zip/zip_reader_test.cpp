#include "tools/sfx/zip_reader.h"
#include "tools/sfx/zip_check.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes Corpus(const std::string& name) {
  std::ifstream in(std::string(QB_ZIP_CORPUS) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Get32(const Bytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}
void Put16(Bytes& bytes, size_t at, uint16_t value) {
  bytes[at] = value & 0xFF;
  bytes[at + 1] = value >> 8;
}
void Put32(Bytes& bytes, size_t at, uint32_t value) {
  Put16(bytes, at, value & 0xFFFF);
  Put16(bytes, at + 2, value >> 16);
}

bool Collect(void* context, const uint8_t* bytes, size_t count) {
  static_cast<std::string*>(context)->append(reinterpret_cast<const char*>(bytes), count);
  return true;
}
bool Refuse(void*, const uint8_t*, size_t) {
  return false;
}

// An archive in memory with the positions of its records, for patching.
struct Archive {
  explicit Archive(Bytes b) : bytes(std::move(b)) {}
  ZipStatus Open() { return ZipOpen(bytes.data(), bytes.size(), &zip); }
  // Offset of the n-th central directory record.
  size_t Record(int n) {
    EXPECT_EQ(kZipOk, Open());
    size_t cursor = zip.directory;
    ZipEntry entry;
    for (int i = 0; i < n; ++i) ZipReadEntry(zip, &cursor, &entry);
    return cursor;
  }
  size_t Local(int n) {
    size_t record = Record(n);
    return zip.shift + Get32(bytes, record + 42);
  }
  size_t End() { return bytes.size() - 22 - (bytes[bytes.size() - 2] | bytes.back() << 8); }
  // Every entry unpacked, or the first failure.
  ZipStatus ExtractAll(std::map<std::string, std::string>* files = nullptr) {
    ZipStatus status = Open();
    if (status != kZipOk) return status;
    char bad[kZipMaxName + 1] = "garbage";
    status = ZipCheckAll(zip, bad);
    if (status != kZipOk) {
      badName = bad;
      return status;
    }
    size_t cursor = zip.directory;
    uint8_t buffer[512];  // small, so that large entries take several rounds
    for (uint32_t i = 0; i < zip.entryCount; ++i) {
      ZipEntry entry;
      status = ZipReadEntry(zip, &cursor, &entry);
      std::string content;
      if (status == kZipOk) {
        status = ZipExtract(zip, entry, buffer, sizeof buffer, Collect, &content);
      }
      if (status != kZipOk) return status;
      if (files) (*files)[entry.name] = content;
    }
    return kZipOk;
  }
  Bytes bytes;
  ZipArchive zip;
  std::string badName;
};

std::string Repeat(const std::string& text, int times) {
  std::string result;
  while (times--) result += text;
  return result;
}

TEST(ZipReader, UnpacksStoredDeflatedAndEmptyEntriesOfPythonArchives) {
  Archive archive(Corpus("mixed.zip"));
  std::map<std::string, std::string> files;
  ASSERT_EQ(kZipOk, archive.ExtractAll(&files));
  ASSERT_EQ(4u, files.size());
  EXPECT_EQ(Repeat("Quillbar puts your programs on a bar.\r\n", 60), files["readme.txt"]);
  EXPECT_EQ(3000u, files["noise.bin"].size());
  EXPECT_EQ("", files["empty.qcf"]);
  EXPECT_EQ("", files["empty-stored.txt"]);

  ZipEntry entry;
  size_t cursor = archive.zip.directory;
  std::vector<int> methods;
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(kZipOk, ZipReadEntry(archive.zip, &cursor, &entry));
    methods.push_back(entry.method);
  }
  EXPECT_EQ((std::vector<int>{8, 0, 8, 0}), methods);
  EXPECT_EQ(0x58B1u, entry.dosDate);  // 2024-05-17
  EXPECT_EQ(0x63C0u, entry.dosTime);  // 12:30:00
}

TEST(ZipReader, UnpacksInfoZipArchivesWithCommentExtraFieldsAndZip64EndRecords) {
  Archive archive(Corpus("infozip.zip"));
  std::map<std::string, std::string> files;
  ASSERT_EQ(kZipOk, archive.ExtractAll(&files));
  EXPECT_EQ(900u, files["Quillbar.hlp"].size());
  EXPECT_EQ(700u, files["QBarNet.dll"].size());
  Archive streamed(Corpus("streamed.zip"));
  ASSERT_EQ(kZipOk, streamed.ExtractAll(&files));
  EXPECT_EQ(Repeat("Quillbar puts your programs on a bar.\r\n", 60).substr(0, 700), files["-"]);
}

TEST(ZipReader, FindsAnArchiveBehindAProgramWhateverItsOffsetsCountFrom) {
  Archive absolute(Corpus("behind-stub.zip"));
  ASSERT_EQ(kZipOk, absolute.ExtractAll());
  EXPECT_EQ(0u, absolute.zip.shift);

  // Offsets counted from the archive's own start, as `cat stub zip` makes.
  Bytes relative(777, 'x');
  Bytes plain = Corpus("mixed.zip");
  relative.insert(relative.end(), plain.begin(), plain.end());
  Archive shifted(relative);
  std::map<std::string, std::string> files;
  ASSERT_EQ(kZipOk, shifted.ExtractAll(&files));
  EXPECT_EQ(777u, shifted.zip.shift);
  EXPECT_EQ(4u, files.size());
}

TEST(ZipReader, AnEmptyArchiveOpensWithNoEntries) {
  Archive archive(Corpus("empty-archive.zip"));
  ASSERT_EQ(kZipOk, archive.ExtractAll());
  EXPECT_EQ(0u, archive.zip.entryCount);
}

TEST(ZipReader, RefusesFolderPartsDotDotAndDuplicatesBeforeUnpackingAnything) {
  Archive folder(Corpus("folder-entry.zip"));
  EXPECT_EQ(kZipRefusedName, folder.ExtractAll());
  EXPECT_EQ("plugins/QBarClock.dll", folder.badName);
  Archive dotDot(Corpus("dot-dot.zip"));
  EXPECT_EQ(kZipRefusedName, dotDot.ExtractAll());
  EXPECT_EQ("../evil.txt", dotDot.badName);
  Archive duplicate(Corpus("duplicate.zip"));
  EXPECT_EQ(kZipDuplicateName, duplicate.ExtractAll());
  EXPECT_EQ("default.QCF", duplicate.badName);
}

TEST(ZipReader, ADeviceNameWithABlankIsRefusedByTheCheckBeforeAnyEntryIsRead) {
  Archive archive(Corpus("device-name.zip"));
  ASSERT_EQ(kZipOk, archive.Open());
  char bad[kZipMaxName + 1] = "garbage";
  EXPECT_EQ(kZipRefusedName, ZipCheckAll(archive.zip, bad));
  EXPECT_STREQ("nul .txt", bad);
}

TEST(ZipReader, EntriesWhoseBytesOverlapAreRefused) {
  Archive overlap(Corpus("overlap.zip"));
  EXPECT_EQ(kZipOverlap, overlap.ExtractAll());
  EXPECT_EQ("b.txt", overlap.badName);

  // Each entry alone is sound: only the check of the whole stops them.
  ASSERT_EQ(kZipOk, overlap.Open());
  size_t cursor = overlap.zip.directory;
  uint8_t buffer[512];
  for (int i = 0; i < 2; ++i) {
    ZipEntry entry;
    std::string content;
    ASSERT_EQ(kZipOk, ZipReadEntry(overlap.zip, &cursor, &entry));
    EXPECT_EQ(kZipOk, ZipExtract(overlap.zip, entry, buffer, sizeof buffer, Collect, &content));
  }
}

// The names table that the payload builder's test reads too: one rule for
// both, so that a release never holds a name the self-extractor refuses.
struct NameCase {
  bool allowed;
  std::string name;
};

std::vector<NameCase> NameTable() {
  std::ifstream in(QB_ZIP_NAMES);
  EXPECT_TRUE(in.good()) << QB_ZIP_NAMES;
  std::vector<NameCase> cases;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    size_t open = line.find('"'), close = line.rfind('"');
    EXPECT_TRUE(open != std::string::npos && close > open) << line;
    std::string quoted = line.substr(open + 1, close - open - 1), name;
    for (size_t i = 0; i < quoted.size(); ++i) {
      if (quoted[i] == '\\' && quoted[i + 1] == 'x') {
        name += static_cast<char>(std::stoi(quoted.substr(i + 2, 2), nullptr, 16));
        i += 3;
      } else if (quoted[i] == '\\') {
        name += quoted[++i];
      } else {
        name += quoted[i];
      }
    }
    cases.push_back({line.compare(0, 6, "allow ") == 0, name});
  }
  return cases;
}

TEST(ZipReader, NameRules) {
  std::vector<NameCase> cases = NameTable();
  EXPECT_GT(cases.size(), 40u);
  for (const NameCase& c : cases) EXPECT_EQ(c.allowed, ZipNameAllowed(c.name.c_str())) << c.name;
  EXPECT_TRUE(ZipNameAllowed(std::string(255, 'n').c_str()));
  EXPECT_FALSE(ZipNameAllowed(std::string(256, 'n').c_str()));
}

TEST(ZipReader, ANameWithANulInsideIsRefused) {
  Archive archive(Corpus("mixed.zip"));
  size_t record = archive.Record(0);
  archive.bytes[record + 46 + 3] = 0;  // "rea\0me.txt"
  archive.bytes[archive.Local(0) + 30 + 3] = 0;
  EXPECT_EQ(kZipRefusedName, archive.ExtractAll());
}

TEST(ZipReader, CrcMismatchInDeflatedAndStoredData) {
  Archive deflated(Corpus("mixed.zip"));
  size_t record = deflated.Record(0);
  Put32(deflated.bytes, record + 16, Get32(deflated.bytes, record + 16) ^ 1);
  EXPECT_EQ(kZipCrcMismatch, deflated.ExtractAll());

  Archive stored(Corpus("mixed.zip"));
  size_t local = stored.Local(1);
  stored.bytes[local + 30 + strlen("noise.bin") + 1500] ^= 0x40;
  EXPECT_EQ(kZipCrcMismatch, stored.ExtractAll());
}

TEST(ZipReader, DamagedOrMisSizedStreamsAreRefused) {
  Archive broken(Corpus("mixed.zip"));
  broken.bytes[broken.Local(0) + 30 + strlen("readme.txt")] = 0xFF;  // reserved block type
  EXPECT_EQ(kZipBadData, broken.ExtractAll());

  Archive cut(Corpus("mixed.zip"));
  size_t record = cut.Record(0);
  Put32(cut.bytes, record + 20, Get32(cut.bytes, record + 20) - 5);  // stream ends early
  EXPECT_EQ(kZipBadData, cut.ExtractAll());

  Archive longer(Corpus("mixed.zip"));
  record = longer.Record(0);
  Put32(longer.bytes, record + 20, Get32(longer.bytes, record + 20) + 1);  // bytes left over
  // The extra byte is the next entry's local header, which the whole check
  // refuses first; the inflater must refuse it on its own too.
  EXPECT_EQ(kZipOverlap, longer.ExtractAll());
  size_t cursor = longer.zip.directory;
  ZipEntry entry;
  ASSERT_EQ(kZipOk, ZipReadEntry(longer.zip, &cursor, &entry));
  uint8_t buffer[512];
  std::string content;
  EXPECT_EQ(kZipBadData, ZipExtract(longer.zip, entry, buffer, sizeof buffer, Collect, &content));

  for (int delta : {-1, 1}) {
    Archive sized(Corpus("mixed.zip"));
    record = sized.Record(0);
    Put32(sized.bytes, record + 24, Get32(sized.bytes, record + 24) + delta);
    EXPECT_EQ(kZipSizeMismatch, sized.ExtractAll()) << delta;
  }

  Archive storedSizes(Corpus("mixed.zip"));
  record = storedSizes.Record(1);
  Put32(storedSizes.bytes, record + 24, 2999);  // stored, but sizes disagree
  EXPECT_EQ(kZipBadEntry, storedSizes.ExtractAll());
}

TEST(ZipReader, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
  Bytes whole = Corpus("mixed.zip");
  for (size_t length = 0; length < whole.size(); ++length) {
    Archive cut(Bytes(whole.begin(), whole.begin() + length));
    EXPECT_NE(kZipOk, cut.ExtractAll()) << length;
  }
}

TEST(ZipReader, DirectoryThatDisagreesWithTheEndRecord) {
  Archive far(Corpus("mixed.zip"));
  Put32(far.bytes, far.End() + 16, 0x7FFFFFF0);
  EXPECT_EQ(kZipBadDirectory, far.ExtractAll());

  Archive more(Corpus("mixed.zip"));
  size_t end = more.End();
  Put16(more.bytes, end + 8, 5);
  Put16(more.bytes, end + 10, 5);
  EXPECT_EQ(kZipBadDirectory, more.ExtractAll());

  Archive fewer(Corpus("mixed.zip"));
  end = fewer.End();
  Put16(fewer.bytes, end + 8, 3);
  Put16(fewer.bytes, end + 10, 3);
  EXPECT_EQ(kZipBadDirectory, fewer.ExtractAll()) << "an entry would go unchecked";

  Archive signature(Corpus("mixed.zip"));
  signature.bytes[signature.Record(2)] = 'Q';
  EXPECT_EQ(kZipBadDirectory, signature.ExtractAll());

  Archive noEnd(Corpus("mixed.zip"));
  noEnd.bytes[noEnd.End()] = 'Q';
  EXPECT_EQ(kZipNoArchive, noEnd.ExtractAll());
}

TEST(ZipReader, LocalHeaderMustAgreeWithTheDirectory) {
  Archive name(Corpus("mixed.zip"));
  name.bytes[name.Local(2) + 30] = 'E';  // "Empty.qcf" against "empty.qcf"
  EXPECT_EQ(kZipBadEntry, name.ExtractAll());

  Archive method(Corpus("mixed.zip"));
  Put16(method.bytes, method.Local(0) + 8, 0);
  EXPECT_EQ(kZipBadEntry, method.ExtractAll());

  Archive offset(Corpus("mixed.zip"));
  size_t record = offset.Record(1);
  Put32(offset.bytes, record + 42, Get32(offset.bytes, record + 42) + 1);
  EXPECT_EQ(kZipBadEntry, offset.ExtractAll());

  Archive inDirectory(Corpus("mixed.zip"));
  record = inDirectory.Record(0);
  Put32(inDirectory.bytes, record + 42, static_cast<uint32_t>(inDirectory.zip.directory));
  EXPECT_EQ(kZipBadEntry, inDirectory.ExtractAll());
}

TEST(ZipReader, EncryptionOtherMethodsAndZip64AreNotSupported) {
  Archive encrypted(Corpus("mixed.zip"));
  encrypted.bytes[encrypted.Record(1) + 8] |= 1;
  EXPECT_EQ(kZipUnsupported, encrypted.ExtractAll());

  Archive bzip2(Corpus("mixed.zip"));
  Put16(bzip2.bytes, bzip2.Record(0) + 10, 12);
  Put16(bzip2.bytes, bzip2.Local(0) + 8, 12);
  EXPECT_EQ(kZipUnsupported, bzip2.ExtractAll());

  Archive zip64(Corpus("mixed.zip"));
  Put32(zip64.bytes, zip64.Record(3) + 24, 0xFFFFFFFF);
  EXPECT_EQ(kZipUnsupported, zip64.ExtractAll());

  Archive disks(Corpus("mixed.zip"));
  Put16(disks.bytes, disks.End() + 4, 1);
  EXPECT_EQ(kZipUnsupported, disks.ExtractAll());
}

TEST(ZipReader, ASinkThatRefusesStopsTheEntry) {
  Archive archive(Corpus("mixed.zip"));
  ASSERT_EQ(kZipOk, archive.Open());
  size_t cursor = archive.zip.directory;
  uint8_t buffer[64];
  for (int i = 0; i < 2; ++i) {
    ZipEntry entry;
    ASSERT_EQ(kZipOk, ZipReadEntry(archive.zip, &cursor, &entry));
    EXPECT_EQ(kZipWriteFailed,
              ZipExtract(archive.zip, entry, buffer, sizeof buffer, Refuse, nullptr))
        << entry.name;
  }
}

// An archive of one stored entry, written the way any zip tool writes one.
Bytes StoredArchive(const std::string& name, const Bytes& data) {
  uint32_t crc = crc32(0, data.data(), static_cast<uInt>(data.size()));
  Bytes archive(30);
  Put32(archive, 0, 0x04034b50);
  Put32(archive, 14, crc);
  Put32(archive, 18, static_cast<uint32_t>(data.size()));
  Put32(archive, 22, static_cast<uint32_t>(data.size()));
  Put16(archive, 26, static_cast<uint16_t>(name.size()));
  archive.insert(archive.end(), name.begin(), name.end());
  archive.insert(archive.end(), data.begin(), data.end());
  size_t directory = archive.size();
  archive.resize(directory + 46);
  Put32(archive, directory, 0x02014b50);
  Put32(archive, directory + 16, crc);
  Put32(archive, directory + 20, static_cast<uint32_t>(data.size()));
  Put32(archive, directory + 24, static_cast<uint32_t>(data.size()));
  Put16(archive, directory + 28, static_cast<uint16_t>(name.size()));
  archive.insert(archive.end(), name.begin(), name.end());
  size_t end = archive.size();
  archive.resize(end + 22);
  Put32(archive, end, 0x06054b50);
  Put16(archive, end + 8, 1);
  Put16(archive, end + 10, 1);
  Put32(archive, end + 12, static_cast<uint32_t>(end - directory));
  Put32(archive, end + 16, static_cast<uint32_t>(directory));
  return archive;
}

// Shows an archive as the extractor's windows do, a bounded piece at a time:
// each read copies its piece into a buffer of its own and frees the one
// before, so that the sanitizers catch a piece used after the next read.
struct BoundedSource {
  const Bytes* bytes;
  size_t most;
  uint8_t* piece;
};

const uint8_t* ReadBounded(void* context, size_t offset, size_t length) {
  BoundedSource& source = *static_cast<BoundedSource*>(context);
  free(source.piece);
  source.piece = nullptr;
  if (length > source.most || offset > source.bytes->size() ||
      length > source.bytes->size() - offset) {
    return nullptr;
  }
  source.piece = static_cast<uint8_t*>(malloc(length + 1));
  memcpy(source.piece, source.bytes->data() + offset, length);
  return source.piece;
}

TEST(ZipReader, ALargeStoredEntryIsReadThroughBoundedViewsByteForByte) {
  Bytes data(48 << 20);
  uint32_t noise = 1;
  for (uint8_t& byte : data)
    byte = static_cast<uint8_t>((noise = noise * 1103515245 + 12345) >> 16);
  data.push_back('!');  // an odd size, so that the last piece is a short one
  Bytes bytes = StoredArchive("large.bin", data);
  const size_t kMostPiece = 1 << 20;  // far below the entry's size
  BoundedSource directory = {&bytes, 1 << 17, nullptr}, pieces = {&bytes, kMostPiece, nullptr};
  ZipArchive zip;
  ASSERT_EQ(kZipOk,
            ZipOpenSource({ReadBounded, &directory}, {ReadBounded, &pieces}, bytes.size(), &zip));
  ASSERT_EQ(kZipOk, ZipCheckAll(zip, nullptr));
  size_t cursor = zip.directory;
  ZipEntry entry;
  ASSERT_EQ(kZipOk, ZipReadEntry(zip, &cursor, &entry));
  std::string content;
  uint8_t buffer[512];
  EXPECT_EQ(kZipOk, ZipExtract(zip, entry, buffer, sizeof buffer, Collect, &content));
  ASSERT_EQ(data.size(), content.size());
  EXPECT_TRUE(memcmp(data.data(), content.data(), data.size()) == 0);
  free(directory.piece);
  free(pieces.piece);
}

}  // namespace
