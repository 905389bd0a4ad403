// The text form of the store file. One record per line:
//   fabrun-registry 1                      first line: the format and its version
//   key <path>                             a key, its path from the root key's name, '\'-separated
//   value <type> <name> :<hex bytes>       a value of the key above it; "@" is the default value
//   value <type> <name> =<text>            the same for data that is text with one closing NUL
//                                          (the NUL is not written)
// Names and texts keep their own bytes except that control characters, space, DEL, '%' and
// '\' are written as %XX (and a value named "@" as %40), so every record stays one line of
// tokens and every name one path component. A key nested deeper than kMaxKeyDepth levels
// makes the file no store (no registry nests so deep; the tree is walked recursively).
#pragma once

#include "platform/registry/key_tree.h"

#include <string>
#include <string_view>

namespace platform::registry {

std::string SerializeStore(const Key& top);
// False when the text is not a store file; `top` is then left partly filled.
bool ParseStore(std::string_view text, Key& top);

} // namespace platform::registry
