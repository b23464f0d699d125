#pragma once
// Serving the page's files: which file a "velmo-ui" request names inside the UI folder, and the
// type it is served as.
#include <string>
#include <string_view>

namespace velmo {

// The MIME type for the path's extension, compared in lower case; "application/octet-stream"
// for any extension not in the table.
const char* mimeTypeForPath(std::string_view path);

// The file a request path names under `uiRoot`, or empty when it names none: the path is
// percent-decoded, "" and "/" mean "/index.html", a ".." component or a NUL refuses it, and the
// resolved file (links followed) must be a regular file inside the resolved root.
std::string resolveUiFile(const std::string& uiRoot, std::string_view rawPath);

}  // namespace velmo
