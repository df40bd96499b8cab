#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Base of every error the program reports to the user: it carries the
// message to show, unchanged.
class Erreur : public std::exception
{
public:
    explicit Erreur(const QString &message) : m_message(message), m_utf8(message.toUtf8()) { }
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A file a reader or writer refuses.
class ErreurIdInvalide : public Erreur
{
public:
    using Erreur::Erreur;
};

// A file-system failure; the message holds the operating system's words.
class ErreurFichier : public Erreur
{
public:
    using Erreur::Erreur;
};

// A card position outside the list: a caller's mistake, never undefined behaviour.
class ErreurIndex : public Erreur
{
public:
    explicit ErreurIndex(int index);
};

// A reader or writer that this build does not have.
class ErreurFormatAbsent : public Erreur
{
public:
    using Erreur::Erreur;
};
