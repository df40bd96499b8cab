#include "formats/qti/qti12.h"

#include "formats/contrat.h"
#include "formats/format.h"
#include "formats/pertes.h"
#include "formats/qti/manifeste.h"
#include "formats/questions.h"
#include "formats/sortiexml.h"
#include "formats/table.h"
#include "formats/zip.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFileInfo>

namespace {

struct Qti
{
    Q_DECLARE_TR_FUNCTIONS(Qti)
};

using Questions::S;

Manifeste::Ressource Ressource(const QString &ident, const QString &type, const QString &href,
                               const QStringList &fichiers, const QStringList &dependances = {})
{
    Manifeste::Ressource r;
    r.identifiant = ident;
    r.type = type;
    r.href = href;
    r.fichiers = fichiers;
    r.dependances = dependances;
    return r;
}

// Canvas's own quiz settings beside the QTI: the title, and a quiz that is
// not yet published.
QByteArray MetaCanvas(const QString &ident, const QString &titre)
{
    QByteArray s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz identifier=\"";
    SortieXml::Ajouter(s, ident, SortieXml::Contexte::Attribut);
    s += "\" xmlns=\"http://canvas.instructure.com/xsd/cccv1p0\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xsi:schemaLocation=\"http://canvas.instructure.com/xsd/cccv1p0 "
         "https://canvas.instructure.com/xsd/cccv1p0.xsd\">\n<title>";
    SortieXml::Ajouter(s, titre, SortieXml::Contexte::Texte);
    s += "</title>\n<description></description>\n<shuffle_answers>false</shuffle_answers>\n"
         "<scoring_policy>keep_highest</scoring_policy>\n<quiz_type>assignment</quiz_type>\n"
         "<allowed_attempts>1</allowed_attempts>\n<available>false</available>\n</quiz>\n";
    return s;
}

// A resource type holding QTI 1.2: Canvas's own ("imsqti_xmlv1p2") and the
// cartridges' assessments and question banks ("imsqti_xmlv1p2/imscc_xmlv1p1/assessment").
bool TypeQti12(const QString &type)
{
    return type == QLatin1String("imsqti_xmlv1p2") || type.startsWith(QLatin1String("imsqti_xmlv1p2/"));
}

} // namespace

namespace Qti12 {

QString Identifiant(const QString &titre, const QString &nom)
{
    QCryptographicHash h(QCryptographicHash::Md5);
    h.addData(titre.toUtf8());
    h.addData(QByteArrayView("\0", 1));
    h.addData(QFileInfo(nom).fileName().toUtf8());
    return u'i' + QString::fromLatin1(h.result().toHex());
}

QByteArray EcrirePaquet(const TFichierX &f, Profil profil, const QString &nom, Formats::Rapport *rapport,
                        const TOptions &options)
{
    const QString titre = f.Titre.trimmed().isEmpty() ? NomSansExtension(QFileInfo(nom).fileName()) : f.Titre;
    const QString ident = Identifiant(titre, nom);
    PertesEcriture pertes;
    const QByteArray qti = EcrireEvaluation(f, profil, ident, titre, pertes, options);
    // A cartridge's assessment holds one question at least.
    if (profil == Profil::Cartouche && pertes.ecrites == 0)
        throw ErreurFichier(
            Qti::tr("No card of this file has a question a Common Cartridge can hold: nothing was written."));
    pertes.Rapporter(rapport);

    Manifeste::Description m;
    m.identifiant = ident + S("_manifest");
    m.espace = S(Manifeste::EspaceCartouche);
    m.emplacements = S(Manifeste::EmplacementsCartouche);
    m.titre = titre;
    std::vector<std::pair<QString, QByteArray>> entrees;
    if (profil == Profil::Cartouche) {
        m.schema = S("IMS Common Cartridge");
        m.versionSchema = S("1.1.0");
        m.organise = ident;
        const QString chemin = ident + S("/assessment_qti.xml");
        m.ressources.push_back(Ressource(ident, S("imsqti_xmlv1p2/imscc_xmlv1p1/assessment"), QString(), {chemin}));
        entrees.emplace_back(S("imsmanifest.xml"), Manifeste::Ecrire(m));
        entrees.emplace_back(chemin, qti);
    } else {
        // Canvas's own shape: the QTI and, as its dependency, the quiz settings.
        m.schema = S("IMS Content");
        m.versionSchema = S("1.1.3");
        const QString chemin = ident + u'/' + ident + S(".xml");
        const QString meta = ident + S("/assessment_meta.xml");
        const QString dependance = ident + S("_meta");
        m.ressources.push_back(Ressource(ident, S("imsqti_xmlv1p2"), QString(), {chemin}, {dependance}));
        m.ressources.push_back(
            Ressource(dependance, S("associatedcontent/imscc_xmlv1p1/learning-application-resource"), meta, {meta}));
        entrees.emplace_back(S("imsmanifest.xml"), Manifeste::Ecrire(m));
        entrees.emplace_back(chemin, qti);
        entrees.emplace_back(meta, MetaCanvas(ident, titre));
    }
    return Zip::Ecrire(entrees, Qti::tr("The package could not be written: %1"));
}

std::unique_ptr<TFichierX> Lire(const QByteArray &octets, Formats::Rapport *rapport, const TOptions &options)
{
    TBudgetMemoire budget(octets.size());
    auto f = std::make_unique<TFichierX>(QChar(u'M'), QChar(u'm'), options);
    Lecteur lecteur(*f, options);
    if (!octets.startsWith("PK")) {
        lecteur.Lire(octets);
    } else {
        const Zip::TLecture archive(octets, budget, Qti::tr("This package is not a valid zip file."),
                                    Qti::tr("This package is damaged."));
        // The documents are given what they would be given unzipped.
        budget.Agrandir(archive.TailleDepliee());
        const QString nomManifeste = S("imsmanifest.xml");
        if (archive.Chercher(nomManifeste) < 0)
            throw ErreurIdInvalide(Qti::tr("This zip file holds no imsmanifest.xml: it is no QTI package."));
        const Manifeste::Description m = Manifeste::Lire(archive.Lire(nomManifeste),
                                                         Qti::tr("The package's imsmanifest.xml cannot be read."));
        int documents = 0;
        for (const Manifeste::Ressource &r : m.ressources) {
            if (!TypeQti12(r.type) || r.fichiers.isEmpty())
                continue;
            const QString chemin = Zip::Chemin(QString(), r.fichiers.at(0));
            if (chemin.isEmpty())
                throw ErreurIdInvalide(Qti::tr("The package names a file outside itself: %1").arg(r.fichiers.at(0)));
            lecteur.Lire(archive.Lire(chemin));
            ++documents;
        }
        if (documents == 0)
            throw ErreurIdInvalide(Qti::tr("This package holds no QTI 1.2 assessment or question bank."));
    }
    lecteur.Rapporter(rapport);
    f->Titre = lecteur.Titre();
    f->Modifie = true;
    return f;
}

std::unique_ptr<TFichierX> Charger(const QString &nom, Formats::Rapport *rapport, const TOptions &options)
{
    QByteArray octets;
    {
        auto flux = TFlux::Ouvrir(nom, false);
        octets = flux->LireTout();
    } // the package is not held: the cards make a new document
    return Lire(octets, rapport, options);
}

} // namespace Qti12

