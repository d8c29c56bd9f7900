#include "platform/instance.h"

#include "platform/dossiers.h"

InstanceUnique::InstanceUnique()
    : InstanceUnique(chemin_par_defaut())
{
}

InstanceUnique::InstanceUnique(const QString& chemin_verrou)
    : m_chemin(chemin_verrou)
{
}

QString InstanceUnique::chemin_par_defaut()
{
    return dossiers::execution() + u'/' + dossiers::nom_executable() + QStringLiteral(".lock");
}

bool InstanceUnique::acquerir()
{
    if (m_verrou && m_verrou->isLocked())
        return true;
    auto verrou = std::make_unique<QLockFile>(m_chemin);
    // Held for the life of the program: never stale by age, only when its process is gone.
    verrou->setStaleLockTime(0);
    if (!verrou->tryLock(0)) {
        // Only a lock held by a live copy refuses the start; a runtime folder we cannot write
        // to must not keep the user out of the program.
        return verrou->error() != QLockFile::LockFailedError;
    }
    m_verrou = std::move(verrou);
    return true;
}
