#pragma once

// The library is built with hidden visibility; only what is marked here is
// exported from OpenHardwareMonitorLib.dll.
#if defined(HWLIB_BUILDING)
#define HWLIB_API __attribute__((visibility("default")))
#else
#define HWLIB_API
#endif
