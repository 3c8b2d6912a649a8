#pragma once

#include <string>
#include <vector>

#include "resource_enumerator.h"

namespace veldaro {

// Walks the whole neighbourhood depth-first and returns the remote name of every
// server entry in walk order, duplicates kept; an entry without a remote name
// gives the empty text. A level that cannot be opened adds nothing; a level
// that fails while being read keeps what it (and the levels below it) found.
std::vector<std::string> EnumerateServers(ResourceEnumerator& enumerator);

// One level of that walk: appends the servers found below `parent` (the root
// when null) to `list`.
void WalkResourceLevel(ResourceEnumerator& enumerator, std::vector<std::string>& list,
                       const ResourceEntry* parent);

}  // namespace veldaro
