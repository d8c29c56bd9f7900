#pragma once

#include "picture/chargeur.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <functional>

// The picture decoded at the size the screen saver draws it for that screen and size mode:
// a picture drawn smaller than it is is read straight at its drawn size; one drawn at its own
// size or enlarged is read whole (and stretched when drawn). taille_naturelle is the file's.
ImageLue image_pour_ecran(const QString& chemin, QSize ecran, int mode);

// Decodes the pictures of a show away from the window's thread, one ahead: while one picture is
// on screen the next is already being read, so a tick finds it ready. It holds at most the one
// picture it is preparing; the window holds the one on screen.
class Prechargeur : public QObject {
    Q_OBJECT

public:
    using Decodeur = std::function<ImageLue(const QString& chemin)>;

    explicit Prechargeur(QObject* parent = nullptr);
    ~Prechargeur() override;

    // Starts decoding `chemin` unless that very picture (same path, same `cle`: the size it is
    // wanted at) is already prepared or on its way; a different picture replaces it.
    void preparer(const QString& chemin, const QString& cle, Decodeur decodeur);

    // True when the picture prepared for (chemin, cle) is decoded and waiting.
    bool pret(const QString& chemin, const QString& cle) const;

    // Hands over the prepared picture and forgets it.
    ImageLue prendre();

Q_SIGNALS:
    // The picture being prepared is ready.
    void termine();

private:
    QFutureWatcher<ImageLue> m_veilleur;
    QString m_chemin;
    QString m_cle;
    bool m_en_cours = false;
};
