// Anki text import. The first byte picks the type of the card file (with or
// without titles, numbered or not); the rest is the file. What was read is
// written back as Anki text.
#include "commun.h"
#include "formats/anki/anki.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    if (taille == 0)
        return 0;
    static const char types[] = "DQLMN";
    const QChar type = QLatin1Char(types[donnees[0] % (sizeof(types) - 1)]);
    const QByteArray octets = Fuzz::Octets(donnees + 1, taille - 1);
    Fuzz::Essayer([&] {
        auto f = TFichierAnki::LireTexte(octets, type);
        Fuzz::Parcourir(*f);
        TFichierAnki::EcrireTexte(*f, QStringLiteral("fuzz"));
    });
    return 0;
}
