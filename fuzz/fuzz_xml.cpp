// XML card files: full read and model read, then the writer on what was read.
#include "commun.h"
#include "formats/fiches/xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    const QByteArray octets = Fuzz::Octets(donnees, taille);
    for (bool complet : {true, false}) {
        Fuzz::Essayer([&] {
            auto f = TFichierXML::LireXml(octets, complet);
            Fuzz::Parcourir(*f);
            TFichierXML::EcrireXml(*f);
        });
    }
    return 0;
}
