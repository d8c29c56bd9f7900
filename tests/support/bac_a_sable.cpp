#include "bac_a_sable.h"

#include "startup/module.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const char* const variables[4] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"};
}

BacASable::BacASable()
{
    const QString sous[4] = {QStringLiteral("home"), QStringLiteral("home/.config"),
                             QStringLiteral("home/.local/share"), QStringLiteral("run")};
    for (int i = 0; i < 4; ++i) {
        m_anciens[i] = qgetenv(variables[i]);
        QDir().mkpath(m_dossier.filePath(sous[i]));
        qputenv(variables[i], m_dossier.filePath(sous[i]).toUtf8());
    }
    module().parametres = Parametres{};
}

BacASable::~BacASable()
{
    for (int i = 0; i < 4; ++i)
        qputenv(variables[i], m_anciens[i]);
    module().parametres = Parametres{};
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
