#pragma once
// The editor page's manifest.json: when the UI files were built, from which source revision,
// and one SHA-256 over all of them, so a hello (and a person) can tell which page is shipped.
#include <string>

namespace velmo::uidata {

// One digest over every regular file under uiDir except the top-level manifest.json. The
// files are taken in byte order of their relative paths ('/' separated); each adds its path,
// a NUL, its size as 8 bytes little-endian, then its bytes. Empty with the reason on failure.
std::string uiFilesDigest(const std::string& uiDir, std::string& error);

// {"buildTime":"...","sourceRevision":"...","sha256":"..."}
std::string manifestJson(const std::string& buildTime, const std::string& revision, const std::string& sha256);

// Whether `existing` (a manifest's text) already names this revision and digest, and this
// build time too when `timeMatters` (a reproducible build); then it is kept as it is, so its
// build time stays that of the build that last changed the UI.
bool manifestIsCurrent(const std::string& existing, const std::string& buildTime, const std::string& revision,
                       const std::string& sha256, bool timeMatters);

}  // namespace velmo::uidata
