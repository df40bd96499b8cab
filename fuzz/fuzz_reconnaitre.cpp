// Format recognition of a file head. The first byte picks the file name's
// extension and the CSV separator; the rest is the head.
#include "commun.h"
#include "formats/formats.h"
#include "model/options.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    if (taille == 0)
        return 0;
    static const char *const noms[] = {"a.csv", "a.CSV", "a.xaqq", "a.aqq", "a.crd", "a.xml", "a", "a.txt"};
    static const char *const separateurs[] = {",", ";", "\\t", "\\s"};
    const uint8_t mode = donnees[0];
    TOptions options;
    options.separateurCsv = QString::fromLatin1(separateurs[(mode >> 3) & 3]);
    const QByteArray tete = Fuzz::Octets(donnees + 1, taille - 1);
    Fuzz::Essayer([&] {
        const QChar lettre = ReconnaitreFormatTete(tete, QString::fromLatin1(noms[mode & 7]), options);
        if (!QStringLiteral("nxcsm?").contains(lettre))
            std::abort();
    });
    return 0;
}
