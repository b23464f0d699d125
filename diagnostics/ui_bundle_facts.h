#pragma once
// What the editor page's bundle says about itself: three texts from
// "Contents/Resources/ui/manifest.json" beside the loaded module, read once per process.
#include <cstddef>
#include <string>
#include <string_view>

namespace velmo {

struct UiBundleFacts {
    char buildTime[63] = {};       // at most 62 characters
    char sourceRevision[63] = {};  // at most 62
    char sha256[79] = {};          // at most 78

    bool any() const { return buildTime[0] != '\0' || sourceRevision[0] != '\0' || sha256[0] != '\0'; }
};

// A manifest larger than this is not read at all.
inline constexpr std::size_t kUiManifestMaxBytes = 1048576;

// The string value of `key` as a member of the top-level object of `text`, copied raw (escapes
// are not decoded; a backslash ends the copy) into out[0..capacity-1], NUL-terminated. Empty when
// the key is missing, nested, not followed by a string, unterminated or longer than capacity - 1.
// Reads only the bytes of `text`. Returns whether out is non-empty.
bool scanManifestTopLevelString(std::string_view text, std::string_view key, char* out,
                                std::size_t capacity);

UiBundleFacts parseUiBundleManifest(std::string_view text);

// The manifest's whole text, read in 4096-byte pieces; false when it cannot be opened or grows
// past kUiManifestMaxBytes (text is then empty).
bool readUiManifestFile(const std::string& path, std::string& text);

// "<module's contents folder>/Resources/ui/manifest.json": the module file and its folder are
// removed. Empty when the path is too short to hold both.
std::string uiManifestPathForModule(const std::string& moduleFile);

// The facts of the image holding this code, read on first use and then kept for the process.
const UiBundleFacts& uiBundleFacts();

}  // namespace velmo
