#pragma once

// The XML document object the readers work with: parse from bytes and walk
// the tree, or read the document as a stream of events without one. The only
// place that talks to libxml2; its types stay inside documentxml.cpp.

#include "model/erreurs.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>
#include <cstring>
#include <memory>

// A document that cannot even be created (out of memory).
class ErreurDocumentXml : public Erreur
{
public:
    using Erreur::Erreur;
};

// A handle on one node of a TDocumentXml; valid while its document lives.
// A default-constructed handle is null: every reading operation on it gives
// nothing (null text, no children).
class TNoeudXml
{
public:
    enum class Genre {
        Nul,
        Document,
        Element,
        Texte,
        CData,
        Instruction,
        Commentaire,
        TypeDocument,
        Declaration, // an "xml" processing instruction
        Autre
    };

    TNoeudXml() = default;
    bool EstNul() const { return m_noeud == nullptr; }
    explicit operator bool() const { return m_noeud != nullptr; }
    bool operator==(const TNoeudXml &autre) const { return m_noeud == autre.m_noeud; }
    bool operator!=(const TNoeudXml &autre) const { return m_noeud != autre.m_noeud; }

    Genre Type() const;
    // Qualified name of an element ("xml:space" style for prefixed ones), the
    // target of a processing instruction; empty for other kinds.
    QString Nom() const;
    // True for an element whose name, without its prefix, is nom; nothing
    // is built.
    bool EstNommeLocal(QStringView nom) const;
    // Value of an attribute by qualified name; a null QString when missing.
    QString Attribut(const QString &nom) const;
    bool AAttribut(const QString &nom) const;

    // Direct child elements: the first named nom (null when none), all of
    // them in document order, and every child element.
    TNoeudXml Enfant(const QString &nom) const;
    QList<TNoeudXml> Enfants(const QString &nom) const;
    QList<TNoeudXml> Elements() const;
    // Every child node in order, whatever its kind.
    QList<TNoeudXml> Noeuds() const;

    // Text content: all descendant text and CDATA, references resolved,
    // line breaks as LF. For a text, CDATA, comment or instruction node, its
    // own text (the data of an instruction).
    QString Texte() const;
    // Processing instruction: target and data.
    QString Cible() const;
    QString Donnees() const;
    // Line of the node in the parsed document (0 when unknown).
    int Ligne() const;

private:
    friend class TDocumentXml;
    friend struct ElementsEnCours;
    explicit TNoeudXml(void *noeud) : m_noeud(noeud) { }
    void *m_noeud = nullptr;
};

class TDocumentXml
{
public:
    // An empty document, ready for loading.
    TDocumentXml();
    ~TDocumentXml();
    TDocumentXml(const TDocumentXml &) = delete;
    TDocumentXml &operator=(const TDocumentXml &) = delete;

    // Parses a whole document from memory, never touching the network or any
    // file. Documents with a document type declaration are refused (that is
    // where entity bombs and external entities live), as are documents nested
    // too deep or holding oversized texts. Returns false when refused;
    // LigneErreur and MessageErreur then tell why. Replaces any previous tree.
    bool Charger(const QByteArray &octets);
    int LigneErreur() const;
    QString MessageErreur() const;
    // The encoding named by the parsed document's declaration (empty when it
    // names none, which means UTF-8 or a byte-order mark).
    QString Encodage() const;

    // The document node: its Noeuds() are the top-level nodes (processing
    // instructions and comments before the root, the root, what follows).
    TNoeudXml Noeud() const;
    // The root element; null when the document has none.
    TNoeudXml Racine() const;
    // Processing instructions that stand before the root, in order.
    QList<TNoeudXml> InstructionsAvantRacine() const;

private:
    struct Prive;
    std::unique_ptr<Prive> d;
};

