// The interface that an external XRX job-ticket parser library implements.
// The library hands out one object through the plug-in loader; the scanner
// gives it each "XRXbegin:" block and lets it add rules to the caller's
// container.
#ifndef VANTREL_XRX_IF_H_
#define VANTREL_XRX_IF_H_

#include "vantrel/export.h"

class VANTREL_API CParseXRXCommentsIf {
 public:
  CParseXRXCommentsIf() = default;
  CParseXRXCommentsIf(const CParseXRXCommentsIf&) {}
  CParseXRXCommentsIf& operator=(const CParseXRXCommentsIf&) { return *this; }
  virtual ~CParseXRXCommentsIf();

  // 0: the parser cannot work; anything else: ready.
  virtual int init() = 0;
  // `length` bytes at `text` hold the block and what follows it in the
  // scanner's buffer. 3: the block was parsed to its end.
  virtual int parseBuffer(const char* text, int length) = 0;
  virtual int reserved1() = 0;  // not called by this library
  // Adds the results to the CRuleKalPropArrArray that `container` points at.
  // Non-zero: something was delivered.
  virtual int fillRules(void* container) = 0;
  virtual int reserved2() = 0;  // not called by this library
  virtual int setMode(int mode) = 0;
  virtual int reserved3() = 0;  // not called by this library
};

#endif  // VANTREL_XRX_IF_H_
