#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <memory>

// Makes the thumbnails of a folder's pictures away from the window's thread: each one is taken
// from the desktop's shared cache when it is there and current, or decoded at reduced size and
// kept there. The work goes to a pool of (cores - 1, at least one) threads, the rows the user
// sees first, then the rest of the folder in list order. A new folder, or annuler(), drops the
// work still queued at once; a thumbnail of an earlier folder never lands.
class FabriqueVignettes : public QObject {
    Q_OBJECT

public:
    // `taille`: the longer side, in pixels, of the thumbnails handed over. They are kept in the
    // cache at its normal size (128) for a `taille` up to 128, at its large size (256) above.
    explicit FabriqueVignettes(int taille, QObject* parent = nullptr);
    ~FabriqueVignettes() override;

    int taille() const { return m_taille; }

    // The pictures of `dossier` to make, by their names' bytes, in list order.
    void demander(const QString& dossier, const QList<QByteArray>& noms);
    // These pictures of the folder are on screen without their thumbnail: their turn comes first,
    // made again if they were made before (a thumbnail the window let go of to save memory).
    void prioriser(const QList<QByteArray>& noms);
    // Drops what is queued; what a thread is making now ends unseen.
    void annuler();

    // Threads working now (tests, benchmarks).
    int actives() const { return m_pool.activeThreadCount(); }
    // How many thumbnails were taken from the cache, and made, since the start.
    int lues() const;
    int faites() const;

Q_SIGNALS:
    // The thumbnail of `nom` in the folder asked for; null when the picture cannot be read.
    void vignette(const QByteArray& nom, const QImage& image);

private:
    struct File;
    // Starts threads on the queue, up to the pool's size.
    void lancer();

    const int m_taille;
    QThreadPool m_pool;
    std::shared_ptr<File> m_file;
};

// One thumbnail, at most `taille` pixels on its longer side: from the shared cache when it holds a
// current one, otherwise decoded at reduced size and kept in the cache (or recorded as failed).
// Null when the picture cannot be read. Safe on any thread.
QImage vignette_de(const QString& chemin, int taille, bool* lue_du_cache = nullptr);
