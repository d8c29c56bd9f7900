#include "bac_a_sable.h"

#include "startup/module.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
const char* const variables[5] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"};
}

BacASable::BacASable()
{
    const QString sous[5] = {QStringLiteral("home"), QStringLiteral("home/.config"), QStringLiteral("home/.local/share"),
                             QStringLiteral("run"), QStringLiteral("home/.cache")};
    for (int i = 0; i < 5; ++i) {
        m_anciens[i] = qgetenv(variables[i]);
        QDir().mkpath(m_dossier.filePath(sous[i]));
        qputenv(variables[i], m_dossier.filePath(sous[i]).toUtf8());
    }
    module().parametres = Parametres{};
}

BacASable::~BacASable()
{
    for (int i = 0; i < 5; ++i)
        qputenv(variables[i], m_anciens[i]);
    module().parametres = Parametres{};
}

Essai::Essai() : dossier(bac.chemin(QStringLiteral("photos")))
{
    QDir().mkpath(dossier);
}

QString Essai::copier(const QString& source, const QString& nom) const
{
    const QString cible = dossier + u'/' + nom;
    if (!QFile::copy(echantillon(source), cible))
        qFatal("cannot copy the sample %s", qPrintable(source));
    return cible;
}

QString echantillon(const QString& nom)
{
    return qEnvironmentVariable("SAMPLES") + QStringLiteral("/pillow/") + nom;
}

QMap<QString, QString> fichier_parametres()
{
    QSettings fichier(Parametres::chemin_fichier(), QSettings::IniFormat);
    fichier.beginGroup(QStringLiteral("parametres"));
    QMap<QString, QString> valeurs;
    for (const QString& cle : fichier.childKeys())
        valeurs.insert(cle, fichier.value(cle).toString());
    return valeurs;
}

QString dans_le_fichier(const QString& cle)
{
    return fichier_parametres().value(cle, QStringLiteral("<absent>"));
}

QByteArray contenu(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void ecrire(const QString& chemin, const QByteArray& octets)
{
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QFile f(chemin);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(octets);
}

Variable::Variable(const char* nom, const QByteArray& valeur)
    : m_nom(nom), m_avant(qgetenv(nom)), m_existait(qEnvironmentVariableIsSet(nom))
{
    if (valeur.isNull())
        qunsetenv(nom);
    else
        qputenv(nom, valeur);
}

Variable::~Variable()
{
    if (m_existait)
        qputenv(m_nom, m_avant);
    else
        qunsetenv(m_nom);
}

TailleMaximale::TailleMaximale(rlim_t octets)
{
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &m_avant);
    const rlimit limite{octets, m_avant.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limite);
}

TailleMaximale::~TailleMaximale()
{
    setrlimit(RLIMIT_FSIZE, &m_avant);
}

SansDroitsDeRoot::SansDroitsDeRoot()
{
    if (syscall(SYS_capget, &m_entete, m_avant) != 0)
        return;
    __user_cap_data_struct apres[2] = {m_avant[0], m_avant[1]};
    apres[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    m_ok = syscall(SYS_capset, &m_entete, apres) == 0;
}

SansDroitsDeRoot::~SansDroitsDeRoot()
{
    if (m_ok)
        syscall(SYS_capset, &m_entete, m_avant);
}

NomsBruts::~NomsBruts()
{
    for (auto i = m_crees.size(); i-- > 0;) {
        if (m_crees[i].second)
            ::rmdir(m_crees[i].first.constData());
        else
            ::unlink(m_crees[i].first.constData());
    }
}

bool NomsBruts::dossier(const QByteArray& chemin)
{
    if (::mkdir(chemin.constData(), 0700) != 0)
        return false;
    m_crees.append({chemin, true});
    return true;
}

bool NomsBruts::fichier(const QByteArray& chemin, const QByteArray& octets)
{
    const int fd = ::open(chemin.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    m_crees.append({chemin, false});
    const bool ecrit = ::write(fd, octets.constData(), size_t(octets.size())) == octets.size();
    ::close(fd);
    return ecrit;
}
