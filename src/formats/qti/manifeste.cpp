#include "formats/qti/manifeste.h"

#include "formats/documentxml.h"
#include "formats/gardexml.h"
#include "formats/sortiexml.h"
#include "formats/zip.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/flux.h"
#include "model/progression.h"

namespace Manifeste {

const char *const EspaceCartouche = "http://www.imsglobal.org/xsd/imsccv1p1/imscp_v1p1";
const char *const EmplacementsCartouche = "http://www.imsglobal.org/xsd/imsccv1p1/imscp_v1p1 "
                                          "http://www.imsglobal.org/profile/cc/ccv1p1/ccv1p1_imscp_v1p2_v1p0.xsd "
                                          "http://ltsc.ieee.org/xsd/imsccv1p1/LOM/manifest "
                                          "http://www.imsglobal.org/profile/cc/ccv1p1/LOM/ccv1p1_lommanifest_v1p0.xsd";

namespace {

using SortieXml::Contexte;

void Attribut(QByteArray &s, const char *nom, const QString &valeur)
{
    ((s += ' ') += nom) += "=\"";
    SortieXml::Ajouter(s, valeur, Contexte::Attribut);
    s += '"';
}

void Element(QByteArray &s, const char *nom, const QString &texte)
{
    ((s += '<') += nom) += '>';
    SortieXml::Ajouter(s, texte, Contexte::Texte);
    ((s += "</") += nom) += ">\n";
}

} // namespace

QByteArray Ecrire(const Description &m)
{
    QByteArray s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<manifest";
    Attribut(s, "identifier", m.identifiant);
    Attribut(s, "xmlns", m.espace);
    if (!m.titre.isEmpty())
        Attribut(s, "xmlns:lomimscc", QStringLiteral("http://ltsc.ieee.org/xsd/imsccv1p1/LOM/manifest"));
    Attribut(s, "xmlns:xsi", QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
    Attribut(s, "xsi:schemaLocation", m.emplacements);
    s += ">\n";
    if (!m.schema.isEmpty() || !m.titre.isEmpty()) {
        s += "<metadata>\n";
        Element(s, "schema", m.schema);
        Element(s, "schemaversion", m.versionSchema);
        if (!m.titre.isEmpty()) {
            s += "<lomimscc:lom><lomimscc:general><lomimscc:title>";
            Element(s, "lomimscc:string", m.titre);
            s += "</lomimscc:title></lomimscc:general></lomimscc:lom>\n";
        }
        s += "</metadata>\n";
    }
    if (m.organise.isEmpty()) {
        s += "<organizations/>\n";
    } else {
        s += "<organizations>\n<organization identifier=\"org_1\" structure=\"rooted-hierarchy\">\n"
             "<item identifier=\"LearningModules\">\n<item";
        Attribut(s, "identifier", m.organise + QStringLiteral("_item"));
        Attribut(s, "identifierref", m.organise);
        s += ">\n";
        Element(s, "title", m.titre);
        s += "</item>\n</item>\n</organization>\n</organizations>\n";
    }
    s += "<resources>\n";
    for (const Ressource &r : m.ressources) {
        s += "<resource";
        Attribut(s, "identifier", r.identifiant);
        Attribut(s, "type", r.type);
        if (!r.href.isEmpty())
            Attribut(s, "href", r.href);
        s += ">\n";
        for (const QString &f : r.fichiers) {
            s += "<file";
            Attribut(s, "href", f);
            s += "/>\n";
        }
        for (const QString &d : r.dependances) {
            s += "<dependency";
            Attribut(s, "identifierref", d);
            s += "/>\n";
        }
        s += "</resource>\n";
    }
    s += "</resources>\n</manifest>\n";
    return s;
}

Description Lire(const QByteArray &octets, const QString &erreur)
{
    TDocumentXml doc;
    if (!doc.Charger(octets))
        throw ErreurIdInvalide(GardeXml::AvecMessages(erreur));
    const TNoeudXml racine = doc.Racine();
    // Any namespace prefix: the name's local part.
    const auto local = [](const TNoeudXml &e) {
        const QString nom = e.Nom();
        return nom.mid(nom.indexOf(u':') + 1);
    };
    if (local(racine) != QLatin1String("manifest"))
        throw ErreurIdInvalide(erreur);
    Description m;
    m.identifiant = racine.Attribut(QStringLiteral("identifier"));
    for (const TNoeudXml &e : racine.Elements()) {
        if (local(e) != QLatin1String("resources"))
            continue;
        for (const TNoeudXml &res : e.Elements()) {
            if (local(res) != QLatin1String("resource"))
                continue;
            Ressource r;
            r.identifiant = res.Attribut(QStringLiteral("identifier"));
            r.type = res.Attribut(QStringLiteral("type"));
            r.href = res.Attribut(QStringLiteral("href"));
            for (const TNoeudXml &f : res.Elements()) {
                if (local(f) == QLatin1String("file"))
                    r.fichiers << f.Attribut(QStringLiteral("href"));
                else if (local(f) == QLatin1String("dependency"))
                    r.dependances << f.Attribut(QStringLiteral("identifierref"));
            }
            m.ressources.push_back(std::move(r));
        }
    }
    return m;
}

QStringList TypesDuPaquet(const QString &fichier)
{
    try {
        QByteArray octets;
        {
            auto flux = TFlux::Ouvrir(fichier, false);
            octets = flux->LireTout();
        }
        if (!octets.startsWith("PK"))
            return {};
        TBudgetMemoire budget(octets.size());
        const Zip::TLecture archive(octets, budget, QString(), QString());
        if (archive.Chercher(QStringLiteral("imsmanifest.xml")) < 0)
            return {};
        QStringList types;
        for (const Ressource &r : Lire(archive.Lire(QStringLiteral("imsmanifest.xml")), QString()).ressources)
            types << r.type;
        return types;
    } catch (const ErreurAnnulation &) {
        throw; // the user stopped the reading
    } catch (const std::exception &) {
    }
    // Opening it will say what is wrong.
    return {};
}

}
