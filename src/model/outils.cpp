#include "model/outils.h"

#include "model/flux.h"
#include "model/pagecode.h"

#include <QCoreApplication>
#include <QLocale>

#include <utility>

namespace {

qsizetype DebutNom(const QString &chemin)
{
    const qsizetype barre = qMax(chemin.lastIndexOf(u'/'), chemin.lastIndexOf(u'\\'));
    return barre + 1;
}

} // namespace

QChar PremierCar(const QString &texte)
{
    return texte.isEmpty() ? QChar(u' ') : texte.at(0);
}

QString SansEspaces(const QString &texte)
{
    QString resultat = texte;
    resultat.remove(u' ');
    return resultat;
}

QString SeparateurListeLocal()
{
    // Qt has no list-separator item: locales with a decimal comma use ';'.
    return QLocale().decimalPoint() == QLatin1String(",") ? QStringLiteral(";") : QStringLiteral(",");
}

QChar SeparateurCsv(const QString &texte)
{
    return PremierCar(texte.isEmpty() ? SeparateurListeLocal() : Desechapper(texte));
}

QString ExtensionDepuisMotif(const QString &motif, QChar lettre)
{
    QString resultat = motif;
    const qsizetype etoile = resultat.indexOf(u'*');
    if (etoile >= 0)
        resultat[etoile] = lettre;
    for (QChar &c : resultat) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return resultat;
}

QString NomSansExtension(const QString &chemin)
{
    const QString nom = chemin.mid(DebutNom(chemin));
    const qsizetype point = nom.lastIndexOf(u'.');
    return point < 0 ? nom : nom.left(point);
}

QString NomAffiche(const QString &chemin)
{
    const QString nom = chemin.mid(DebutNom(chemin));
    if (chemin.isEmpty() || chemin.at(0).toUpper() == u'C')
        return nom;
    const QString sur = QCoreApplication::translate("Outils", "%1 on %2");
    if (chemin.size() >= 2 && chemin.at(1) == u':')
        return sur.arg(nom, chemin.left(2));
    if (chemin.startsWith(QLatin1String("\\\\"))) {
        qsizetype fin = chemin.indexOf(u'\\', 2);
        if (fin < 0)
            fin = chemin.size();
        return sur.arg(nom, chemin.mid(2, fin - 2));
    }
    return nom;
}

QString Echapper(const QString &texte)
{
    QString resultat = texte;
    resultat.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    resultat.replace(QLatin1String(" "), QLatin1String("\\s"));
    resultat.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
    resultat.replace(QLatin1String("\t"), QLatin1String("\\t"));
    return resultat;
}

namespace {

// The bounds of a text once the characters blanc accepts are off its ends.
template <typename Blanc>
std::pair<qsizetype, qsizetype> Bornes(QStringView texte, bool gauche, bool droite, Blanc blanc)
{
    qsizetype debut = 0;
    qsizetype fin = texte.size();
    while (gauche && debut < fin && blanc(texte.at(debut)))
        ++debut;
    while (droite && fin > debut && blanc(texte.at(fin - 1)))
        --fin;
    return {debut, fin};
}

} // namespace

QString LignesCrLf(const QString &texte)
{
    const qsizetype n = texte.size();
    const QChar *p = texte.constData();
    qsizetype i = 0;
    // Up to the first line end that is not CR LF already.
    for (; i < n; ++i) {
        if (p[i] == u'\n')
            break;
        if (p[i] == u'\r') {
            if (i + 1 == n || p[i + 1] != u'\n')
                break;
            ++i;
        }
    }
    if (i == n)
        return texte;
    // Each lone CR or LF from there grows the text by one.
    qsizetype seules = 0;
    for (qsizetype k = i; k < n; ++k) {
        if (p[k] == u'\n' && (k == 0 || p[k - 1] != u'\r'))
            ++seules;
        else if (p[k] == u'\r' && (k + 1 == n || p[k + 1] != u'\n'))
            ++seules;
    }
    QString r;
    r.reserve(n + seules);
    r.append(p, i);
    for (; i < n; ++i) {
        const QChar c = p[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && p[i + 1] == u'\n')
                ++i;
            r.append(CRLF);
        } else {
            r.append(c);
        }
    }
    return r;
}

QString Rogner(const QString &texte)
{
    const auto [debut, fin] = Bornes(texte, true, true, EstBlanc);
    return texte.mid(debut, fin - debut);
}

QStringView Rogner(QStringView texte)
{
    const auto [debut, fin] = Bornes(texte, true, true, EstBlanc);
    return texte.mid(debut, fin - debut);
}

QString RognerGauche(const QString &texte)
{
    const auto [debut, fin] = Bornes(texte, true, false, EstBlanc);
    return texte.mid(debut, fin - debut);
}

QString RognerDroite(const QString &texte)
{
    const auto [debut, fin] = Bornes(texte, false, true, EstBlanc);
    return texte.mid(debut, fin - debut);
}

QString RognerXml(const QString &texte)
{
    const auto [debut, fin] = Bornes(texte, true, true, EstBlancXml);
    return texte.mid(debut, fin - debut);
}

QString Desechapper(const QString &texte)
{
    const QString rogne = Rogner(texte);
    if (!rogne.contains(u'\\'))
        return rogne;
    QString resultat;
    resultat.reserve(rogne.size());
    for (qsizetype i = 0; i < rogne.size(); ++i) {
        const QChar c = rogne.at(i);
        if (c == u'\\' && i + 1 < rogne.size()) {
            const QChar suivant = rogne.at(i + 1);
            if (suivant == u'\\') {
                resultat += u'\\';
                ++i;
                continue;
            }
            if (suivant == u's') {
                resultat += u' ';
                ++i;
                continue;
            }
            if (suivant == u'n') {
                resultat += QLatin1String("\r\n");
                ++i;
                continue;
            }
            if (suivant == u't') {
                resultat += u'\t';
                ++i;
                continue;
            }
        }
        resultat += c;
    }
    return resultat;
}

QString OemVersAnsi(const QByteArray &octets)
{
    return PageCode::Decoder(octets, PageCode::Oem());
}

void OterEspacesFinaux(QByteArray &octets)
{
    qsizetype longueur = octets.size();
    while (longueur > 0 && octets.at(longueur - 1) == ' ')
        --longueur;
    octets.truncate(longueur);
}

QChar LettreOuiNon(bool oui)
{
    return oui ? QChar(u'O') : QChar(u'N');
}

bool EstLettreOui(char c)
{
    return c == 'J' || c == 'O' || c == 'S' || c == 'T' || c == 'Y';
}

int CouperLignes(const QByteArray &texte, std::vector<int> &debuts)
{
    // Positions are 1-based, as the native format's cutting rule counts them.
    const int longueur = int(texte.size());
    debuts.clear();
    int a = 1;
    int nombre = 0;
    while (a <= longueur && nombre < 251) {
        int suivant;
        if (a + 60 > longueur) {
            suivant = longueur + 1;
        } else {
            suivant = a + 60;
            for (int j = a + 60; j >= a; --j) {
                const char c = texte.at(j - 1);
                if (c == ' ' || c == '\r') {
                    suivant = j + 1;
                    break;
                }
            }
        }
        debuts.push_back(a);
        ++nombre;
        a = suivant;
    }
    debuts.push_back(a);
    return nombre;
}

int NombreLignes(const QByteArray &texte)
{
    std::vector<int> debuts;
    return CouperLignes(texte, debuts);
}
