#include "document/recuperation.h"

#include "document/document.h"
#include "formats/table.h"
#include "formats/fiches/xml.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/progression.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUuid>
#include <algorithm>

namespace {

int g_delai = -1;

const QLatin1String ExtensionCartes(".xml");
const QLatin1String ExtensionDescription(".json");
const QLatin1String ExtensionVerrou(".lock");
const QLatin1String ExtensionEcartee(".damaged");

// Only the user may read what the user typed.
constexpr QFileDevice::Permissions Privees = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

bool EcrireAtomique(const QString &chemin, const QByteArray &octets)
{
    QSaveFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly))
        return false;
    fichier.setPermissions(Privees);
    return fichier.write(octets) == octets.size() && fichier.commit();
}

// What the cards alone do not say.
QByteArray Description(const TFichierX &f, const QDateTime &heure)
{
    QJsonObject o;
    o.insert(QLatin1String("name"), f.NomFichier);
    o.insert(QLatin1String("format"), QString(f.FormatFichier));
    o.insert(QLatin1String("type"), QString(f.TypeFichier));
    o.insert(QLatin1String("time"), heure.toUTC().toString(Qt::ISODateWithMs));
    o.insert(QLatin1String("version"), f.VersionCreation);
    o.insert(QLatin1String("codepage"), int(f.PageCode));
    return QJsonDocument(o).toJson();
}

bool LettreValide(const QString &texte)
{
    return texte.size() == 1 && texte.at(0).isLetter();
}

// Reads a description; false when it is not one this program wrote.
bool LireDescription(const QString &chemin, TCopieRecuperation &copie)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly) || fichier.size() > (1 << 16))
        return false;
    QJsonParseError erreur;
    const QJsonDocument document = QJsonDocument::fromJson(fichier.readAll(), &erreur);
    if (erreur.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject o = document.object();
    const QString format = o.value(QLatin1String("format")).toString();
    const QString type = o.value(QLatin1String("type")).toString();
    const QDateTime heure = QDateTime::fromString(o.value(QLatin1String("time")).toString(), Qt::ISODateWithMs);
    if (!o.value(QLatin1String("name")).isString() || !LettreValide(format) || !LettreValide(type)
        || Formats::Nom(format.at(0)).isEmpty() || !heure.isValid())
        return false;
    copie.Nom = o.value(QLatin1String("name")).toString();
    copie.Format = format.at(0);
    copie.Type = type.at(0);
    copie.Heure = heure;
    copie.VersionCreation = o.value(QLatin1String("version")).toString();
    const int page = o.value(QLatin1String("codepage")).toInt(-1);
    copie.PageCode = page >= 0 && page <= 0xFFFF ? page : -1;
    return true;
}

void Oter(const QString &base)
{
    QFile::remove(base + ExtensionCartes);
    QFile::remove(base + ExtensionDescription);
}

void Liberer(TCopieRecuperation &copie)
{
    if (copie.Verrou)
        copie.Verrou->unlock();
    copie.Verrou.reset();
}

} // namespace

TRecuperation::TRecuperation(TDocument &document, std::function<TOptions()> options, QObject *parent)
    : QObject(parent), m_document(document), m_options(std::move(options))
{
    m_fil.setMaxThreadCount(1); // writes and removals in the order they were asked
    m_minuterie.setSingleShot(true);
    connect(&m_minuterie, &QTimer::timeout, this, &TRecuperation::Evaluer);
    const auto changement = [this] { Planifier(g_delai >= 0 ? g_delai : DelaiMs); };
    // Saved, closed or replaced: the copy may have to go at once.
    const auto bascule = [this] { Planifier(0); };
    connect(&document, &TDocument::contenuChange, this, changement);
    connect(&document, &TDocument::nomChange, this, changement);
    connect(&document, &TDocument::modifieChange, this, bascule);
    connect(&document, &TDocument::fichierRemplace, this, bascule);
    m_base = QDir(Dossier()).filePath(QStringLiteral("%1-%2")
                                          .arg(QCoreApplication::applicationPid())
                                          .arg(QUuid::createUuid().toString(QUuid::Id128).left(8)));
}

TRecuperation::~TRecuperation()
{
    // The editor ends normally: whatever the copy held was saved or given up.
    Lacher();
}

void TRecuperation::Lacher()
{
    m_minuterie.stop();
    m_fil.waitForDone();
    if (m_copie)
        Oter(m_base);
    m_copie = false;
    if (m_verrou)
        m_verrou->unlock();
    m_verrou.reset();
}

QString TRecuperation::Dossier()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QLatin1String("/recovery");
}

void TRecuperation::InjecterDelai(int ms)
{
    g_delai = ms;
}

QString TRecuperation::Chemin() const
{
    return m_base + ExtensionCartes;
}

void TRecuperation::Attendre()
{
    m_fil.waitForDone();
}

void TRecuperation::Planifier(int delai)
{
    // Never restarted by later changes: a copy at most this long after the
    // first change, however long the typing goes on.
    if (!m_minuterie.isActive() || m_minuterie.remainingTime() > delai)
        m_minuterie.start(delai);
}

bool TRecuperation::Verrouiller()
{
    if (m_verrou)
        return true;
    QDir().mkpath(Dossier());
    QFile::setPermissions(Dossier(), Privees | QFileDevice::ExeOwner);
    auto verrou = std::make_shared<QLockFile>(m_base + ExtensionVerrou);
    if (!verrou->tryLock(0))
        return false;
    m_verrou = std::move(verrou);
    return true;
}

