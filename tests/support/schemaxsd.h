#pragma once

// XML Schema validation with libxml2, for the tests of writers whose files
// must be valid against a published schema set.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

class TSchemaXsd
{
public:
    // The schema and what it imports, read from local files only.
    explicit TSchemaXsd(const QString &chemin)
    {
        xmlSchemaParserCtxtPtr contexte = xmlSchemaNewParserCtxt(QFile::encodeName(chemin).constData());
        if (!contexte)
            return;
        xmlSchemaSetParserStructuredErrors(contexte, &TSchemaXsd::Noter, &m_erreurs);
        m_schema = xmlSchemaParse(contexte);
        xmlSchemaFreeParserCtxt(contexte);
    }
    ~TSchemaXsd()
    {
        if (m_schema)
            xmlSchemaFree(m_schema);
    }
    TSchemaXsd(const TSchemaXsd &) = delete;
    TSchemaXsd &operator=(const TSchemaXsd &) = delete;

    bool Charge() const { return m_schema != nullptr; }
    QString ErreursChargement() const { return m_erreurs.join(u'\n'); }

    // libxml2's messages for the document; empty when it is valid.
    QString Erreurs(const QByteArray &document) const
    {
        if (!m_schema)
            return QStringLiteral("schema not loaded: ") + ErreursChargement();
        QStringList erreurs;
        xmlDocPtr doc = xmlReadMemory(document.constData(), int(document.size()), "document.xml", nullptr,
                                      XML_PARSE_NONET);
        if (!doc)
            return QStringLiteral("not well-formed");
        xmlSchemaValidCtxtPtr validation = xmlSchemaNewValidCtxt(m_schema);
        xmlSchemaSetValidStructuredErrors(validation, &TSchemaXsd::Noter, &erreurs);
        const int resultat = xmlSchemaValidateDoc(validation, doc);
        xmlSchemaFreeValidCtxt(validation);
        xmlFreeDoc(doc);
        if (resultat != 0 && erreurs.isEmpty())
            erreurs << QStringLiteral("invalid (%1)").arg(resultat);
        return erreurs.join(u'\n');
    }

private:
    xmlSchemaPtr m_schema = nullptr;
    QStringList m_erreurs;

#if LIBXML_VERSION >= 21200
    static void Noter(void *liste, const xmlError *erreur)
#else
    static void Noter(void *liste, xmlErrorPtr erreur)
#endif
    {
        static_cast<QStringList *>(liste)->append(
            QStringLiteral("line %1: %2").arg(erreur->line).arg(QString::fromUtf8(erreur->message).trimmed()));
    }
};
