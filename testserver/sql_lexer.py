"""Tokens of T-SQL text and the errors SQL Server raises for bad text.

Kinds: ident (plain word), qident ([bracketed] or "quoted" name, ]] and ""
undoubled), string ('...' with '' undoubled; national flag for N'...'),
number, var (@name or @@name), op (punctuation), eof.
"""


class SqlError(Exception):
    """An error as SQL Server reports it: number, state, class, text."""

    def __init__(self, number, state, severity, text):
        super().__init__(text)
        self.number, self.state, self.severity, self.text = number, state, severity, text


def syntax_error(near):
    return SqlError(102, 1, 15, "Incorrect syntax near '%s'." % near)


def unclosed(rest):
    return SqlError(105, 1, 15, "Unclosed quotation mark after the character string '%s'." % rest)


class Token:
    def __init__(self, kind, value, text, national=False):
        self.kind, self.value, self.text, self.national = kind, value, text, national

    def is_word(self, *words):
        return self.kind == "ident" and self.value.upper() in words

    def is_op(self, op):
        return self.kind == "op" and self.value == op

    def __repr__(self):
        return "Token(%s, %r)" % (self.kind, self.value)


_OPS2 = ("<=", ">=", "<>", "!=", "!<", "!>")
_WORD_CHARS = "_#$@"


def _quoted(sql, pos, close):
    """The undoubled content of a quoted run starting after its opener, and its end."""
    out, i = [], pos
    while True:
        j = sql.find(close, i)
        if j < 0:
            raise unclosed(sql[pos:])
        out.append(sql[i:j])
        if sql.startswith(close * 2, j):
            out.append(close)
            i = j + 2
            continue
        return "".join(out), j + 1


def tokenize(sql):
    tokens, i, n = [], 0, len(sql)
    while i < n:
        c = sql[i]
        if c.isspace():
            i += 1
        elif sql.startswith("--", i):
            j = sql.find("\n", i)
            i = n if j < 0 else j + 1
        elif sql.startswith("/*", i):
            j = sql.find("*/", i + 2)
            if j < 0:
                raise SqlError(113, 1, 15, "Missing end comment mark '*/'.")
            i = j + 2
        elif c in "Nn" and sql.startswith("'", i + 1):
            value, end = _quoted(sql, i + 2, "'")
            tokens.append(Token("string", value, sql[i:end], national=True))
            i = end
        elif c == "'":
            value, end = _quoted(sql, i + 1, "'")
            tokens.append(Token("string", value, sql[i:end]))
            i = end
        elif c == "[":
            value, end = _quoted(sql, i + 1, "]")
            tokens.append(Token("qident", value, sql[i:end]))
            i = end
        elif c == '"':
            value, end = _quoted(sql, i + 1, '"')
            tokens.append(Token("qident", value, sql[i:end]))
            i = end
        elif c.isdigit() or (c == "." and i + 1 < n and sql[i + 1].isdigit()):
            j = i
            while j < n and (sql[j].isdigit() or sql[j] == "."):
                j += 1
            tokens.append(Token("number", sql[i:j], sql[i:j]))
            i = j
        elif c.isalpha() or c in _WORD_CHARS:
            j = i
            while j < n and (sql[j].isalnum() or sql[j] in _WORD_CHARS):
                j += 1
            word = sql[i:j]
            tokens.append(Token("var" if word.startswith("@") else "ident", word, word))
            i = j
        elif sql[i:i + 2] in _OPS2:
            tokens.append(Token("op", sql[i:i + 2], sql[i:i + 2]))
            i += 2
        else:
            tokens.append(Token("op", c, c))
            i += 1
    tokens.append(Token("eof", "", ""))
    return tokens


class TokenStream:
    """A cursor over tokens with the helpers a recursive reader needs."""

    def __init__(self, tokens):
        self.tokens, self.pos = tokens, 0

    def peek(self, ahead=0):
        return self.tokens[min(self.pos + ahead, len(self.tokens) - 1)]

    def next(self):
        tok = self.peek()
        self.pos = min(self.pos + 1, len(self.tokens) - 1)
        return tok

    def fail(self):
        """102 near the current token (SQL Server names the token where reading stopped)."""
        tok = self.peek()
        if tok.kind == "eof":
            prev = self.tokens[self.pos - 1] if self.pos else tok
            return syntax_error(prev.text)
        return syntax_error(tok.text)

    def expect_op(self, op):
        if not self.peek().is_op(op):
            raise self.fail()
        return self.next()

    def accept_op(self, op):
        if self.peek().is_op(op):
            return self.next()
        return None

    def accept_word(self, *words):
        if self.peek().is_word(*words):
            return self.next()
        return None

    def name(self):
        tok = self.peek()
        if tok.kind in ("ident", "qident"):
            return self.next().value
        raise self.fail()

    def multipart_name(self):
        """A name of up to four parts; empty parts (db..table) are kept empty."""
        parts = [self.name()]
        while self.accept_op("."):
            if self.peek().is_op("."):
                parts.append("")
                continue
            parts.append(self.name())
        if len(parts) > 4:
            raise self.fail()
        return parts
