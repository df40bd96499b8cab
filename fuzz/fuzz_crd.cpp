// Windows 3.1 Cardfile files, then the writer on what was read.
#include "commun.h"
#include "formats/fiches/crd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    const QByteArray octets = Fuzz::Octets(donnees, taille);
    Fuzz::Essayer([&] {
        bool avecImages = false;
        auto f = TFichierCrd::LireCardfile(octets, avecImages);
        Fuzz::Parcourir(*f);
        TFichierCrd::EcrireCardfile(*f);
    });
    return 0;
}
