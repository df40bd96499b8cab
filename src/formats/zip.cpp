#include "formats/zip.h"

#include "formats/fils.h"

#include "model/budget.h"
#include "model/erreurs.h"

#include <QUrl>

#include <cstring>
#include <ctime>
#include <limits>

#include <zip.h>
#include <libdeflate.h>
#include <zlib.h>

namespace Zip {

struct TLecture::Prive
{
    zip_t *archive = nullptr;
    TBudgetMemoire &budget;
    QString endommage;
    explicit Prive(TBudgetMemoire &b) : budget(b) { }
};

TLecture::TLecture(const QByteArray &octets, TBudgetMemoire &budget, const QString &pasUnZip, const QString &endommage)
    : d(std::make_unique<Prive>(budget))
{
    d->endommage = endommage;
    zip_error_t erreur;
    zip_error_init(&erreur);
    zip_source_t *source = zip_source_buffer_create(octets.constData(), zip_uint64_t(octets.size()), 0, &erreur);
    if (!source) {
        zip_error_fini(&erreur);
        throw std::bad_alloc();
    }
    d->archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &erreur);
    zip_error_fini(&erreur);
    if (!d->archive) {
        zip_source_free(source);
        throw ErreurIdInvalide(pasUnZip);
    }
}

TLecture::~TLecture()
{
    zip_discard(d->archive);
}

void TLecture::Endommage() const
{
    throw ErreurIdInvalide(d->endommage);
}

qint64 TLecture::Nombre() const
{
    return zip_get_num_entries(d->archive, 0);
}

QString TLecture::Nom(qint64 index) const
{
    const char *nom = zip_get_name(d->archive, zip_uint64_t(index), 0);
    return nom ? QString::fromUtf8(nom) : QString();
}

qint64 TLecture::Chercher(const QString &nom) const
{
    return zip_name_locate(d->archive, nom.toUtf8().constData(), 0);
}

quint64 TLecture::Taille(qint64 index) const
{
    zip_stat_t etat;
    zip_stat_init(&etat);
    if (zip_stat_index(d->archive, zip_uint64_t(index), 0, &etat) < 0 || !(etat.valid & ZIP_STAT_SIZE))
        Endommage();
    return etat.size;
}

qint64 TLecture::TailleDepliee() const
{
    quint64 total = 0;
    const qint64 n = Nombre();
    for (qint64 i = 0; i < n; ++i) {
        zip_stat_t etat;
        zip_stat_init(&etat);
        if (zip_stat_index(d->archive, zip_uint64_t(i), 0, &etat) < 0
            || (etat.valid & (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE)) != (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE))
            continue;
        // Text deflates 3 to 20 times, QTI's markup around short questions
        // about 50 times; a bomb's runs of one byte about a thousand times.
        if (etat.size <= TauxTexte * qMax<quint64>(etat.comp_size, 1))
            total += etat.size;
    }
    return qint64(qMin<quint64>(total, quint64(std::numeric_limits<qint64>::max() / 64)));
}

namespace {

using Decompresseur = std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor *)>;

// A deflated entry, inflated whole by libdeflate (several times faster than
// the zlib stream libzip reads through) and checked against its checksum.
// False when the bytes are not what the entry announces.
bool Deplier(zip_t *archive, const zip_stat_t &etat, QByteArray &octets, TBudgetMemoire &budget)
{
    thread_local Decompresseur decompresseur(nullptr, libdeflate_free_decompressor);
    if (!decompresseur)
        decompresseur.reset(libdeflate_alloc_decompressor());
    if (!decompresseur)
        throw std::bad_alloc();
    const qint64 compresse = qint64(etat.comp_size);
    budget.Prendre(compresse);
    struct Rendre
    {
        TBudgetMemoire &b;
        qint64 n;
        ~Rendre() { b.Rendre(n); }
    } rendre{budget, compresse};
    std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> entree(zip_fopen_index(archive, etat.index, ZIP_FL_COMPRESSED),
                                                              zip_fclose);
    if (!entree)
        return false;
    QByteArray brut(qsizetype(compresse), Qt::Uninitialized);
    if (zip_fread(entree.get(), brut.data(), etat.comp_size) != zip_int64_t(etat.comp_size))
        return false;
    return libdeflate_deflate_decompress(decompresseur.get(), brut.constData(), size_t(compresse), octets.data(),
                                         size_t(octets.size()), nullptr)
        == LIBDEFLATE_SUCCESS
        && libdeflate_crc32(0, octets.constData(), size_t(octets.size())) == etat.crc;
}

} // namespace

