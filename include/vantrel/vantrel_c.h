/* The C interface of Vantrel: the two roads for hosts in any language.
 *
 * Plain C (C99, also valid C++): opaque handles and C types only, so that a
 * host built with another compiler or standard library, or a language with a
 * C foreign-function interface (Python's ctypes, C#, Go), can use it. It is
 * exported from the same shared library as the C++ interfaces.
 *
 * Every scan function answers a new result, which the caller owns and
 * releases with vantrel_result_free(). A result holds the scan's status, the
 * same one-line JSON object that `vantrel rules --json` or
 * `vantrel pairs --json` prints, and the rules, properties or pairs for hosts
 * that do not want JSON. Every text that a result hands out belongs to the
 * result and stays valid, unchanged, until it is freed. A result may be read
 * from several threads at once; it is never changed after it is made.
 *
 * Texts from the print file (names, values, type names) and the JSON are
 * UTF-8: a text that is valid UTF-8 in the file is handed out as it is, any
 * other is read as Latin-1 (each byte one character).
 *
 * Null or bad arguments never crash: they give a result whose status is
 * VANTREL_SCAN_BAD_ARGUMENT (and whose JSON says "bad argument"). A scan
 * function answers NULL only when no memory was left for the result itself;
 * every function below accepts a NULL result (status
 * VANTREL_SCAN_OUT_OF_MEMORY, no rules, no pairs, empty texts).
 *
 *   vantrel_result* r = vantrel_rules_file("job.ps", 0, NULL);
 *   if (vantrel_result_status(r) == VANTREL_SCAN_OK)
 *     puts(vantrel_result_json(r));
 *   vantrel_result_free(r);
 */
#ifndef VANTREL_VANTREL_C_H_
#define VANTREL_VANTREL_C_H_

#include <stddef.h>

#include "vantrel/export.h"
#include "vantrel/scan_status.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct vantrel_result vantrel_result;

/* Scan modes of the pairs road. */
#define VANTREL_MODE_NONE 0  /* scans nothing; the finishing steps still run */
#define VANTREL_MODE_HEAD 1
#define VANTREL_MODE_TAIL 2
#define VANTREL_MODE_HEAD_AND_TAIL 3
#define VANTREL_MODE_WHOLE 15

/* Skip flags of the rules road. */
#define VANTREL_SKIP_JOB_TICKET 1 /* the job-ticket and copies comments */
#define VANTREL_SKIP_XRX 2        /* the XRX job-ticket blocks */

/* The job-ticket road: every comment set, the whole file, rules out.
 *
 * skip_flags: 0 to 3, of the VANTREL_SKIP_ bits.
 * dex_dir: the existing folder into which DEX job tickets are written, for
 *   this scan only. NULL takes the folder from the environment variable
 *   KALOUTPUT; "" (like an empty KALOUTPUT) writes none. Parses running in
 *   other threads are not affected.
 * The file is named in the JSON ("file") by `path` as given, and in DEX
 * output names by the last component of `path`. */
VANTREL_API vantrel_result* vantrel_rules_file(const char* path,
                                               int skip_flags,
                                               const char* dex_dir);

/* The same for a job held in memory: the `size` bytes at `data` are scanned
 * in place (not copied) and must stay unchanged until the call returns.
 * `data` may be NULL when `size` is 0. `name` stands for the file's name: in
 * the JSON ("file"), in DEX output names (its last component) and in trace
 * lines; NULL names the job "-", as the CLI names standard input. An empty
 * name is a bad argument. */
VANTREL_API vantrel_result* vantrel_rules_memory(const void* data, size_t size,
                                                 const char* name,
                                                 int skip_flags,
                                                 const char* dex_dir);

/* The RIP road: the bounding-box and structure comments, the part of the
 * file that `scan_mode` selects (a VANTREL_MODE_ value), pairs out.
 *
 * unit: 'M' millimetres, 'I' inches, 'P' points.
 * with_bbox: non-zero registers the bounding-box comments; 0 reports no crop.
 */
VANTREL_API vantrel_result* vantrel_pairs_file(const char* path, int scan_mode,
                                               char unit, int with_bbox);
VANTREL_API vantrel_result* vantrel_pairs_memory(const void* data, size_t size,
                                                 const char* name,
                                                 int scan_mode, char unit,
                                                 int with_bbox);

/* The file roads with a name of its own for the file: `name` (NULL: `path`)
 * stands for it in the JSON and in DEX output names; `path` is only read.
 * The CLI scans standard input this way, spooled to a temporary file and
 * named "-". */
VANTREL_API vantrel_result* vantrel_rules_file_named(const char* path,
                                                     const char* name,
                                                     int skip_flags,
                                                     const char* dex_dir);
VANTREL_API vantrel_result* vantrel_pairs_file_named(const char* path,
                                                     const char* name,
                                                     int scan_mode, char unit,
                                                     int with_bbox);

