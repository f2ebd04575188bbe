#pragma once

// The C exports of the vendor sensor library (the file ComputerZ_HardwareDll.dll).
// The gadget binds them by name at run time; this header is for the library
// itself, its tests and tools that load it the same way.
//
// Call order: Init(0, cb), Init(1, cb), GetInfo2(...) as often as wanted,
// Finit(). Calls are serialised inside, so any thread may make them, one
// after the other or not. A call out of order never fails hard: a reading
// asked for before Init(0) or after Finit() is kTarvikNoReading.
//
// Readings (GetInfo2):
//   1  processor temperature, whole degrees Celsius
//   2  processor load in percent since the previous reading 2 (or since Init(1))
//   3  mainboard temperature, whole degrees Celsius
//   5  memory in use in percent of the total
//   6  the hottest temperature of any sensor, whole degrees Celsius
//   7  fan speed in RPM (0 is a real reading: a stopped fan)
// Anything the machine has no source for, and every other index, is
// kTarvikNoReading.

#ifdef __cplusplus
extern "C" {
#endif

#define TARVIK_VENDOR_EXPORT __attribute__((visibility("default")))

enum { kTarvikNoReading = -1 };

enum {
    kTarvikInitFindSensors = 0, // scan the hwmon chips and choose the sources of each reading
    kTarvikInitFirstSamples =
        1 // take the samples that the rates need; finds sensors first if needed
};

typedef int (*TarvikVendorCallback)(void);

TARVIK_VENDOR_EXPORT int GetInfo2(int index);

// Returns 0, or -1 for an unknown mode (nothing is changed then). Init(1)
// calls `callback` (when not null) once, on the calling thread, just before it
// returns, to say that the first samples are taken; its result is ignored and
// the pointer is not kept, so nothing calls it after Init has returned.
TARVIK_VENDOR_EXPORT int Init(int mode, TarvikVendorCallback callback);

// Starts the processor-load measurement afresh: the next reading 2 covers the
// time from this call. Returns 0, or -1 when /proc/stat cannot be read.
TARVIK_VENDOR_EXPORT int InitCpuUsage(void);

// Forgets the sensors and samples; Init may be called again afterwards.
// Always returns 0, also when there was nothing to release.
TARVIK_VENDOR_EXPORT int Finit(void);

// Reads the machine under `path` instead of "/" (null or "" restores "/").
// Only while the library is not initialised: returns 0, or -1 between
// Init and Finit, when the root stays as it was.
TARVIK_VENDOR_EXPORT int SetRootDirectory(const char* path);

#ifdef __cplusplus
}
#endif
