"""Cell values of fixtures: reading JSON values and generating rows.

Generated column specs (each may add "null_every": k, giving NULL in every
k-th row):
  {"seq": start, "step": 1}       start + i * step
  {"mod": m, "offset": 0}         offset + i % m
  {"cycle": [v, ..]}              the values in turn (read like JSON values)
  {"format": "Item {n}"}          text with n = i + 1 (also {n3} = n % 1000)
  {"date_from": "2004-01-01", "step_minutes": 37}
A column without a spec gets a value derived from its type and the row number.
"""
import datetime
import decimal
import math
import uuid

INT_RANGES = {"bit": (0, 1), "tinyint": (0, 255), "smallint": (-32768, 32767),
              "int": (-2 ** 31, 2 ** 31 - 1), "bigint": (-2 ** 63, 2 ** 63 - 1)}
EXACT = ("decimal", "numeric", "money", "smallmoney")
TEXTS = ("char", "varchar", "text", "nchar", "nvarchar", "ntext", "xml", "sysname")
BINARIES = ("binary", "varbinary", "image", "timestamp")
TEMPORAL = ("datetime", "smalldatetime", "date", "time", "datetime2", "datetimeoffset")


class FixtureValueError(ValueError):
    """A fixture cell or generator the column cannot take."""


def _parse_temporal(kind, text):
    text = text.strip()
    if kind == "time":
        return datetime.time.fromisoformat(_trim_fraction(text))
    if kind == "date":
        return datetime.date.fromisoformat(text)
    offset = None
    if kind == "datetimeoffset" and len(text) > 6 and text[-6] in "+-" and text[-3] == ":":
        offset, text = text[-6:], text[:-6].strip()
    value = datetime.datetime.fromisoformat(_trim_fraction(text))
    if offset:
        minutes = int(offset[1:3]) * 60 + int(offset[4:6])
        sign = -1 if offset[0] == "-" else 1
        value = value.replace(tzinfo=datetime.timezone(datetime.timedelta(minutes=sign * minutes)))
    elif kind == "datetimeoffset":
        value = value.replace(tzinfo=datetime.timezone.utc)
    return value


def _trim_fraction(text):
    """Python reads at most 6 fraction digits; SQL Server writes up to 7."""
    if "." in text:
        head, frac = text.rsplit(".", 1)
        if frac.isdigit() and len(frac) > 6:
            return head + "." + frac[:6]
    return text


def _repeat(column, spec):
    length = int(spec["length"])
    if column.sql_type.name in BINARIES:
        unit = bytes.fromhex(spec["repeat"])
    else:
        unit = spec["repeat"]
    reps = length // len(unit) + 1
    return (unit * reps)[:length]


def read_value(column, raw):
    """A Python value for one JSON cell of the column."""
    if raw is None:
        return None
    kind = column.sql_type.name
    if isinstance(raw, dict):
        if "repeat" in raw:
            return _repeat(column, raw)
        if kind == "sql_variant":
            return _variant_value(raw)
        raise FixtureValueError("unknown value form %r" % raw)
    if kind == "sql_variant":
        return raw
    if kind in INT_RANGES:
        value = int(raw)
        low, high = INT_RANGES[kind]
        if not low <= value <= high:
            raise FixtureValueError("%s out of range for %s" % (raw, kind))
        return bool(value) if kind == "bit" else value
    if kind in EXACT:
        return decimal.Decimal(str(raw))
    if kind in ("real", "float"):
        return float(raw)
    if kind in TEMPORAL:
        return _parse_temporal(kind, str(raw))
    if kind in BINARIES:
        text = str(raw)
        return bytes.fromhex(text[2:] if text[:2].lower() == "0x" else text)
    if kind == "uniqueidentifier":
        return str(uuid.UUID(str(raw))).upper()
    if kind in TEXTS:
        text = str(raw)
        limit = column.sql_type.length
        if limit is not None and kind not in ("text", "ntext", "xml") and len(text) > limit:
            raise FixtureValueError("%r longer than %s(%d)" % (text[:20], kind, limit))
        if kind in ("char", "varchar", "text"):
            text.encode("cp1252")   # refuse what a varchar cannot hold
        return text
    raise FixtureValueError("no reading for %s" % kind)


