// QTI 2.1 item documents, then the package writer on what was read.
#include "commun.h"
#include "formats/qti/qti21.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    const QByteArray octets = Fuzz::Octets(donnees, taille);
    Fuzz::Essayer([&] {
        auto f = TFichierQti21::LireItem(octets, nullptr);
        Fuzz::Parcourir(*f);
        TFichierQti21::EcrirePaquet(*f, nullptr);
    });
    return 0;
}
