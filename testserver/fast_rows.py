"""Encoding generated rows a block at a time.

A generated table of a million rows must stream faster than a client can
fetch it, so its rows are encoded column by column over a block of row
numbers: values that repeat with a period (cycle, mod) are encoded once per
period, sequences of integers and dates are packed straight from arithmetic,
and the block's ROW tokens are joined in one go.  Plain ROW tokens (never
NBCROW) are used, which every protocol version accepts.
"""
import datetime
import itertools
import struct

from fixture_values import column_functions, period_of

BLOCK = 2048
MAX_PERIOD_TABLE = 100000
_INT_FORMATS = {"tinyint": "B", "smallint": "h", "int": "i", "bigint": "q"}
_DT_EPOCH = datetime.datetime(1900, 1, 1)


def _seq_int(column, spec, wire):
    fmt = _INT_FORMATS.get(column.sql_type.name)
    if fmt is None or spec.get("null_every") or "seq" not in spec:
        return None
    start, step = spec["seq"], spec.get("step", 1)
    size = struct.calcsize(fmt)
    pack = struct.Struct("<" + ("B" + fmt if column.nullable else fmt)).pack
    if column.nullable:
        return lambda a, b: [pack(size, start + i * step) for i in range(a, b)]
    return lambda a, b: [pack(start + i * step) for i in range(a, b)]


def _date_steps(column, spec, wire):
    if column.sql_type.name != "datetime" or "date_from" not in spec or spec.get("null_every"):
        return None
    start = datetime.datetime.fromisoformat(spec["date_from"]) - _DT_EPOCH
    base = start.days * 86400 * 300 + round((start.seconds + start.microseconds / 1e6) * 300)
    step = spec.get("step_minutes", 1) * 60 * 300
    day = 86400 * 300
    pack = struct.Struct("<BiI" if column.nullable else "<iI").pack
    if column.nullable:
        return lambda a, b: [pack(8, *divmod(base + i * step, day)) for i in range(a, b)]
    return lambda a, b: [pack(*divmod(base + i * step, day)) for i in range(a, b)]


def _column_block(column, spec, value_of, wire):
    enc = wire.encode
    for special in (_seq_int, _date_steps):
        f = special(column, spec or {}, wire)
        if f:
            return f
    period = period_of(column, spec)
    if period and period <= MAX_PERIOD_TABLE:
        table = [enc(value_of(i)) for i in range(period)]
        return lambda a, b: [table[i % period] for i in range(a, b)]
    return lambda a, b: [enc(value_of(i)) for i in range(a, b)]


def block_encoder(table, wires):
    """A function (first, end) -> bytes of the ROW tokens of generated rows
    first..end-1, for a result listing all the table's columns in order."""
    specs = table.generator_specs
    funcs = column_functions(table.columns, specs)
    blocks = [_column_block(c, specs.get(c.name), f, w)
              for c, f, w in zip(table.columns, funcs, wires)]

    def encode(first, end):
        columns = [[b"\xd1"] * (end - first)] + [blk(first, end) for blk in blocks]
        return b"".join(itertools.chain.from_iterable(zip(*columns)))
    return encode


def generated_row_blocks(table, wires):
    """Bytes of all generated rows, block by block."""
    encode = block_encoder(table, wires)
    total = table.generated_count()
    for first in range(0, total, BLOCK):
        yield encode(first, min(first + BLOCK, total)), min(BLOCK, total - first)
