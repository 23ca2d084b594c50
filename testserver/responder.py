"""Writes the tokens of one request's reply: result sets, messages, DONEs.

A SELECT of a batch ends with DONE (with its row count); results inside a
procedure end with DONEINPROC and the procedure itself with RETURNSTATUS and
DONEPROC.  Session statements (SET, USE, transactions) add no DONE of their
own.  Every DONE is held back until the next token shows whether more
follows: the last DONE/DONEPROC of a reply alone lacks the "more" bit, and a
reply with nothing else is a single DONE.
"""
import tds_tokens as tok
from tds_types import SqlType, wire_for

CMD_SELECT, CMD_EXECUTE, CMD_NONE = 0xC1, 0xE0, 0x00


def result_columns(specs, version):
    """ResultColumns from (name, type text, nullable) triples."""
    cols = []
    for name, type_text, nullable in specs:
        cols.append(tok.ResultColumn(name, wire_for(SqlType(type_text), version, nullable), nullable))
    return cols


class Responder:
    def __init__(self, writer, version, server_name):
        self.writer = writer
        self.version = version
        self.server_name = server_name
        self.pending_done = None   # the last DONE-like token, held back to set its "more" bit

    def _flush_pending(self, more):
        if self.pending_done:
            kind, status, curcmd, count = self.pending_done
            self.writer.write(tok.done(kind, status | (tok.DONE_MORE if more else 0), curcmd,
                                       count, self.version))
            self.pending_done = None

    def _hold(self, kind, status, curcmd, count):
        self._flush_pending(more=True)
        self.pending_done = (kind, status, curcmd, count)

    def result(self, columns, rows, in_proc=False, blocks=()):
        """COLMETADATA, one ROW/NBCROW per row, then a DONE with the count.
        blocks: further rows already encoded, as (bytes, row count) pairs."""
        self._flush_pending(more=True)
        w = self.writer
        w.write(tok.colmetadata(columns, self.version))
        encode = tok.row_encoder(columns, self.version)
        count = 0
        for row in rows:
            w.write(encode(row))
            count += 1
        for data, n in blocks:
            w.write(data)
            count += n
        self._hold(tok.DONEINPROC if in_proc else tok.DONE, tok.DONE_COUNT, CMD_SELECT, count)
        return count

    def message(self, number, state, severity, text, proc="", line=1, is_error=True):
        self._flush_pending(more=True)
        self.writer.write(tok.message(is_error, number, state, severity, text, self.server_name,
                                      proc, line, self.version))

    def error(self, err, proc=""):
        self.message(err.number, err.state, err.severity, err.text, proc=proc)

    def envchange(self, kind, new, old):
        self._flush_pending(more=True)
        self.writer.write(tok.envchange_text(kind, new, old))

    def statement_done(self, status=0, curcmd=CMD_NONE, count=0):
        self._hold(tok.DONE, status, curcmd, count)

    def proc_done(self, return_status, status=0):
        self._flush_pending(more=True)
        self.writer.write(tok.returnstatus(return_status))
        self.pending_done = (tok.DONEPROC, status, CMD_EXECUTE, 0)

    def output_param(self, ordinal, name, type_text, value):
        """An output parameter's value; goes between RETURNSTATUS and DONEPROC."""
        wire = wire_for(SqlType(type_text), self.version, True)
        self.writer.write(tok.returnvalue(ordinal, name, wire, value, self.version))

    def finish(self, error=False, attention=False):
        """Ends the reply: the held DONE goes out as the last token."""
        if attention:
            self.pending_done = None
            self.writer.write(tok.done(tok.DONE, tok.DONE_ATTN, CMD_NONE, 0, self.version))
        elif error:
            if self.pending_done and self.pending_done[0] == tok.DONEPROC:
                kind, status, curcmd, count = self.pending_done
                self.pending_done = (kind, status | tok.DONE_ERROR, curcmd, count)
            else:
                self._flush_pending(more=True)
                self.pending_done = (tok.DONE, tok.DONE_ERROR, CMD_NONE, 0)
        if self.pending_done is None and not attention:
            self.pending_done = (tok.DONE, 0, CMD_NONE, 0)
        self._flush_pending(more=False)
        self.writer.finish()
