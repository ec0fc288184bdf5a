#include "vantrel/kal_parser.h"

#include <cstring>
#include <new>

#include "engine/context.h"
#include "engine/keyword_table.h"
#include "engine/scan_record.h"
#include "engine/scanner.h"
#include "engine/sections.h"
#include "handlers/bounding_box.h"
#include "handlers/checks.h"
#include "handlers/copies.h"
#include "handlers/custom_colors.h"
#include "handlers/dex.h"
#include "handlers/document_structure.h"
#include "handlers/header_comments.h"
#include "handlers/input_tray.h"
#include "handlers/opi_dcs.h"
#include "handlers/orientation.h"
#include "handlers/page_index.h"
#include "handlers/pages.h"
#include "handlers/pdf.h"
#include "handlers/separations.h"
#include "handlers/xrx.h"
#include "handlers/parse_state.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace {

// Copies a host's key into context-owned storage, so the table never points
// into memory the host may free. Null when out of memory.
const char* OwnKey(ParserContext* context, const char* key) {
  size_t len = std::strlen(key);
  char* copy = new (std::nothrow) char[len + 1];
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, key, len + 1);
  char** grown = new (std::nothrow) char*[context->ownedKeyCount + 1];
  if (grown == nullptr) {
    delete[] copy;
    return nullptr;
  }
  for (uint32_t i = 0; i < context->ownedKeyCount; ++i) {
    grown[i] = context->ownedKeys[i];
  }
  grown[context->ownedKeyCount] = copy;
  delete[] context->ownedKeys;
  context->ownedKeys = grown;
  ++context->ownedKeyCount;
  return copy;
}

}  // namespace

CKalParser::CKalParser(const char* path)
    : m_engine(nullptr),
      m_status(0),
      m_kalPages(-1),
      m_scanStatus(VANTREL_SCAN_NOT_RUN) {
  vantrel::Trace().CreateTraceInstance(vantrel::kTraceInstance);
  // The parse's own state, at the library-load values. Without it there is
  // no context: every registration is a no-op and the scan fails as out of
  // memory.
  vantrel::ParseState* state = vantrel::AcquireParseState();
  if (state == nullptr) return;
  m_engine = vantrel::ParserCreateContext(path);
  if (m_engine == nullptr) {
    vantrel::ReleaseParseState(state);
    return;
  }
  state->trace = vantrel::TraceSnapshot();
  m_engine->state = state;
}

CKalParser::~CKalParser() {
  if (m_engine != nullptr) {
    const vantrel::ParseTraceScope trace(m_engine);
    vantrel::ParseState* state = m_engine->state;
    vantrel::ParserFreeContext(m_engine);
    vantrel::ReleaseParseState(state);
  }
  vantrel::Trace().ReleaseInstance(vantrel::kTraceInstance);
}

namespace {

// Replaces an owned setting text with a copy of `text` (null clears).
bool ReplaceSetting(char*& field, const char* text) {
  char* copy = nullptr;
  if (text != nullptr) {
    const size_t n = std::strlen(text);
    copy = new (std::nothrow) char[n + 1];
    if (copy == nullptr) return false;
    std::memcpy(copy, text, n + 1);
  }
  delete[] field;
  field = copy;
  return true;
}

}  // namespace

void CKalParser::SetJobName(const char* name) {
  if (m_engine != nullptr && !ReplaceSetting(m_engine->jobName, name)) {
    m_engine->settingLost = true;
  }
}

void CKalParser::SetDexOutputFolder(const char* folder) {
  if (m_engine != nullptr && !ReplaceSetting(m_engine->dexFolder, folder)) {
    m_engine->settingLost = true;
  }
}

void CKalParser::AddPSRipComments() {
  if (m_engine == nullptr) return;
  vantrel::RegisterDocumentStructureSet(m_engine);
  vantrel::RegisterSectionSet(m_engine);
  vantrel::RegisterPagesSet(m_engine);
  vantrel::RegisterOpiDcsSet(m_engine);
  vantrel::RegisterCreatorSet(m_engine);
  vantrel::RegisterOrientationSet(m_engine);
  vantrel::RegisterSeparationSet(m_engine);
  vantrel::RegisterPdfSet(m_engine);
  vantrel::RegisterInputTraySet(m_engine);
  vantrel::RegisterMacClientSet(m_engine);
  vantrel::RegisterCustomColorSet(m_engine);
}

void CKalParser::AddStructureComments() {
  if (m_engine == nullptr) return;
  vantrel::RegisterDocumentStructureSet(m_engine, /*creation_date=*/false);
  vantrel::RegisterSectionSet(m_engine);
  // A PDF is refused on this road too, not scanned as if it were PostScript.
  vantrel::RegisterPdfSet(m_engine);
  // A DEX job ticket's bytes are data here too, as on the job-ticket road.
  vantrel::RegisterDexStepSet(m_engine);
}

void CKalParser::AddBoundingBox(char unit) {
  if (m_engine == nullptr) return;
  vantrel::RegisterBoundingBoxSet(m_engine, unit);
}

void CKalParser::AddKALPPDComment() {
  if (m_engine == nullptr) return;
  vantrel::RegisterKALPPDSet(m_engine);
}

