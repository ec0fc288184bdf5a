// The C interface: a thin layer over the two roads. A result is built whole
// when the scan ends (JSON, rules, pairs, with every text they hand out) and
// never changes afterwards.
#include "vantrel/vantrel_c.h"

#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "entry/c_result.h"
#include "entry/roads.h"
#include "output/escape.h"
#include "output/json_writer.h"
#include "vantrel/version.h"

struct vantrel_result {
  struct Property {
    std::string name;
    std::string type_name;
    std::string value;
    int type;
    int id;
  };
  struct Rule {
    vantrel_rule_info info;
    std::vector<Property> properties;
  };
  struct Pair {
    std::string key;
    std::string value;
    int type;
  };

  int status = VANTREL_SCAN_NOT_RUN;
  std::string name;
  std::string detail;
  std::string json;
  std::vector<Rule> rules;
  std::vector<Pair> pairs;
  // The pages road's report (c_api_pages.cc); null on the other roads.
  std::shared_ptr<const vantrel::PageReport> pages;
};

namespace {

// The texts handed to hosts are UTF-8: a value that is valid UTF-8 as it
// stands (what current producers write) is kept, any other is read as
// Latin-1.
std::string HostText(std::string_view bytes) {
  return vantrel::Escape(bytes, vantrel::Source::kUtf8OrLatin1,
                         vantrel::Style::kPlain);
}

bool ValidMode(int mode) {
  return mode == VANTREL_MODE_NONE || mode == VANTREL_MODE_HEAD ||
         mode == VANTREL_MODE_TAIL || mode == VANTREL_MODE_HEAD_AND_TAIL ||
         mode == VANTREL_MODE_WHOLE;
}

bool ValidUnit(char unit) { return unit == 'M' || unit == 'I' || unit == 'P'; }

bool ValidSkipFlags(int flags) { return flags >= 0 && flags <= 3; }

void FillRules(const CRuleKalPropArrArray& rules, vantrel_result& result) {
  result.rules.reserve(static_cast<size_t>(rules.GetSize()));
  for (int r = 0; r < rules.GetSize(); ++r) {
    const CRuleKalPropArray array = rules.GetAt(r);
    const CRule& rule = array.GetRuleValue();
    vantrel_result::Rule out;
    out.info.layer = rule.GetRuleLayer();
    out.info.type = rule.GetRuleType();
    out.info.first_page = rule.GetFirstPage();
    out.info.last_page = rule.GetLastPage();
    out.info.booklet = rule.GetBookletNumber();
    out.info.property_count = array.GetSize();
    for (int p = 0; p < array.GetSize(); ++p) {
      const CKalProperty property = array.GetAt(p);
      vantrel_result::Property prop;
      prop.name = HostText(property.getPropertyName());
      prop.type_name = HostText(property.getPropertyTypeName());
      VantrelPairValue(property, prop.value);
      prop.value = HostText(prop.value);
      prop.type = static_cast<int>(property.getPropertyType());
      prop.id = property.getPropertyID();
      out.properties.push_back(std::move(prop));
    }
    result.rules.push_back(std::move(out));
  }
}

vantrel_result* Rules(const vantrel::Job& job, int skip_flags,
                      const char* dex_dir) {
  try {
    std::unique_ptr<vantrel_result> result(new vantrel_result);
    CRuleKalPropArrArray rules;
    if (!vantrel::ValidJob(job, result->name) || !ValidSkipFlags(skip_flags)) {
      result->status = VANTREL_SCAN_BAD_ARGUMENT;
    } else {
      result->status = vantrel::RunRulesRoad(job, skip_flags, dex_dir, rules,
                                             &result->detail);
    }
    FillRules(rules, *result);
    result->json = vantrel::RulesJson(result->name, result->status, rules,
                                      result->detail);
    return result.release();
  } catch (...) {
    return nullptr;
  }
}

vantrel_result* Pairs(const vantrel::Job& job, int scan_mode, char unit,
                      int with_bbox) {
  try {
    std::unique_ptr<vantrel_result> result(new vantrel_result);
    _tPairProperty* raw = nullptr;
    int count = 0;
    if (!vantrel::ValidJob(job, result->name) || !ValidMode(scan_mode) ||
        !ValidUnit(unit)) {
      result->status = VANTREL_SCAN_BAD_ARGUMENT;
    } else {
      result->status =
          vantrel::RunPairsRoad(job, with_bbox != 0 ? 1 : 0, scan_mode, unit,
                                raw, count, &result->detail);
    }
    std::unique_ptr<_tPairProperty[]> pairs(raw);
    if (raw == nullptr) count = 0;
    for (int i = 0; i < count; ++i) {
      const _tPairProperty& pair = pairs[i];
      result->pairs.push_back(
          {HostText(pair.propName != nullptr ? pair.propName : ""),
           HostText(pair.propValue != nullptr ? pair.propValue : ""),
           pair.propType});
    }
    result->json =
        vantrel::PairsJson(result->name, result->status, pairs.get(), count,
                           result->detail);
    return result.release();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

namespace vantrel {

// Checks the job's own arguments; fills `name` with what the job is called.
bool ValidJob(const Job& job, std::string& name) {
  if (job.name != nullptr && *job.name == '\0') return false;
  if (job.on_descriptor) {
    if (job.fd < 0 || job.name == nullptr) return false;
    name = job.name;
    return true;
  }
  if (job.in_memory) {
    if (job.data == nullptr && job.size != 0) return false;
    if (job.name == nullptr) return false;
    name = job.name;
    return true;
  }
  if (job.path == nullptr || *job.path == '\0') return false;
  name = job.name != nullptr ? job.name : job.path;
  return true;
}

Job FileJob(const char* path, const char* name) {
  Job job;
  job.path = path;
  job.name = name;
  return job;
}

Job DescriptorJob(int fd, const char* name) {
  Job job;
  job.on_descriptor = true;
  job.fd = fd;
  job.name = name != nullptr ? name : kUnnamedJobName;
  return job;
}

Job MemoryJob(const void* data, size_t size, const char* name) {
  Job job;
  job.in_memory = true;
  job.data = data;
  job.size = size;
  job.name = name != nullptr ? name : kUnnamedJobName;
  return job;
}

}  // namespace vantrel

extern "C" {

vantrel_result* vantrel_rules_file(const char* path, int skip_flags,
                                   const char* dex_dir) {
  return Rules(vantrel::FileJob(path, nullptr), skip_flags, dex_dir);
}

vantrel_result* vantrel_rules_file_named(const char* path, const char* name,
                                         int skip_flags, const char* dex_dir) {
  return Rules(vantrel::FileJob(path, name), skip_flags, dex_dir);
}

vantrel_result* vantrel_rules_memory(const void* data, size_t size,
                                     const char* name, int skip_flags,
                                     const char* dex_dir) {
  return Rules(vantrel::MemoryJob(data, size, name), skip_flags, dex_dir);
}

vantrel_result* vantrel_pairs_file(const char* path, int scan_mode, char unit,
                                   int with_bbox) {
  return Pairs(vantrel::FileJob(path, nullptr), scan_mode, unit, with_bbox);
}

vantrel_result* vantrel_pairs_file_named(const char* path, const char* name,
                                         int scan_mode, char unit,
                                         int with_bbox) {
  return Pairs(vantrel::FileJob(path, name), scan_mode, unit, with_bbox);
}

vantrel_result* vantrel_pairs_memory(const void* data, size_t size,
                                     const char* name, int scan_mode,
                                     char unit, int with_bbox) {
  return Pairs(vantrel::MemoryJob(data, size, name), scan_mode, unit, with_bbox);
}

vantrel_result* vantrel_rules_fd(int fd, const char* name, int skip_flags,
                                 const char* dex_dir) {
  return Rules(vantrel::DescriptorJob(fd, name), skip_flags, dex_dir);
}

vantrel_result* vantrel_pairs_fd(int fd, const char* name, int scan_mode,
                                 char unit, int with_bbox) {
  return Pairs(vantrel::DescriptorJob(fd, name), scan_mode, unit, with_bbox);
}

const char* vantrel_result_detail(const vantrel_result* r) {
  return r != nullptr ? r->detail.c_str() : "";
}

int vantrel_result_status(const vantrel_result* r) {
  return r != nullptr ? r->status : VANTREL_SCAN_OUT_OF_MEMORY;
}

const char* vantrel_result_json(const vantrel_result* r) {
  return r != nullptr ? r->json.c_str() : "";
}

const char* vantrel_result_name(const vantrel_result* r) {
  return r != nullptr ? r->name.c_str() : "";
}

void vantrel_result_free(vantrel_result* r) { delete r; }

const char* vantrel_version(void) { return VANTREL_VERSION_STRING; }

int vantrel_result_rule_count(const vantrel_result* r) {
  return r != nullptr ? static_cast<int>(r->rules.size()) : 0;
}

int vantrel_result_rule(const vantrel_result* r, int index,
                        vantrel_rule_info* out) {
  if (out == nullptr || index < 0 || index >= vantrel_result_rule_count(r)) {
    return 0;
  }
  *out = r->rules[static_cast<size_t>(index)].info;
  return 1;
}

int vantrel_result_property(const vantrel_result* r, int rule, int index,
                            vantrel_property_info* out) {
  if (out == nullptr || rule < 0 || rule >= vantrel_result_rule_count(r)) {
    return 0;
  }
  const auto& properties = r->rules[static_cast<size_t>(rule)].properties;
  if (index < 0 || static_cast<size_t>(index) >= properties.size()) return 0;
  const vantrel_result::Property& p = properties[static_cast<size_t>(index)];
  out->name = p.name.c_str();
  out->type_name = p.type_name.c_str();
  out->value = p.value.c_str();
  out->type = p.type;
  out->id = p.id;
  return 1;
}

int vantrel_result_pair_count(const vantrel_result* r) {
  return r != nullptr ? static_cast<int>(r->pairs.size()) : 0;
}

int vantrel_result_pair(const vantrel_result* r, int index,
                        vantrel_pair_info* out) {
  if (out == nullptr || index < 0 || index >= vantrel_result_pair_count(r)) {
    return 0;
  }
  const vantrel_result::Pair& p = r->pairs[static_cast<size_t>(index)];
  out->key = p.key.c_str();
  out->value = p.value.c_str();
  out->type = p.type;
  return 1;
}

}  // extern "C"

namespace vantrel {

vantrel_result* NewPagesResult(int status, std::string name, std::string json,
                               std::shared_ptr<const PageReport> pages) {
  try {
    std::unique_ptr<vantrel_result> result(new vantrel_result);
    result->status = status;
    result->name = std::move(name);
    result->json = std::move(json);
    result->pages = std::move(pages);
    return result.release();
  } catch (...) {
    return nullptr;
  }
}

const PageReport* PagesOf(const vantrel_result* r) {
  return r != nullptr ? r->pages.get() : nullptr;
}

}  // namespace vantrel
