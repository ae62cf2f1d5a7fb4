#!/usr/bin/env python3
"""Fails when a switch over the tool enumeration has a `default:` label.

Such a switch swallows a new annotation kind silently; listing every case instead lets the
compiler (-Werror=switch) name each place the new kind must be handled. A switch counts as one
over the tool when its expression names a tool (`a.tool`, `tool`, `m_gestureTool`, `model.tool()`).
Usage: check-tool-switches.py SOURCE_DIR
"""
import pathlib, re, sys

TOOL_EXPRESSION = re.compile(r'(\btool\b|Tool\b|\btool\(\))')


def strip(text):
    # Comments and literals blanked out, keeping every newline so line numbers stay true.
    pattern = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)
    return pattern.sub(lambda m: re.sub(r'[^\n]', ' ', m.group(0)), text)


def matching(text, open_at, opening, closing):
    depth = 0
    for i in range(open_at, len(text)):
        if text[i] == opening:
            depth += 1
        elif text[i] == closing:
            depth -= 1
            if depth == 0:
                return i
    return len(text) - 1


def own_labels(body):
    # The body without the bodies of switches nested in it: their labels are theirs.
    out, i = [], 0
    for m in re.finditer(r'\bswitch\s*\(', body):
        if m.start() < i:
            continue
        close = matching(body, m.end() - 1, '(', ')')
        brace = body.find('{', close)
        if brace < 0:
            break
        end = matching(body, brace, '{', '}')
        out.append(body[i:brace])
        out.append(re.sub(r'[^\n]', ' ', body[brace:end + 1]))
        i = end + 1
    out.append(body[i:])
    return ''.join(out)


def faults(path):
    text = strip(path.read_text(encoding='utf-8', errors='replace'))
    for m in re.finditer(r'\bswitch\s*\(', text):
        close = matching(text, m.end() - 1, '(', ')')
        expression = text[m.end():close]
        if not TOOL_EXPRESSION.search(expression):
            continue
        brace = text.find('{', close)
        if brace < 0:
            continue
        body = text[brace + 1:matching(text, brace, '{', '}')]
        if re.search(r'\bdefault\s*:', own_labels(body)):
            yield text.count('\n', 0, m.start()) + 1, expression.strip()


def main():
    root = pathlib.Path(sys.argv[1])
    count = 0
    for path in sorted(root.rglob('*')):
        if path.suffix not in ('.cpp', '.h'):
            continue
        for line, expression in faults(path):
            print(f'{path.relative_to(root)}:{line}: switch ({expression}) has a default: list every tool instead')
            count += 1
    if count:
        print(f'{count} switches over the tool have a default')
        sys.exit(1)


if __name__ == '__main__':
    main()
