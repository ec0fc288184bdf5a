// The C interface of the pages road.
#include <memory>
#include <string>
#include <utility>

#include "entry/c_result.h"
#include "entry/pages_road.h"
#include "output/pages_json.h"
#include "vantrel/vantrel_c.h"

namespace {

// The texts the accessors hand out, as every text of the C API: UTF-8 (the
// JSON, written before, reads the job's bytes the same way).
void HostTexts(vantrel::PageReport& report) {
  for (vantrel::PageRecord& page : report.pages) {
    page.label = vantrel::HostText(page.label);
    if (page.media.known) page.media.value = vantrel::HostText(page.media.value);
    for (std::string& feature : page.features) {
      feature = vantrel::HostText(feature);
    }
  }
  for (vantrel::MediumRecord& medium : report.media) {
    medium.name = vantrel::HostText(medium.name);
    medium.color = vantrel::HostText(medium.color);
    medium.type = vantrel::HostText(medium.type);
  }
}

vantrel_result* Pages(const vantrel::Job& job) {
  try {
    auto report = std::make_shared<vantrel::PageReport>();
    std::string name;
    int status = VANTREL_SCAN_BAD_ARGUMENT;
    if (vantrel::ValidJob(job, name)) status = vantrel::RunPagesRoad(job, *report);
    std::string json = vantrel::PagesJson(name, status, *report);
    HostTexts(*report);
    return vantrel::NewPagesResult(status, std::move(name), std::move(json),
                                   std::move(report));
  } catch (...) {
    return nullptr;
  }
}

const char* OrNull(const vantrel::Maybe<std::string>& text) {
  return text.known ? text.value.c_str() : nullptr;
}

}  // namespace

extern "C" {

vantrel_result* vantrel_pages_file(const char* path) {
  return Pages(vantrel::FileJob(path, nullptr));
}

vantrel_result* vantrel_pages_file_named(const char* path, const char* name) {
  return Pages(vantrel::FileJob(path, name));
}

vantrel_result* vantrel_pages_memory(const void* data, size_t size,
                                     const char* name) {
  return Pages(vantrel::MemoryJob(data, size, name));
}

vantrel_result* vantrel_pages_fd(int fd, const char* name) {
  return Pages(vantrel::DescriptorJob(fd, name));
}

int vantrel_result_page_count(const vantrel_result* r) {
  const vantrel::PageReport* report = vantrel::PagesOf(r);
  return report != nullptr ? static_cast<int>(report->pages.size()) : 0;
}

int vantrel_result_page(const vantrel_result* r, int index,
                        vantrel_page_info* out) {
  if (out == nullptr || index < 0 || index >= vantrel_result_page_count(r)) {
    return 0;
  }
  const vantrel::PageRecord& page =
      vantrel::PagesOf(r)->pages[static_cast<size_t>(index)];
  vantrel_page_info info{};
  info.label = page.label.c_str();
  info.has_ordinal = page.ordinal.known ? 1 : 0;
  info.ordinal = page.ordinal.value;
  info.offset = page.offset;
  info.length = page.length;
  info.has_bbox = page.bbox.known ? 1 : 0;
  for (size_t i = 0; i < 4; ++i) info.bbox[i] = page.bbox.value[i];
  info.media = OrNull(page.media);
  info.orientation = page.orientation;
  info.feature_count = static_cast<int>(page.features.size());
  *out = info;
  return 1;
}

const char* vantrel_result_page_feature(const vantrel_result* r, int page,
                                        int index) {
  if (page < 0 || page >= vantrel_result_page_count(r) || index < 0) {
    return nullptr;
  }
  const auto& features =
      vantrel::PagesOf(r)->pages[static_cast<size_t>(page)].features;
  if (static_cast<size_t>(index) >= features.size()) return nullptr;
  return features[static_cast<size_t>(index)].c_str();
}

int vantrel_result_medium_count(const vantrel_result* r) {
  const vantrel::PageReport* report = vantrel::PagesOf(r);
  return report != nullptr ? static_cast<int>(report->media.size()) : 0;
}

int vantrel_result_medium(const vantrel_result* r, int index,
                          vantrel_medium_info* out) {
  if (out == nullptr || index < 0 || index >= vantrel_result_medium_count(r)) {
    return 0;
  }
  const vantrel::MediumRecord& m =
      vantrel::PagesOf(r)->media[static_cast<size_t>(index)];
  out->name = m.name.c_str();
  out->width = m.width;
  out->height = m.height;
  out->weight = m.weight;
  out->color = m.color.c_str();
  out->type = m.type.c_str();
  return 1;
}

}  // extern "C"
