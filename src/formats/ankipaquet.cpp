#include "formats/anki.h"

#include "formats/ankilecture.h"

#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"

#include <QCoreApplication>

#include <zip.h>
// The frame header (window size) is in the part of zstd's API marked static-only.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>

#include <cstring>

// Anki packages: a zip holding the collection database (zstd-compressed in
// newer packages), its media files and a "meta" entry.

namespace AnkiLecture {

struct FermerZip
{
    void operator()(zip_t *z) const { zip_discard(z); }
};

struct Entree
{
    const char *nom;
    bool zstd;
    bool tables; // the newer schema, note types in tables of their own
};

// Reads a zip entry whole, after checking its size against the budget.
QByteArray LireEntree(zip_t *archive, zip_int64_t index, TBudgetMemoire &budget)
{
    zip_stat_t etat;
    zip_stat_init(&etat);
    if (zip_stat_index(archive, zip_uint64_t(index), 0, &etat) < 0 || !(etat.valid & ZIP_STAT_SIZE))
        Endommage();
    if (etat.size > zip_uint64_t(budget.Limite()))
        budget.Refuser();
    budget.Prendre(qint64(etat.size));
    std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> entree(zip_fopen_index(archive, zip_uint64_t(index), 0),
                                                              zip_fclose);
    if (!entree)
        Endommage();
    QByteArray octets(qsizetype(etat.size), Qt::Uninitialized);
    zip_uint64_t lus = 0;
    while (lus < etat.size) {
        const zip_int64_t n = zip_fread(entree.get(), octets.data() + lus, etat.size - lus);
        if (n <= 0)
            Endommage();
        lus += zip_uint64_t(n);
    }
    char encore;
    if (zip_fread(entree.get(), &encore, 1) != 0) // more than announced, or a bad checksum
        Endommage();
    return octets;
}

QByteArray Decompresser(const QByteArray &compresse, TBudgetMemoire &budget)
{
    std::unique_ptr<ZSTD_DStream, size_t (*)(ZSTD_DStream *)> flux(ZSTD_createDStream(), ZSTD_freeDStream);
    if (!flux)
        throw std::bad_alloc();
    // The window a frame asks for is memory too: counted before it is taken.
    ZSTD_frameHeader entete;
    if (ZSTD_getFrameHeader(&entete, compresse.constData(), size_t(compresse.size())) != 0)
        Endommage();
    const qint64 fenetre = qint64(qMin<unsigned long long>(entete.windowSize, 1ULL << 40));
    if (fenetre > budget.Limite() - budget.Pris())
        budget.Refuser();
    budget.Prendre(fenetre);
    QByteArray sortie;
    qsizetype rempli = 0;
    if (entete.frameContentSize != ZSTD_CONTENTSIZE_UNKNOWN
        && entete.frameContentSize > quint64(budget.Limite() - budget.Pris()))
        budget.Refuser();
    ZSTD_inBuffer entree{compresse.constData(), size_t(compresse.size()), 0};
    size_t resultat = 1;
    while (entree.pos < entree.size || resultat != 0) {
        if (rempli == sortie.size()) {
            const qsizetype pas = qMax<qsizetype>(1 << 20, sortie.size());
            budget.Prendre(pas);
            sortie.resize(sortie.size() + pas);
        }
        ZSTD_outBuffer sortieZ{sortie.data() + rempli, size_t(sortie.size() - rempli), 0};
        const size_t avant = entree.pos;
        resultat = ZSTD_decompressStream(flux.get(), &sortieZ, &entree);
        if (ZSTD_isError(resultat))
            Endommage();
        rempli += qsizetype(sortieZ.pos);
        // Input all read, nothing more coming out, yet the frame unfinished.
        if (entree.pos == entree.size && sortieZ.pos == 0 && avant == entree.pos && resultat != 0)
            Endommage();
    }
    sortie.truncate(rempli);
    budget.Rendre(fenetre);
    return sortie;
}

// The version a package's "meta" entry gives (a protobuf message whose
// field 1 is the version), 0 when it gives none.
quint64 VersionMeta(const QByteArray &meta)
{
    quint64 version = 0;
    qsizetype i = 0;
    const auto varint = [&](quint64 &v) {
        v = 0;
        for (int decalage = 0; decalage < 64 && i < meta.size(); decalage += 7) {
            const uchar o = uchar(meta.at(i++));
            v |= quint64(o & 0x7F) << decalage;
            if (!(o & 0x80))
                return true;
        }
        return false;
    };
    while (i < meta.size()) {
        quint64 cle = 0;
        quint64 valeur = 0;
        if (!varint(cle))
            return 0;
        switch (cle & 7) {
        case 0:
            if (!varint(valeur))
                return 0;
            if (cle >> 3 == 1)
                version = valeur;
            break;
        case 1:
            i += 8;
            break;
        case 2:
            if (!varint(valeur) || valeur > quint64(meta.size() - i))
                return 0;
            i += qsizetype(valeur);
            break;
        case 5:
            i += 4;
            break;
        default:
            return 0;
        }
    }
    return i == meta.size() ? version : 0;
}

// The collection of a package, as Anki picks it: the one its "meta" entry
// names, else the newest one present.
QByteArray CollectionDuPaquet(const QByteArray &octets, TBudgetMemoire &budget, Omissions *omissions)
{
    zip_error_t erreur;
    zip_error_init(&erreur);
    zip_source_t *source = zip_source_buffer_create(octets.constData(), zip_uint64_t(octets.size()), 0, &erreur);
    if (!source) {
        zip_error_fini(&erreur);
        throw std::bad_alloc();
    }
    std::unique_ptr<zip_t, FermerZip> archive(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &erreur));
    zip_error_fini(&erreur);
    if (!archive) {
        zip_source_free(source);
        Refuser(Anki::tr("This Anki package is not a valid zip file."));
    }
    // The newest collection first: newer packages also hold an old one that
    // only tells older programs to update.
    static const Entree entrees[] = {
        {"collection.anki21b", true, true}, {"collection.anki21", false, false}, {"collection.anki2", false, false}};
    // The media files are the entries named by a number.
    if (omissions) {
        const zip_int64_t n = zip_get_num_entries(archive.get(), 0);
        for (zip_int64_t i = 0; i < n; ++i) {
            const char *nom = zip_get_name(archive.get(), zip_uint64_t(i), 0);
            if (!nom || !*nom)
                continue;
            bool chiffres = true;
            for (const char *c = nom; *c && chiffres; ++c)
                chiffres = *c >= '0' && *c <= '9';
            if (chiffres)
                ++omissions->medias;
        }
    }
    const Entree *voulue = nullptr;
    if (const zip_int64_t meta = zip_name_locate(archive.get(), "meta", 0); meta >= 0) {
        const quint64 version = VersionMeta(LireEntree(archive.get(), meta, budget));
        if (version < 1 || version > 3)
            RefuserTropRecent();
        voulue = &entrees[3 - version];
    }
    for (const Entree &e : entrees) {
        if (voulue && &e != voulue)
            continue;
        const zip_int64_t index = zip_name_locate(archive.get(), e.nom, 0);
        if (index < 0)
            continue;
        QByteArray base = LireEntree(archive.get(), index, budget);
        if (e.zstd)
            base = Decompresser(base, budget);
        // Anki writes its log into the collection before it exports; a
        // collection zipped straight from a profile may still hold changes
        // there, which a database read from memory cannot take in.
        zip_stat_t etat;
        zip_stat_init(&etat);
        if (omissions && zip_stat(archive.get(), (QByteArray(e.nom) + "-wal").constData(), 0, &etat) == 0
            && (etat.valid & ZIP_STAT_SIZE) && etat.size > 0)
            omissions->journal = QString::fromLatin1(e.nom) + QLatin1String("-wal");
        return base;
    }
    // The newer collection a package's meta names is missing: what is left
    // is at best the note that asks to update Anki.
    if (voulue && voulue->zstd && zip_name_locate(archive.get(), "collection.anki2", 0) >= 0)
        RefuserTropRecent();
    Endommage();
}

} // namespace AnkiLecture

using namespace AnkiLecture;

std::unique_ptr<TFichierX> TFichierAnki::LirePaquet(const QByteArray &octets, QChar type, const QString &nomSecours,
                                                    Formats::Rapport *rapport, const TOptions &options)
{
    TBudgetMemoire budget(octets.size());
    Omissions omissions;
    QByteArray base = CollectionDuPaquet(octets, budget, &omissions);
    auto fichier = LireBase(base, type, nomSecours, omissions, options);
    omissions.Rapporter(rapport);
    return fichier;
}
