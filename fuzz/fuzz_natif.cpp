// Native card files: full read and model read, then the writer on what was read.
#include "commun.h"
#include "formats/fiches/natif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    const QByteArray octets = Fuzz::Octets(donnees, taille);
    for (bool complet : {true, false}) {
        Fuzz::Essayer([&] {
            auto f = TFichierNatif::LireNatif(octets, complet);
            Fuzz::Parcourir(*f);
            TFichierNatif::EcrireNatif(*f);
        });
    }
    return 0;
}
