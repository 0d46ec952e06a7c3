"""Byte helpers shared by the test scripts that write or read MIDI files."""


def varlen(n):
    """The variable-length quantity of n, most significant group first."""
    groups = [n & 0x7F]
    n >>= 7
    while n:
        groups.append((n & 0x7F) | 0x80)
        n >>= 7
    return bytes(reversed(groups))
