// The C interface of the check road: a result type of its own, built whole
// when the check ends and never changed afterwards.
#include <memory>
#include <new>
#include <string>

#include "entry/c_result.h"
#include "entry/check_road.h"
#include "output/findings.h"
#include "vantrel/vantrel_c.h"

struct vantrel_check_result {
  int status = VANTREL_SCAN_NOT_RUN;
  std::string name;
  std::string json;
  vantrel::CheckReport report;
};

namespace {

vantrel_check_result* Check(const vantrel::Job& job) {
  try {
    std::unique_ptr<vantrel_check_result> result(new vantrel_check_result);
    if (!vantrel::ValidJob(job, result->name)) {
      result->status = VANTREL_SCAN_BAD_ARGUMENT;
    } else {
      result->status = vantrel::RunCheckRoad(job, result->report);
    }
    result->json =
        vantrel::CheckJson(result->name, result->status, result->report);
    return result.release();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

extern "C" {

vantrel_check_result* vantrel_check_file(const char* path) {
  return vantrel_check_file_named(path, nullptr);
}

vantrel_check_result* vantrel_check_file_named(const char* path,
                                               const char* name) {
  return Check(vantrel::FileJob(path, name));
}

vantrel_check_result* vantrel_check_memory(const void* data, size_t size,
                                           const char* name) {
  return Check(vantrel::MemoryJob(data, size, name));
}

vantrel_check_result* vantrel_check_fd(int fd, const char* name) {
  return Check(vantrel::DescriptorJob(fd, name));
}

int vantrel_check_status(const vantrel_check_result* r) {
  return r != nullptr ? r->status : VANTREL_SCAN_OUT_OF_MEMORY;
}

const char* vantrel_check_json(const vantrel_check_result* r) {
  return r != nullptr ? r->json.c_str() : "";
}

const char* vantrel_check_name(const vantrel_check_result* r) {
  return r != nullptr ? r->name.c_str() : "";
}

long long vantrel_check_error_count(const vantrel_check_result* r) {
  return r != nullptr ? r->report.errors : 0;
}

long long vantrel_check_warning_count(const vantrel_check_result* r) {
  return r != nullptr ? r->report.warnings : 0;
}

int vantrel_check_finding_count(const vantrel_check_result* r) {
  return r != nullptr ? static_cast<int>(r->report.findings.size()) : 0;
}

int vantrel_check_finding(const vantrel_check_result* r, int index,
                          vantrel_finding_info* out) {
  if (out == nullptr || index < 0 || index >= vantrel_check_finding_count(r)) {
    return 0;
  }
  const vantrel::Finding& f = r->report.findings[static_cast<size_t>(index)];
  out->line = f.line;
  out->offset = f.offset;
  out->level = f.level == vantrel::FindingLevel::kError
                   ? VANTREL_FINDING_ERROR
                   : VANTREL_FINDING_WARNING;
  out->code = f.code;
  out->message = f.message.c_str();
  return 1;
}

void vantrel_check_free(vantrel_check_result* r) { delete r; }

}  // extern "C"
