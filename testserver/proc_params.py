"""Binding the arguments of a procedure call to its declared parameters,
with SQL Server's errors for a missing, unknown or surplus argument."""
from sql_lexer import SqlError
from sql_statements import DEFAULT

REQUIRED = object()


class Procedure:
    """A served procedure: name, parameters [(name, default or REQUIRED)], body."""

    def __init__(self, name, params, body):
        self.name, self.params, self.body = name, params, body

    def bind(self, args):
        values, named_seen = {}, False
        declared = [p for p, _ in self.params]
        for position, (name, value) in enumerate(args):
            if name is None:
                if named_seen:
                    raise SqlError(119, 1, 15, "Must pass parameter number %d and subsequent "
                                   "parameters as '@name = value'. After the form '@name = value' "
                                   "has been used, all subsequent parameters must be passed in the "
                                   "form '@name = value'." % (position + 1))
                if position >= len(declared):
                    raise _in_proc(SqlError(8144, 2, 16, "Procedure or function %s has too many "
                                            "arguments specified." % self.name), self.name)
                key = declared[position]
            else:
                named_seen = True
                key = next((p for p in declared if p.lower() == name.lower()), None)
                if key is None:
                    raise _in_proc(SqlError(8145, 2, 16, "%s is not a parameter for procedure %s."
                                            % (name, self.name)), self.name)
            if value is not DEFAULT:
                values[key] = value
        for key, default in self.params:
            if key not in values:
                if default is REQUIRED:
                    raise _in_proc(SqlError(201, 4, 16, "Procedure or function '%s' expects "
                                            "parameter '%s', which was not supplied."
                                            % (self.name, key)), self.name)
                values[key] = default
        return values

    def run(self, session, database, values):
        return self.body(session, database, values)


def _in_proc(err, proc):
    err.proc = proc
    return err


def text_arg(value):
    """A parameter as nvarchar: numbers become their text, NULL stays None."""
    if value is None:
        return None
    if isinstance(value, bytes):
        return value.decode("cp1252", errors="replace")
    return str(value)


def int_arg(value, default):
    if value is None:
        return default
    try:
        return int(str(value).strip())
    except ValueError:
        raise SqlError(8114, 5, 16, "Error converting data type nvarchar to int.")
