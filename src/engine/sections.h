// Embedded data and binary sections, skipped by positioning the file.
#ifndef VANTREL_ENGINE_SECTIONS_H_
#define VANTREL_ENGINE_SECTIONS_H_

struct ParserContext;

namespace vantrel {

// "BeginBinary", "BeginData", "EndBinary", "EndData". Answers 0.
int RegisterSectionSet(ParserContext* context);

}  // namespace vantrel

#endif  // VANTREL_ENGINE_SECTIONS_H_
