#pragma once

// How much a rendering looks like a reference picture of the same drawing, as one number.

#include <QImage>

namespace essai {

// Mean structural similarity (SSIM) of `rendu` and `reference`, from about 0 (nothing alike) to 1
// (the same picture). Both are composed on white and turned to grey; `rendu` is scaled to the
// reference's size when they differ. Null or empty pictures score 0.
double ressemblance(const QImage& rendu, const QImage& reference);

} // namespace essai
