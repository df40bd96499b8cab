#pragma once

// Small helpers the XML writer and reader share.

#include <QString>

namespace XmlCommun {

inline const QString CRLF = QStringLiteral("\r\n");

inline QString S(const char *texte)
{
    return QString::fromLatin1(texte);
}

inline bool EstCaractereXml(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
           || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

} // namespace XmlCommun
