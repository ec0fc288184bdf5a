// The XRX job-ticket plug-in: what a plug-in library implements so that the
// scanner can hand it the XRX blocks of a print file.
//
// A print file may carry a job ticket as a block of XRX comments:
//
//   %XRXbegin:
//   %XRXMedia: A4
//   %XRXend
//
// The library does not read such a block itself. At the first "XRXbegin:"
// comment of a scan it loads the plug-in library, asks its factory for a
// parser object, and for every "XRXbegin:" comment of the scan calls, in this
// order:
//
//   init()                       0: the object cannot work (nothing further
//                                is called for this comment)
//   setMode(2)                   its answer is not used
//   parseBuffer(text, length)    3: the block was read to its end
//   fillRules(container)         only after parseBuffer answered 3
//
// The object lives until the scan ends; then the library deletes it (through
// the virtual destructor) and unloads the plug-in library, in that order.
// One object serves every block of one scan; the next scan loads the library
// again and makes a new object.
//
// Finding the library. The library name "XRXParseDLL" becomes the platform's
// file name: libXRXParseDLL.so (ELF systems), libXRXParseDLL.dylib (macOS),
// XRXParseDLL.dll (Windows). It is looked for in the folders listed in the
// environment variable VANTREL_PLUGIN_PATH (separated by ":", ";" on Windows;
// empty and relative entries are skipped, never resolved against the current
// folder), then in the folder that holds the vantrel library itself (resolved
// to a full path when the library is loaded), then on the system's own
// search path. The first file that loads is used. A library that cannot be
// found or loaded, lacks the factory, or whose factory answers null is
// reported in the trace; the scan goes on without it, and its further
// "XRXbegin:" comments are not handed anywhere: the library is looked for
// at most once per scan.
//
// Writing a plug-in. Derive from CParseXRXCommentsIf, export the factory
// below with C linkage, and build a shared library with the file name above.
// The interface is complete in this header: a plug-in that fills no rules
// needs nothing else from the vantrel library. One that fills rules uses
// CRule, CKalProperty and the rule containers of <vantrel/kal_property.h>
// and links the shared vantrel library (CMake: find_package(vantrel) and
// vantrel::vantrel), so that host and plug-in share one copy of those
// classes. examples/xrx_plugin is a complete plug-in.
//
// Threads. Parses run in parallel, each on its caller's thread, and each
// scan has its own parser object. Unless the plug-in says otherwise, the
// library calls it one call at a time process-wide: the loading of the
// library and the factory call, each comment's init/setMode/parseBuffer/
// fillRules sequence, and the object's destruction with the unloading are
// each made under one process-wide lock. A plug-in whose objects may be used
// from several threads at once (each object by one thread at a time) says so
// by exporting, with C linkage,
//
//   extern "C" VANTREL_PLUGIN_EXPORT int VantrelPluginConcurrent(void);
//
// answering non-zero; its calls are then made without the lock. The answer
// is asked once per scan, right after the library is loaded, under the lock.
//
// Plug-in calls should not throw; an exception that leaves one is caught and
// counted as a failure of that call. The destructor must never throw.
#ifndef VANTREL_XRX_PLUGIN_H_
#define VANTREL_XRX_PLUGIN_H_

// The name the library gives the plug-in loader, and the object name it
// passes to the factory.
#define VANTREL_XRX_LIBRARY_NAME "XRXParseDLL"
#define VANTREL_XRX_OBJECT_NAME "XRXParseDll"

// The most text parseBuffer is given at once (see there).
#define VANTREL_XRX_TEXT_MAX 61440

// The factory every plug-in exports, by this name and with C linkage:
//
//   extern "C" VANTREL_PLUGIN_EXPORT void* VantrelCreateObject(
//       const char* name, long arg);
//
// `name` is the object asked for (VANTREL_XRX_OBJECT_NAME for the XRX
// parser; answer null for any name you do not know); `arg` is 0. For the XRX
// parser, answer a CParseXRXCommentsIf* converted to void*: convert the
// object's pointer to CParseXRXCommentsIf* first (static_cast), never a
// pointer to your derived class straight to void*. The object is made with
// `new` in the plug-in; the library deletes it through the virtual
// destructor before it unloads the plug-in. Null means no object.
#define VANTREL_PLUGIN_FACTORY_NAME "VantrelCreateObject"
typedef void* (*VantrelCreateObjectFn)(const char* name, long arg);

// The optional declaration that the plug-in may be called concurrently (see
// "Threads" above).
#define VANTREL_PLUGIN_CONCURRENT_NAME "VantrelPluginConcurrent"
typedef int (*VantrelPluginConcurrentFn)(void);

#if defined(_WIN32)
#define VANTREL_PLUGIN_EXPORT __declspec(dllexport)
#else
#define VANTREL_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

// The XRX parser object. The order of the virtual operations is the
// interface's binary layout and never changes: the destructor, init,
// parseBuffer, reserved1, fillRules, reserved2, setMode, reserved3. The
// class holds no data and every member is defined here, so a plug-in needs
// no code of the vantrel library to implement it.
class CParseXRXCommentsIf {
 public:
  CParseXRXCommentsIf() = default;
  CParseXRXCommentsIf(const CParseXRXCommentsIf&) {}
  CParseXRXCommentsIf& operator=(const CParseXRXCommentsIf&) { return *this; }
  virtual ~CParseXRXCommentsIf() {}

  // Called first at every "XRXbegin:" comment: forget what an earlier block
  // left. Answer 0 when the object cannot work, anything else when ready.
  virtual int init() = 0;

  // `text` points just after "XRXbegin:" and the blanks that follow it: the
  // rest of that comment line, then the block's lines. `length` bytes may be
  // read (0 or more): the text ends after the block's "%XRXend" line (with
  // its line break), or just before the next line that starts with
  // "%XRXbegin:" ("%" or "%%"), whichever comes first; it never holds more
  // than VANTREL_XRX_TEXT_MAX bytes, nor runs past the end of the file. No
  // byte of a file is handed over twice. The text is not NUL-terminated at
  // `length` in general and must not be written.
  // Answer 3 when the block was read to its end; anything else (for instance
  // when no end is found within `length` bytes) is an error, and fillRules is
  // not called.
  virtual int parseBuffer(const char* text, int length) = 0;

  // Not called by the library.
  virtual int reserved1() { return 0; }

  // `container` is the CRuleKalPropArrArray* (as void*) that the host gave
  // the parse; never null. Append what the block held to it, as rules with
  // their properties (CRuleKalPropArrArray::Add copies them into the
  // library's own classes; nothing added may point into the plug-in, which
  // is unloaded when the scan ends). Answer non-zero when something was
  // added, 0 when the block held nothing (the container is then unchanged).
  virtual int fillRules(void* container) = 0;

  // Not called by the library.
  virtual int reserved2() { return 0; }

  // Called after init() with 2: the results go into rules (the job-ticket
  // road). The answer is not used.
  virtual int setMode(int mode) = 0;

  // Not called by the library.
  virtual int reserved3() { return 0; }
};

#endif  // VANTREL_XRX_PLUGIN_H_
