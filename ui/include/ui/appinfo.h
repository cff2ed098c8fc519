// What the user sees of the application's identity: its name in captions and
// its version (from the CMake project, shared with zelkc --version).
#pragma once

#ifndef ZELK_VERSION
#error "ZELK_VERSION comes from the CMake target projectversion"
#endif

inline constexpr char APPLICATION_NAME[] = "ZELK Calculator";
inline constexpr char APPLICATION_VERSION[] = ZELK_VERSION;
