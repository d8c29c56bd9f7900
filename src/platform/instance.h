#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// One running copy per user and executable name: a lock file in the user's runtime folder.
// A lock left behind by a crashed process is recognised (its process is gone) and taken over.
class InstanceUnique {
public:
    InstanceUnique();
    explicit InstanceUnique(const QString& chemin_verrou);

    // True when this process now holds the lock (or already did); false while another copy runs.
    bool acquerir();

    const QString& chemin() const { return m_chemin; }
    static QString chemin_par_defaut();

private:
    QString m_chemin;
    std::unique_ptr<QLockFile> m_verrou;
};
