#pragma once

#include "browser/frmvisualiseur.h"
#include "controles.h"
#include "forms/listefichiers.h"
#include "startup/module.h"

#include <QTest>

#include <memory>

// Waits until the browser's folder read has ended and its files are in the list; false after 20 s.
inline bool liste_lue(const frmVisualiseur* f)
{
    return QTest::qWaitFor([f] { return !f->fichiers()->enLecture(); }, 20000);
}

// The browser as a start opens it: on `dossier`, with the type filter `type`, shown and active,
// its folder listed.
inline std::unique_ptr<frmVisualiseur> navigateur(const QString& dossier, const QString& type = QStringLiteral("0"))
{
    module().parametres.sauver(QStringLiteral("dossier demarrage"), dossier);
    module().parametres.sauver(QStringLiteral("type fichier"), type);
    auto f = std::make_unique<frmVisualiseur>();
    montrer(f.get());
    liste_lue(f.get());
    return f;
}
