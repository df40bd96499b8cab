// Moodle XML quizzes, then the writer on what was read.
#include "commun.h"
#include "formats/quiz/moodle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    const QByteArray octets = Fuzz::Octets(donnees, taille);
    Fuzz::Essayer([&] {
        auto f = TFichierMoodle::LireMoodle(octets);
        Fuzz::Parcourir(*f);
        TFichierMoodle::EcrireMoodle(*f);
    });
    return 0;
}
