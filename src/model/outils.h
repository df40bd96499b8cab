#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>
#include <vector>

QChar PremierCar(const QString &texte);
QString SansEspaces(const QString &texte);
QString SeparateurListeLocal();

// The character a CSV separator as typed stands for (escapes allowed; the
// locale's list separator when empty).
QChar SeparateurCsv(const QString &texte);

QString ExtensionDepuisMotif(const QString &motif, QChar lettre);
QString NomSansExtension(const QString &chemin);
QString NomAffiche(const QString &chemin);

QString Echapper(const QString &texte);
QString Desechapper(const QString &texte);

// How texts in memory break lines.
inline const QString CRLF = QStringLiteral("\r\n");
// The text with every line end (CR LF, a lone CR or a lone LF) as CR LF,
// built in one pass (QString::replace in a loop costs the square of the
// length); the same string, shared, when it needs no change.
QString LignesCrLf(const QString &texte);

// A space or a control character (code up to 0x20).
inline bool EstBlanc(QChar c)
{
    return c.unicode() <= 0x20;
}
// XML's white space: space, tab, CR, LF.
inline bool EstBlancXml(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}
// A character XML 1.0 can carry, as itself or as a reference.
inline bool EstCaractereXml(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// Trims spaces and control characters (EstBlanc) at both ends.
QString Rogner(const QString &texte);
QStringView Rogner(QStringView texte);
// The same at the start only, at the end only.
QString RognerGauche(const QString &texte);
QString RognerDroite(const QString &texte);
// Trims XML's white space (EstBlancXml) at both ends.
QString RognerXml(const QString &texte);

// Short strings of the native format: bytes after the length byte.
QString OemVersAnsi(const QByteArray &octets);
void OterEspacesFinaux(QByteArray &octets);

QChar LettreOuiNon(bool oui);
bool EstLettreOui(char c);

// Line cutting on encoded bytes: starts receives 1-based positions of each
// line and, last, the position just after the last line; returns the count
// (at most 251).
int CouperLignes(const QByteArray &texte, std::vector<int> &debuts);
int NombreLignes(const QByteArray &texte);
