#include "picture/metafichier.h"

#include "picture/chargeur.h"
#include "picture/contenu.h"
#include "picture/octets.h"

namespace {

// The rendered picture itself stays within the same budget as any picture read.
constexpr qint64 octets_rendu_maximaux = octets_lecture_maximaux;

bool est_emf(const Octets& f) { return f.u32(0) == 1 && f.u32(40) == 0x464D4520; }

} // namespace

QSize taille_metafichier(QByteArrayView donnees)
{
    const Octets f(donnees);
    return est_emf(f) ? emf::taille(f) : wmf::taille(f);
}

namespace {

QImage rendre(QByteArrayView donnees, QSize taille, qint64 budget_ms, QColor fond, int profondeur)
{
    if (taille.isEmpty() || !dimensions_vraisemblables(taille.width(), taille.height())
        || qint64(taille.width()) * taille.height() * 4 > octets_rendu_maximaux)
        return {};
    const Octets f(donnees);
    const bool emf = est_emf(f);
    if (!(emf ? emf::taille(f) : wmf::taille(f)).isValid())
        return {};
    QImage image(taille, fond.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(fond);
    if (emf)
        emf::jouer(f, image, budget_ms, profondeur);
    else
        wmf::jouer(f, image, budget_ms);
    return image;
}

} // namespace

QImage rendre_metafichier(QByteArrayView donnees, QSize taille, qint64 budget_ms)
{
    return rendre(donnees, taille, budget_ms, Qt::white, 0);
}

QImage rendre_metafichier_transparent(QByteArrayView donnees, QSize taille, int profondeur, qint64 budget_ms)
{
    return rendre(donnees, taille, budget_ms, Qt::transparent, profondeur);
}
