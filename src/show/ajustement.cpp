#include "show/ajustement.h"

#include <cmath>

namespace {

double rapport_arrondi(double grand, double petit)
{
    return std::round(grand / petit * 100.0) / 100.0;
}

} // namespace

QSizeF taille_ajustee(QSize image, QSize ecran)
{
    const double w = image.width(), h = image.height();
    const double sw = ecran.width(), sh = ecran.height();
    if (w <= 0 || h <= 0)
        return QSizeF(image);
    double w2, h2;
    if (h > w) {
        const double r = rapport_arrondi(h, w);
        h2 = sh;
        w2 = sh / r;
        if (w2 > sw) {
            w2 = sw;
            h2 = w2 * r;
        }
    } else if (w > h) {
        const double r = rapport_arrondi(w, h);
        w2 = sw;
        h2 = sw / r;
        if (h2 > sh) {
            h2 = sh;
            w2 = h2 * r;
        }
    } else {
        h2 = w2 = sh;
        if (w2 > sw)
            h2 = w2 = sw;
    }
    return {w2, h2};
}

QSizeF taille_affichee(QSize image, QSize ecran, int mode)
{
    switch (mode) {
    case AdapteeSiPlusGrande:
        if (image.width() <= ecran.width() && image.height() <= ecran.height())
            return QSizeF(image);
        return taille_ajustee(image, ecran);
    case AdapteeToujours: return taille_ajustee(image, ecran);
    default: return QSizeF(image);
    }
}

QColor couleur_de_valeur(ValeurCouleur valeur)
{
    return QColor(int(valeur & 0xFF), int((valeur >> 8) & 0xFF), int((valeur >> 16) & 0xFF));
}

ValeurCouleur valeur_de_couleur(const QColor& couleur)
{
    return ValeurCouleur(couleur.red()) | ValeurCouleur(couleur.green()) << 8 | ValeurCouleur(couleur.blue()) << 16;
}

std::optional<ValeurCouleur> couleur_de_fond(const QString& reglage, QRandomGenerator& hasard)
{
    if (reglage.isEmpty()) {
        const auto composante = [&] { return ValeurCouleur(std::lround(hasard.generateDouble() * 255.0)); };
        const ValeurCouleur rouge = composante();
        const ValeurCouleur vert = composante();
        const ValeurCouleur bleu = composante();
        return rouge | vert << 8 | bleu << 16;
    }
    bool entier = false;
    const qlonglong valeur = reglage.trimmed().toLongLong(&entier);
    if (!entier || valeur < 0 || valeur > 0xFFFFFF)
        return std::nullopt;
    return ValeurCouleur(valeur);
}

ValeurCouleur couleur_du_texte(ValeurCouleur fond)
{
    return fond == 0 ? 0xFFFFFF : 0;
}
