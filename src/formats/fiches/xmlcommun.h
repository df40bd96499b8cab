#pragma once

// Small helpers the XML writer and reader share.

#include "model/outils.h"

#include <QString>

// CRLF and EstCaractereXml come from the text utilities.
namespace XmlCommun {

inline QString S(const char *texte)
{
    return QString::fromLatin1(texte);
}

} // namespace XmlCommun
