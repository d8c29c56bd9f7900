#include "search/parcours.h"

#include "forms/joker.h"
#include "forms/textes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Entries read or sorted between two looks at the cancel flag.
constexpr int pas_controle = 64;

// A name with its sort key: a text whose plain order (code unit by code unit) is the file lists'
// order of names, comparer_noms. The name itself settles what the key leaves equal, as
// comparer_noms does.
struct NomTrie {
    QString cle;
    QString nom;
};

bool avant(const NomTrie& a, const NomTrie& b)
{
    const int c = QStringView(a.cle).compare(QStringView(b.cle));
    return c != 0 ? c < 0 : QStringView(a.nom).compare(QStringView(b.nom)) < 0;
}

bool nom_special(const char* nom)
{
    return nom[0] == '.' && (nom[1] == '\0' || (nom[1] == '.' && nom[2] == '\0'));
}

// What one folder holds: its visible subfolders and its matching files, each by name.
struct Contenu {
    QStringList sous_dossiers;
    QStringList fichiers;
    QSet<QString> inexacts; // file names that are not text: they spell a look-alike
};

// A folder being walked: what it holds, and how many of its subfolders are still to be walked
// (they go from the last to the first).
struct Cadre {
    QString dossier;
    Contenu contenu;
    qsizetype restants = 0;
};

class Parcours {
public:
    Parcours(const CriteresParcours& criteres, const std::atomic<bool>& annule,
             const std::function<void(LotResultats&&)>& livrer)
        : m_criteres(criteres), m_annule(annule), m_livrer(livrer)
    {
    }

    BilanParcours executer()
    {
        m_depuis_envoi.start();
        try {
            m_bilan.fin = parcourir();
        } catch (const std::bad_alloc&) {
            m_bilan.fin = FinParcours::ListePleine;
        } catch (const std::exception& e) {
            m_bilan.fin = FinParcours::Erreur;
            m_bilan.erreur = QStringLiteral("Erreur pendant la recherche: ") + QString::fromLocal8Bit(e.what());
        } catch (...) {
            m_bilan.fin = FinParcours::Erreur;
            m_bilan.erreur = QStringLiteral("Erreur inattendue pendant la recherche.");
        }
        try {
            envoyer();
        } catch (...) {
            // The lines that could not be handed over are lost with the memory they needed.
        }
        return m_bilan;
    }

private:
    bool annule() const { return m_annule.load(std::memory_order_relaxed); }

    FinParcours parcourir()
    {
        std::vector<Cadre> pile;
        {
            Cadre depart{m_criteres.depart, {}, 0};
            int erreur = 0;
            if (!lire(depart.dossier, depart.contenu, erreur))
                return FinParcours::Annulee;
            if (erreur != 0) {
                m_bilan.erreur_depart = erreur;
                return FinParcours::DepartIllisible;
            }
            depart.restants = depart.contenu.sous_dossiers.size();
            pile.push_back(std::move(depart));
        }
        while (!pile.empty()) {
            if (annule())
                return FinParcours::Annulee;
            Cadre& haut = pile.back();
            if (haut.restants > 0) {
                --haut.restants;
                Cadre sous{prefixe_dossier(haut.dossier) + haut.contenu.sous_dossiers.at(haut.restants), {}, 0};
                int erreur = 0;
                if (!lire(sous.dossier, sous.contenu, erreur))
                    return FinParcours::Annulee;
                if (erreur != 0) {
                    if (m_bilan.dossiers_illisibles++ == 0) {
                        m_bilan.premier_illisible = sous.dossier;
                        m_bilan.erreur_premier_illisible = erreur;
                    }
                    continue;
                }
                sous.restants = sous.contenu.sous_dossiers.size();
                pile.push_back(std::move(sous)); // `haut` is not used after this
                continue;
            }
            // Every folder below is done: the folder's own files come last.
            if (const auto fin = ajouter(haut); fin != FinParcours::Terminee)
                return fin;
            pile.pop_back();
        }
        return FinParcours::Terminee;
    }

