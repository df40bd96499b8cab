#include "orthographe/orthographe.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextBoundaryFinder>

#include <hunspell.hxx>

#include <algorithm>
#include <map>

namespace {

struct Orthographe
{
    Q_DECLARE_TR_FUNCTIONS(Orthographe)
};

// Longer tokens are no words (Hunspell refuses them anyway), and suggesting
// for long ones takes seconds.
constexpr qsizetype LongueurMaxMot = 100;
constexpr qsizetype LongueurMaxSuggestion = 40;
// A personal list past this size is not the user's typing: left alone.
constexpr qint64 TailleMaxMotsPersonnels = 4 << 20;

// Hunspell's names of Windows code pages ("microsoft-cp1251") in the form
// the converters know.
QByteArray NomConvertisseur(const QString &encodage)
{
    QString nom = encodage.trimmed();
    if (nom.startsWith(QLatin1String("microsoft-cp"), Qt::CaseInsensitive))
        nom = QStringLiteral("windows-") + nom.mid(12);
    return nom.toLatin1();
}

bool FichierLisible(const QString &chemin)
{
    const QFileInfo info(chemin);
    return info.isFile() && info.isReadable();
}

} // namespace

TOrthographe::~TOrthographe() = default;

QStringList TOrthographe::Dossiers()
{
    QStringList dossiers;
    const QString dicpath = qEnvironmentVariable("DICPATH");
    for (const QString &d : dicpath.split(QDir::listSeparator(), Qt::SkipEmptyParts))
        dossiers << QDir::cleanPath(d);
    for (const QString &d : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        dossiers << QDir::cleanPath(d + QStringLiteral("/hunspell"));
    dossiers.removeDuplicates();
    return dossiers;
}

QList<TOrthographe::Dictionnaire> TOrthographe::Installes()
{
    std::map<QString, Dictionnaire> parNom;
    for (const QString &dossier : Dossiers()) {
        const QDir d(dossier);
        for (const QFileInfo &info : d.entryInfoList({QStringLiteral("*.dic")}, QDir::Files | QDir::Readable)) {
            const QString nom = info.completeBaseName();
            const QString aff = d.filePath(nom + QStringLiteral(".aff"));
            if (nom.isEmpty() || parNom.count(nom) || !FichierLisible(aff) || !FichierLisible(info.filePath()))
                continue;
            parNom[nom] = Dictionnaire{nom, aff, info.filePath()};
        }
    }
    QList<Dictionnaire> liste;
    for (const auto &[nom, d] : parNom)
        liste << d;
    return liste;
}

QString TOrthographe::LangueInterface()
{
    return Orthographe::tr("en", "the interface's language code: the default spelling dictionary's language");
}

QString TOrthographe::ParDefaut(const QStringList &noms, const QLocale &locale)
{
    const QString langue = LangueInterface();
    const QString prefixe = langue + u'_';
    const QString regional = locale.name();
    if (regional.startsWith(prefixe) && noms.contains(regional))
        return regional;
    const QString principal = QLocale(langue).name(); // fr_FR, en_US
    if (noms.contains(principal))
        return principal;
    if (noms.contains(langue))
        return langue;
    for (const QString &nom : noms)
        if (nom.startsWith(prefixe))
            return nom;
    return QString();
}

QString TOrthographe::NomAffiche(const QString &nom)
{
    // Each language in its own words, as language menus usually show them.
    const QLocale locale(nom);
    QString texte = locale.nativeLanguageName();
    if (locale.language() == QLocale::C || texte.isEmpty()
        || !nom.startsWith(QLocale::languageToCode(locale.language())))
        return nom;
    texte[0] = texte.at(0).toUpper();
    if (nom.contains(u'_') && !locale.nativeTerritoryName().isEmpty())
        texte += QStringLiteral(" (%1)").arg(locale.nativeTerritoryName());
    return texte;
}

std::unique_ptr<TOrthographe> TOrthographe::Ouvrir(const QString &nom, QString *erreur)
{
    const auto echec = [erreur](const QString &message) {
        if (erreur)
            *erreur = message;
        return std::unique_ptr<TOrthographe>();
    };
    const QList<Dictionnaire> installes = Installes();
    const auto trouve = std::find_if(installes.cbegin(), installes.cend(),
                                     [&nom](const Dictionnaire &d) { return d.nom == nom; });
    if (trouve == installes.cend()) {
        QStringList noms;
        for (const Dictionnaire &d : installes)
            noms << d.nom;
        return echec(noms.isEmpty() ? Orthographe::tr("No spelling dictionary is installed.")
                                    : Orthographe::tr("No spelling dictionary \"%1\" (installed: %2).")
                                          .arg(nom, noms.join(QLatin1String(", "))));
    }
    std::unique_ptr<TOrthographe> o(new TOrthographe);
    o->m_nom = nom;
    o->m_hunspell = std::make_unique<Hunspell>(QFile::encodeName(trouve->aff).constData(),
                                               QFile::encodeName(trouve->dic).constData());
    o->m_encodage = QString::fromLatin1(o->m_hunspell->get_dict_encoding());
    o->m_utf8 = o->m_encodage.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0;
    if (!o->m_utf8 && !QStringEncoder(NomConvertisseur(o->m_encodage).constData()).isValid())
        return echec(Orthographe::tr("The spelling dictionary \"%1\" is written in %2, which this program cannot read.")
                         .arg(nom, o->m_encodage));
    for (const QString &mot : LireMotsPersonnels()) {
        o->m_personnels.insert(mot);
        std::string octets;
        if (o->Encoder(mot, octets))
            o->m_hunspell->add(octets);
    }
    return o;
}

bool TOrthographe::Encoder(const QString &mot, std::string &octets) const
{
    if (m_utf8) {
        const QByteArray u = mot.toUtf8();
        octets.assign(u.constData(), size_t(u.size()));
        return true;
    }
    // A character the dictionary's code page lacks makes a word it cannot know.
    const QByteArray nom = NomConvertisseur(m_encodage);
    QStringEncoder encodeur(nom.constData(), QStringConverter::Flag::Stateless);
    const QByteArray b = encodeur.encode(mot);
    QStringDecoder decodeur(nom.constData(), QStringConverter::Flag::Stateless);
    if (encodeur.hasError() || QString(decodeur.decode(b)) != mot)
        return false;
    octets.assign(b.constData(), size_t(b.size()));
    return true;
}

QString TOrthographe::Decoder(const std::string &octets) const
{
    const QByteArrayView b(octets.data(), qsizetype(octets.size()));
    if (m_utf8)
        return QString::fromUtf8(b);
    QStringDecoder decodeur(NomConvertisseur(m_encodage).constData(), QStringConverter::Flag::Stateless);
    return decodeur.decode(b);
}

namespace {

// Addresses (mail, web, file names) are no words: a run of text between
// blanks holding '@', '/' or a dot between letters. Runs are looked at once
// each, however many words they hold.
class TAdresses
{
public:
    explicit TAdresses(QStringView texte) : m_texte(texte) { }

    bool Contient(qsizetype position)
    {
        if (position >= m_fin) {
            qsizetype debut = position;
            while (debut > 0 && !m_texte.at(debut - 1).isSpace())
                --debut;
            m_fin = position;
            while (m_fin < m_texte.size() && !m_texte.at(m_fin).isSpace())
                ++m_fin;
            m_adresse = false;
            for (qsizetype i = debut; i < m_fin && !m_adresse; ++i) {
                const QChar c = m_texte.at(i);
                m_adresse = c == u'@' || c == u'/' || c == u'\\'
                    || (c == u'.' && i > debut && i + 1 < m_fin && m_texte.at(i - 1).isLetterOrNumber()
                        && m_texte.at(i + 1).isLetterOrNumber());
            }
        }
        return m_adresse;
    }

private:
    QStringView m_texte;
    qsizetype m_fin = 0;
    bool m_adresse = false;
};

} // namespace

QList<TOrthographe::Mot> TOrthographe::Mots(QStringView texte)
{
    QList<Mot> mots;
    TAdresses adresses(texte);
    QTextBoundaryFinder limites(QTextBoundaryFinder::Word, texte);
    qsizetype debut = 0;
    for (qsizetype fin = limites.toNextBoundary(); fin != -1; fin = limites.toNextBoundary()) {
        const QStringView segment = texte.mid(debut, fin - debut);
        const qsizetype position = debut;
        debut = fin;
        if (segment.size() > LongueurMaxMot)
            continue;
        bool lettre = false;
        bool minuscule = false;
        bool exclu = false;
        for (const QChar c : segment) {
            if (c.isLetter()) {
                lettre = true;
                minuscule = minuscule || !c.isUpper();
            } else if (c.isDigit() || c == u'.' || c == u':' || c == u'_') {
                exclu = true;
                break;
            }
        }
        // A single capital is a word ("I", "A"); more are an acronym.
        const bool capitales = !minuscule && segment.size() > 1;
        if (lettre && !exclu && !capitales && !adresses.Contient(position))
            mots.append(Mot{position, segment.size()});
    }
    return mots;
}

bool TOrthographe::Correct(const QString &mot)
{
    if (m_ignores.contains(mot) || m_personnels.contains(mot))
        return true;
    const auto connu = m_verdicts.constFind(mot);
    if (connu != m_verdicts.cend())
        return *connu;
    std::string octets;
    const bool correct = Encoder(mot, octets) && m_hunspell->spell(octets);
    m_verdicts.insert(mot, correct);
    return correct;
}

QList<TOrthographe::Mot> TOrthographe::Fautes(QStringView texte)
{
    QList<Mot> fautes;
    for (const Mot &m : Mots(texte))
        if (!Correct(texte.mid(m.debut, m.longueur).toString()))
            fautes.append(m);
    return fautes;
}

QStringList TOrthographe::Suggestions(const QString &mot, int maximum)
{
    const auto connues = m_suggestions.constFind(mot);
    if (connues != m_suggestions.cend())
        return connues->mid(0, maximum);
    QStringList liste;
    std::string octets;
    if (mot.size() <= LongueurMaxSuggestion && Encoder(mot, octets)) {
        for (const std::string &s : m_hunspell->suggest(octets)) {
            const QString suggestion = Decoder(s);
            if (!suggestion.isEmpty() && suggestion != mot && !liste.contains(suggestion))
                liste << suggestion;
        }
    }
    m_suggestions.insert(mot, liste);
    return liste.mid(0, maximum);
}

void TOrthographe::Ignorer(const QString &mot)
{
    m_ignores.insert(mot);
}

QString TOrthographe::CheminMotsPersonnels()
{
    // The editor's AppConfigLocation, named here so that amblopad-cli, another
    // application, reads the same list.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Amblorine/Amblopad/words.dic");
}

QStringList TOrthographe::LireMotsPersonnels()
{
    QFile fichier(CheminMotsPersonnels());
    const QFileInfo info(fichier);
    if (!info.isFile() || info.size() > TailleMaxMotsPersonnels || !fichier.open(QIODevice::ReadOnly))
        return {};
    QStringList mots;
    for (const QByteArray &ligne : fichier.readAll().split('\n')) {
        const QString mot = QString::fromUtf8(ligne).trimmed();
        if (!mot.isEmpty() && mot.size() <= LongueurMaxMot && !mots.contains(mot))
            mots << mot;
    }
    return mots;
}

bool TOrthographe::Ajouter(const QString &mot)
{
    // One word a line: a line break would make two.
    if (mot.isEmpty() || mot.contains(u'\n') || mot.contains(u'\r'))
        return false;
    m_personnels.insert(mot);
    m_verdicts.remove(mot);
    std::string octets;
    if (Encoder(mot, octets))
        m_hunspell->add(octets);
    // Read again before writing: another running editor may have added words.
    const QString chemin = CheminMotsPersonnels();
    const QFileInfo info(chemin);
    if (info.exists() && (!info.isFile() || info.size() > TailleMaxMotsPersonnels))
        return false;
    QStringList mots = LireMotsPersonnels();
    if (mots.contains(mot))
        return true;
    mots << mot;
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSaveFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly))
        return false;
    fichier.write((mots.join(u'\n') + u'\n').toUtf8());
    return fichier.commit();
}
