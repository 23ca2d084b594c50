"""LIKE patterns as SQL Server matches them (case ignored, as under the
server's default collation): % any run, _ one character, [abc] [a-z] one of,
[^abc] none of; a [ without its ] matches nothing."""
import re

_cache = {}


def _translate(pattern):
    out, i, n = [], 0, len(pattern)
    while i < n:
        c = pattern[i]
        if c == "%":
            out.append(".*")
        elif c == "_":
            out.append(".")
        elif c == "[":
            j = pattern.find("]", i + 2 if pattern.startswith("[]", i) else i + 1)
            if j < 0:
                return None
            body = pattern[i + 1:j]
            negate = body.startswith("^") and len(body) > 1
            if negate:
                body = body[1:]
            chars = "".join("\\" + ch if ch in "\\^[]" else ch for ch in body)
            out.append("[%s%s]" % ("^" if negate else "", chars))
            i = j
        else:
            out.append(re.escape(c))
        i += 1
    return re.compile("".join(out) + r"\Z", re.IGNORECASE | re.DOTALL)


def like(text, pattern):
    """True when text matches the LIKE pattern."""
    if pattern not in _cache:
        _cache[pattern] = _translate(pattern)
    rx = _cache[pattern]
    return rx is not None and rx.match(text) is not None
