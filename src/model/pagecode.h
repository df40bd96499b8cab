#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Conversions between Unicode texts and the bytes of a Windows or DOS code page.
namespace PageCode {

quint16 AnsiSysteme(); // 1252 where the platform has no ANSI code page
quint16 Oem();         // 850

// True when texts can be decoded from and encoded into this code page.
bool Connue(int pageCode);

// Unknown code pages decode as the system ANSI code page.
QString Decoder(const char *donnees, qsizetype taille, int pageCode);
QString Decoder(const QByteArray &donnees, int pageCode);

// The characters of the 256 bytes of a single-byte code page, for decoding
// many pieces with DecoderDans; an unknown code page gives the system ANSI
// code page's (Latin-1 where that is not single-byte). nullptr for UTF-8.
const char16_t *Caracteres(int pageCode);
// Decodes taille bytes into sortie, which has room for taille characters.
void DecoderDans(const char *donnees, qsizetype taille, const char16_t *caracteres, QChar *sortie);

// Characters the code page cannot hold become '?'.
QByteArray Encoder(const QString &texte, int pageCode);
// The same, appended to octets.
void EncoderDans(QByteArray &octets, QStringView texte, int pageCode);

// How many characters of texte the code page cannot hold: each would be
// written as one '?' by Encoder. The first of them (a code point) goes to
// *premier when premier is given and the count is not zero.
qsizetype Irrepresentables(QStringView texte, int pageCode, char32_t *premier = nullptr);

// True when the character (a code point) has a byte in the code page.
bool Representable(char32_t caractere, int pageCode);

// Name for an XML declaration ("windows-1252", "UTF-8", "IBM850"...).
QString NomEncodage(int pageCode);
// Code page of an encoding name, case-insensitive; 0 when unknown.
int DepuisNomEncodage(const QString &nom);

}
