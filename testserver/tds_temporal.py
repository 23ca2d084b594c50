"""The date and time types on the wire: date (3 bytes of days since
0001-01-01), time(n) (3 to 5 bytes of 10^-n second units), datetime2(n)
(time then date) and datetimeoffset(n) (UTC time, date, offset minutes:2);
and, for clients before 7.3, the text SQL Server sends for them instead."""
import datetime
import struct

_EPOCH_0001 = datetime.date(1, 1, 1)


def _as_datetime(v):
    if isinstance(v, datetime.datetime):
        return v
    return datetime.datetime(v.year, v.month, v.day)


def _time_ticks(t, scale):
    micro = ((t.hour * 60 + t.minute) * 60 + t.second) * 1000000 + t.microsecond
    return (micro * 10 ** scale) // 1000000


def _time_size(scale):
    return 3 if scale <= 2 else 4 if scale <= 4 else 5


def _date3(d):
    return (d.toordinal() - _EPOCH_0001.toordinal()).to_bytes(3, "little")


def time_encoder(scale):
    size = _time_size(scale)
    return lambda v: b"\x00" if v is None else bytes([size]) + _time_ticks(v, scale).to_bytes(size, "little")


def datetime2_encoder(scale):
    size = _time_size(scale)

    def enc(v):
        if v is None:
            return b"\x00"
        v = _as_datetime(v)
        return bytes([size + 3]) + _time_ticks(v.time(), scale).to_bytes(size, "little") + _date3(v.date())
    return enc


def datetimeoffset_encoder(scale):
    size = _time_size(scale)

    def enc(v):
        if v is None:
            return b"\x00"
        offset = v.utcoffset() or datetime.timedelta(0)
        utc = v.replace(tzinfo=None) - offset
        minutes = int(offset.total_seconds() // 60)
        return (bytes([size + 5]) + _time_ticks(utc.time(), scale).to_bytes(size, "little")
                + _date3(utc.date()) + struct.pack("<h", minutes))
    return enc


def format_temporal(sql_type, v):
    """The text SQL Server sends for date/time types to clients before 7.3."""
    if sql_type.name == "date":
        return "%04d-%02d-%02d" % (v.year, v.month, v.day)
    frac = sql_type.scale
    base, micro = "%02d:%02d:%02d" % (v.hour, v.minute, v.second), v.microsecond
    if sql_type.name != "time":
        base = "%04d-%02d-%02d %s" % (v.year, v.month, v.day, base)
    text = base + ("." + ("%06d" % micro + "0")[:frac] if frac else "")
    if sql_type.name == "datetimeoffset":
        minutes = int((v.utcoffset() or datetime.timedelta(0)).total_seconds() // 60)
        sign = "+" if minutes >= 0 else "-"
        text += " %s%02d:%02d" % (sign, abs(minutes) // 60, abs(minutes) % 60)
    return text


TEXT_LENGTHS = {"date": 10, "time": 16, "datetime2": 27, "datetimeoffset": 34}


def text_length(t):
    """Characters of the text form of a time, datetime2 or datetimeoffset column."""
    base = {"time": 8, "datetime2": 19, "datetimeoffset": 26}[t.name]
    return base + (t.scale + 1 if t.scale else 0)


def date_encoder(v):
    return b"\x00" if v is None else b"\x03" + _date3(v)
