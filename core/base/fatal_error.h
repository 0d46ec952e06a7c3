#pragma once

// Ends an operation of the core that cannot go on. Each front end supplies it:
// the console prints the message and exits, the GUI shows a box and returns,
// after which the caller unwinds by its own failure path.
void fatalError(const char* message);
