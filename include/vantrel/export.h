// Symbol visibility for the host-facing API.
#ifndef VANTREL_EXPORT_H_
#define VANTREL_EXPORT_H_

#if defined(_WIN32)
#if defined(VANTREL_STATIC)
#define VANTREL_API
#elif defined(VANTREL_BUILDING)
#define VANTREL_API __declspec(dllexport)
#else
#define VANTREL_API __declspec(dllimport)
#endif
#else
#define VANTREL_API __attribute__((visibility("default")))
#endif

#endif  // VANTREL_EXPORT_H_
