#include "engine/scan_record.h"

namespace vantrel {

void BeginScanRecord(CommentStruct* record) {
  if (record->m_scanMode != kScanWholeFile) {
    record->m_scanMode &= kScanHeadBit | kScanTailBit;
  }
  record->m_passBits = record->m_scanMode;
  record->m_headerState = 0;
  record->m_sawHeaderLine = 0;
  record->m_endCommentsSeen = 0;
  record->m_trailerSeen = 0;
  record->m_documentDepth = 0;
  record->m_jobHeaderState = 0;
  record->m_documentLevels = 0;
  record->m_fileType = -1;
}

void ParserHeaderLine(CommentStruct* record) {
  if (record == nullptr) return;
  if (record->m_documentDepth > 0 ||
      (record->m_endCommentsSeen == 0 && record->m_trailerSeen == 0)) {
    record->m_headerState = 1;
  }
}

void ParserLeaveEmbeddedBlocks(CommentStruct* record) {
  if (record == nullptr || record->m_documentDepth == 0) return;
  record->m_documentDepth = 0;
  record->m_headerState = record->m_jobHeaderState;
}

}  // namespace vantrel
