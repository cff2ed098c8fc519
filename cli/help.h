// zelkc --help: the usage, with the keys listed from the engine's tables
// (the character table and the button texts), so the list is never out of
// step with what zelkc types.
#pragma once

#include <string>

std::string helptext();
