#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class QFontMetrics;
class QWidget;

// Everything that waits for the user in a modal box, or hands work to another program,
// goes through one Interaction. The program uses InteractionQt (Qt's dialogs, QProcess,
// QDesktopServices); a test installs its own and answers the boxes itself.

enum class Boutons { Ok, OkAnnuler, AbandonnerRecommencerIgnorer, OuiNonAnnuler, OuiNon, RecommencerAnnuler };
enum class Icone { Aucune, Critique, Question, Exclamation, Information };
enum class Reponse { Ok, Annuler, Abandonner, Recommencer, Ignorer, Oui, Non };

struct Message {
    QString texte;
    QString titre;
    Boutons boutons = Boutons::Ok;
    Icone icone = Icone::Aucune;
    int bouton_par_defaut = 0; // 0 = first button, 1 = second, 2 = third
};

struct Saisie {
    QString invite;
    QString titre;
    QString defaut;
};

struct ChoixFichier {
    enum class Mode { Ouvrir, Enregistrer };
    Mode mode = Mode::Ouvrir;
    QString titre;
    QString dossier;       // initial folder
    QString nom;           // initial file name
    QString filtre;        // Qt filter text: "Sons (*.wav *.mp3);;Tous (*)"
    int index_filtre = 0;  // filter selected on opening
};

// What a program run to its end gave back.
struct ResultatProgramme {
    int code = -1;        // exit code; -1 when it could not be started or did not finish
    QByteArray sortie;    // what it wrote on its standard output
};

class Interaction {
public:
    virtual ~Interaction() = default;

    virtual Reponse message(QWidget* parent, const Message& m) = 0;
    // nullopt when the user cancels.
    virtual std::optional<QString> saisie(QWidget* parent, const Saisie& s) = 0;
    // Empty text when the user cancels.
    virtual QString dossier(QWidget* parent, const QString& titre, const QString& depart) = 0;
    virtual QString fichier(QWidget* parent, const ChoixFichier& choix) = 0;
    virtual std::optional<QColor> couleur(QWidget* parent, const QColor& initiale, const QString& titre) = 0;
    // Starts a program detached; false when it could not be started.
    virtual bool lancer(const QString& programme, const QStringList& arguments) = 0;
    // Opens a document or page in the desktop's program for it; false when nothing opened it.
    virtual bool ouvrir(const QUrl& document) = 0;
    // Runs a short command to its end (a few seconds at most) and returns what it gave. It blocks:
    // call it from a worker thread, never from the window's thread (any thread may call it).
    virtual ResultatProgramme executer(const QString& programme, const QStringList& arguments) = 0;
};

// What a message box shows of `texte` in a text area of `largeur` x `hauteur` pixels, written with
// `metriques`: a run of characters without a blank that is wider than the area (a long path) is
// shortened in its middle, start and end kept, with "…"; when the lines still need more height,
// lines in the middle give way to one "…" line. A text that fits comes back unchanged.
QString texte_ajuste(const QString& texte, const QFontMetrics& metriques, int largeur, int hauteur);

class InteractionQt final : public Interaction {
public:
    Reponse message(QWidget* parent, const Message& m) override;
    std::optional<QString> saisie(QWidget* parent, const Saisie& s) override;
    QString dossier(QWidget* parent, const QString& titre, const QString& depart) override;
    QString fichier(QWidget* parent, const ChoixFichier& choix) override;
    std::optional<QColor> couleur(QWidget* parent, const QColor& initiale, const QString& titre) override;
    bool lancer(const QString& programme, const QStringList& arguments) override;
    bool ouvrir(const QUrl& document) override;
    ResultatProgramme executer(const QString& programme, const QStringList& arguments) override;
};
