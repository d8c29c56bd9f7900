#pragma once

#include "browser/frmvisualiseur.h"
#include "controles.h"
#include "startup/module.h"

#include <memory>

// The browser as a start opens it: on `dossier`, with the type filter `type`, shown and active.
inline std::unique_ptr<frmVisualiseur> navigateur(const QString& dossier, const QString& type = QStringLiteral("0"))
{
    module().parametres.sauver(QStringLiteral("dossier demarrage"), dossier);
    module().parametres.sauver(QStringLiteral("type fichier"), type);
    auto f = std::make_unique<frmVisualiseur>();
    montrer(f.get());
    return f;
}
