#include "platform/bureau.h"

#include "platform/dossiers.h"
#include "startup/module.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QMimeDatabase>
#include <QHash>
#include <QUrl>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace bureau {

namespace {

bool executer(const QString& programme, const QStringList& arguments, QString* erreur, QByteArray* sortie = nullptr)
{
    const ResultatProgramme r = module().interaction->executer(programme, arguments);
    if (sortie)
        *sortie = r.sortie;
    if (r.code == 0)
        return true;
    if (erreur) {
        *erreur = r.code < 0 ? QStringLiteral("Le programme %1 n'a pas pu être lancé.").arg(programme)
                             : QStringLiteral("Le programme %1 a refusé la demande (code %2).").arg(programme).arg(r.code);
    }
    return false;
}

QStringList dossiers_de(const char* variable, const QString& personnel, const QString& defaut)
{
    QStringList liste{personnel};
    const QString systeme = qEnvironmentVariable(variable, defaut);
    for (const QString& d : systeme.split(u':', Qt::SkipEmptyParts))
        liste.append(d);
    return liste;
}

} // namespace

Bureau bureau_courant()
{
    const QStringList noms = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(u':', Qt::SkipEmptyParts);
    for (const QString& nom : noms) {
        if (nom == u"kde")
            return Bureau::Kde;
        if (nom == u"xfce")
            return Bureau::Xfce;
        if (nom == u"x-cinnamon" || nom == u"cinnamon")
            return Bureau::Cinnamon;
        if (nom == u"mate")
            return Bureau::Mate;
        if (nom == u"gnome" || nom == u"unity" || nom == u"budgie" || nom == u"pantheon" || nom == u"ubuntu"
            || nom == u"gnome-classic" || nom == u"gnome-flashback")
            return Bureau::Gnome;
    }
    return qEnvironmentVariableIsEmpty("DISPLAY") ? Bureau::Aucun : Bureau::X11;
}

bool fixe_fond_ecran(const QString& image, QString* erreur)
{
    const QString uri = QUrl::fromLocalFile(image).toString();
    switch (bureau_courant()) {
    case Bureau::Gnome: {
        const QString schema = QStringLiteral("org.gnome.desktop.background");
        if (!executer(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, QStringLiteral("picture-uri"), uri}, erreur))
            return false;
        // The dark style has its own key since GNOME 42; older versions have none.
        executer(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, QStringLiteral("picture-uri-dark"), uri}, nullptr);
        return true;
    }
    case Bureau::Cinnamon:
        return executer(QStringLiteral("gsettings"),
                        {QStringLiteral("set"), QStringLiteral("org.cinnamon.desktop.background"), QStringLiteral("picture-uri"), uri},
                        erreur);
    case Bureau::Mate:
        return executer(QStringLiteral("gsettings"),
                        {QStringLiteral("set"), QStringLiteral("org.mate.background"), QStringLiteral("picture-filename"), image},
                        erreur);
    case Bureau::Kde: {
        QString chemin_js = uri;
        chemin_js.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
        const QString script = QStringLiteral(
                                   "var bureaux = desktops(); for (var i = 0; i < bureaux.length; i++) { var b = bureaux[i]; "
                                   "b.wallpaperPlugin = 'org.kde.image'; b.currentConfigGroup = Array('Wallpaper', "
                                   "'org.kde.image', 'General'); b.writeConfig('Image', '%1'); }")
                                   .arg(chemin_js);
        return executer(QStringLiteral("dbus-send"),
                        {QStringLiteral("--session"), QStringLiteral("--dest=org.kde.plasmashell"),
                         QStringLiteral("--type=method_call"), QStringLiteral("/PlasmaShell"),
                         QStringLiteral("org.kde.PlasmaShell.evaluateScript"), QStringLiteral("string:") + script},
                        erreur);
    }
    case Bureau::Xfce: {
        // Every monitor and workspace has its own "last-image" property.
        QByteArray proprietes;
        if (!executer(QStringLiteral("xfconf-query"), {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-l")},
                      erreur, &proprietes))
            return false;
        QStringList images;
        for (const QByteArray& ligne : proprietes.split('\n')) {
            if (ligne.trimmed().endsWith("/last-image"))
                images.append(QString::fromUtf8(ligne.trimmed()));
        }
        if (images.isEmpty()) {
            return executer(QStringLiteral("xfconf-query"),
                            {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p"),
                             QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image"), QStringLiteral("-n"),
                             QStringLiteral("-t"), QStringLiteral("string"), QStringLiteral("-s"), image},
                            erreur);
        }
        for (const QString& propriete : std::as_const(images)) {
            if (!executer(QStringLiteral("xfconf-query"),
                          {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p"), propriete,
                           QStringLiteral("-s"), image},
                          erreur))
                return false;
        }
        return true;
    }
    case Bureau::X11: {
        QImage lue(image);
        if (lue.isNull()) {
            if (erreur)
                *erreur = QStringLiteral("Le fichier %1 ne peut pas être lu.").arg(image);
            return false;
        }
        return fond_racine_x11(lue, erreur);
    }
    case Bureau::Aucun: break;
    }
    if (erreur)
        *erreur = QStringLiteral("Aucun bureau dont le fond d'écran puisse être changé n'a été trouvé.");
    return false;
}

