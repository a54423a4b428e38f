#!/usr/bin/env python3
"""Pairs of src/win folders that include each other (headers found in src/win only)."""
import os, re, sys
root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'src', 'win')
inc = {}
for d, _, files in os.walk(root):
    for f in files:
        if not f.endswith(('.cpp', '.h')):
            continue
        path = os.path.join(d, f)
        here = os.path.relpath(path, root).split(os.sep)[0]
        for m in re.finditer(r'#include "([\w]+)/([\w./]+)"', open(path, encoding='utf-8').read()):
            there = m.group(1)
            if there != here and os.path.isfile(os.path.join(root, there, m.group(2))):
                inc.setdefault(here, set()).add(there)
pairs = sorted((a, b) for a in inc for b in inc[a] if a < b and a in inc.get(b, ()))
print(len(pairs), ' '.join(f'{a}<->{b}' for a, b in pairs))
