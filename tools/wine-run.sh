#!/bin/sh
# Starts a Windows program under $WINELOADER (default: wine) with the address
# space laid out the same way every time; the processes it starts inherit that.
# Debian's Wine has no preloader: its loader sits at a fixed low address, and
# the kernel puts the loader's heap at a random place up to 1 GB above it, now
# and then over 0x7ffe0000, which Wine must map in every process. That process
# then dies before it runs ("failed to map the shared user data: c0000018"),
# and a CreateProcess that started it fails with error 1359 (internal error).
# Without the random placement the heap starts right after the loader.
exec setarch -R "${WINELOADER:-wine}" "$@"
