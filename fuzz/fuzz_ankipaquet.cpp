// Anki package import: the input is the .apkg file (a zip holding an SQLite
// collection, zstd-compressed in the newer layout). What was read is written
// back as a package and as Anki text.
#include "commun.h"
#include "formats/anki.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    const QByteArray octets = Fuzz::Octets(donnees, taille);
    Fuzz::Essayer([&] {
        auto f = TFichierAnki::LirePaquet(octets, QLatin1Char('D'));
        Fuzz::Parcourir(*f);
        TFichierAnki::EcrirePaquet(*f, QStringLiteral("fuzz"));
        TFichierAnki::EcrireTexte(*f, QStringLiteral("fuzz"));
    });
    return 0;
}