QByteArray TLecture::Lire(qint64 index) const
{
    zip_stat_t etat;
    zip_stat_init(&etat);
    if (zip_stat_index(d->archive, zip_uint64_t(index), 0, &etat) < 0 || !(etat.valid & ZIP_STAT_SIZE))
        Endommage();
    const quint64 taille = etat.size;
    TBudgetMemoire &budget = d->budget;
    if (taille > quint64(budget.Limite() - budget.Pris()))
        budget.Refuser();
    budget.Prendre(qint64(taille));
    QByteArray octets(qsizetype(taille), Qt::Uninitialized);
    constexpr zip_uint64_t Complet = ZIP_STAT_INDEX | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC
        | ZIP_STAT_ENCRYPTION_METHOD;
    if ((etat.valid & Complet) == Complet && etat.comp_method == ZIP_CM_DEFLATE && etat.encryption_method == ZIP_EM_NONE
        && taille > 0) {
        if (!Deplier(d->archive, etat, octets, budget))
            Endommage();
        return octets;
    }
    std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> entree(zip_fopen_index(d->archive, zip_uint64_t(index), 0),
                                                              zip_fclose);
    if (!entree)
        Endommage();
    quint64 lus = 0;
    while (lus < taille) {
        const zip_int64_t n = zip_fread(entree.get(), octets.data() + lus, taille - lus);
        if (n <= 0)
            Endommage();
        lus += quint64(n);
    }
    char encore;
    if (zip_fread(entree.get(), &encore, 1) != 0) // more than announced, or a bad checksum
        Endommage();
    return octets;
}

QByteArray TLecture::Lire(const QString &nom) const
{
    const qint64 index = Chercher(nom);
    if (index < 0)
        Endommage();
    return Lire(index);
}

QString Dossier(const QString &nom)
{
    const qsizetype barre = nom.lastIndexOf(u'/');
    return barre < 0 ? QString() : nom.left(barre + 1);
}

QString Chemin(const QString &dossier, const QString &reference)
{
    const QUrl url(reference, QUrl::StrictMode);
    if (!url.isValid() || !url.scheme().isEmpty() || !url.host().isEmpty())
        return QString();
    const QString chemin = url.path(QUrl::FullyDecoded);
    if (chemin.isEmpty() || chemin.startsWith(u'/') || chemin.contains(u'\\'))
        return QString();
    QStringList parties = dossier.split(u'/', Qt::SkipEmptyParts);
    for (const QString &partie : chemin.split(u'/', Qt::SkipEmptyParts)) {
        if (partie == QLatin1String("."))
            continue;
        if (partie == QLatin1String("..")) {
            if (parties.isEmpty())
                return QString();
            parties.removeLast();
            continue;
        }
        parties.append(partie);
    }
    return parties.join(u'/');
}

namespace {

[[noreturn]] void Echec(zip_error_t *erreur, const QString &echec)
{
    const QString texte = QString::fromUtf8(zip_error_strerror(erreur));
    zip_error_fini(erreur);
    throw ErreurFichier(QString(echec).arg(texte));
}

}

