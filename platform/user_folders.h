#pragma once
// Per-user folders.
#include <string>

namespace velmo {

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share (the account's home when
// HOME is unset). Not created. Empty when no home can be found.
std::string userDataDirectory();

}  // namespace velmo