def _variant_value(raw):
    """A sql_variant cell given with its base type: {"datetime": ..}, {"decimal": ..}, {"hex": ..}."""
    if "datetime" in raw:
        return _parse_temporal("datetime", raw["datetime"])
    if "decimal" in raw:
        return decimal.Decimal(raw["decimal"])
    if "hex" in raw:
        return bytes.fromhex(raw["hex"])
    raise FixtureValueError("unknown sql_variant form %r" % raw)


def _typed_default(column):
    """A plain value for row i when a generated column has no spec."""
    kind = column.sql_type.name
    base = datetime.datetime(2004, 1, 1)
    if kind == "bit":
        return lambda i: i % 2 == 1
    if kind in INT_RANGES:
        high = INT_RANGES[kind][1]
        return lambda i: (i + 1) % (high + 1)
    if kind in EXACT:
        return lambda i: decimal.Decimal(i % 100000) / 100
    if kind in ("real", "float"):
        return lambda i: i * 0.25
    if kind in ("datetime", "smalldatetime", "datetime2"):
        return lambda i: base + datetime.timedelta(minutes=i)
    if kind == "datetimeoffset":
        return lambda i: (base + datetime.timedelta(minutes=i)).replace(tzinfo=datetime.timezone.utc)
    if kind == "date":
        return lambda i: base.date() + datetime.timedelta(days=i % 3000)
    if kind == "time":
        return lambda i: datetime.time((i // 3600) % 24, (i // 60) % 60, i % 60)
    if kind == "uniqueidentifier":
        return lambda i: str(uuid.UUID(int=i + 1)).upper()
    if kind in BINARIES:
        return lambda i: (i + 1).to_bytes(8, "big")
    limit = column.sql_type.length or 30
    return lambda i: ("%s %d" % (column.name, i + 1))[:limit]


def _spec_function(column, spec):
    if "seq" in spec:
        start, step = spec["seq"], spec.get("step", 1)
        return lambda i: start + i * step
    if "mod" in spec:
        m, offset = spec["mod"], spec.get("offset", 0)
        return lambda i: offset + i % m
    if "cycle" in spec:
        values = [read_value(column, v) for v in spec["cycle"]]
        return lambda i: values[i % len(values)]
    if "format" in spec:
        fmt = spec["format"]
        return lambda i: fmt.format(n=i + 1, n3=(i + 1) % 1000)
    if "date_from" in spec:
        start = datetime.datetime.fromisoformat(spec["date_from"])
        step = datetime.timedelta(minutes=spec.get("step_minutes", 1))
        return lambda i: start + i * step
    raise FixtureValueError("unknown generator %r" % spec)


def column_functions(columns, specs):
    """One function per column: row number -> that column's value."""
    funcs = []
    for column in columns:
        spec = specs.get(column.name)
        f = _spec_function(column, spec) if spec else _typed_default(column)
        kind = column.sql_type.name
        if spec and kind in EXACT:
            f = (lambda g: lambda i: decimal.Decimal(str(g(i))))(f)
        every = spec.get("null_every") if spec else None
        if every:
            f = (lambda g, k: lambda i: None if i % k == k - 1 else g(i))(f, every)
        funcs.append(f)
    return funcs


def period_of(column, spec):
    """The row period after which the column's values repeat, or None."""
    if not spec:
        return None
    if "cycle" in spec:
        period = len(spec["cycle"])
    elif "mod" in spec:
        period = spec["mod"]
    elif "format" in spec and "{n}" not in spec["format"] and "{n:" not in spec["format"]:
        period = 1000   # only {n3} = n % 1000 varies
    else:
        return None
    every = spec.get("null_every")
    return period * every // math.gcd(period, every) if every else period


def make_generator(columns, specs):
    """A function of the row number answering the row as a tuple."""
    funcs = column_functions(columns, specs)
    return lambda i: tuple([f(i) for f in funcs])
