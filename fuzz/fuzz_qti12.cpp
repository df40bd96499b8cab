// Bare QTI 1.2 documents (questestinterop), then both package writers on
// what was read.
#include "commun.h"
#include "formats/qti/qti12.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    const QByteArray octets = Fuzz::Octets(donnees, taille);
    if (octets.startsWith("PK"))
        return 0; // the package target's
    Fuzz::Essayer([&] {
        auto f = Qti12::Lire(octets, nullptr);
        Fuzz::Parcourir(*f);
        Qti12::PertesEcriture pertes;
        Qti12::EcrireEvaluation(*f, Qti12::Profil::Canvas, QStringLiteral("i"), QStringLiteral("t"), pertes);
        Qti12::EcrireEvaluation(*f, Qti12::Profil::Cartouche, QStringLiteral("i"), QStringLiteral("t"), pertes);
    });
    return 0;
}