namespace {

// QTI packages are exports: the card file's header, captions and options
// have no place in them, and their items come back as new cards (a new,
// untitled Moodle quiz) rather than as the file they were written from.
class FormatQti : public Formats::TFormatQuiz
{
public:
    explicit FormatQti(bool cartouche) : m_cartouche(cartouche) { }
    QChar Lettre() const override { return m_cartouche ? u'i' : u'q'; }
    const char *Nom() const override
    {
        return m_cartouche ? QT_TRANSLATE_NOOP("Chaines", "Common Cartridge") : QT_TRANSLATE_NOOP("Chaines", "QTI 1.2");
    }
    const char *Motif() const override { return m_cartouche ? "imscc" : "zip"; }
    unsigned Capacites() const override { return Formats::ToujoursPropose; }
    const char *EntreeOuverture() const override { return m_cartouche ? "*.imscc;*.zip" : "*.zip;*.xml;*.qti"; }
    QChar TypeEntreeOuverture() const override { return u'M'; }
    int RangReconnaissance() const override { return Formats::RangReglesGenerales + (m_cartouche ? 5 : 4); }
    bool Reconnaitre(const Formats::Tete &tete) const override
    {
        if (!tete.octets.startsWith("PK\x03\x04"))
            return !m_cartouche && Qti12::EstDocument(tete.octets);
        const QStringList types = Manifeste::TypesDuPaquet(tete.nom);
        for (const QString &t : types) {
            if (m_cartouche ? TypeQti12(t) && t.contains(QLatin1String("imscc_xmlv1p"))
                            : t == QLatin1String("imsqti_xmlv1p2"))
                return true;
        }
        return false;
    }
    bool Lisible() const override { return true; }
    bool Ecrivable() const override { return true; }
    std::unique_ptr<TFichierX> Lire(const QString &nom, const Formats::Lecture &l) const override
    {
        return Qti12::Charger(nom, l.rapport, l.options);
    }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &e) const override
    {
        const QByteArray contenu = Qti12::EcrirePaquet(
            f, m_cartouche ? Qti12::Profil::Cartouche : Qti12::Profil::Canvas, nom, e.rapport, e.options);
        Contrat::EcrireExport(f, nom, contenu);
    }
    QChar FormatLu() const override { return u'm'; }
    bool OffertEnSauvegarde(const TFichierX &, const TOptions &) const override { return false; }
    bool Exporte(const TFichierX &) const override { return true; }

private:
    bool m_cartouche;
};

} // namespace

const Formats::TFormat &Formats::FormatQti12()
{
    static const ::FormatQti format(false);
    return format;
}

const Formats::TFormat &Formats::FormatCartouche()
{
    static const ::FormatQti format(true);
    return format;
}