void CKalParser::AddNumCopiesComment() {
  if (m_engine == nullptr) return;
  vantrel::RegisterNumCopiesSet(m_engine);
}

void CKalParser::AddXRXComment() {
  if (m_engine == nullptr) return;
  vantrel::RegisterXRXSet(m_engine);
}

void CKalParser::AddDexxmlComment() {
  if (m_engine == nullptr) return;
  vantrel::RegisterDexxmlSet(m_engine);
}

void CKalParser::AddTitleComment() {
  if (m_engine == nullptr) return;
  vantrel::RegisterTitleSet(m_engine);
}

void CKalParser::AddPageIndexComments() {
  if (m_engine == nullptr) return;
  vantrel::HandlerState& state = vantrel::HandlerVars(m_engine);
  if (state.pageIndex == nullptr) {
    state.pageIndex.reset(new (std::nothrow) vantrel::PageIndexState);
    // Without its report the scan fails as out of memory rather than
    // answering a job without pages.
    if (state.pageIndex == nullptr) {
      m_engine->settingLost = true;
      return;
    }
  }
  vantrel::RegisterPageIndexSet(m_engine);
}

void CKalParser::AddCheckComments() {
  if (m_engine == nullptr) return;
  vantrel::RegisterCheckSet(m_engine);
}

void CKalParser::AddComment(const char* keyword, int param, int prefix) {
  AddComment(keyword, param, prefix, vantrel::GlobalComment, nullptr);
}

void CKalParser::SetMemorySource(const void* data, size_t size) {
  if (m_engine == nullptr) return;
  m_engine->hasMemorySource = true;
  m_engine->memoryData = data;
  m_engine->memorySize = data == nullptr ? 0 : size;
}

void CKalParser::SetDescriptorSource(int fd) {
  if (m_engine == nullptr) return;
  m_engine->hasDescriptorSource = true;
  m_engine->descriptor = fd;
}

const char* CKalParser::GetScanDetail() const {
  if (m_engine == nullptr || m_engine->scanDetail == nullptr) return "";
  return m_engine->scanDetail;
}

void CKalParser::AddComment(const char* keyword, int param, int prefix,
                            CommentHandler handler, void* user_data) {
  if (m_engine == nullptr || keyword == nullptr || handler == nullptr) return;
  // A handler from outside may write through its text position.
  if (handler != vantrel::GlobalComment) m_engine->copyChunks = true;
  const char* key = OwnKey(m_engine, keyword);
  if (key == nullptr) return;
  // A host's keyword belongs to this parse alone: the parse's view of the
  // shared keyword index becomes a copy of its own (engine/keyword_index.h),
  // with the key inserted as it always was (behind the library's handlers of
  // the same key). Unlike the library's sets, whose registration lines are
  // traced once per process when their index is built, this registration
  // is traced by every parse that makes it.
  vantrel::ParserAddEntryToList(m_engine, key, handler, param, user_data,
                                prefix);
}

int CKalParser::HandleFile(CRuleKalPropArrArray& rules, int scan_mode) {
  CommentStruct record;
  std::memset(&record, 0, sizeof record);
  record.m_scanMode = scan_mode;

  if (m_engine == nullptr) {
    m_scanStatus = VANTREL_SCAN_OUT_OF_MEMORY;
    return 0;
  }
  const vantrel::ParseTraceScope trace(m_engine);
  const int64_t result = vantrel::ParserScanFile(m_engine, &record, &rules);
  m_scanStatus = m_engine->scanStatus;
  // A keyword set that could not be registered, or a keyword that could not
  // be taken out, leaves the answer incomplete.
  if (m_engine->tableFailed && m_scanStatus == VANTREL_SCAN_OK) {
    m_scanStatus = VANTREL_SCAN_OUT_OF_MEMORY;
  }
  m_engine->tableFailed = false;

  // The finishing steps run whatever the scan answered.
  vantrel::PropertyMap& properties = vantrel::PropertiesOf(m_engine);
  vantrel::HandlerState& state = vantrel::HandlerVars(m_engine);
  // A header that ran to the end of the file still named the job.
  vantrel::StorePendingTitle(reinterpret_cast<char*>(m_engine));
  vantrel::ResolvePageLabels(state, &record, &state.pageLabelFlag);
  if (record.m_separated != 0 && record.m_separationCount != 0 &&
      record.m_pageNumber != 0) {
    vantrel::saveSeparations(properties, &rules, &record);
    vantrel::saveNumberPages(properties, record.m_pageNumber);
  }
  m_kalPages = state.kalPages;
  if (m_kalPages != -1) {
    vantrel::saveNumberPages(properties, m_kalPages);
  } else if (state.pageLabelFlag == 1 && state.pageCountValue == -2) {
    vantrel::saveNumberPages(properties, 0);
  }
  SetAtBoundingBox(&state.boundingBox, properties);
  setOrientation();
  saveDocumentCustomColors();
  state.pageLabelFlag = -1;
  // A property lost for want of memory leaves no whole answer to give.
  if (properties.lost() && m_scanStatus == VANTREL_SCAN_OK) {
    m_scanStatus = VANTREL_SCAN_OUT_OF_MEMORY;
  }
  return result == -1 ? 0 : 1;
}
