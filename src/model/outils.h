#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <vector>

// Format letter of a file on disk from its first 255 bytes and its name;
// '?' when not recognised. Raises ErreurFichier when the file cannot be read.
QChar ReconnaitreFormat(const QString &chemin);
// The same on a head already read (at most its first 255 bytes are looked at).
QChar ReconnaitreFormatTete(const QByteArray &tete, const QString &chemin);

QChar PremierCar(const QString &texte);
QString SansEspaces(const QString &texte);
QString SeparateurListeLocal();

void DefinirSeparateurCsv(const QString &texte);
QString SeparateurCsvTexte();
QChar SeparateurCsv();

QString ExtensionDepuisMotif(const QString &motif, QChar lettre);
QString NomSansExtension(const QString &chemin);
QString NomAffiche(const QString &chemin);

QString Echapper(const QString &texte);
QString Desechapper(const QString &texte);
// Trims spaces and control characters (code up to 0x20) at both ends.
QString Rogner(const QString &texte);

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
