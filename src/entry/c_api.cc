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
  // A job may ask for a million rules: each is kept in a few words, its
  // texts in one block (NUL-terminated, by offset), and its properties in
  // one array.
  struct Property {
    size_t name;  // offsets into texts
    size_t type_name;
    size_t value;
    int type;
    int id;
  };
  struct Rule {
    vantrel_rule_info info;
    size_t first;  // its properties: [first, first + info.property_count)
  };
  std::string texts;
  std::vector<Property> properties;
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

std::string vantrel::HostText(std::string_view bytes) {
  return vantrel::Escape(bytes, vantrel::Source::kUtf8OrLatin1,
                         vantrel::Style::kPlain);
}

namespace {

using vantrel::HostText;

bool ValidMode(int mode) {
  return mode == VANTREL_MODE_NONE || mode == VANTREL_MODE_HEAD ||
         mode == VANTREL_MODE_TAIL || mode == VANTREL_MODE_HEAD_AND_TAIL ||
         mode == VANTREL_MODE_WHOLE;
}

bool ValidUnit(char unit) { return unit == 'M' || unit == 'I' || unit == 'P'; }

bool ValidSkipFlags(int flags) { return flags >= 0 && flags <= 3; }

size_t AddText(std::string& texts, const std::string& text) {
  const size_t at = texts.size();
  texts.append(text.c_str(), text.size() + 1);
  return at;
}

void FillRules(const CRuleKalPropArrArray& rules, vantrel_result& result) {
  // Most rules made during a scan hold one property each.
  result.rules.reserve(static_cast<size_t>(rules.GetSize()));
  result.properties.reserve(static_cast<size_t>(rules.GetSize()));
  std::string value;
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
    out.first = result.properties.size();
    for (int p = 0; p < array.GetSize(); ++p) {
      const CKalProperty property = array.GetAt(p);
      vantrel_result::Property prop;
      prop.name = AddText(result.texts, HostText(property.getPropertyName()));
      prop.type_name =
          AddText(result.texts, HostText(property.getPropertyTypeName()));
      VantrelPairValue(property, value);
      prop.value = AddText(result.texts, HostText(value));
      prop.type = static_cast<int>(property.getPropertyType());
      prop.id = property.getPropertyID();
      result.properties.push_back(prop);
    }
    result.rules.push_back(out);
  }
}

std::string RulesJsonOf(const vantrel_result& result) {
  vantrel::RulesJsonWriter writer(result.name, result.status, result.detail);
  // About what the report takes, so that a report of a million rules is
  // not held at twice its size while it grows.
  constexpr size_t kRuleBytes = 80;
  constexpr size_t kPropertyBytes = 48;
  writer.Reserve(result.rules.size() * kRuleBytes +
                 result.properties.size() * kPropertyBytes +
                 result.texts.size());
  const char* texts = result.texts.c_str();
  for (const vantrel_result::Rule& rule : result.rules) {
    writer.Rule(rule.info.layer, rule.info.type, rule.info.first_page,
                rule.info.last_page, rule.info.booklet);
    for (int p = 0; p < rule.info.property_count; ++p) {
      const vantrel_result::Property& prop =
          result.properties[rule.first + static_cast<size_t>(p)];
      writer.Property(texts + prop.name, static_cast<unsigned>(prop.type),
                      prop.id, texts + prop.value);
    }
  }
  return writer.Finish();
}

vantrel_result* Rules(const vantrel::Job& job, int skip_flags,
                      const char* dex_dir) {
  try {
    std::unique_ptr<vantrel_result> result(new vantrel_result);
    {
      CRuleKalPropArrArray rules;
      if (!vantrel::ValidJob(job, result->name) ||
          !ValidSkipFlags(skip_flags)) {
        result->status = VANTREL_SCAN_BAD_ARGUMENT;
      } else {
        result->status = vantrel::RunRulesRoad(job, skip_flags, dex_dir, rules,
                                               &result->detail);
      }
      FillRules(rules, *result);
    }
    // The library's rules are gone before the report is written: a job's
    // rules are held twice at most, never three times.
    result->json = RulesJsonOf(*result);
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
  const vantrel_result::Rule& held = r->rules[static_cast<size_t>(rule)];
  if (index < 0 || index >= held.info.property_count) return 0;
  const vantrel_result::Property& p =
      r->properties[held.first + static_cast<size_t>(index)];
  const char* texts = r->texts.c_str();
  out->name = texts + p.name;
  out->type_name = texts + p.type_name;
  out->value = texts + p.value;
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
