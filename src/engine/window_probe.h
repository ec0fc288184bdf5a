// The window probe: which part of a source a scan covers, and what the job
// starts with, judged from the source's first bytes alone.
#ifndef VANTREL_ENGINE_WINDOW_PROBE_H_
#define VANTREL_ENGINE_WINDOW_PROBE_H_

#include <cstdint>

namespace vantrel {

// The DOS EPS binary header: magic, the offset of the PostScript section and
// its length, little-endian.
constexpr int kDosEpsHeaderSize = 12;

// The part of the source that is scanned, from the bytes at `offset`.
struct WindowProbe {
  int64_t begin = 0;  // the window: [begin, end)
  int64_t end = 0;
  // A DOS EPS header names the window, as the file states it (`begin` and
  // `end` are clipped to the file).
  bool dosEps = false;
  int64_t dosEpsBegin = 0;
  int64_t dosEpsLength = 0;
  // Every byte looked at was a Ctrl-D and the source goes on: probe the
  // bytes from `begin` next.
  bool readOn = false;
};

// Probes `bytes` bytes of data read at `offset` of a source of `size` bytes.
// At offset 0 a DOS EPS header names the window; else the Ctrl-D bytes that
// Windows drivers send before a job are left out of it, so the job reads as
// it would without them. A later call (offset > 0, after `readOn`) goes on
// stepping over Ctrl-D bytes.
WindowProbe ProbeWindow(const char* data, int bytes, int64_t offset,
                        int64_t size);

// What the window's first bytes say of the job.
struct WindowStart {
  bool pdf = false;  // "%PDF-": a PDF file
  bool pjl = false;  // a PJL header ("\x1b%-12345X" or "@PJL") before "%!"
};

WindowStart ClassifyWindowStart(const char* data, int bytes);

}  // namespace vantrel

#endif  // VANTREL_ENGINE_WINDOW_PROBE_H_
