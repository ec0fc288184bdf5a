/* Why a scan ended the way it did: the status codes shared by the C++
 * interfaces (<vantrel/parser_if.h>) and the C API (<vantrel/vantrel_c.h>).
 * Plain C, so that both languages include it. */
#ifndef VANTREL_SCAN_STATUS_H_
#define VANTREL_SCAN_STATUS_H_

#include "vantrel/export.h"

/* A parse call of the C++ interfaces still answers 1 when the file could not
 * be scanned (the finishing steps and the conversion run anyway); callers
 * that need to tell a failed scan from a good one ask for the status. */
enum VantrelScanStatus {
  VANTREL_SCAN_OK = 0,              /* the scan ran to its end */
  VANTREL_SCAN_NOT_RUN = 1,         /* no parse has run yet, or the path was empty */
  VANTREL_SCAN_NO_SUCH_FILE = 2,    /* the path names no file */
  VANTREL_SCAN_PERMISSION_DENIED = 3,
  VANTREL_SCAN_IS_DIRECTORY = 4,
  VANTREL_SCAN_READ_ERROR = 5,      /* open, read or seek failed otherwise */
  VANTREL_SCAN_PATH_TOO_LONG = 6,   /* too long for the system; never cut */
  VANTREL_SCAN_OUT_OF_MEMORY = 7,
  VANTREL_SCAN_PDF_REFUSED = 8,     /* PDF input is not supported */
  VANTREL_SCAN_HANDLER_FAILED = 9,  /* a comment handler ended the scan */
  VANTREL_SCAN_NOT_REGULAR_FILE = 10,  /* a FIFO, device or socket */
  /* An embedded DEX job ticket could not be extracted: its length is not a
   * positive number, the output folder has no free name or cannot be
   * written, or the file ends inside the block. The trace says which, and
   * the scan's detail (vantrel_result_detail, CKalParser::GetScanDetail)
   * names the folder or file and the reason. */
  VANTREL_SCAN_JOB_TICKET_FAILED = 11,
  /* A C API call was handed a null or empty path, a null buffer with a
   * non-zero size, or a scan mode, unit or skip flags outside their sets;
   * nothing was scanned. */
  VANTREL_SCAN_BAD_ARGUMENT = 12
};

#ifdef __cplusplus
extern "C" {
#endif

/* A short English reason for a status ("no such file", ...). Never null; the
 * text is static. */
VANTREL_API const char* VantrelScanStatusText(int status);

#ifdef __cplusplus
}
#endif

#endif /* VANTREL_SCAN_STATUS_H_ */
