// The score is the mean SSIM of Wang, Bovik, Sheikh and Simoncelli (2004): an 11 x 11 Gaussian
// window (sigma 1.5), K1 = 0.01, K2 = 0.03, grey levels 0-255, windows wholly inside the picture.
//
// Metafiles are mostly thin strokes and text on white. Two renderers anti-alias a one-pixel line
// differently, or put it half a pixel apart, and set text in other fonts; at full resolution SSIM
// reads that as structure that is not there, so the scores mostly told how each renderer rounds: a
// dense line drawing moved by one pixel scored 0.29, hardly above the same drawing mirrored (0.15),
// and two renderings of a chart that look alike scored 0.75. Both pictures are therefore blurred
// first (Gaussian, sigma 1.5 pixels, the spread of the window's own weighting): a stroke moved by a
// pixel or drawn a little lighter then still matches (the line drawing moved: 0.87; the chart:
// 0.94), while a missing, misplaced, wrongly coloured or wrongly filled figure still costs its area
// (mirrored: 0.38; against a blank picture: 0.15).

#include "ressemblance.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace essai {

namespace {

// A grey picture, row after row. Floats: grey levels, their products and their weighted sums lose
// less than 0.01 to rounding, far below the constants of the formula.
struct Plan {
    int largeur = 0, hauteur = 0;
    std::vector<float> v;
    Plan(int l, int h) : largeur(l), hauteur(h), v(size_t(l) * size_t(h)) {}
    float* ligne(int y) { return &v[size_t(y) * size_t(largeur)]; }
    const float* ligne(int y) const { return &v[size_t(y) * size_t(largeur)]; }
};

// `image` composed on white and brought to `taille`, as grey levels 0-255.
Plan gris_sur_blanc(const QImage& image, QSize taille)
{
    QImage fond(image.size(), QImage::Format_RGB32);
    fond.fill(Qt::white);
    {
        QPainter p(&fond);
        p.drawImage(0, 0, image);
    }
    if (fond.size() != taille)
        fond = fond.scaled(taille, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    Plan plan(taille.width(), taille.height());
    for (int y = 0; y < plan.hauteur; ++y) {
        const QRgb* source = reinterpret_cast<const QRgb*>(fond.constScanLine(y));
        float* cible = plan.ligne(y);
        for (int x = 0; x < plan.largeur; ++x)
            cible[x] = float(0.299 * qRed(source[x]) + 0.587 * qGreen(source[x]) + 0.114 * qBlue(source[x]));
    }
    return plan;
}

// A normalised Gaussian of 2 * rayon + 1 taps.
std::vector<float> noyau_gaussien(double sigma, int rayon)
{
    std::vector<double> k(size_t(2 * rayon + 1));
    double somme = 0;
    for (int i = -rayon; i <= rayon; ++i)
        somme += k[size_t(i + rayon)] = std::exp(-i * i / (2 * sigma * sigma));
    std::vector<float> noyau;
    for (double v : k)
        noyau.push_back(float(v / somme));
    return noyau;
}

// cible[x] += poids * source[x] for x < n. Every filter below is made of such whole-row steps,
// which the compiler turns into vector instructions.
void ajouter(float* __restrict cible, const float* __restrict source, float poids, int n)
{
    for (int x = 0; x < n; ++x)
        cible[x] += poids * source[x];
}

// `plan` blurred by `k` along both axes, at the same size (edge pixels repeated).
Plan flouter(const Plan& plan, const std::vector<float>& k)
{
    const int r = int(k.size() / 2), l = plan.largeur;
    Plan h(l, plan.hauteur);
    std::vector<float> ligne(size_t(l + 2 * r));
    for (int y = 0; y < plan.hauteur; ++y) {
        const float* source = plan.ligne(y);
        std::fill_n(ligne.begin(), r, source[0]);
        std::copy_n(source, l, ligne.begin() + r);
        std::fill_n(ligne.begin() + r + l, r, source[l - 1]);
        for (size_t i = 0; i < k.size(); ++i)
            ajouter(h.ligne(y), &ligne[i], k[i], l);
    }
    Plan sortie(l, plan.hauteur);
    for (int y = 0; y < plan.hauteur; ++y)
        for (int i = -r; i <= r; ++i)
            ajouter(sortie.ligne(y), h.ligne(std::clamp(y + i, 0, plan.hauteur - 1)), k[size_t(i + r)], l);
    return sortie;
}

// The mean SSIM of `a` and `b` (same size) over the positions where the window `k` lies wholly
// inside. The window's weighted means of a, b, a², b² and ab are summed along the rows first, then
// down the columns one output row at a time.
double ssim_moyen(const Plan& a, const Plan& b, const std::vector<float>& k)
{
    const int n = int(k.size()), r = n / 2;
    const int largeur = a.largeur - 2 * r, hauteur = a.hauteur - 2 * r;
    if (largeur <= 0 || hauteur <= 0)
        return 0;
    std::vector<Plan> rangs(5, Plan(largeur, a.hauteur)); // a, b, a², b², ab summed along the rows
    std::vector<float> produit(size_t(a.largeur));
    for (int y = 0; y < a.hauteur; ++y) {
        const float *pa = a.ligne(y), *pb = b.ligne(y);
        for (int q = 0; q < 5; ++q) {
            for (int x = 0; x < a.largeur; ++x)
                produit[size_t(x)] = q == 0 ? pa[x] : q == 1 ? pb[x] : q == 2 ? pa[x] * pa[x] : q == 3 ? pb[x] * pb[x] : pa[x] * pb[x];
            for (int i = 0; i < n; ++i)
                ajouter(rangs[size_t(q)].ligne(y), &produit[size_t(i)], k[size_t(i)], largeur);
        }
    }
    constexpr double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    std::vector<float> m(size_t(5 * largeur));
    double total = 0;
    for (int y = 0; y < hauteur; ++y) {
        std::fill(m.begin(), m.end(), 0.0f);
        for (int q = 0; q < 5; ++q)
            for (int i = 0; i < n; ++i)
                ajouter(&m[size_t(q * largeur)], rangs[size_t(q)].ligne(y + i), k[size_t(i)], largeur);
        for (int x = 0; x < largeur; ++x) {
            const double ua = m[size_t(x)], ub = m[size_t(largeur + x)];
            const double va = m[size_t(2 * largeur + x)] - ua * ua, vb = m[size_t(3 * largeur + x)] - ub * ub;
            const double cov = m[size_t(4 * largeur + x)] - ua * ub;
            total += (2 * ua * ub + c1) * (2 * cov + c2) / ((ua * ua + ub * ub + c1) * (va + vb + c2));
        }
    }
    return total / (double(largeur) * hauteur);
}

} // namespace

double ressemblance(const QImage& rendu, const QImage& reference)
{
    if (rendu.isNull() || reference.isNull())
        return 0;
    const std::vector<float> gauss = noyau_gaussien(1.5, 5); // the blur and the SSIM window alike
    const Plan x = flouter(gris_sur_blanc(rendu, reference.size()), gauss);
    const Plan y = flouter(gris_sur_blanc(reference, reference.size()), gauss);
    return ssim_moyen(x, y, gauss);
}

} // namespace essai
