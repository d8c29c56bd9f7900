#pragma once

#include "forms/interaction.h"

#include <QDebug>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

// Stands in for every modal box and external program while a test runs: it records what the
// program said or asked, and answers from the queues the test filled (Ok / cancel when empty).
class InteractionTest final : public Interaction {
public:
    struct Lancement {
        QString programme;
        QStringList arguments;
    };

    QList<Message> messages;
    QList<Reponse> reponses;
    QList<Saisie> saisies;
    QList<std::optional<QString>> reponses_saisie;
    QStringList titres_dossier;
    QList<QString> reponses_dossier;
    QList<ChoixFichier> choix_fichier;
    QList<QString> reponses_fichier;
    QList<std::optional<QColor>> reponses_couleur;
    QList<Lancement> lancements;
    bool lancement_reussi = true;
    QList<QUrl> documents;
    bool ouverture_reussie = true;
    QList<Lancement> executions;
    QList<ResultatProgramme> resultats; // answers of executer(), in order; exit code 0 when empty
    // What happens while a box is up, before it is answered: a user reading it for a while lets
    // the program's events run, as a real modal box does.
    std::function<void(const Message&)> pendant_message;

    Reponse message(QWidget*, const Message& m) override;
    std::optional<QString> saisie(QWidget*, const Saisie& s) override;
    QString dossier(QWidget*, const QString& titre, const QString& depart) override;
    QString fichier(QWidget*, const ChoixFichier& choix) override;
    std::optional<QColor> couleur(QWidget*, const QColor& initiale, const QString& titre) override;
    bool lancer(const QString& programme, const QStringList& arguments) override;
    bool ouvrir(const QUrl& document) override;
    ResultatProgramme executer(const QString& programme, const QStringList& arguments) override;
};

// A box's message compares whole in the tests: text, title, buttons, icon and default button.
bool operator==(const Message& a, const Message& b);
QDebug operator<<(QDebug flux, const Message& m);

// Installs an InteractionTest into the program for the life of the object.
class InteractionInstallee {
public:
    InteractionInstallee();
    ~InteractionInstallee();
    InteractionInstallee(const InteractionInstallee&) = delete;
    InteractionInstallee& operator=(const InteractionInstallee&) = delete;

    InteractionTest* operator->() const { return m_test; }
    InteractionTest& operator*() const { return *m_test; }

private:
    std::unique_ptr<Interaction> m_precedente;
    InteractionTest* m_test;
};
