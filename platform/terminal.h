#pragma once
// Whether the program talks to a person: progress displays are for terminals only.

namespace velmo {

bool standardErrorIsTerminal();

}  // namespace velmo
