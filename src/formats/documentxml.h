#pragma once

// The XML document object the readers work with: parse from bytes and walk
// the tree. The only place that talks to libxml2; its types stay inside
// documentxml.cpp.

#include "model/erreurs.h"

#include <QByteArray>
#include <QList>
#include <QString>
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
    // The same text as Texte() (line breaks as the parser left them), as
    // UTF-8 appended to sortie, without building a string per node.
    void AjouterTexteUtf8(QByteArray &sortie) const;
    // True for an element whose qualified name is nomUtf8; no conversion.
    bool EstElementNomme(const QByteArray &nomUtf8) const;
    // Walking the children without a list: the first child node and the
    // next sibling node (null at the end).
    TNoeudXml PremierEnfant() const;
    TNoeudXml Suivant() const;
    // Processing instruction: target and data.
    QString Cible() const;
    QString Donnees() const;
    // Line of the node in the parsed document (0 when unknown).
    int Ligne() const;

private:
    friend class TDocumentXml;
    friend class TLectureXml;
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

// Reads a document as a stream, for large ones: the nodes before the root,
// the root element with its attributes, then each child element of the root
// as a whole tree, freed when the next one is read, so that only one child's
// tree is in memory at a time. Nothing is fetched. A document with a document
// type declaration is never read this way (Erreur() at once), nor is one that
// turns out malformed; TDocumentXml::Charger then tells why.
class TLectureXml
{
public:
    // A node before the root: processing instruction, comment...
    struct Prologue
    {
        TNoeudXml::Genre genre;
        QString cible;
        QString donnees;
    };

    explicit TLectureXml(const QByteArray &octets);
    ~TLectureXml();
    TLectureXml(const TLectureXml &) = delete;
    TLectureXml &operator=(const TLectureXml &) = delete;

    // Reads up to the root's start tag; false on error or without a root.
    bool LireRacine();
    const QList<Prologue> &AvantRacine() const { return m_prologue; }
    // The root element: its name and attributes (its children are not there).
    TNoeudXml Racine() const { return TNoeudXml(m_racine); }
    // The next child element of the root with its whole tree, valid until the
    // next call; null after the last one or on error.
    TNoeudXml Suivant();
    // Reads the rest of the document: true when all of it was well-formed.
    bool Terminer();
    bool Erreur() const { return m_erreur; }
    // The encoding named by the declaration (empty when none).
    QString Encodage() const;

private:
    void *m_lecteur = nullptr;
    void *m_racine = nullptr;
    bool m_erreur = false;
    bool m_finRacine = false;
    bool m_surEnfant = false;
    QList<Prologue> m_prologue;
};
