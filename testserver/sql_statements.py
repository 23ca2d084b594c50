"""Reading a batch into statements (no statement runs before all are read,
so a syntax error anywhere refuses the whole batch, as SQL Server does).

Statements understood: SET options, USE, BEGIN/COMMIT/ROLLBACK TRAN,
IF @@TRANCOUNT > 0 COMMIT|ROLLBACK, EXEC[UTE] proc args (or a procedure
call as the first statement), SELECT list [FROM name [WHERE n = n]].
"""
from sql_lexer import SqlError, Token, TokenStream, tokenize

STATEMENT_WORDS = ("SELECT", "SET", "USE", "EXEC", "EXECUTE", "BEGIN", "COMMIT", "ROLLBACK",
                   "IF", "INSERT", "UPDATE", "DELETE", "CREATE", "DROP", "ALTER", "DECLARE",
                   "PRINT", "WHILE", "RETURN", "GO", "SAVE", "WAITFOR")
SET_OPTIONS = ("ANSI_NULLS", "ANSI_WARNINGS", "ANSI_PADDING", "QUOTED_IDENTIFIER",
               "CONCAT_NULL_YIELDS_NULL", "TEXTSIZE", "IMPLICIT_TRANSACTIONS", "ARITHABORT",
               "NOCOUNT", "DATEFORMAT", "LANGUAGE", "TRANSACTION", "ANSI_NULL_DFLT_ON",
               "ANSI_NULL_DFLT_OFF", "CURSOR_CLOSE_ON_COMMIT", "LOCK_TIMEOUT", "ROWCOUNT",
               "XACT_ABORT", "DATEFIRST", "NUMERIC_ROUNDABORT", "ANSI_DEFAULTS", "FMTONLY",
               "NO_BROWSETABLE", "DEADLOCK_PRIORITY", "QUERY_GOVERNOR_COST_LIMIT",
               "ARITHIGNORE", "CONTEXT_INFO")


class Statement:
    def __init__(self, kind, **fields):
        self.kind = kind
        self.__dict__.update(fields)


class SelectItem:
    """One entry of a select list: kind is star, column, count, variable,
    function or literal."""

    def __init__(self, kind, value, alias=None, literal=None):
        self.kind, self.value, self.alias, self.literal = kind, value, alias, literal


def parse_batch(sql, variables=None):
    """Statements of the text; variables (lower-case name -> value) stand for
    the parameters of a prepared or sp_executesql statement."""
    tokens = tokenize(sql)
    if variables:
        tokens = [_substitute(t, variables) for t in tokens]
    ts = TokenStream(tokens)
    statements = []
    while True:
        while ts.accept_op(";"):
            pass
        tok = ts.peek()
        if tok.kind == "eof":
            return statements
        statements.append(_statement(ts, first=not statements))


def _substitute(tok, variables):
    if tok.kind != "var" or tok.value.lower() not in variables:
        return tok
    value = variables[tok.value.lower()]
    if value is None:
        return Token("ident", "NULL", "NULL")
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        return Token("number", str(value), str(value))
    return Token("string", str(value), "N'%s'" % str(value).replace("'", "''"), national=True)


def _statement(ts, first):
    tok = ts.peek()
    if tok.is_word("SET"):
        return _set(ts)
    if tok.is_word("USE"):
        ts.next()
        return Statement("use", database=ts.name())
    if tok.is_word("SELECT"):
        return _select(ts)
    if tok.is_word("EXEC", "EXECUTE"):
        ts.next()
        return _exec(ts)
    if tok.is_word("BEGIN", "COMMIT", "ROLLBACK"):
        return _tran(ts)
    if tok.is_word("IF"):
        return _if_trancount(ts)
    if first and tok.kind in ("ident", "qident") and not tok.is_word(*STATEMENT_WORDS):
        return _exec(ts)
    raise ts.fail()


def _set(ts):
    """SET option[, option...] value; TRANSACTION ISOLATION LEVEL takes its words."""
    ts.next()
    options = [_set_option(ts)]
    while ts.accept_op(","):
        options.append(_set_option(ts))
    if options[0] == "TRANSACTION":
        for word in ("ISOLATION", "LEVEL"):
            if not ts.accept_word(word):
                raise ts.fail()
        first = ts.next()
        if first.is_word("READ", "REPEATABLE"):
            if not ts.accept_word("COMMITTED", "UNCOMMITTED", "READ"):
                raise ts.fail()
        elif not first.is_word("SERIALIZABLE", "SNAPSHOT"):
            raise SqlError(102, 1, 15, "Incorrect syntax near '%s'." % first.text)
        return Statement("set", option="TRANSACTION", words=[])
    ts.accept_op("-")
    value = ts.peek()
    if value.kind not in ("ident", "number", "string") or value.is_word(*STATEMENT_WORDS):
        raise ts.fail()
    ts.next()
    return Statement("set", option=options[0], words=[value.value])


def _set_option(ts):
    option = ts.peek()
    if not option.is_word(*SET_OPTIONS):
        raise ts.fail()
    return ts.next().value.upper()


def _tran(ts):
    word = ts.next().value.upper()
    if word == "BEGIN":
        if not ts.accept_word("TRAN", "TRANSACTION"):
            raise ts.fail()
    else:
        ts.accept_word("TRAN", "TRANSACTION", "WORK")
    return Statement("tran", action=word)