QSize taille_ecran()
{
    QSize taille;
    for (const QScreen* ecran : QGuiApplication::screens())
        taille = taille.expandedTo((QSizeF(ecran->size()) * ecran->devicePixelRatio()).toSize());
    return taille.isEmpty() ? QSize(3840, 2160) : taille;
}

bool fond_racine_x11(const QImage& image, QString* erreur)
{
    const auto echec = [&](const QString& raison) {
        if (erreur)
            *erreur = raison;
        return false;
    };
    Display* affichage = XOpenDisplay(nullptr);
    if (!affichage)
        return echec(QStringLiteral("Impossible de joindre l'écran X."));
    const int ecran = DefaultScreen(affichage);
    const Window racine = RootWindow(affichage, ecran);
    const int profondeur = DefaultDepth(affichage, ecran);
    Visual* visuel = DefaultVisual(affichage, ecran);
    if ((profondeur != 24 && profondeur != 32) || visuel->c_class != TrueColor || visuel->red_mask != 0xFF0000) {
        XCloseDisplay(affichage);
        return echec(QStringLiteral("Le mode d'affichage de l'écran X n'est pas pris en charge."));
    }
    const int largeur = DisplayWidth(affichage, ecran);
    const int hauteur = DisplayHeight(affichage, ecran);
    QImage fond = image.scaled(largeur, hauteur, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_RGB32);

    const Pixmap pixmap = XCreatePixmap(affichage, racine, unsigned(largeur), unsigned(hauteur), unsigned(profondeur));
    XImage* ximage = XCreateImage(affichage, visuel, unsigned(profondeur), ZPixmap, 0, reinterpret_cast<char*>(fond.bits()),
                                  unsigned(largeur), unsigned(hauteur), 32, int(fond.bytesPerLine()));
    const GC contexte = XCreateGC(affichage, pixmap, 0, nullptr);
    XPutImage(affichage, pixmap, contexte, ximage, 0, 0, 0, 0, unsigned(largeur), unsigned(hauteur));
    XFreeGC(affichage, contexte);
    ximage->data = nullptr; // the pixels belong to the QImage
    XDestroyImage(ximage);

    // A pixmap left by an earlier setter of the background (by the same convention) is freed.
    const Atom racine_id = XInternAtom(affichage, "_XROOTPMAP_ID", False);
    const Atom esetroot_id = XInternAtom(affichage, "ESETROOT_PMAP_ID", False);
    Atom type = None;
    int format = 0;
    unsigned long nombre = 0, reste = 0;
    unsigned char* donnees = nullptr;
    if (XGetWindowProperty(affichage, racine, esetroot_id, 0, 1, False, AnyPropertyType, &type, &format, &nombre, &reste,
                           &donnees) == Success && type == XA_PIXMAP && nombre == 1 && donnees) {
        XKillClient(affichage, *reinterpret_cast<Pixmap*>(donnees));
    }
    if (donnees)
        XFree(donnees);

    XChangeProperty(affichage, racine, racine_id, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap), 1);
    XChangeProperty(affichage, racine, esetroot_id, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap), 1);
    XSetWindowBackgroundPixmap(affichage, racine, pixmap);
    XClearWindow(affichage, racine);
    // The pixmap must outlive this connection: it is the background now.
    XSetCloseDownMode(affichage, RetainPermanent);
    XCloseDisplay(affichage);
    return true;
}

