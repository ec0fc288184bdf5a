#include "entry/check_road.h"

#include <cstring>

#include "handlers/checks.h"
#include "parser/parse_state.h"
#include "platform/file.h"
#include "vantrel/kal_parser.h"

namespace vantrel {

namespace {

// The DOS EPS binary header: magic, then the offset and length of the
// PostScript section, little-endian.
constexpr unsigned char kDosEpsMagic[4] = {0xC5, 0xD0, 0xD3, 0xC6};
constexpr size_t kDosEpsHead = 12;

int64_t LittleEndian32(const unsigned char* p) {
  return static_cast<int64_t>(p[0]) | static_cast<int64_t>(p[1]) << 8 |
         static_cast<int64_t>(p[2]) << 16 | static_cast<int64_t>(p[3]) << 24;
}

// Reads the job's first bytes and its size; false when it cannot (the scan
// then reports why).
bool ReadHead(const Job& job, unsigned char (&head)[kDosEpsHead], size_t* held,
              int64_t* size) {
  if (job.in_memory) {
    *size = static_cast<int64_t>(job.size);
    *held = job.size < kDosEpsHead ? job.size : kDosEpsHead;
    if (*held > 0) std::memcpy(head, job.data, *held);
    return true;
  }
  int fd = job.fd;
  int status = 0;
  if (job.on_descriptor) {
    if (!SizeOfDescriptor(fd, size, &status)) return false;
  } else if (!OpenForScan(job.path, &fd, size, &status)) {
    return false;
  }
  const int64_t n = ReadAt(fd, reinterpret_cast<char*>(head), kDosEpsHead, 0);
  // A host's descriptor stays the host's.
  if (!job.on_descriptor) CloseFile(fd);
  if (n < 0) return false;
  *held = static_cast<size_t>(n);
  return true;
}

}  // namespace

int RunCheckRoad(const Job& job, CheckReport& report) {
  report = CheckReport{};
  try {
    CKalParser parser(ConstructionName(job));
    SetSource(job, parser);
    parser.AddCheckComments();
    ParserContext* engine = CKalParserAccess::Engine(parser);
    if (engine == nullptr || engine->state == nullptr) {
      return VANTREL_SCAN_OUT_OF_MEMORY;
    }
    const std::shared_ptr<CheckState> check = HandlerVars(engine).check;
    if (check == nullptr) return VANTREL_SCAN_OUT_OF_MEMORY;

    CRuleKalPropArrArray scratch;
    parser.HandleFile(scratch, 15);
    const int status = parser.GetScanStatus();
    // A job that could not be read at all has no findings, only its status.
    if (status != VANTREL_SCAN_OK && !check->SawBytes()) return status;
    // The checker reads a DOS EPS header through the scan; a header whose
    // PostScript section lies wholly outside the file leaves the scan no
    // byte, and is read here.
    unsigned char head[kDosEpsHead] = {};
    size_t held = 0;
    int64_t size = 0;
    if (!check->SawBytes() && ReadHead(job, head, &held, &size) &&
        held == kDosEpsHead &&
        std::memcmp(head, kDosEpsMagic, sizeof kDosEpsMagic) == 0) {
      check->NoteDosEpsHeader(LittleEndian32(head + 4),
                              LittleEndian32(head + 8), size);
    }
    report = check->Finish();
    // Line numbers that skipped data could not be counted for are wrong:
    // the job was not read whole.
    if (status == VANTREL_SCAN_OK && !check->LinesExact()) {
      return VANTREL_SCAN_READ_ERROR;
    }
    return status;
  } catch (...) {
    report = CheckReport{};
    return VANTREL_SCAN_OUT_OF_MEMORY;
  }
}

}  // namespace vantrel
