#!/usr/bin/env python3
"""Fails when headers under SOURCE_DIR include each other in a cycle.

A cycle ties two classes so that neither can change or be tested alone (and one of them then
needs forward declarations to compile at all). Only project headers ("layer/Name.h") count.
Usage: check-include-cycles.py SOURCE_DIR
"""
import pathlib, re, sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def graph(root):
    # A header and its .cpp are one unit: Foo.cpp including Bar.h is Foo.h depending on Bar.h.
    edges = {}
    for path in root.rglob('*'):
        if path.suffix not in ('.h', '.cpp'):
            continue
        unit = str(path.relative_to(root).with_suffix('.h'))
        for header in INCLUDE.findall(path.read_text(encoding='utf-8', errors='replace')):
            if (root / header).exists() and header != unit:
                edges.setdefault(unit, set()).add(header)
    return edges


def cycles(edges):
    found, state, stack = [], {}, []

    def visit(node):
        state[node] = 'open'
        stack.append(node)
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == 'open':
                found.append(stack[stack.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[node] = 'done'

    for node in sorted(edges):
        if node not in state:
            visit(node)
    return found


def main():
    found = cycles(graph(pathlib.Path(sys.argv[1])))
    for cycle in found:
        print('include cycle: ' + ' -> '.join(cycle))
    if found:
        print(f'{len(found)} include cycles')
        sys.exit(1)


if __name__ == '__main__':
    main()