    // Reads the names of one folder: the subfolders the folder list shows (hidden ones left out;
    // links to folders are not followed, so no loop can form) and the files the file list shows
    // (hidden ones included) that match the patterns, each in name order. `erreur` gets the
    // system's error number when the folder cannot be read. False when the walk is cancelled.
    bool lire(const QString& dossier, Contenu& contenu, int& erreur)
    {
        errno = 0;
        const std::unique_ptr<DIR, int (*)(DIR*)> flux(opendir(QFile::encodeName(dossier).constData()), &closedir);
        if (!flux) {
            erreur = errno != 0 ? errno : EIO;
            return true;
        }
        const int fd = dirfd(flux.get());
        for (int compte = 1;; ++compte) {
            if (compte % pas_controle == 0 && annule())
                return false;
            errno = 0;
            const dirent* e = readdir(flux.get());
            if (!e) {
                if (errno != 0) {
                    erreur = errno;
                    return true;
                }
                break;
            }
            if (nom_special(e->d_name))
                continue;
            unsigned char type = e->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue; // gone since it was listed
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
            }
            QString nom = QFile::decodeName(e->d_name);
            // A name that is not text decodes to a look-alike, which names another entry or none.
            const bool exact = QFile::encodeName(nom) == QByteArray(e->d_name);
            if (type == DT_DIR) {
                if (e->d_name[0] != '.' && exact)
                    contenu.sous_dossiers.append(std::move(nom));
                continue;
            }
            if (!correspond_liste(nom, m_criteres.motifs))
                continue;
            if (type == DT_LNK) {
                // A link to a file is listed like the file; a link to a folder or to nothing is not.
                struct stat st {};
                if (fstatat(fd, e->d_name, &st, 0) != 0 || S_ISDIR(st.st_mode))
                    continue;
            }
            if (!exact)
                contenu.inexacts.insert(nom);
            contenu.fichiers.append(std::move(nom));
        }
        return trier(contenu.sous_dossiers) && trier(contenu.fichiers);
    }

    // Puts names in file-name order. False when the walk is cancelled meanwhile.
    bool trier(QStringList& noms)
    {
        const qsizetype n = noms.size();
        if (n < 2)
            return true;
        std::vector<NomTrie> tries;
        tries.reserve(n);
        for (qsizetype i = 0; i < n; ++i) {
            tries.push_back({cle_de_tri(noms.at(i)), std::move(noms[i])});
            if ((i + 1) % pas_controle == 0 && annule())
                return false;
        }
        std::sort(tries.begin(), tries.end(), avant);
        for (qsizetype i = 0; i < n; ++i)
            noms[i] = std::move(tries[i].nom);
        return true;
    }

    // Hands over the files of one folder as lines. The walk finds `capacite` lines at most: one
    // more stops it with ListePleine, and the lines found so far stay.
    FinParcours ajouter(Cadre& cadre)
    {
        const QString prefixe = prefixe_dossier(cadre.dossier);
        QStringList& noms = cadre.contenu.fichiers;
        for (qsizetype i = 0; i < noms.size(); ++i) {
            if (m_bilan.trouves >= m_criteres.capacite)
                return FinParcours::ListePleine;
            const bool inexacte = !cadre.contenu.inexacts.isEmpty() && cadre.contenu.inexacts.contains(noms[i]);
            QString ligne = prefixe + std::exchange(noms[i], QString());
            if (inexacte)
                m_lot.inexactes.append(ligne);
            m_lot.lignes.append(std::move(ligne));
            ++m_bilan.trouves;
            if (m_lot.lignes.size() >= m_criteres.taille_lot || m_depuis_envoi.hasExpired(m_criteres.intervalle_lot_ms))
                envoyer();
            if ((i + 1) % pas_controle == 0 && annule())
                return FinParcours::Annulee;
        }
        return FinParcours::Terminee;
    }

    void envoyer()
    {
        if (m_lot.lignes.isEmpty())
            return;
        m_livrer(std::exchange(m_lot, LotResultats{}));
        m_depuis_envoi.start();
    }

    const CriteresParcours& m_criteres;
    const std::atomic<bool>& m_annule;
    const std::function<void(LotResultats&&)>& m_livrer;
    BilanParcours m_bilan;
    LotResultats m_lot;
    QElapsedTimer m_depuis_envoi;
};

} // namespace

QString prefixe_dossier(const QString& dossier)
{
    return dossier.endsWith(u'/') ? dossier : dossier + u'/';
}

QString raison_erreur_systeme(int erreur)
{
    switch (erreur) {
    case EACCES:
    case EPERM: return QStringLiteral("accès refusé");
    case ENOENT: return QStringLiteral("dossier disparu");
    case ENAMETOOLONG: return QStringLiteral("chemin trop long pour le système");
    case ELOOP: return QStringLiteral("trop de liens symboliques dans le chemin");
    case ENOTDIR: return QStringLiteral("un élément du chemin n'est pas un dossier");
    case EMFILE:
    case ENFILE: return QStringLiteral("trop de fichiers ouverts");
    case ENOMEM: return QStringLiteral("mémoire insuffisante");
    case EIO: return QStringLiteral("erreur de lecture du support");
    case ESTALE: return QStringLiteral("dossier réseau devenu inaccessible");
    default: return QStringLiteral("erreur du système n° %1").arg(erreur);
    }
}

int erreur_ouverture_dossier(const QString& dossier)
{
    const QByteArray chemin = QFile::encodeName(dossier);
    errno = 0;
    DIR* flux = opendir(chemin.constData());
    if (!flux)
        return errno != 0 ? errno : EIO;
    closedir(flux);
    // Listed, but it cannot be entered.
    if (access(chemin.constData(), X_OK) != 0)
        return errno != 0 ? errno : EACCES;
    return 0;
}

BilanParcours parcourir(const CriteresParcours& criteres, const std::atomic<bool>& annule,
                        const std::function<void(LotResultats&&)>& livrer)
{
    return Parcours(criteres, annule, livrer).executer();
}
