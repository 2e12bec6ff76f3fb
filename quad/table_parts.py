"""Shared by the table generators beside it: exact values split into doubles."""
from fractions import Fraction


def split(value, parts):
    """The value as `parts` doubles, each the nearest to the remainder."""
    out = []
    rest = Fraction(value)
    for _ in range(parts):
        h = float(rest)
        out.append(h)
        rest -= Fraction(h)
    return out


def hexs(values):
    """Doubles as C++ hexadecimal literals, comma-separated."""
    return ", ".join(v.hex() if v != 0.0 else "0.0" for v in values)