QString application_associee(const QString& fichier)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fichier);
    QStringList types{type.name()};
    types += type.aliases();

    const QStringList configs = dossiers_de("XDG_CONFIG_DIRS", dossiers::configuration(), QStringLiteral("/etc/xdg"));
    const QStringList donnees = dossiers_de("XDG_DATA_DIRS", dossiers::donnees(), QStringLiteral("/usr/local/share:/usr/share"));
    QStringList applications;
    for (const QString& d : donnees)
        applications.append(d + QStringLiteral("/applications"));

    const auto existe = [&](const QString& id) {
        for (const QString& d : applications) {
            if (QFileInfo::exists(d + u'/' + id) || QFileInfo::exists(d + u'/' + QString(id).replace(u'-', u'/')))
                return true;
        }
        return false;
    };
    // The first application of `groupe` in a desktop-entry style list file for one of the types.
    const auto premier_existant = [&](const QString& liste, const QString& groupe) -> QString {
        QFile fichier_liste(liste);
        if (!fichier_liste.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        QHash<QString, QStringList> entrees;
        bool dans_groupe = false;
        for (const QByteArray& brute : fichier_liste.readAll().split('\n')) {
            const QString ligne = QString::fromUtf8(brute).trimmed();
            if (ligne.startsWith(u'[')) {
                dans_groupe = ligne == u'[' + groupe + u']';
                continue;
            }
            const qsizetype egal = ligne.indexOf(u'=');
            if (dans_groupe && egal > 0 && !ligne.startsWith(u'#'))
                entrees.insert(ligne.left(egal).trimmed(), ligne.mid(egal + 1).split(u';', Qt::SkipEmptyParts));
        }
        for (const QString& t : std::as_const(types)) {
            for (const QString& id : entrees.value(t)) {
                if (existe(id.trimmed()))
                    return id.trimmed();
            }
        }
        return {};
    };

    QStringList listes;
    const QStringList bureaux = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(u':', Qt::SkipEmptyParts);
    for (const QString& d : configs) {
        for (const QString& b : bureaux)
            listes.append(d + u'/' + b + QStringLiteral("-mimeapps.list"));
        listes.append(d + QStringLiteral("/mimeapps.list"));
    }
    for (const QString& d : std::as_const(applications))
        listes.append(d + QStringLiteral("/mimeapps.list"));
    for (const QString& groupe : {QStringLiteral("Default Applications"), QStringLiteral("Added Associations")}) {
        for (const QString& liste : std::as_const(listes)) {
            if (QFileInfo::exists(liste)) {
                const QString id = premier_existant(liste, groupe);
                if (!id.isEmpty())
                    return id;
            }
        }
    }
    for (const QString& d : std::as_const(applications)) {
        const QString cache = d + QStringLiteral("/mimeinfo.cache");
        if (QFileInfo::exists(cache)) {
            const QString id = premier_existant(cache, QStringLiteral("MIME Cache"));
            if (!id.isEmpty())
                return id;
        }
    }
    return {};
}

} // namespace bureau
