#include "platform/instance.h"

#include "platform/dossiers.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

namespace {

// A request is one path, UTF-8, ended by a line feed; anything longer is no path.
constexpr qint64 taille_demande_max = 64 * 1024;

} // namespace

InstanceUnique::InstanceUnique()
    : InstanceUnique(chemin_par_defaut())
{
}

InstanceUnique::InstanceUnique(const QString& chemin_verrou)
    : m_chemin(chemin_verrou)
{
}

InstanceUnique::~InstanceUnique() = default;

QString InstanceUnique::chemin_par_defaut()
{
    const QString dossier = dossiers::execution();
    if (dossier.isEmpty())
        return {};
    return dossier + u'/' + dossiers::nom_executable() + QStringLiteral(".lock");
}

bool InstanceUnique::acquerir()
{
    if (m_verrou && m_verrou->isLocked())
        return true;
    // Without a private folder for it, there is no lock: the program runs rather than refuse the user.
    if (m_chemin.isEmpty())
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
    ecouter();
    return true;
}

void InstanceUnique::ecouter()
{
    // The lock is ours, so a socket left at that place belongs to a copy that has gone.
    QLocalServer::removeServer(chemin_prise());
    m_serveur = new QLocalServer(this);
    m_serveur->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_serveur->listen(chemin_prise())) {
        // Without it, later starts are refused as before; the program itself runs on.
        delete m_serveur;
        m_serveur = nullptr;
        return;
    }
    connect(m_serveur, &QLocalServer::newConnection, this, &InstanceUnique::lire_demande);
}

void InstanceUnique::lire_demande()
{
    while (QLocalSocket* prise = m_serveur->nextPendingConnection()) {
        connect(prise, &QLocalSocket::disconnected, prise, &QObject::deleteLater);
        const QPointer<QLocalSocket> garde(prise);
        const auto lire = [this, garde] {
            if (!garde)
                return;
            if (!garde->canReadLine()) {
                if (garde->bytesAvailable() > taille_demande_max)
                    garde->abort();
                return;
            }
            const QString chemin = QString::fromUtf8(garde->readLine()).chopped(1);
            garde->write("ok\n");
            garde->disconnectFromServer();
            if (!chemin.isEmpty())
                Q_EMIT demande(chemin);
        };
        connect(prise, &QLocalSocket::readyRead, this, lire);
        lire();
    }
}

bool InstanceUnique::transmettre(const QString& demande, int attente_ms) const
{
    // One line per request: a path holding a line feed cannot be sent.
    if (demande.isEmpty() || demande.contains(u'\n') || m_chemin.isEmpty())
        return false;
    QLocalSocket prise;
    prise.connectToServer(chemin_prise());
    if (!prise.waitForConnected(attente_ms))
        return false;
    prise.write(demande.toUtf8() + '\n');
    if (!prise.waitForBytesWritten(attente_ms))
        return false;
    while (!prise.canReadLine()) {
        if (!prise.waitForReadyRead(attente_ms))
            return false;
    }
    return prise.readLine() == "ok\n";
}
