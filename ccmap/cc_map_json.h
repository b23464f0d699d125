#pragma once
// The CC map document: {"version":1,"bindings":[{"cc":7,"path":"master.level"},...]}.
// One reader serves the processor's "velmo.ccMap" message, the state document's "ccMap" member
// and the page's "velmo.setCcMap" message.
#include <cstddef>
#include <string>

#include "ccmap/cc_map.h"
#include "docs/json_pull_reader.h"

namespace velmo {

// Appends the document. Bindings whose parameter id is above 9 are left out.
void writeCcMapJson(std::string& out, const CcMap& map);

// Appends the page message {"type":"velmo.ccMapChanged","map":<document>}.
void writeCcMapChangedJson(std::string& out, const CcMap& map);

// Parses a whole text holding one map value (object or array) and nothing but whitespace
// around it. Reads exactly `length` bytes. On false `out` may be partly filled: keep the old map.
bool parseCcMapJson(const char* text, std::size_t length, CcMap& out);

// Reads one map value at the reader's position, for documents that embed a map. `depth` is the
// nesting level of the value itself. A bare array is the binding list; an object's "bindings"
// array is; any other value is skipped and leaves an empty map. `sawBindingList` tells whether
// a binding list was seen (the sign that the document carries a map).
bool readCcMapValue(Reader& reader, int depth, CcMap& out, bool& sawBindingList);

}  // namespace velmo
