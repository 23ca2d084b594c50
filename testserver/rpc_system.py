"""The system procedures a driver calls by RPC to run statement text:
sp_executesql, sp_prepare, sp_prepexec, sp_execute, sp_unprepare.
Prepared statements are kept per connection by handle."""
import re

import sql_router
from sql_lexer import SqlError

_DECL = re.compile(r"(@\w+)\s+[^,]+")


def _param_names(declaration):
    """Parameter names of a declaration such as "@P1 int, @P2 nvarchar(10)"."""
    if not declaration:
        return []
    return [m.group(1).lower() for m in _DECL.finditer(declaration)]


def _variables(names, params):
    values = {}
    named = [p for p in params if p.name]
    for i, name in enumerate(names):
        match = next((p for p in named if p.name.lower() == name), None)
        if match is None and i < len(params):
            match = params[i]
        values[name] = match.value if match else None
    return values


def _arg(call, index, name):
    """A parameter given by name, or else by its position."""
    for p in call.params:
        if p.name and p.name.lower() == name:
            return p.value
    if index < len(call.params) and not call.params[index].name:
        return call.params[index].value
    return None


def sp_executesql(session, call, resp):
    sql = _arg(call, 0, "@stmt")
    if sql is None:
        raise SqlError(201, 4, 16, "Procedure or function 'sp_executesql' expects parameter "
                                   "'@statement', which was not supplied.")
    names = _param_names(_arg(call, 1, "@params"))
    sql_router.execute_text(session, sql, resp, in_proc=True,
                            variables=_variables(names, call.params[2:]))
    resp.proc_done(0)


def _prepare(session, call):
    declaration, sql = call.params[1].value, call.params[2].value
    if sql is None:
        raise SqlError(8178, 1, 16, "The parameterized query expects a statement text.")
    handle = session.next_handle()
    session.prepared[handle] = (sql, _param_names(declaration))
    return handle


def sp_prepare(session, call, resp):
    if len(call.params) < 3:
        raise SqlError(201, 4, 16, "Procedure or function 'sp_prepare' expects parameter "
                                   "'@stmt', which was not supplied.")
    handle = _prepare(session, call)
    resp.proc_done(0)
    resp.output_param(0, call.params[0].name, "int", handle)


def sp_prepexec(session, call, resp):
    if len(call.params) < 3:
        raise SqlError(201, 4, 16, "Procedure or function 'sp_prepexec' expects parameter "
                                   "'@stmt', which was not supplied.")
    handle = _prepare(session, call)
    sql, names = session.prepared[handle]
    sql_router.execute_text(session, sql, resp, in_proc=True,
                            variables=_variables(names, call.params[3:]))
    resp.proc_done(0)
    resp.output_param(0, call.params[0].name, "int", handle)


def sp_execute(session, call, resp):
    handle = call.params[0].value if call.params else None
    if handle not in session.prepared:
        raise SqlError(8179, 1, 16, "Could not find prepared statement with handle %s." % handle)
    sql, names = session.prepared[handle]
    sql_router.execute_text(session, sql, resp, in_proc=True,
                            variables=_variables(names, call.params[1:]))
    resp.proc_done(0)


def sp_unprepare(session, call, resp):
    if call.params:
        session.prepared.pop(call.params[0].value, None)
    resp.proc_done(0)


PROCS = {"sp_executesql": sp_executesql, "sp_prepare": sp_prepare, "sp_prepexec": sp_prepexec,
         "sp_execute": sp_execute, "sp_unprepare": sp_unprepare}
