// GIFT and Aiken quiz texts, then their writers on what was read: what a
// writer makes must read back.
#include "commun.h"
#include "formats/quiz/gift.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    const QByteArray octets = Fuzz::Octets(donnees, taille);
    Fuzz::Essayer([&] {
        int n = 0;
        auto f = TFichierGift::LireGift(octets, n);
        Fuzz::Parcourir(*f);
        auto relu = TFichierGift::LireGift(TFichierGift::EcrireGift(*f, n), n);
        if (relu->NombreFiches() != f->NombreFiches())
            std::abort();
    });
    Fuzz::Essayer([&] {
        auto f = TFichierAiken::LireAiken(octets);
        int n = 0;
        TFichierAiken::LireAiken(TFichierAiken::EcrireAiken(*f, n));
    });
    return 0;
}
