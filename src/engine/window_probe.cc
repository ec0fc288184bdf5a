#include "engine/window_probe.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

namespace {

constexpr unsigned char kDosEpsMagic[4] = {0xC5, 0xD0, 0xD3, 0xC6};
constexpr char kCtrlD = '\x04';

bool StartsWith(const char* data, int bytes, const char* prefix, int length) {
  return bytes >= length && std::memcmp(data, prefix, length) == 0;
}

uint32_t LittleEndian32(const char* p) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(u[0]) | static_cast<uint32_t>(u[1]) << 8 |
         static_cast<uint32_t>(u[2]) << 16 | static_cast<uint32_t>(u[3]) << 24;
}

}  // namespace

WindowProbe ProbeWindow(const char* data, int bytes, int64_t offset,
                        int64_t size) {
  WindowProbe probe;
  probe.begin = offset;
  probe.end = size;
  if (offset == 0 && bytes >= kDosEpsHeaderSize &&
      std::memcmp(data, kDosEpsMagic, sizeof kDosEpsMagic) == 0) {
    // Offsets past the end, or a length that runs past it, are clipped to
    // the file: a broken header scans what is there, never beyond.
    probe.dosEps = true;
    probe.dosEpsBegin = LittleEndian32(data + 4);
    probe.dosEpsLength = LittleEndian32(data + 8);
    probe.begin = std::min<int64_t>(probe.dosEpsBegin, size);
    if (probe.dosEpsLength > 0) {
      probe.end = std::min(size, probe.begin + probe.dosEpsLength);
    }
    return probe;
  }
  int i = 0;
  while (i < bytes && data[i] == kCtrlD) ++i;
  probe.begin = offset + i;
  probe.readOn = i == bytes && i > 0 && probe.begin < size;
  return probe;
}

WindowStart ClassifyWindowStart(const char* data, int bytes) {
  WindowStart start;
  start.pdf = StartsWith(data, bytes, "%PDF-", 5);
  start.pjl = StartsWith(data, bytes, "\x1b%-12345X", 9) ||
              StartsWith(data, bytes, "@PJL", 4);
  return start;
}

}  // namespace vantrel
