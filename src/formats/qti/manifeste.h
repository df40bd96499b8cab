#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// The imsmanifest.xml of IMS content packages and Common Cartridges: what
// resources a package holds and where their files are.
namespace Manifeste {

struct Ressource
{
    QString identifiant;
    QString type;
    QString href;
    QStringList fichiers;    // the entries' references, as written
    QStringList dependances; // identifiers of other resources
};

struct Description
{
    QString identifiant;
    // The default namespace and its schemaLocation pairs.
    QString espace;
    QString emplacements;
    QString schema;        // <schema>, empty for none
    QString versionSchema; // <schemaversion>
    // A title in the cartridge's LOM metadata; empty for none.
    QString titre;
    // The resource the one organization's one item shows; empty: no organization.
    QString organise;
    std::vector<Ressource> ressources;
};

// The namespace and schemaLocation Common Cartridge 1.1 manifests declare.
extern const char *const EspaceCartouche;
extern const char *const EmplacementsCartouche;

QByteArray Ecrire(const Description &manifeste);

// Reads a manifest; raises ErreurIdInvalide(erreur) when it is not
// well-formed XML or its root is no manifest.
Description Lire(const QByteArray &octets, const QString &erreur);

// The resource types a zip file's manifest lists; empty when the file is no
// zip with a manifest it can read. For recognition: never raises.
QStringList TypesDuPaquet(const QString &fichier);

}
