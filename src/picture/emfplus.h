#pragma once

// EMF+ records (inside EMF comment records), for files that hold no GDI drawing beside them.

#include "picture/gdi.h"
#include "picture/octets.h"

#include <memory>

namespace emfplus {

// Whether the EMF file `f` draws only through EMF+ records.
bool seulement_emfplus(const Octets& f);

// Draws the EMF+ records of one EMR_COMMENT after another, on the painter of `dessin`.
class Lecture {
public:
    // `profondeur`: how deep this metafile is drawn inside another one's picture (0: not inside).
    explicit Lecture(gdi::Dessin& dessin, int profondeur = 0);
    ~Lecture();
    Lecture(const Lecture&) = delete;
    Lecture& operator=(const Lecture&) = delete;
    void commentaire(const Octets& enregistrement);

private:
    struct Detail;
    std::unique_ptr<Detail> detail_;
};

} // namespace emfplus
