#include "formats/anki/anki.h"

#include "formats/anki/ankilecture.h"
#include "formats/zip.h"

#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"

#include <QCoreApplication>

// The frame header (window size) is in the part of zstd's API marked static-only.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>

#include <cstring>

// Anki packages: a zip holding the collection database (zstd-compressed in
// newer packages), its media files and a "meta" entry.

namespace AnkiLecture {

struct Entree
{
    const char *nom;
    bool zstd;
    bool tables; // the newer schema, note types in tables of their own
};

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
    const Zip::TLecture archive(octets, budget, Anki::tr("This Anki package is not a valid zip file."),
                                Anki::tr("This Anki package is damaged or holds no Anki collection."));
    // The newest collection first: newer packages also hold an old one that
    // only tells older programs to update.
    static const Entree entrees[] = {
        {"collection.anki21b", true, true}, {"collection.anki21", false, false}, {"collection.anki2", false, false}};
    // The media files are the entries named by a number.
    if (omissions) {
        const qint64 n = archive.Nombre();
        for (qint64 i = 0; i < n; ++i) {
            const QString nom = archive.Nom(i);
            bool chiffres = !nom.isEmpty();
            for (const QChar c : nom)
                chiffres = chiffres && c >= u'0' && c <= u'9';
            if (chiffres)
                ++omissions->medias;
        }
    }
    const Entree *voulue = nullptr;
    if (const qint64 meta = archive.Chercher(QStringLiteral("meta")); meta >= 0) {
        const quint64 version = VersionMeta(archive.Lire(meta));
        if (version < 1 || version > 3)
            RefuserTropRecent();
        voulue = &entrees[3 - version];
    }
    for (const Entree &e : entrees) {
        if (voulue && &e != voulue)
            continue;
        const QString nom = QString::fromLatin1(e.nom);
        const qint64 index = archive.Chercher(nom);
        if (index < 0)
            continue;
        QByteArray base = archive.Lire(index);
        if (e.zstd)
            base = Decompresser(base, budget);
        // Anki writes its log into the collection before it exports; a
        // collection zipped straight from a profile may still hold changes
        // there, which a database read from memory cannot take in.
        const QString journal = nom + QLatin1String("-wal");
        if (const qint64 j = archive.Chercher(journal); omissions && j >= 0 && archive.Taille(j) > 0)
            omissions->journal = journal;
        return base;
    }
    // The newer collection a package's meta names is missing: what is left
    // is at best the note that asks to update Anki.
    if (voulue && voulue->zstd && archive.Chercher(QStringLiteral("collection.anki2")) >= 0)
        RefuserTropRecent();
    Endommage();
}

} // namespace AnkiLecture

using namespace AnkiLecture;

std::unique_ptr<TFichierX> TFichierAnki::LirePaquet(const QByteArray &octets, QChar type, const QString &nomSecours,
                                                    Formats::Rapport *rapport, const TOptions &options,
                                                    const ChoixType &choisir)
{
    TBudgetMemoire budget(octets.size());
    Omissions omissions;
    QByteArray base = CollectionDuPaquet(octets, budget, &omissions);
    auto fichier = LireBase(base, type, nomSecours, omissions, options, choisir);
    if (fichier)
        omissions.Rapporter(rapport);
    return fichier;
}
