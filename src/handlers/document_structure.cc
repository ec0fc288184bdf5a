#include "handlers/document_structure.h"

#include <cstring>
#include <memory>

#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "engine/scan_record.h"
#include "handlers/handler_state.h"
#include "handlers/pages.h"
#include "handlers/parse_state.h"
#include "handlers/value_text.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {
namespace {

constexpr int32_t kInTrailer = 2;
// Levels whose kind is kept (bits of m_documentLevels); deeper ones count as
// documents.
constexpr int32_t kKindLevels = 64;
constexpr int kCreatorId = 3;
constexpr int kCreationDateId = 536;

// The text a header Creator or CreationDate gives while its value follows in
// the trailer.
constexpr char kAtEnd[] = "atend";

// Creating applications whose files name their separations in their own
// plate comments.
const char* const kSeparatingCreators[] = {
    "FrameMaker",  "ArtPro",
    "FreeHand",    "ALDImagePosition:",
    "Illustrator", "Acrobat: pictwpstops",
    "PDFL",        "PageMaker",
    "PSProof",     "Adobe Acrobat",
};

void BeginBlock(CommentStruct* record, bool document) {
  if (record->m_documentDepth == 0) {
    record->m_jobHeaderState = record->m_headerState;
  }
  if (record->m_documentDepth == INT32_MAX) return;
  const int32_t level = record->m_documentDepth++;
  if (level < kKindLevels) {
    const uint64_t bit = uint64_t{1} << level;
    if (document) {
      record->m_documentLevels |= bit;
    } else {
      record->m_documentLevels &= ~bit;
    }
  }
  record->m_headerState = 0;
}

void EndBlock(CommentStruct* record) {
  --record->m_documentDepth;
  // A block stands in the body of the one around it.
  record->m_headerState =
      record->m_documentDepth == 0 ? record->m_jobHeaderState : 0;
}

// Closes the innermost blocks while they are resources.
void CloseLeftOpenResources(CommentStruct* record) {
  while (record->m_documentDepth > 0 &&
         record->m_documentDepth <= kKindLevels &&
         (record->m_documentLevels &
          (uint64_t{1} << (record->m_documentDepth - 1))) == 0) {
    EndBlock(record);
  }
}

}  // namespace

const char* const kEmbeddedBlockBeginKeys[kEmbeddedBlockKinds] = {
    "BeginDocument", "BeginFile", "BeginResource", "BeginFont",
    "BeginProcSet"};
const char* const kEmbeddedBlockEndKeys[kEmbeddedBlockKinds] = {
    "EndDocument", "EndFile", "EndResource", "EndFont", "EndProcSet"};

namespace {

// `variant` 1: with "CreationDate".
void AddDocumentStructureKeys(ParserContext* table, int variant) {
  ParserAddEntryToList(table, "EndComments", ParserEndComments, 0, nullptr, 0);
  ParserAddEntryToList(table, "Trailer", ParserTrailer, 0, nullptr, 0);
  ParserAddEntryToList(table, "Page", ParserStructurePage, 0, nullptr, 0);
  for (int kind = 0; kind < kEmbeddedBlockKinds; ++kind) {
    ParserAddEntryToList(table, kEmbeddedBlockBeginKeys[kind],
                         kind < kEmbeddedDocumentKinds ? ParserBeginDocument
                                                       : ParserBeginResource,
                         0, nullptr, 0);
    ParserAddEntryToList(table, kEmbeddedBlockEndKeys[kind], ParserEndDocument,
                         0, nullptr, 0);
  }
  if (variant != 0) {
    ParserAddEntryToList(table, "CreationDate", ParserCreationDate, 0, nullptr,
                         0);
  }
}

void AddCreatorKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "Creator", ParserCreator, 0, nullptr, 0);
  ParserAddEntryToList(table, "ALDCreator", ParserCreator, 0, nullptr, 0);
}

}  // namespace

void RegisterDocumentStructureSet(ParserContext* context, bool creation_date) {
  if (context == nullptr) return;
  // An EPS file is one page: its "%!" line gives the page count of a job
  // whose structure is read, on every road, with or without the pages set.
  context->hooks.epsPageCount = ParserNumPages;
  AddKeywordSet(context, AddDocumentStructureKeys, creation_date ? 1 : 0);
}

void RegisterCreatorSet(ParserContext* context) {
  if (context == nullptr || context->state == nullptr) return;
  HandlerVars(context).creatorText[0] = '\0';
  AddKeywordSet(context, AddCreatorKeys, 0);
}

