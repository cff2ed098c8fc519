// What the user sees of the application's identity: its name in captions and
// its version (from the CMake project, shared with zelkc --version).
#pragma once

#ifndef ZELK_VERSION
#error "ZELK_VERSION comes from the CMake target projectversion"
#endif

inline constexpr char applicationname[] = "ZELK Calculator";
inline constexpr char applicationversion[] = ZELK_VERSION;
