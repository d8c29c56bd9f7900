#include "browser/fabriquevignettes.h"

#include "picture/chargeur.h"
#include "picture/contenu.h"
#include "picture/exif.h"
#include "platform/vignettes.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <vector>

// What the window's thread and the pool share: the folder asked for, the rows still to make, and
// the generation that tells a thread its work is no longer wanted.
struct FabriqueVignettes::File {
    std::mutex verrou;
    quint64 generation = 0;
    QString dossier;
    QList<QByteArray> noms;
    QHash<QByteArray, qsizetype> index; // row of each name
    std::vector<bool> prises; // rows a thread has taken
    qsizetype suivante = 0;   // the next row in list order
    std::deque<qsizetype> prioritaires;
    int fils = 0;             // threads working on the queue
    std::atomic<int> lues{0};
    std::atomic<int> faites{0};

    // The next row to make, or -1; under the lock.
    qsizetype prendre()
    {
        while (!prioritaires.empty()) {
            const qsizetype r = prioritaires.front();
            prioritaires.pop_front();
            if (!prises[std::size_t(r)])
                return prises[std::size_t(r)] = true, r;
        }
        while (suivante < noms.size()) {
            const qsizetype r = suivante++;
            if (!prises[std::size_t(r)])
                return prises[std::size_t(r)] = true, r;
        }
        return -1;
    }
};

namespace {

// A new thumbnail: the camera's own from the EXIF block when it is as large as the thumbnail and
// of the photo's shape; otherwise the picture decoded straight at the thumbnail's size (libjpeg's
// reduced DCT, the drawings drawn small).
ImageLue faire_vignette(const QString& chemin, int taille)
{
    QFile fichier(chemin);
    if (fichier.open(QIODevice::ReadOnly)) {
        const QByteArray debut = fichier.read(octets_exif);
        if (nature_du_contenu(debut) == NatureContenu::Jpeg) {
            const QSize naturelle = taille_image(chemin);
            const QImage camera = vignette_exif(debut, naturelle);
            const QSize voulue = naturelle.scaled(taille, taille, Qt::KeepAspectRatio).boundedTo(naturelle);
            if (!camera.isNull() && camera.width() >= voulue.width() && camera.height() >= voulue.height())
                return {camera.scaled(voulue, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), naturelle};
        }
    }
    return image_ajustee(chemin, QSize(taille, taille));
}

} // namespace

QImage vignette_de(const QString& chemin, int taille, bool* lue_du_cache)
{
    if (lue_du_cache)
        *lue_du_cache = false;
    const int taille_cache = taille > vignettes::taille_normale ? vignettes::taille_grande : vignettes::taille_normale;
    const auto reduite = [taille](QImage image) {
        if (image.width() <= taille && image.height() <= taille)
            return image;
        return image.scaled(taille, taille, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    };
    const std::optional<vignettes::Source> source = vignettes::source_de(chemin);
    if (source) {
        QImage gardee = vignettes::lire(*source, taille_cache);
        if (!gardee.isNull()) {
            if (lue_du_cache)
                *lue_du_cache = true;
            return reduite(std::move(gardee));
        }
        if (vignettes::echec_connu(*source))
            return {};
    }
    const ImageLue lue = faire_vignette(chemin, taille_cache);
    if (source) {
        if (lue.ok())
            vignettes::ecrire(*source, lue.image, lue.taille_naturelle, taille_cache);
        else
            vignettes::noter_echec(*source);
    }
    return lue.ok() ? reduite(lue.image) : QImage();
}

FabriqueVignettes::FabriqueVignettes(int taille, QObject* parent)
    : QObject(parent)
    , m_taille(taille)
    , m_file(std::make_shared<File>())
{
    // One core is left to the window and to everything else the user does meanwhile.
    m_pool.setMaxThreadCount(std::max(1, QThreadPool::globalInstance()->maxThreadCount() - 1));
}

FabriqueVignettes::~FabriqueVignettes()
{
    annuler();
    m_pool.waitForDone(); // a thread ends the thumbnail it is making; nothing of it lands
}

void FabriqueVignettes::demander(const QString& dossier, const QList<QByteArray>& noms)
{
    {
        const std::lock_guard verrou(m_file->verrou);
        ++m_file->generation;
        m_file->dossier = dossier.endsWith(u'/') ? dossier : dossier + u'/';
        m_file->noms = noms;
        m_file->index.clear();
        m_file->index.reserve(noms.size());
        for (qsizetype r = 0; r < noms.size(); ++r)
            m_file->index.insert(noms.at(r), r);
        m_file->prises.assign(noms.size(), false);
        m_file->suivante = 0;
        m_file->prioritaires.clear();
    }
    lancer();
}

void FabriqueVignettes::prioriser(const QList<QByteArray>& noms)
{
    {
        const std::lock_guard verrou(m_file->verrou);
        if (m_file->dossier.isEmpty())
            return;
        m_file->prioritaires.clear();
        for (const QByteArray& nom : noms) {
            qsizetype r = m_file->index.value(nom, -1);
            if (r < 0) {
                r = m_file->noms.size();
                m_file->noms.append(nom);
                m_file->index.insert(nom, r);
                m_file->prises.push_back(false);
            }
            m_file->prises[std::size_t(r)] = false;
            m_file->prioritaires.push_back(r);
        }
    }
    lancer();
}

void FabriqueVignettes::annuler()
{
    {
        const std::lock_guard verrou(m_file->verrou);
        ++m_file->generation;
        m_file->dossier.clear();
        m_file->noms.clear();
        m_file->index.clear();
        m_file->prises.clear();
        m_file->suivante = 0;
        m_file->prioritaires.clear();
    }
}

int FabriqueVignettes::lues() const
{
    return m_file->lues;
}

int FabriqueVignettes::faites() const
{
    return m_file->faites;
}

void FabriqueVignettes::lancer()
{
    const int taille = m_taille;
    const std::lock_guard verrou(m_file->verrou);
    for (; m_file->fils < m_pool.maxThreadCount(); ++m_file->fils) {
        m_pool.start([this, file = m_file, taille] {
            for (;;) {
                quint64 generation = 0;
                QString chemin;
                QByteArray nom;
                {
                    const std::lock_guard verrou(file->verrou);
                    const qsizetype r = file->prendre();
                    if (r < 0) {
                        --file->fils;
                        return;
                    }
                    generation = file->generation;
                    nom = file->noms.at(r);
                    chemin = file->dossier + QFile::decodeName(nom);
                }
                bool du_cache = false;
                QImage image = QFile::encodeName(chemin).endsWith(nom) ? vignette_de(chemin, taille, &du_cache) : QImage();
                const std::lock_guard verrou(file->verrou);
                if (generation != file->generation)
                    continue; // another folder now; this one is not shown
                ++(du_cache ? file->lues : file->faites);
                // Under the lock: the window's thread cannot be tearing the fabrique down meanwhile.
                QMetaObject::invokeMethod(this, [this, nom, image = std::move(image)] { Q_EMIT vignette(nom, image); },
                                          Qt::QueuedConnection);
            }
        });
    }
}
