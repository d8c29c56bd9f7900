#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running copy per user and executable name: a lock file in the user's runtime folder.
// A lock left behind by a crashed process is recognised (its process is gone) and taken over.
// The running copy also listens on a local socket beside the lock, so that a later start with a
// picture to open ("Open with" from the desktop) can hand it over instead of being refused.
class InstanceUnique : public QObject {
    Q_OBJECT

public:
    InstanceUnique();
    explicit InstanceUnique(const QString& chemin_verrou);
    ~InstanceUnique() override;

    // True when this process now holds the lock (or already did); false while another copy runs.
    // Holding it, the process listens for requests from later starts.
    bool acquerir();

    // From a later start: gives the running copy a picture or folder to open. True once that
    // copy has received it; false when no copy answers within `attente_ms`.
    bool transmettre(const QString& demande, int attente_ms = 3000) const;

    const QString& chemin() const { return m_chemin; }
    QString chemin_prise() const { return m_chemin + QStringLiteral(".socket"); }
    static QString chemin_par_defaut();

Q_SIGNALS:
    // A later start asked this copy to open that picture or folder (an absolute path).
    void demande(const QString& chemin);

private:
    void ecouter();
    void lire_demande();

    QString m_chemin;
    std::unique_ptr<QLockFile> m_verrou;
    QLocalServer* m_serveur = nullptr;
};