namespace {

// An entry deflated ahead by libdeflate, several times faster than zlib at
// the same size. libzip copies it as it is, with the flags of the level.
constexpr int Niveau = 6;

struct Deflatee
{
    QByteArray octets;
    QByteArray source; // the bytes, when they are left to libzip
    zip_uint64_t taille = 0;
    uint32_t crc = 0;
    time_t date = 0;
    zip_uint64_t lus = 0;
    zip_error_t erreur;
};

zip_int64_t SourceDeflatee(void *donnee, void *data, zip_uint64_t longueur, zip_source_cmd_t commande)
{
    auto *e = static_cast<Deflatee *>(donnee);
    switch (commande) {
    case ZIP_SOURCE_OPEN:
        e->lus = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const zip_uint64_t n = qMin(longueur, zip_uint64_t(e->octets.size()) - e->lus);
        std::memcpy(data, e->octets.constData() + e->lus, size_t(n));
        e->lus += n;
        return zip_int64_t(n);
    }
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *etat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, longueur, &e->erreur);
        if (!etat)
            return -1;
        zip_stat_init(etat);
        etat->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC | ZIP_STAT_MTIME;
        etat->size = e->taille;
        etat->comp_size = zip_uint64_t(e->octets.size());
        etat->comp_method = ZIP_CM_DEFLATE;
        etat->crc = zip_uint32_t(e->crc);
        etat->mtime = e->date;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
        auto *attributs = ZIP_SOURCE_GET_ARGS(zip_file_attributes_t, data, longueur, &e->erreur);
        if (!attributs)
            return -1;
        attributs->valid |= ZIP_FILE_ATTRIBUTES_VERSION_NEEDED | ZIP_FILE_ATTRIBUTES_GENERAL_PURPOSE_BIT_FLAGS;
        attributs->version_needed = 20;
        attributs->general_purpose_bit_flags = 0; // normal compression (levels 3 to 7)
        attributs->general_purpose_bit_mask = 0x0006;
        return 0;
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&e->erreur, data, longueur);
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_GET_FILE_ATTRIBUTES,
                                              zip_source_cmd_t(-1));
    default:
        zip_error_set(&e->erreur, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// One compressor for the entries of a thread: its tables are made once.
class Deflateur
{
public:
    Deflateur() : m_c(libdeflate_alloc_compressor(Niveau)) { }
    ~Deflateur() { libdeflate_free_compressor(m_c); }
    Deflateur(const Deflateur &) = delete;
    Deflateur &operator=(const Deflateur &) = delete;
    // False when libdeflate fails (out of memory).
    bool Deflater(const char *entree, size_t n, QByteArray &sortie)
    {
        if (!m_c)
            return false;
        sortie.resize(qsizetype(libdeflate_deflate_compress_bound(m_c, n)));
        const size_t ecrits = libdeflate_deflate_compress(m_c, entree, n, sortie.data(), size_t(sortie.size()));
        if (ecrits == 0)
            return false;
        sortie.truncate(qsizetype(ecrits));
        return true;
    }

private:
    libdeflate_compressor *m_c;
};

// A part of a large entry that other parts follow, deflated by zlib, which
// can end it without ending the stream (a sync flush leaves it on a byte
// boundary), primed with what comes before it so it matches as one stream
// would. False when zlib fails (out of memory).
bool DeflaterDebut(const char *avant, size_t nAvant, const char *entree, size_t n, QByteArray &sortie)
{
    z_stream z{};
    if (deflateInit2(&z, Niveau, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    bool ok = nAvant == 0 || deflateSetDictionary(&z, reinterpret_cast<const Bytef *>(avant), uInt(nAvant)) == Z_OK;
    if (ok) {
        sortie.resize(qsizetype(deflateBound(&z, uLong(n))) + 64);
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(entree));
        z.avail_in = uInt(n);
        z.next_out = reinterpret_cast<Bytef *>(sortie.data());
        z.avail_out = uInt(sortie.size());
        ok = deflate(&z, Z_SYNC_FLUSH) == Z_OK && z.avail_in == 0 && z.avail_out > 0;
        sortie.truncate(qsizetype(z.total_out));
    }
    deflateEnd(&z);
    return ok;
}

// libzip stores an entry that deflate would not make smaller, and the empty
// ones: such entries are left to it.
bool DeflateeAvant(const Deflatee &e)
{
    return !e.octets.isEmpty() && zip_uint64_t(e.octets.size()) < e.taille;
}

// From this size an entry is deflated in parts on several threads, as one
// deflate stream: all but the last part by zlib, the last (larger: libdeflate
// is about twice as fast) by libdeflate.
constexpr qsizetype GrandeEntree = 4 << 20;
constexpr size_t Dictionnaire = 32768;

struct Partie
{
    size_t entree;
    qsizetype debut;
    qsizetype fin;
    QByteArray octets;
    uint32_t crc = 0;
};

// The entries made and deflated on as many threads as there are cores (a
// few at most), each with its own compressor.
void Deflater(size_t nombre, const Contenu &contenu, std::vector<Deflatee> &deflatees)
{
    const size_t coeurs = Fils::Nombre();
    const size_t fils = nombre < 16 ? 1 : coeurs;
    std::vector<Deflateur> deflateurs(coeurs);
    Fils::Repartir(nombre, fils, [&](size_t i, size_t fil) {
        QByteArray octets = contenu(i);
        Deflatee &e = deflatees[i];
        e.taille = zip_uint64_t(octets.size());
        if (coeurs > 1 && octets.size() >= GrandeEntree) {
            e.source = std::move(octets); // in parts, below
            return;
        }
        if (!octets.isEmpty()) {
            if (!deflateurs[fil].Deflater(octets.constData(), size_t(octets.size()), e.octets))
                throw std::bad_alloc();
            e.crc = libdeflate_crc32(0, octets.constData(), size_t(octets.size()));
        }
        if (!DeflateeAvant(e)) {
            e.octets.clear();
            e.source = std::move(octets);
        }
    });

    std::vector<Partie> parties;
    for (size_t i = 0; i < nombre; ++i) {
        const qsizetype taille = deflatees[i].source.size();
        if (coeurs < 2 || taille < GrandeEntree)
            continue;
        // One share for each zlib part, two for libdeflate's.
        const qsizetype parts = qsizetype(coeurs) + 1;
        for (size_t k = 0; k < coeurs; ++k) {
            const qsizetype debut = taille * qsizetype(k) / parts;
            const qsizetype fin = k + 1 == coeurs ? taille : taille * qsizetype(k + 1) / parts;
            parties.push_back({i, debut, fin, QByteArray()});
        }
    }
    Fils::Repartir(parties.size(), coeurs, [&](size_t k, size_t fil) {
        Partie &p = parties[k];
        const char *octets = deflatees[p.entree].source.constData();
        const size_t n = size_t(p.fin - p.debut);
        const bool ok = p.fin == deflatees[p.entree].source.size()
            ? deflateurs[fil].Deflater(octets + p.debut, n, p.octets)
            : DeflaterDebut(octets + p.debut - qMin<qsizetype>(p.debut, Dictionnaire),
                            size_t(qMin<qsizetype>(p.debut, Dictionnaire)), octets + p.debut, n, p.octets);
        if (!ok)
            throw std::bad_alloc();
        p.crc = libdeflate_crc32(0, octets + p.debut, n);
    });
    for (size_t k = 0; k < parties.size(); ++k) {
        Partie &p = parties[k];
        Deflatee &e = deflatees[p.entree];
        e.octets += p.octets;
        e.crc = p.debut == 0 ? p.crc : uint32_t(crc32_combine(e.crc, p.crc, z_off_t(p.fin - p.debut)));
        p.octets = QByteArray();
        if (p.fin == e.source.size() && DeflateeAvant(e))
            e.source = QByteArray();
        else if (p.fin == e.source.size())
            e.octets.clear();
    }
}

} // namespace

QByteArray Ecrire(const std::vector<std::pair<QString, QByteArray>> &entrees, const QString &echec)
{
    QStringList noms;
    noms.reserve(qsizetype(entrees.size()));
    for (const auto &entree : entrees)
        noms << entree.first;
    return Ecrire(
        noms, [&entrees](size_t i) { return entrees[i].second; }, echec);
}

QByteArray Ecrire(const QStringList &noms, const Contenu &contenu, const QString &echec)
{
    zip_error_t erreur;
    zip_error_init(&erreur);
    std::vector<Deflatee> deflatees(size_t(noms.size()));
    Deflater(deflatees.size(), contenu, deflatees);
    const time_t maintenant = time(nullptr);
    for (Deflatee &e : deflatees) {
        e.date = maintenant;
        zip_error_init(&e.erreur);
    }
    zip_source_t *tampon = zip_source_buffer_create(nullptr, 0, 0, &erreur);
    if (!tampon)
        Echec(&erreur, echec);
    zip_t *archive = zip_open_from_source(tampon, ZIP_TRUNCATE, &erreur);
    if (!archive) {
        zip_source_free(tampon);
        Echec(&erreur, echec);
    }
    zip_source_keep(tampon); // its bytes are read after the archive is closed
    std::unique_ptr<zip_source_t, void (*)(zip_source_t *)> garde(tampon, zip_source_free);
    for (size_t i = 0; i < deflatees.size(); ++i) {
        const QString &nom = noms.at(qsizetype(i));
        const QByteArray &source = deflatees[i].source;
        zip_source_t *s = DeflateeAvant(deflatees[i])
            ? zip_source_function(archive, SourceDeflatee, &deflatees[i])
            : zip_source_buffer(archive, source.constData(), zip_uint64_t(source.size()), 0);
        const zip_int64_t index = s ? zip_file_add(archive, nom.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0)
            zip_source_free(s); // once added, the archive owns it
        if (index < 0 || zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, Niveau) < 0) {
            zip_error_set(&erreur, zip_error_code_zip(zip_get_error(archive)), 0);
            zip_discard(archive);
            Echec(&erreur, echec);
        }
    }
    if (zip_close(archive) < 0) {
        zip_error_set(&erreur, zip_error_code_zip(zip_get_error(archive)), 0);
        zip_discard(archive);
        Echec(&erreur, echec);
    }
    zip_stat_t etat;
    zip_stat_init(&etat);
    if (zip_source_stat(tampon, &etat) < 0 || !(etat.valid & ZIP_STAT_SIZE) || zip_source_open(tampon) < 0) {
        zip_error_set(&erreur, ZIP_ER_INTERNAL, 0);
        Echec(&erreur, echec);
    }
    QByteArray resultat(qsizetype(etat.size), Qt::Uninitialized);
    const zip_int64_t lus = zip_source_read(tampon, resultat.data(), etat.size);
    zip_source_close(tampon);
    if (lus != zip_int64_t(etat.size)) {
        zip_error_set(&erreur, ZIP_ER_READ, 0);
        Echec(&erreur, echec);
    }
    return resultat;
}

}