// A start tag as the stream reader gives it: views into the parser's
// buffers, valid during the call only.
class TBaliseXml
{
public:
    // True when the qualified name ("prefix:name" or "name") is nomUtf8;
    // nothing is built.
    bool EstNommee(QByteArrayView nomUtf8) const
    {
        if (!m_prefixe)
            return nomUtf8.size() == m_longueur && std::memcmp(nomUtf8.data(), m_nom, size_t(m_longueur)) == 0;
        return EstNommeePrefixe(nomUtf8);
    }
    // Value of an attribute by qualified name; a null QString when missing.
    QString Attribut(QByteArrayView nomUtf8) const;
    // True when the attribute is there and its value is minuscules, in
    // upper or lower case ASCII letters; nothing is built.
    bool AttributEst(QByteArrayView nomUtf8, QByteArrayView minuscules) const;

private:
    friend struct LectureEnCours;
    TBaliseXml(const unsigned char *prefixe, const unsigned char *nom, const unsigned char *const *attributs,
               int nombre);
    bool EstNommeePrefixe(QByteArrayView nomUtf8) const;
    // The value of an attribute as the parser gives it, null when missing.
    const unsigned char *const *Trouver(QByteArrayView nomUtf8) const;
    const unsigned char *m_prefixe;
    const unsigned char *m_nom;
    qsizetype m_longueur;
    // Five pointers an attribute: name, prefix, namespace, value, value's end.
    const unsigned char *const *m_attributs;
    int m_nombre;
};

// Reads a document as a stream of events and builds no tree, so that a large
// document costs its parse only. Nothing is fetched; the same documents are
// refused as by TDocumentXml::Charger (document type declarations, too deep,
// too large, too many attributes, malformed), but the events before the
// fault have been given by then.
class TLectureXml
{
public:
    class Recepteur
    {
    public:
        virtual ~Recepteur() = default;
        virtual void Debut(const TBaliseXml &balise) = 0;
        virtual void Fin() = 0;
        // Character data in pieces: a text may come in several calls, and
        // references arrive resolved. cdata: from a CDATA section.
        virtual void Texte(const char *texte, qsizetype taille, bool cdata) = 0;
        virtual void Commentaire() = 0;
        // A processing instruction: target and data, UTF-8.
        virtual void Instruction(QByteArrayView cible, QByteArrayView donnees) = 0;
    };

    explicit TLectureXml(Recepteur &recepteur) : m_recepteur(recepteur) { }
    TLectureXml(const TLectureXml &) = delete;
    TLectureXml &operator=(const TLectureXml &) = delete;

    // Reads the whole document; true when it was well-formed and accepted.
    // False when refused, or stopped by Arreter(). What the receiver throws
    // stops the reading and goes on to the caller. When the file's memory
    // budget turned an allocation down, raises its refusal.
    bool Lire(const QByteArray &octets);
    // From the receiver: reads no further (Lire then gives false).
    void Arreter();
    bool Arrete() const { return m_arrete; }
    // The encoding named by the declaration (empty when none), once read.
    QString Encodage() const { return m_encodage; }
    // A text of the document as a string, every character kept
    // (QString::fromUtf8 drops a U+FEFF at the start); never null.
    static QString Chaine(QByteArrayView utf8);

private:
    friend struct LectureEnCours;
    Recepteur &m_recepteur;
    void *m_contexte = nullptr;
    bool m_arrete = false;
    QString m_encodage;
};

// Reads a document as a stream, building the tree of one element at a time:
// what the receiver takes is built whole, given to it, then freed, so a
// document of many such elements costs about one of them. The elements it
// does not take are built without their content (attributes and the element
// being read): its children go to the receiver in turn. The same documents
// are refused as by TDocumentXml::Charger, but the elements before the fault
// have been given by then.
class TLectureElementsXml
{
public:
    class Recepteur
    {
    public:
        virtual ~Recepteur() = default;
        // An element starts outside those taken, its attributes read: true
        // takes it, and Element then gets it whole.
        virtual bool Debut(const TNoeudXml &element) = 0;
        // An element taken, whole; freed once this returns.
        virtual void Element(const TNoeudXml &element) = 0;
    };

    explicit TLectureElementsXml(Recepteur &recepteur) : m_recepteur(recepteur) { }
    TLectureElementsXml(const TLectureElementsXml &) = delete;
    TLectureElementsXml &operator=(const TLectureElementsXml &) = delete;

    // Reads the whole document; true when it was well-formed and accepted.
    // What the receiver throws stops the reading and goes on to the caller.
    // When the file's memory budget turned an allocation down, raises its
    // refusal.
    bool Lire(const QByteArray &octets);

private:
    friend struct ElementsEnCours;
    Recepteur &m_recepteur;
    // Depth inside the element taken (0: outside).
    int m_profondeur = 0;
};