void TRecuperation::Evaluer()
{
    // A long open or save is under way: the document is between two states.
    if (TProgression::EnCours()) {
        m_minuterie.start(500);
        return;
    }
    if (!m_document.TravailNonEnregistre()) {
        Retirer();
        return;
    }
    if (m_enCours) {
        m_aRefaire = true;
        return;
    }
    if (!Verrouiller())
        return;
    // The cards are taken here; the text is made and written on the other thread.
    const std::shared_ptr<const TFichierX> cartes = m_document.Instantane();
    // The options are read here: the options dialog may change them meanwhile.
    const TOptions options = m_options ? m_options() : TOptions();
    const QString base = m_base;
    const QDateTime heure = QDateTime::currentDateTimeUtc();
    m_enCours = true;
    m_copie = true;
    m_fil.start([this, cartes, options, base, heure] {
        bool reussie = false;
        try {
            // The description first: cards without one are set aside as damaged.
            reussie = EcrireAtomique(base + ExtensionDescription, Description(*cartes, heure))
                && EcrireAtomique(base + ExtensionCartes, TFichierXML::EcrireXml(*cartes, options));
        } catch (const std::exception &) {
            reussie = false; // out of memory: the previous copy stays
        }
        QMetaObject::invokeMethod(
            this, [this, reussie] { EcritureFinie(reussie); }, Qt::QueuedConnection);
    });
}

void TRecuperation::EcritureFinie(bool reussie)
{
    m_enCours = false;
    emit copieEcrite(reussie);
    if (m_aRefaire) {
        m_aRefaire = false;
        Evaluer();
    }
}

void TRecuperation::Retirer()
{
    m_aRefaire = false;
    if (!m_copie)
        return;
    m_copie = false;
    const QString base = m_base;
    m_fil.start([this, base] {
        Oter(base);
        QMetaObject::invokeMethod(
            this, [this] { emit copieRetiree(); }, Qt::QueuedConnection);
    });
}

void TRecuperation::Adopter(TCopieRecuperation copie)
{
    Lacher();
    m_base = copie.Base;
    m_verrou = std::move(copie.Verrou);
    m_copie = true;
    m_aRefaire = false;
}

// ----------------------------------------------------------------- copies left behind

std::vector<TCopieRecuperation> TRecuperation::Abandonnees(QStringList &endommagees)
{
    std::vector<TCopieRecuperation> copies;
    const QDir dossier(Dossier());
    QStringList bases;
    for (const QString &nom :
         dossier.entryList({QLatin1String("*") + ExtensionCartes, QLatin1String("*") + ExtensionDescription,
                            QLatin1String("*") + ExtensionVerrou},
                           QDir::Files)) {
        const QString base = dossier.filePath(QFileInfo(nom).completeBaseName());
        if (!bases.contains(base))
            bases << base;
    }
    for (const QString &base : std::as_const(bases)) {
        TCopieRecuperation copie;
        copie.Base = base;
        auto verrou = std::make_shared<QLockFile>(base + ExtensionVerrou);
        if (!verrou->tryLock(0))
            continue; // its editor is running
        copie.Verrou = std::move(verrou);
        // What a write cut short left beside the copy (QSaveFile's NAME.XXXXXX).
        const QString nom = QFileInfo(base).fileName();
        for (const QString &reste : dossier.entryList(
                 {nom + ExtensionCartes + QLatin1String(".*"), nom + ExtensionDescription + QLatin1String(".*")},
                 QDir::Files))
            if (!reste.endsWith(ExtensionEcartee))
                QFile::remove(dossier.filePath(reste));
        if (!QFile::exists(base + ExtensionCartes)) {
            // Killed before the first cards were written: nothing to recover.
            Supprimer(copie);
            continue;
        }
        if (!LireDescription(base + ExtensionDescription, copie)) {
            endommagees << Ecarter(copie);
            continue;
        }
        copies.push_back(std::move(copie));
    }
    std::sort(copies.begin(), copies.end(),
              [](const TCopieRecuperation &a, const TCopieRecuperation &b) { return a.Heure < b.Heure; });
    return copies;
}

std::unique_ptr<TFichierX> TRecuperation::Lire(const TCopieRecuperation &copie, const TOptions &options)
{
    QFile fichier(copie.Base + ExtensionCartes);
    if (!fichier.open(QIODevice::ReadOnly))
        throw ErreurFichier(fichier.errorString());
    std::unique_ptr<TFichierX> f = TFichierXML::LireXml(fichier.readAll(), true, options);
    f->NomFichier = copie.Nom;
    f->FormatFichier = copie.Format;
    f->VersionCreation = copie.VersionCreation;
    if (copie.PageCode >= 0)
        f->PageCode = quint16(copie.PageCode);
    f->Modifiable = true;
    f->Modifie = true; // these cards are nowhere on disk
    return f;
}

QString TRecuperation::Ecarter(TCopieRecuperation &copie)
{
    QString cartes;
    for (const QLatin1String &extension : {ExtensionCartes, ExtensionDescription}) {
        const QString chemin = copie.Base + extension;
        if (!QFile::exists(chemin))
            continue;
        QFile::remove(chemin + ExtensionEcartee);
        QFile::rename(chemin, chemin + ExtensionEcartee);
        if (cartes.isEmpty() || extension == ExtensionCartes)
            cartes = chemin + ExtensionEcartee;
    }
    Liberer(copie);
    return cartes;
}

void TRecuperation::Supprimer(TCopieRecuperation &copie)
{
    Oter(copie.Base);
    Liberer(copie);
}

void TRecuperation::Laisser(TCopieRecuperation &copie)
{
    Liberer(copie);
}
