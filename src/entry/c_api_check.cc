// The C interface of the check road: a result type of its own, built whole
// when the check ends and never changed afterwards.
#include <memory>
#include <new>
#include <string>

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
    bool valid = job.name == nullptr || *job.name != '\0';
    if (job.in_memory) {
      valid = valid && job.name != nullptr &&
              (job.data != nullptr || job.size == 0);
      if (valid) result->name = job.name;
    } else {
      valid = valid && job.path != nullptr && *job.path != '\0';
      if (valid) result->name = job.name != nullptr ? job.name : job.path;
    }
    if (!valid) {
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
  vantrel::Job job;
  job.path = path;
  job.name = name;
  return Check(job);
}

vantrel_check_result* vantrel_check_memory(const void* data, size_t size,
                                           const char* name) {
  vantrel::Job job;
  job.in_memory = true;
  job.data = data;
  job.size = size;
  job.name = name != nullptr ? name : "-";
  return Check(job);
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
