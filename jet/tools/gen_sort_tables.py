#!/usr/bin/env python3
"""Generates jet/src/sort_tables.cpp, the text sort-order code tables.

Usage: gen_sort_tables.py SORT_CODES_DIR OUTPUT.cpp

Reads the published code lists of the two sort orders (one line per
character: a kind letter followed by hex byte strings) and writes them as
runs of consecutive characters whose codes follow one pattern, in the
CodeRun format declared in jet/src/sort_tables.h. Every run is expanded
again and compared with the input before anything is written.
"""
import bisect
import os
import sys

# Kind letters of the code lists, mapped to sort_tables.h's CodeKind names.
KINDS = {
    'X': 'kIgnored', 'S': 'kSimple', 'I': 'kInternational',
    'U': 'kUnprintable', 'P': 'kUnprintableModifier',
    'Z': 'kInternationalExt', 'G': 'kSignificant',
}


def hex_bytes(text):
    if text == '':
        return b''
    if len(text) % 2:
        text = '0' + text  # the lists drop a leading zero nibble
    return bytes.fromhex(text)


def parse_line(line):
    """Returns (kind, inline bytes, extra bytes, flag) for one list line."""
    kind, fields = line[0], line[1:].split(',')
    if kind == 'X':
        return (kind, b'', b'', 0)
    if kind in 'SG':
        return (kind, hex_bytes(fields[0]), b'', 0)
    if kind == 'I':
        return (kind, hex_bytes(fields[0]), hex_bytes(fields[1]), 0)
    if kind in 'UP':
        return (kind, b'', hex_bytes(fields[0]), 0)
    if kind == 'Z':
        flag = 2 if fields[2] == '1' else 3
        return (kind, hex_bytes(fields[0]), hex_bytes(fields[1]), flag)
    raise ValueError('unknown code kind in line: ' + line)


def read_lines(path):
    with open(path, encoding='ascii') as f:
        return [l.rstrip('\r\n') for l in f if l.strip() != '']


def surrogate_codes():
    """Codes of UTF-16 surrogates, which the lists leave out: the inline
    value is the unit minus a fixed offset (high units) or minus one of five
    offsets chosen by the unit's place in its 1024 block (low units)."""
    codes = {}
    for c in range(0xD800, 0xDC00):
        codes[c] = ('I', (c - 10238).to_bytes(2, 'big'), b'\x3f', 0)
    bounds = [(8, 9992), (262, 9990), (516, 9988), (770, 9986), (1024, 9984)]
    for c in range(0xDC00, 0xE000):
        offset = next(o for limit, o in bounds if (c - 0xDC00) < limit)
        codes[c] = ('I', (c - offset).to_bytes(2, 'big'), b'\x3f', 0)
    return codes


def legacy_codes(src):
    base = read_lines(os.path.join(src, 'index_codes_genleg.txt'))
    ext = read_lines(os.path.join(src, 'index_codes_ext_genleg.txt'))
    codes = {c: parse_line(l) for c, l in enumerate(base)}
    codes.update(surrogate_codes())
    ext_iter = iter(ext)
    for c in range(0x100, 0x10000):
        if c not in codes:
            codes[c] = parse_line(next(ext_iter))
    if len(codes) != 0x10000 or next(ext_iter, None) is not None:
        raise ValueError('legacy lists do not cover the 16-bit range exactly')
    return codes


def runs_of(codes):
    """Groups consecutive characters into runs: same kind, extra and flag,
    inline value equal to the run's first plus 0 or 1 per character."""
    runs = []
    for c in sorted(codes):
        kind, inl, extra, flag = codes[c]
        value = int.from_bytes(inl, 'big')
        if runs:
            r = runs[-1]
            same = (r['kind'], r['len'], r['extra'], r['flag']) == \
                   (kind, len(inl), extra, flag)
            delta = value - (r['base'] + r['step'] * (c - r['first']))
            if same and c == r['last'] + 1:
                if delta == 0:
                    r['last'] = c
                    continue
                if r['last'] == r['first'] and value == r['base'] + 1:
                    r['step'], r['last'] = 1, c
                    continue
        runs.append({'first': c, 'last': c, 'kind': kind, 'len': len(inl),
                     'base': value, 'step': 0, 'extra': extra, 'flag': flag})
    return runs


def expand(runs, firsts, c):
    r = runs[bisect.bisect_right(firsts, c) - 1]
    value = r['base'] + r['step'] * (c - r['first'])
    return (r['kind'], value.to_bytes(r['len'], 'big'), r['extra'], r['flag'])


def verify(codes, runs):
    firsts = [r['first'] for r in runs]
    for c, want in codes.items():
        if expand(runs, firsts, c) != want:
            raise ValueError('run table disagrees with input at %#x' % c)
    for r in runs:
        if len(r['extra']) > 2 or r['len'] > 4:
            raise ValueError('code too long for CodeRun at %#x' % r['first'])


def emit_runs(name, runs):
    out = ['const CodeRun %s[] = {' % name]
    for r in runs:
        extra = list(r['extra']) + [0] * (2 - len(r['extra']))
        out.append('    {0x%04X, CodeKind::%s, %d, 0x%X, %d, %d, {0x%02X, 0x%02X}, %d},'
                   % (r['first'], KINDS[r['kind']], r['len'], r['base'],
                      r['step'], len(r['extra']), extra[0], extra[1],
                      r['flag']))
    out.append('};')
    out.append('const std::size_t %sSize = sizeof(%s) / sizeof(%s[0]);'
               % (name, name, name))
    return out


def main(src, dst):
    legacy = legacy_codes(src)
    legacy_runs = runs_of(legacy)
    verify(legacy, legacy_runs)

    g97 = {c: parse_line(l) for c, l in
           enumerate(read_lines(os.path.join(src, 'index_codes_gen_97.txt')))}
    if len(g97) != 256:
        raise ValueError('General 97 list must have 256 lines')
    g97_runs = runs_of(g97)
    verify(g97, g97_runs)
    pairs = [tuple(int(x) for x in l.split(',')) for l in
             read_lines(os.path.join(src, 'index_mappings_ext_gen_97.txt'))]

    out = ['// Generated by jet/tools/gen_sort_tables.py from the published',
           '// sort-order code lists. Do not edit: run the script again.',
           '#include "sort_tables.h"', '', 'namespace jet::sort {', '']
    out += emit_runs('kGeneralLegacyRuns', legacy_runs) + ['']
    out += emit_runs('kGeneral97Runs', g97_runs) + ['']
    out.append('const CharMapping kGeneral97Mappings[] = {')
    out += ['    {0x%04X, 0x%02X},' % p for p in sorted(pairs)]
    out.append('};')
    out.append('const std::size_t kGeneral97MappingsSize = '
               'sizeof(kGeneral97Mappings) / sizeof(kGeneral97Mappings[0]);')
    out += ['', '}  // namespace jet::sort', '']
    with open(dst, 'w', encoding='ascii') as f:
        f.write('\n'.join(out))
    print('%s: %d legacy runs, %d General 97 runs, %d mappings'
          % (dst, len(legacy_runs), len(g97_runs), len(pairs)))


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit('usage: gen_sort_tables.py SORT_CODES_DIR OUTPUT.cpp')
    main(sys.argv[1], sys.argv[2])
