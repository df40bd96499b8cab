#!/usr/bin/env bash
# Lists the include edges between folders of src/ (from -> to, with the number
# of #include lines), then the cycles among them. Exits non-zero on a cycle.
# Paths are read as rooted at src/ ("model/x.h"); a bare "x.h" or a
# "../model/x.h" is resolved against the including file's folder.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 - "$@" <<'PY'
import collections, os, re, sys

racine = 'src'
aretes = collections.Counter()
for dossier, _, fichiers in os.walk(racine):
    for nom in fichiers:
        if not nom.endswith(('.h', '.cpp')):
            continue
        chemin = os.path.join(dossier, nom)
        de = os.path.relpath(dossier, racine).split(os.sep)[0]
        with open(chemin, encoding='utf-8', errors='replace') as f:
            for ligne in f:
                m = re.match(r'\s*#\s*include\s+"([^"]+)"', ligne)
                if not m:
                    continue
                inclus = m.group(1)
                local = os.path.normpath(os.path.join(dossier, inclus))
                if os.path.exists(local):
                    cible = local
                else:
                    cible = os.path.normpath(os.path.join(racine, inclus))
                    if not os.path.exists(cible):
                        continue  # generated (.moc, ui_) or outside src
                vers = os.path.relpath(cible, racine).split(os.sep)[0]
                if vers != de:
                    aretes[(de, vers)] += 1

graphe = collections.defaultdict(set)
for (de, vers), n in sorted(aretes.items()):
    print(f'{de} -> {vers} ({n})')
    graphe[de].add(vers)

# Cycles: strongly connected components with more than one folder.
index, bas, pile, sur, compo = {}, {}, [], set(), []
def visiter(v):
    index[v] = bas[v] = len(index)
    pile.append(v); sur.add(v)
    for w in graphe[v]:
        if w not in index:
            visiter(w); bas[v] = min(bas[v], bas[w])
        elif w in sur:
            bas[v] = min(bas[v], index[w])
    if bas[v] == index[v]:
        c = []
        while True:
            w = pile.pop(); sur.discard(w); c.append(w)
            if w == v:
                break
        if len(c) > 1:
            compo.append(sorted(c))
for v in list(graphe):
    if v not in index:
        visiter(v)
if compo:
    for c in compo:
        print('cycle: ' + ' <-> '.join(c))
    sys.exit(1)
print('no cycle')
PY
