// The floor of an unpack on one core: every entry of a payload's zip
// inflated natively with zlib, as the self-extractor inflates it (raw deflate,
// 1 MiB at a time into one buffer), but written nowhere. Stored entries are
// copied through the same buffer. Built and run on the host by
// bench/extract-bench:
//   inflate-time PAYLOAD
// Prints "inflate <ms> <ms with CRC-32> <entries> <bytes out>", each time the
// median of three passes over the payload, read into memory first. The pass
// with CRC-32 also checks every entry's size and checksum against the
// archive's directory; a mismatch ends it with exit code 1, so the figure is
// of a payload that really inflated.
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

struct Entry {
  uint16_t method;
  uint32_t crc;
  uint32_t packedSize;
  uint32_t size;
  uint32_t localHeader;
};

uint16_t Read16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | at[1] << 8);
}
uint32_t Read32(const uint8_t* at) {
  return Read16(at) | static_cast<uint32_t>(Read16(at + 2)) << 16;
}

// The entries of the zip at the end of the file; offsets count from the start
// of the file, as the payload builder writes them. False if it is not such a
// zip (or needs the 64-bit records, which no payload here does).
bool ReadDirectory(const std::vector<uint8_t>& file, std::vector<Entry>* entries) {
  const size_t kEndRecord = 22;
  if (file.size() < kEndRecord) return false;
  // The end record is followed by a comment of up to 64 KiB.
  size_t end = file.size() - kEndRecord;
  size_t lowest = end > 0xFFFF ? end - 0xFFFF : 0;
  while (Read32(&file[end]) != 0x06054b50) {
    if (end == lowest) return false;
    --end;
  }
  uint16_t count = Read16(&file[end + 10]);
  size_t cursor = Read32(&file[end + 16]);
  for (uint16_t i = 0; i < count; ++i) {
    if (cursor + 46 > file.size() || Read32(&file[cursor]) != 0x02014b50) return false;
    const uint8_t* header = &file[cursor];
    Entry entry = {Read16(header + 10), Read32(header + 16), Read32(header + 20),
                   Read32(header + 24), Read32(header + 42)};
    if (entry.packedSize == 0xFFFFFFFF || entry.size == 0xFFFFFFFF ||
        entry.localHeader == 0xFFFFFFFF) {
      return false;
    }
    entries->push_back(entry);
    cursor += 46 + Read16(header + 28) + Read16(header + 30) + Read16(header + 32);
  }
  return true;
}

// The entry's output, 1 MiB at a time through buffer; false if it does not
// come out as the directory says (its size, and with withCrc its CRC-32).
bool Unpack(const std::vector<uint8_t>& file, const Entry& entry, std::vector<uint8_t>* buffer,
            bool withCrc) {
  if (entry.localHeader + 30ull > file.size()) return false;
  const uint8_t* local = &file[entry.localHeader];
  size_t data = entry.localHeader + 30ull + Read16(local + 26) + Read16(local + 28);
  if (data + entry.packedSize > file.size()) return false;
  uLong crc = crc32(0, nullptr, 0);
  uint64_t out = 0;
  if (entry.method == 0) {
    for (size_t done = 0; done < entry.packedSize; done += buffer->size()) {
      size_t chunk = std::min(buffer->size(), entry.packedSize - done);
      memcpy(buffer->data(), &file[data + done], chunk);
      if (withCrc) crc = crc32(crc, buffer->data(), static_cast<uInt>(chunk));
      out += chunk;
    }
  } else if (entry.method == 8) {
    z_stream stream = {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    stream.next_in = const_cast<Bytef*>(&file[data]);
    stream.avail_in = entry.packedSize;
    int result = Z_OK;
    while (result == Z_OK) {
      stream.next_out = buffer->data();
      stream.avail_out = static_cast<uInt>(buffer->size());
      result = inflate(&stream, Z_NO_FLUSH);
      size_t chunk = buffer->size() - stream.avail_out;
      if (withCrc) crc = crc32(crc, buffer->data(), static_cast<uInt>(chunk));
      out += chunk;
      if (result == Z_OK && chunk == 0 && stream.avail_in == 0) result = Z_DATA_ERROR;
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END) return false;
  } else {
    return false;
  }
  return out == entry.size && (!withCrc || crc == entry.crc);
}

// Milliseconds for one pass over every entry, or a negative number if an
// entry did not come out right.
double Pass(const std::vector<uint8_t>& file, const std::vector<Entry>& entries,
            std::vector<uint8_t>* buffer, bool withCrc) {
  auto start = std::chrono::steady_clock::now();
  for (const Entry& entry : entries) {
    if (!Unpack(file, entry, buffer, withCrc)) return -1;
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double MedianOfThree(const std::vector<uint8_t>& file, const std::vector<Entry>& entries,
                     std::vector<uint8_t>* buffer, bool withCrc) {
  double times[3];
  for (double& time : times) {
    time = Pass(file, entries, buffer, withCrc);
    if (time < 0) return -1;
  }
  std::sort(times, times + 3);
  return times[1];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: inflate-time PAYLOAD\n");
    return 2;
  }
  FILE* source = fopen(argv[1], "rb");
  if (!source) {
    perror(argv[1]);
    return 2;
  }
  std::vector<uint8_t> file;
  uint8_t block[1 << 16];
  for (size_t got; (got = fread(block, 1, sizeof block, source)) > 0;) {
    file.insert(file.end(), block, block + got);
  }
  fclose(source);
  std::vector<Entry> entries;
  if (!ReadDirectory(file, &entries) || entries.empty()) {
    fprintf(stderr, "inflate-time: %s holds no zip this program reads\n", argv[1]);
    return 2;
  }
  std::vector<uint8_t> buffer(1 << 20);
  double plain = MedianOfThree(file, entries, &buffer, false);
  double checked = MedianOfThree(file, entries, &buffer, true);
  if (plain < 0 || checked < 0) {
    fprintf(stderr, "inflate-time: an entry of %s does not match the directory\n", argv[1]);
    return 1;
  }
  uint64_t bytes = 0;
  for (const Entry& entry : entries) bytes += entry.size;
  printf("inflate %.0f %.0f %zu %llu\n", plain, checked, entries.size(),
         static_cast<unsigned long long>(bytes));
  return 0;
}