int64_t ParserEndComments(char*, CommentStruct* record, long, char*, char**,
                          char*, int64_t, int64_t, long*, void*, void*) {
  if (record == nullptr) return 0;
  if (record->m_documentDepth == 0) record->m_endCommentsSeen = 1;
  record->m_headerState = 0;
  return 0;
}

int64_t ParserTrailer(char*, CommentStruct* record, long, char*, char**, char*,
                      int64_t, int64_t, long*, void*, void*) {
  if (record == nullptr) return 0;
  CloseLeftOpenResources(record);
  record->m_headerState = kInTrailer;
  if (record->m_documentDepth == 0) record->m_trailerSeen = 1;
  return 0;
}

int64_t ParserStructurePage(char*, CommentStruct* record, long, char*, char**,
                            char*, int64_t, int64_t, long*, void*, void*) {
  if (record != nullptr) CloseLeftOpenResources(record);
  return 0;
}

int64_t ParserBeginDocument(char*, CommentStruct* record, long, char*, char**,
                            char*, int64_t, int64_t, long*, void*, void*) {
  if (record != nullptr) BeginBlock(record, /*document=*/true);
  return 0;
}

int64_t ParserBeginResource(char*, CommentStruct* record, long, char*, char**,
                            char*, int64_t, int64_t, long*, void*, void*) {
  if (record != nullptr) BeginBlock(record, /*document=*/false);
  return 0;
}

int64_t ParserEndDocument(char* context, CommentStruct* record, long, char*,
                          char**, char*, int64_t, int64_t, long*, void*,
                          void*) {
  if (record == nullptr) return 0;
  if (record->m_documentDepth <= 0) {
    // An end without its beginning must not make the job's own comments
    // look embedded. In the tail pass, though, it is the end of a block that
    // began before the tail: what the tail read so far was that block's. Its
    // trailer box is not the job's, and what follows stands in the job's
    // body, as it does when the whole file is read.
    if (record->m_inTailPass != 0) {
      record->m_headerState = 0;
      const ParserContext* ctx = reinterpret_cast<ParserContext*>(context);
      if (ctx != nullptr && ctx->state != nullptr) {
        ParserForgetTailBox(&HandlerVars(context).boundingBox);
      }
    }
    return 0;
  }
  EndBlock(record);
  return 0;
}

int64_t ParserCreationDate(char* context, CommentStruct* record, long, char*,
                           char** position, char*, int64_t, int64_t, long*,
                           void*, void*) {
  // A font's or a picture's date is when that was made, not the job.
  if (record != nullptr && record->m_documentDepth > 0) return 0;
  if (FindProperty(PropertiesOf(context), "CreationDate") != nullptr) return 0;
  char value[kValueBufferSize];
  if (!ReadCommentValue(context, position, value, false)) return 0;
  StoreProperty(PropertiesOf(context), "CreationDate", "string",
                kCreationDateId, value);
  return 0;
}

int64_t ParserCreator(char* context, CommentStruct* record, long, char*,
                      char** position, char*, int64_t, int64_t, long*, void*,
                      void*) {
  if (record == nullptr) return 0;
  char* creator = HandlerVars(context).creatorText;
  // An embedded document's creator is not the job's.
  if (record->m_documentDepth > 0) return 0;
  const bool deferred = std::strcmp(creator, kAtEnd) == 0;
  if (record->m_headerState != kInTrailer && deferred) return 0;

  char value[kValueBufferSize];
  if (!ReadCommentValue(context, position, value, false)) return 0;
  if (record->m_separationMode != 1) {
    for (const char* name : kSeparatingCreators) {
      if (std::strstr(value, name) != nullptr) record->m_separationMode = 1;
    }
  }
  // The first header value is final; after the header only a trailer value
  // that the header deferred is taken.
  if (creator[0] != '\0' || record->m_endCommentsSeen != 0) {
    if (record->m_headerState != kInTrailer || !deferred) return 0;
  }
  const size_t length = strnlen(value, kCreatorTextSize - 1);
  std::memcpy(creator, value, length);
  creator[length] = '\0';

  if (StoreProperty(PropertiesOf(context), "Creator", "string", kCreatorId,
                    creator) == nullptr) {
    return 0;
  }
  VTRACE("ParserCreator Return, GetCount = %d, value = %s",
         PropertiesOf(context).Count(), creator);
  return 0;
}

}  // namespace vantrel
