// The bounding-box comments: ranked box collection during the scan and the
// crop properties made from the box afterwards.
#ifndef VANTREL_HANDLERS_BOUNDING_BOX_H_
#define VANTREL_HANDLERS_BOUNDING_BOX_H_

#include <cstdint>

struct ParserContext;

// The collected box, in PostScript points. After SetAtBoundingBox the four
// coordinates hold the crop offsets and sizes in the chosen unit.
struct ParserBoundingBoxStruct {
  float lowerY;  // after conversion: crop height offset
  float lowerX;  // after conversion: crop width offset
  float upperY;  // after conversion: crop height
  float upperX;  // after conversion: crop width
  float rightMargin;
  float topMargin;
  float leftMargin;
  float bottomMargin;
  int32_t rank;  // rank of the box held; 0 while none
  char unit;     // 'I' inches, 'P' points, anything else millimetres
  int32_t awaitedRank;  // rank whose value an "(atend)" deferred; 0 if none
};

namespace vantrel {

// Registers the bounding-box comment set with `box` as user data.
void RegisterBoundingBoxSet(ParserContext* context,
                            ParserBoundingBoxStruct* box);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_BOUNDING_BOX_H_
