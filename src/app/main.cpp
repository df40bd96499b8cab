// The editor: translations and settings first, then the single-instance check, the windows
// in their order and the event loop. The main window writes the settings
// back when it closes.

#include "editor/fiche.h"
#include "editor/instance.h"
#include "editor/recuperer.h"
#include "resources/chaines.h"
#include "settings/init.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>
#include <cstdio>

namespace {

// Test aid: with AMBLOPAD_TEST_TRACE set, the window's caption is printed on
// standard output each time it changes, so a test can follow a running editor.
void SuivreLegende(TFormFiche &fiche)
{
    if (qEnvironmentVariableIsEmpty("AMBLOPAD_TEST_TRACE"))
        return;
    // As the desktop shows it: "[*]" is the modified mark.
    const auto imprimer = [&fiche](QString legende) {
        legende.replace(QLatin1String("[*]"), fiche.isWindowModified() ? QStringLiteral("*") : QString());
        std::printf("caption: %s\n", legende.toUtf8().constData());
        std::fflush(stdout);
    };
    QObject::connect(&fiche, &QWidget::windowTitleChanged, &fiche, imprimer);
    imprimer(fiche.windowTitle());
}

// Test aid: AMBLOPAD_TEST_COMMANDS names menu entries ("Rubriquesdaide1
// Quitter1") that the running editor triggers one after the other, as a user
// choosing them would, so a test can reach states no argument leads to.
void JouerCommandes(TFormFiche &fiche)
{
    const QStringList noms = qEnvironmentVariable("AMBLOPAD_TEST_COMMANDS").split(u' ', Qt::SkipEmptyParts);
    for (const QString &nom : noms) {
        // Once the event loop runs, in the order given.
        QTimer::singleShot(0, &fiche, [&fiche, nom] {
            if (QAction *action = fiche.Action(nom.toLatin1().constData()))
                action->trigger();
        });
    }
}

// Test aid: AMBLOPAD_TEST_SAISIE is typed at the end of the card's answer
// once the commands have run, as a user would type it, and left unvalidated.
void Saisir(TFormFiche &fiche)
{
    const QString texte = qEnvironmentVariable("AMBLOPAD_TEST_SAISIE");
    if (texte.isEmpty())
        return;
    QTimer::singleShot(0, &fiche, [&fiche, texte] {
        if (auto *reponse = fiche.findChild<QPlainTextEdit *>(QStringLiteral("MReponse"))) {
            reponse->moveCursor(QTextCursor::End);
            reponse->insertPlainText(texte);
        }
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // The translations come before the settings: some of their defaults are words.
    Chaines::InstallerTraductions(application);
    LireParametres();
    QApplication::setApplicationName(QStringLiteral("Amblopad"));
    QApplication::setOrganizationName(QStringLiteral("Amblorine"));

    // Paths are handed on absolute: the running instance has its own working folder.
    QStringList arguments = application.arguments().mid(1);
    for (QString &argument : arguments)
        if (!argument.isEmpty())
            argument = QFileInfo(argument).absoluteFilePath();

    TInstances instances;
    if (instances.TransmettreSiActives(arguments))
        return 0;

    TFormFiche fiche;
    fiche.setAttribute(Qt::WA_QuitOnClose);
    fiche.FormCreate();
    instances.Publier(Parametres.uninst);
    QObject::connect(&instances, &TInstances::LignesRecues, &fiche, &TFormFiche::RecevoirLignes);

    TRecuperation *recuperation = TOffreRecuperation::Installer(fiche);
    fiche.show();
    fiche.FormShow(arguments, instances.NombreEnCours());
    SuivreLegende(fiche);
    // What a crashed editor left is offered once the window is up.
    QTimer::singleShot(0, &fiche, [&fiche, recuperation] { TOffreRecuperation::Offrir(fiche, *recuperation); });
    JouerCommandes(fiche);
    Saisir(fiche);
    return application.exec();
}
