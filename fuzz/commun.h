#pragma once

// What every fuzz target shares: the input as the bytes a reader gets from a
// file, and the rule that only an Erreur is a clean refusal.

#include "model/erreurs.h"
#include "model/fichierx.h"

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

namespace Fuzz {

// A copy, as TFlux::LireTout gives it (terminated, owned).
inline QByteArray Octets(const uint8_t *donnees, size_t taille)
{
    return QByteArray(reinterpret_cast<const char *>(donnees), qsizetype(taille));
}

// Runs one read; an Erreur is a refusal, anything else stops the run.
template <typename Lecture>
void Essayer(Lecture &&lecture)
{
    try {
        lecture();
    } catch (const Erreur &) {
        // clean refusal
    } catch (const std::exception &e) {
        std::fprintf(stderr, "Unexpected exception: %s\n", e.what());
        std::abort();
    } catch (...) {
        std::fprintf(stderr, "Unexpected exception of unknown type\n");
        std::abort();
    }
}

// A card file that was read must hold together: touch every text.
inline void Parcourir(const TFichierX &f)
{
    qsizetype total = f.Titre.size() + f.Signature.size() + f.Description.size();
    for (const auto &fiche : f.Fiches)
        total += fiche.Champ0().size() + fiche.Champ1().size() + fiche.Champ2().size();
    if (total < 0)
        std::abort();
}

}
