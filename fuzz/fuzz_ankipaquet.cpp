// Anki package import. The first byte picks what the rest is: 0 the .apkg
// file itself; 1 the collection, put in a package here (the zip's checksums
// would otherwise stop every change before SQLite sees it); 2 the same,
// compressed as a newer package's collection; 3 the compressed collection
// itself. What was read is written back as a package and as Anki text.
#include "commun.h"
#include "formats/anki/anki.h"

#include <zip.h>
#include <zstd.h>

namespace {

QByteArray Paquet(const char *nom, const QByteArray &octets)
{
    zip_error_t erreur;
    zip_error_init(&erreur);
    zip_source_t *tampon = zip_source_buffer_create(nullptr, 0, 0, &erreur);
    zip_t *archive = zip_open_from_source(tampon, ZIP_TRUNCATE, &erreur);
    zip_source_keep(tampon);
    zip_file_add(archive, nom, zip_source_buffer(archive, octets.constData(), zip_uint64_t(octets.size()), 0), 0);
    zip_close(archive);
    zip_stat_t etat;
    zip_source_stat(tampon, &etat);
    QByteArray resultat(qsizetype(etat.size), '\0');
    zip_source_open(tampon);
    zip_source_read(tampon, resultat.data(), etat.size);
    zip_source_close(tampon);
    zip_source_free(tampon);
    return resultat;
}

QByteArray Zstd(const QByteArray &octets)
{
    QByteArray r(qsizetype(ZSTD_compressBound(size_t(octets.size()))), '\0');
    r.resize(qsizetype(ZSTD_compress(r.data(), size_t(r.size()), octets.constData(), size_t(octets.size()), 1)));
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    if (taille == 0)
        return 0;
    const QByteArray reste = Fuzz::Octets(donnees + 1, taille - 1);
    QByteArray octets;
    switch (donnees[0] & 3) {
    case 0:
        octets = reste;
        break;
    case 1:
        octets = Paquet("collection.anki2", reste);
        break;
    case 2:
        octets = Paquet("collection.anki21b", Zstd(reste));
        break;
    default:
        octets = Paquet("collection.anki21b", reste);
    }
    Fuzz::Essayer([&] {
        auto f = TFichierAnki::LirePaquet(octets, QLatin1Char('D'));
        Fuzz::Parcourir(*f);
        TFichierAnki::EcrirePaquet(*f, QStringLiteral("fuzz"));
        TFichierAnki::EcrireTexte(*f, QStringLiteral("fuzz"));
    });
    return 0;
}
