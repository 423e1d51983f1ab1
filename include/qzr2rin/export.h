#pragma once

// Symbols of the shared library are hidden unless marked with QZR2RIN_API.
#if defined(QZR2RIN_BUILDING)
#define QZR2RIN_API __attribute__((visibility("default")))
#else
#define QZR2RIN_API
#endif