/* The roads on a job the host holds open: `fd` is a descriptor open for
 * reading on a regular (seekable) file (on Windows a descriptor of the C
 * runtime, as _open or _fileno give). It is read at offsets and never closed:
 * it stays the host's, to close after the call. On POSIX its file offset is
 * left as it was; on Windows it may move. `name` stands for the job as in
 * the memory calls (NULL: "-"; empty: a bad argument); a negative `fd` is a
 * bad argument. A closed descriptor gives VANTREL_SCAN_READ_ERROR, one on a
 * pipe, terminal or device VANTREL_SCAN_NOT_REGULAR_FILE.
 * See docs/descriptors.md. */
VANTREL_API vantrel_result* vantrel_rules_fd(int fd, const char* name,
                                             int skip_flags,
                                             const char* dex_dir);
VANTREL_API vantrel_result* vantrel_pairs_fd(int fd, const char* name,
                                             int scan_mode, char unit,
                                             int with_bbox);

/* The scan's VantrelScanStatus; VANTREL_SCAN_OK when it ran to its end.
 * A failed scan still has its rules or pairs: those the finishing steps give
 * (crop, orientation, custom colours), as on the C++ roads. */
VANTREL_API int vantrel_result_status(const vantrel_result* r);

/* What the status alone does not say, for a host to show beside
 * VantrelScanStatusText(): for a DEX ticket that could not be written, the
 * folder or file and the system's reason
 * ("/nonexistent: No such file or directory"). "" when there is nothing to
 * add. Never NULL. */
VANTREL_API const char* vantrel_result_detail(const vantrel_result* r);

/* The CLI's --json line for this scan, without the line end. Never NULL. */
VANTREL_API const char* vantrel_result_json(const vantrel_result* r);

/* The name the job goes by ("file" in the JSON). Never NULL. */
VANTREL_API const char* vantrel_result_name(const vantrel_result* r);

/* Releases `r` and every text it handed out. NULL is allowed. */
VANTREL_API void vantrel_result_free(vantrel_result* r);

/* The library's version, "MAJOR.MINOR.PATCH". Static text. */
VANTREL_API const char* vantrel_version(void);

/* ---- Rules, for hosts that do not want JSON (rules road; a pairs result
 * has none). ---- */

typedef struct vantrel_rule_info {
  int layer;          /* 0 document, 2 booklet, 101 page range */
  int type;           /* the rule type */
  unsigned first_page;
  unsigned last_page;
  unsigned booklet;
  int property_count;
} vantrel_rule_info;

typedef struct vantrel_property_info {
  const char* name;       /* owned by the result */
  const char* type_name;  /* the record's type name: "STRING", "int", "FLOAT", ... */
  const char* value;      /* the value as text: "%d", "%f" or the text itself */
  int type;               /* 0 none, 1 int, 2 long, 3 double, 4 float,
                             5 bool, 6 text, 8 short */
  int id;                 /* the property identifier; 0 when none */
} vantrel_property_info;

/* Rules in order: those made during the scan, then the document rule. */
VANTREL_API int vantrel_result_rule_count(const vantrel_result* r);
/* Fills `*out` with rule `index` and answers 1; answers 0, leaving `*out`
 * unchanged, when the index is out of range or `out` is NULL. */
VANTREL_API int vantrel_result_rule(const vantrel_result* r, int index,
                                    vantrel_rule_info* out);
/* Fills `*out` with property `index` of rule `rule` and answers 1; 0 as
 * above. */
VANTREL_API int vantrel_result_property(const vantrel_result* r, int rule,
                                        int index, vantrel_property_info* out);

/* ---- Pairs, for hosts that do not want JSON (pairs road; a rules result
 * has none). ---- */

typedef struct vantrel_pair_info {
  const char* key;    /* owned by the result */
  const char* value;  /* owned by the result */
  int type;           /* 1 int, 2 long, 3 double, 4 float, 5 bool, 6 text,
                         7 short */
} vantrel_pair_info;

VANTREL_API int vantrel_result_pair_count(const vantrel_result* r);
/* Fills `*out` with pair `index` and answers 1; 0 as above. */
VANTREL_API int vantrel_result_pair(const vantrel_result* r, int index,
                                    vantrel_pair_info* out);

/* ---- The pages road: the job's pages, media and requirements. ----
 *
 * The whole file is scanned; the result's JSON is the object that
 * `vantrel pages --json` prints (every key present: null or [] when the job
 * says nothing). Pages and media can also be read with the accessors below.
 * `path`, `name`, `data`, `size` and `fd` are as for the roads above. */
VANTREL_API vantrel_result* vantrel_pages_file(const char* path);
VANTREL_API vantrel_result* vantrel_pages_file_named(const char* path,
                                                     const char* name);
VANTREL_API vantrel_result* vantrel_pages_memory(const void* data, size_t size,
                                                 const char* name);
