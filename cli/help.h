// zelkc --help: the usage, with the keys listed from the engine's tables
// (the character table and the button texts), so the list is never out of
// step with what zelkc types.
#pragma once

#include <cstddef>

#include <string>

std::string helptext();

// A line of standard input longer than this is not typed: it is read past
// without being held, so that memory stays bounded whatever the input.
constexpr std::size_t MAXLINE = 1 << 20;
