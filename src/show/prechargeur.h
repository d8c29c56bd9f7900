#pragma once

#include "picture/chargeur.h"

#include <QFutureWatcher>
#include <QObject>
#include <QRect>
#include <QString>

#include <functional>

// A picture as a show window puts it on screen: the whole of it, or, when it is larger than the
// screen, only the part of it the screen shows, so that what is held is bounded by the screen.
// `image` holds the pixels decoded (the whole picture or the part), taille_naturelle the file's.
struct ImageMontree : ImageLue {
    QSize taille; // size, in pixels, the whole picture is shown at
    QRect partie; // the part of it (in those pixels) that `image` holds, stretched to it when smaller
    bool entiere() const { return partie == QRect(QPoint(), taille); }
};

// The part `partie` of the picture shown at `taille` (its natural size `naturelle` or another),
// decoded at the size it is shown.
ImageMontree image_partie_montree(const QString& chemin, QSize naturelle, QSize taille, QRect partie);

// The picture decoded at the size the screen saver draws it, centred, for that screen and size mode:
// a picture drawn smaller than it is is read straight at its drawn size; one drawn at its own size
// or enlarged is read at its own size (and stretched when drawn). When the drawn picture goes past
// the screen's edges, only the part inside the screen is decoded, at the size it is drawn.
// taille is the drawn size rounded up.
ImageMontree image_pour_ecran(const QString& chemin, QSize ecran, int mode);

// Decodes the pictures of a show away from the window's thread, one ahead: while one picture is
// on screen the next is already being read, so a tick finds it ready. It holds at most the one
// picture it is preparing; the window holds the one on screen.
class Prechargeur : public QObject {
    Q_OBJECT

public:
    using Decodeur = std::function<ImageMontree(const QString& chemin)>;

    explicit Prechargeur(QObject* parent = nullptr);
    ~Prechargeur() override;

    // Starts decoding `chemin` unless that very picture (same path, same `cle`: the size and place
    // it is wanted at) is already prepared or on its way; a different picture replaces it.
    void preparer(const QString& chemin, const QString& cle, Decodeur decodeur);

    // True when the picture prepared for (chemin, cle) is decoded and waiting.
    bool pret(const QString& chemin, const QString& cle) const;

    // Hands over the prepared picture and forgets it.
    ImageMontree prendre();

Q_SIGNALS:
    // The picture being prepared is ready.
    void termine();

private:
    QFutureWatcher<ImageMontree> m_veilleur;
    QString m_chemin;
    QString m_cle;
    bool m_en_cours = false;
};