VANTREL_API vantrel_result* vantrel_pages_fd(int fd, const char* name);

typedef struct vantrel_page_info {
  const char* label;       /* as written, without parentheses; owned */
  int has_ordinal;         /* 0: the ordinal is not a number */
  long long ordinal;
  long long offset;        /* file offset of the "%" of its "%%Page:" line */
  long long length;        /* bytes up to the next page, the trailer or the
                              end of the job's PostScript */
  int has_bbox;            /* 0: no readable %%PageBoundingBox */
  double bbox[4];
  const char* media;       /* NULL when none; owned by the result */
  const char* orientation; /* "Portrait", "Landscape", ...; NULL when none */
  int feature_count;       /* features of this page alone */
} vantrel_page_info;

typedef struct vantrel_medium_info {
  const char* name; /* owned by the result, as the texts below */
  double width;
  double height;
  double weight;
  const char* color;
  const char* type;
} vantrel_medium_info;

/* The job's own pages in file order (0 for other roads' results). */
VANTREL_API int vantrel_result_page_count(const vantrel_result* r);
/* Fills `*out` with page `index` and answers 1; 0 as above. */
VANTREL_API int vantrel_result_page(const vantrel_result* r, int index,
                                    vantrel_page_info* out);
/* Feature `index` of page `page` ("*Duplex DuplexTumble"), or NULL when out
 * of range. */
VANTREL_API const char* vantrel_result_page_feature(const vantrel_result* r,
                                                    int page, int index);
/* The media of %%DocumentMedia, in order. */
VANTREL_API int vantrel_result_medium_count(const vantrel_result* r);
VANTREL_API int vantrel_result_medium(const vantrel_result* r, int index,
                                      vantrel_medium_info* out);
/* ---- The check road: what is wrong with a job, line by line. ----
 *
 * A check result is a type of its own, made by a check function and released
 * with vantrel_check_free(); its texts belong to it and stay valid until
 * then. Arguments are taken as by the scan functions above (a bad one gives
 * status VANTREL_SCAN_BAD_ARGUMENT and no findings); NULL is answered only
 * when no memory was left for the result, and every function accepts it. */

typedef struct vantrel_check_result vantrel_check_result;

#define VANTREL_FINDING_ERROR 0
#define VANTREL_FINDING_WARNING 1

typedef struct vantrel_finding_info {
  long long line;      /* counted from 1; LF, CR and CRLF each end a line */
  long long offset;    /* file offset of the line's first byte */
  int level;           /* VANTREL_FINDING_ERROR or VANTREL_FINDING_WARNING */
  const char* code;    /* "pages-mismatch", ...; owned by the result */
  const char* message; /* UTF-8; owned by the result */
} vantrel_finding_info;

/* Checks the whole file at `path`; `name` (NULL: `path`) stands for it in
 * the JSON. */
VANTREL_API vantrel_check_result* vantrel_check_file(const char* path);
VANTREL_API vantrel_check_result* vantrel_check_file_named(const char* path,
                                                           const char* name);
/* Checks the `size` bytes at `data`, in place; `name` as for
 * vantrel_rules_memory (NULL: "-"). */
VANTREL_API vantrel_check_result* vantrel_check_memory(const void* data,
                                                       size_t size,
                                                       const char* name);
/* Checks the job on the host's open descriptor `fd`, as for
 * vantrel_rules_fd. */
VANTREL_API vantrel_check_result* vantrel_check_fd(int fd, const char* name);

/* The scan's VantrelScanStatus; the findings made before a failed scan
 * stopped are kept. */
VANTREL_API int vantrel_check_status(const vantrel_check_result* r);
/* The `vantrel check --json` line, without the line end:
 *   {"file":"job.ps","scan":"ok","errors":1,"warnings":0,"findings":[
 *    {"line":3,"offset":40,"level":"error","code":"pages-mismatch",
 *     "message":"..."}]}
 * Never NULL. */
VANTREL_API const char* vantrel_check_json(const vantrel_check_result* r);
VANTREL_API const char* vantrel_check_name(const vantrel_check_result* r);
/* Every error and warning found, also those past the 1000 listed. */
VANTREL_API long long vantrel_check_error_count(const vantrel_check_result* r);
VANTREL_API long long vantrel_check_warning_count(
    const vantrel_check_result* r);
/* The findings listed, sorted by line: at most 1000, then one "too-many"
 * warning (not counted above) saying how many more there were. */
VANTREL_API int vantrel_check_finding_count(const vantrel_check_result* r);
/* Fills `*out` with finding `index` and answers 1; 0 as for the rules. */
VANTREL_API int vantrel_check_finding(const vantrel_check_result* r, int index,
                                      vantrel_finding_info* out);
VANTREL_API void vantrel_check_free(vantrel_check_result* r);

#ifdef __cplusplus
}
#endif

#endif /* VANTREL_VANTREL_C_H_ */