def _if_trancount(ts):
    ts.next()
    tok = ts.next()
    if not (tok.kind == "var" and tok.value.upper() == "@@TRANCOUNT"):
        raise ts.fail()
    if not ts.accept_op(">"):
        raise ts.fail()
    if ts.next().value != "0":
        raise ts.fail()
    if not ts.peek().is_word("COMMIT", "ROLLBACK"):
        raise ts.fail()
    return _tran(ts)


def _exec(ts):
    ret_var = None
    if ts.peek().kind == "var" and ts.peek(1).is_op("="):
        ret_var = ts.next().value
        ts.next()
    proc = ts.multipart_name()
    args = []
    if not _at_statement_end(ts):
        while True:
            args.append(_exec_arg(ts))
            if not ts.accept_op(","):
                break
    if not _at_statement_end(ts):
        raise ts.fail()
    return Statement("exec", proc=proc, args=args, ret_var=ret_var)


def _at_statement_end(ts):
    tok = ts.peek()
    return tok.kind == "eof" or tok.is_op(";") or tok.is_word(*STATEMENT_WORDS)


def _exec_arg(ts):
    """(name or None, value); a bracketed or plain word is a string value."""
    name = None
    if ts.peek().kind == "var" and ts.peek(1).is_op("="):
        name = ts.next().value
        ts.next()
    sign = ""
    if ts.peek().is_op("-") or ts.peek().is_op("+"):
        sign = ts.next().value
    if ts.peek().kind == "eof":
        raise ts.fail()
    tok = ts.next()
    if tok.kind == "number":
        value = _number(sign + tok.value)
    elif sign:
        raise SqlError(102, 1, 15, "Incorrect syntax near '%s'." % sign)
    elif tok.kind in ("string", "qident"):
        value = tok.value
    elif tok.kind == "ident":
        value = None if tok.value.upper() == "NULL" else (
            DEFAULT if tok.value.upper() == "DEFAULT" else tok.value)
    elif tok.kind == "var":
        raise SqlError(137, 2, 15, 'Must declare the scalar variable "%s".' % tok.value)
    else:
        raise SqlError(102, 1, 15, "Incorrect syntax near '%s'." % tok.text)
    ts.accept_word("OUTPUT", "OUT")
    return name, value


class _Default:
    def __repr__(self):
        return "DEFAULT"


DEFAULT = _Default()


def _number(text):
    if "." in text:
        from decimal import Decimal
        return Decimal(text)
    return int(text)


def _select(ts):
    ts.next()
    items = [_select_item(ts)]
    while ts.accept_op(","):
        items.append(_select_item(ts))
    table, where = None, None
    if ts.accept_word("FROM"):
        table = ts.multipart_name()
        if ts.accept_word("AS") or (ts.peek().kind in ("ident", "qident")
                                     and not ts.peek().is_word("WHERE", *STATEMENT_WORDS)):
            ts.name()
        if ts.accept_word("WHERE"):
            where = _where(ts)
    if not _at_statement_end(ts):
        raise ts.fail()
    return Statement("select", items=items, table=table, where=where)


def _where(ts):
    left = ts.next()
    if not ts.accept_op("="):
        raise ts.fail()
    right = ts.next()
    if left.kind != "number" or right.kind != "number":
        raise SqlError(4145, 1, 15, "An expression of non-boolean type specified in a context "
                                    "where a condition is expected, near 'WHERE'.")
    return left.value == right.value


def _select_item(ts):
    tok = ts.peek()
    if tok.is_op("*"):
        ts.next()
        return SelectItem("star", None)
    if tok.is_word("COUNT") and ts.peek(1).is_op("("):
        ts.next(), ts.next()
        ts.expect_op("*")
        ts.expect_op(")")
        item = SelectItem("count", None)
    elif tok.kind == "var" and tok.value.startswith("@@"):
        item = SelectItem("variable", ts.next().value.upper())
    elif tok.kind == "var":
        raise SqlError(137, 2, 15, 'Must declare the scalar variable "%s".' % tok.value)
    elif tok.kind in ("number", "string"):
        ts.next()
        item = SelectItem("literal", tok.value,
                          literal="nstring" if tok.national else tok.kind)
    elif tok.kind == "ident" and ts.peek(1).is_op("("):
        name = ts.next().value.upper()
        ts.next()
        args = []
        while not ts.accept_op(")"):
            arg = ts.next()
            if arg.kind == "eof":
                raise ts.fail()
            if not arg.is_op(","):
                args.append(arg.value)
        item = SelectItem("function", name, literal=args)
    elif tok.kind in ("ident", "qident") and not tok.is_word("FROM", *STATEMENT_WORDS):
        parts = ts.multipart_name()
        if ts.peek().is_op("*"):
            raise ts.fail()
        item = SelectItem("column", parts[-1])
    else:
        raise ts.fail()
    if ts.accept_word("AS"):
        item.alias = ts.next().value
    elif ts.peek().kind == "qident" or (ts.peek().kind == "string"):
        item.alias = ts.next().value
    elif ts.peek().kind == "ident" and not ts.peek().is_word("FROM", *STATEMENT_WORDS):
        item.alias = ts.next().value
    return item
