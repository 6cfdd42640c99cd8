#pragma once
// A GUI program has no console of its own; the device listing borrows the one of the
// process that started it.
namespace strobe95::standalone::windows_standalone {

// Standard output is connected to something: a console, a file or a pipe.
bool standardOutputPresent();

// Attaches to the parent's console and points standard output at it; false when the
// parent has none.
bool attachParentConsole();

}  // namespace strobe95::standalone::windows_standalone
