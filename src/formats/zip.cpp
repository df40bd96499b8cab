#include "formats/zip.h"

#include "model/budget.h"
#include "model/erreurs.h"

#include <QUrl>

#include <zip.h>

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

QByteArray TLecture::Lire(qint64 index) const
{
    const quint64 taille = Taille(index);
    TBudgetMemoire &budget = d->budget;
    if (taille > quint64(budget.Limite() - budget.Pris()))
        budget.Refuser();
    budget.Prendre(qint64(taille));
    std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> entree(zip_fopen_index(d->archive, zip_uint64_t(index), 0),
                                                              zip_fclose);
    if (!entree)
        Endommage();
    QByteArray octets(qsizetype(taille), Qt::Uninitialized);
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

QByteArray Ecrire(const std::vector<std::pair<QString, QByteArray>> &entrees, const QString &echec)
{
    zip_error_t erreur;
    zip_error_init(&erreur);
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
    for (const auto &[nom, octets] : entrees) {
        zip_source_t *s = zip_source_buffer(archive, octets.constData(), zip_uint64_t(octets.size()), 0);
        if (!s || zip_file_add(archive, nom.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(s);
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
