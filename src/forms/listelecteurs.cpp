#include "forms/listelecteurs.h"

#include "forms/interaction.h"
#include "forms/listedossiers.h"
#include "forms/textes.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStorageInfo>

#include <algorithm>

namespace {

bool systeme_interne(const QStorageInfo& volume)
{
    static const QList<QByteArray> types = {"tmpfs", "devtmpfs", "proc", "sysfs", "cgroup", "cgroup2", "overlay",
                                            "squashfs", "autofs", "debugfs", "tracefs", "securityfs", "pstore",
                                            "efivarfs", "bpf", "mqueue", "hugetlbfs", "configfs", "fusectl",
                                            "binfmt_misc", "devpts", "nsfs", "ramfs", "rpc_pipefs", "nfsd"};
    if (types.contains(volume.fileSystemType()))
        return true;
    const QString racine = volume.rootPath();
    for (const char* prefixe : {"/proc", "/sys", "/dev", "/boot", "/snap", "/var/lib", "/etc"}) {
        if (racine == QLatin1String(prefixe) || racine.startsWith(QLatin1String(prefixe) + u'/'))
            return true;
    }
    if (racine.startsWith(u"/run/") && !racine.startsWith(u"/run/media/"))
        return true;
    return !QFileInfo(racine).isDir();
}

bool contient(const QString& racine, const QString& chemin)
{
    return racine == u"/" || chemin == racine || chemin.startsWith(racine + u'/');
}

} // namespace

QList<Lecteur> lecteurs_du_systeme()
{
    const QString maison = QDir::cleanPath(QDir::homePath());
    QList<Lecteur> lecteurs{{QStringLiteral("/"), QStringLiteral("/"), TypeLecteur::Racine}};
    if (maison != u"/")
        lecteurs.append({maison, QStringLiteral("Dossier personnel (%1)").arg(maison), TypeLecteur::Personnel});

    QList<Lecteur> volumes;
    const QList<QStorageInfo> montes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& v : montes) {
        const QString racine = QDir::cleanPath(v.rootPath());
        if (racine == u"/" || racine == maison || systeme_interne(v))
            continue;
        if (std::any_of(volumes.cbegin(), volumes.cend(), [&](const Lecteur& l) { return l.racine == racine; }))
            continue;
        const QString nom = v.displayName() != v.rootPath() && !v.displayName().isEmpty()
                                ? QStringLiteral("%1 (%2)").arg(v.displayName(), racine)
                                : racine;
        volumes.append({racine, nom, TypeLecteur::Volume});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const Lecteur& a, const Lecteur& b) { return comparer_noms(a.nom, b.nom) < 0; });
    return lecteurs + volumes;
}

QString raison_lecteur_inaccessible(const QString& racine)
{
    return QFileInfo::exists(racine) ? QStringLiteral("Le lecteur %1 n'est pas accessible : accès refusé.").arg(racine)
                                     : QStringLiteral("Le lecteur %1 n'est plus disponible.").arg(racine);
}

DriveListBox::DriveListBox(QWidget* parent)
    : QComboBox(parent)
{
    Refresh();
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        mettre_a_jour_infobulle();
        Q_EMIT Change();
    });
}

void DriveListBox::setInfobulle(const QString& infobulle)
{
    m_infobulle = infobulle;
    mettre_a_jour_infobulle();
}

QString DriveListBox::texte_montre() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // The label is drawn in the edit field, after the icon, one pixel in from each side.
    int place = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).width() - 2;
    if (!option.currentIcon.isNull())
        place -= option.iconSize.width() + 4;
    return fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, std::max(place, 0));
}

void DriveListBox::mettre_a_jour_infobulle()
{
    const QString montre = texte_montre();
    setToolTip(montre == currentText() ? m_infobulle : currentText());
}

void DriveListBox::paintEvent(QPaintEvent*)
{
    QStylePainter peintre(this);
    peintre.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    peintre.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = texte_montre();
    peintre.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void DriveListBox::resizeEvent(QResizeEvent* event)
{
    QComboBox::resizeEvent(event);
    mettre_a_jour_infobulle();
}

void DriveListBox::Refresh()
{
    const QString actuel = Drive();
    const QSignalBlocker silence(this);
    clear();
    m_lecteurs = lecteurs_du_systeme();
    for (const Lecteur& l : std::as_const(m_lecteurs)) {
        addItem(icone_lecteur(l.type), l.nom, l.racine);
        setItemData(count() - 1, l.nom, Qt::ToolTipRole); // the list may be too narrow for it
    }
    if (!actuel.isEmpty())
        setCurrentIndex(std::max(0, findData(actuel)));
    mettre_a_jour_infobulle();
}

QString DriveListBox::Drive() const
{
    return currentData().toString();
}

QString DriveListBox::lecteur_de(const QString& chemin) const
{
    const QString propre = QDir::cleanPath(chemin);
    QString meilleur = QStringLiteral("/");
    for (const Lecteur& l : m_lecteurs) {
        if (contient(l.racine, propre) && l.racine.size() > meilleur.size())
            meilleur = l.racine;
    }
    return meilleur;
}

void DriveListBox::setDrive(const QString& chemin)
{
    const int index = findData(lecteur_de(chemin));
    if (index >= 0)
        setCurrentIndex(index);
}

void ouvrir_lecteur(DriveListBox& lecteurs, DirListBox& dossiers, Interaction& interaction, QWidget* parent)
{
    const QString lecteur = lecteurs.Drive();
    if (dossiers.setPath(lecteur))
        return;
    interaction.message(parent, {raison_lecteur_inaccessible(lecteur), QStringLiteral("IMAGORA"), Boutons::Ok, Icone::Critique});
    const QSignalBlocker silence(&lecteurs);
    lecteurs.setDrive(dossiers.Path());
}
