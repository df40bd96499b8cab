#!/usr/bin/env bash
# Lists the include edges between folders of src/ (from -> to, with the number
# of #include lines), then the cycles among them. Exits non-zero on a cycle or
# on an edge the table below does not allow. The codecs in formats/'s
# subfolders are folders of their own: they build on formats/ (the format
# interface, the table, the loss report, the question model, XML and zip)
# and never on each other, so a format stays its own files.
# Paths are read as rooted at src/ ("model/x.h"); a bare "x.h" or a
# "../model/x.h" is resolved against the including file's folder.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 - "$@" <<'PY'
import collections, os, re, sys

racine = 'src'

# The layers, each allowed onto those it names. The core is model and
# formats, with settings above them; resources holds the texts they all use.
permis = {
    'app': {'editor', 'resources', 'settings'},
    'cli': {'formats', 'model', 'orthographe', 'resources', 'settings'},
    'editor': {'dialogs', 'document', 'formats', 'model', 'orthographe', 'resources', 'settings', 'ui'},
    'dialogs': {'model', 'resources', 'ui'},
    'ui': {'model'},
    # The recovery copies and the undo steps' bytes are XML card files.
    'document': {'formats', 'formats/fiches', 'model'},
    'orthographe': set(),
    'settings': {'formats', 'model', 'resources'},
    'formats': {'model', 'resources'},
    'model': {'resources'},
    'resources': set(),
}
CODEC = {'formats', 'model', 'resources'}

def dossier_de(chemin):
    parties = os.path.relpath(chemin, racine).split(os.sep)
    if parties[0] == 'formats' and len(parties) > 2:
        return 'formats/' + parties[1]
    return parties[0]
aretes = collections.Counter()
for dossier, _, fichiers in os.walk(racine):
    for nom in fichiers:
        if not nom.endswith(('.h', '.cpp')):
            continue
        chemin = os.path.join(dossier, nom)
        de = dossier_de(chemin)
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
                vers = dossier_de(cible)
                if vers != de:
                    aretes[(de, vers)] += 1

graphe = collections.defaultdict(set)
interdites = []
for (de, vers), n in sorted(aretes.items()):
    print(f'{de} -> {vers} ({n})')
    graphe[de].add(vers)
    autorisees = CODEC if de.startswith('formats/') else permis.get(de, set())
    if vers not in autorisees:
        interdites.append(f'{de} -> {vers}')

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
for a in interdites:
    print('not allowed: ' + a)
for c in compo:
    print('cycle: ' + ' <-> '.join(c))
if compo or interdites:
    sys.exit(1)
print('no cycle, every edge allowed')
PY
