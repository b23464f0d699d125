#include "platform/terminal.h"

#include <unistd.h>

namespace velmo {

bool standardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace velmo
