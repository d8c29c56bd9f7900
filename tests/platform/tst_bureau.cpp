#include "actions/actionsfichier.h"
#include "bac_a_sable.h"
#include "forms/listefichiers.h"
#include "platform/bureau.h"

#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// "Mettre en fond d'écran" (the first action) on `fichier`, from a browser with nothing listed.
struct NavigateurVide : Navigateur {
    QWidget f;
    FileListBox l;
    QWidget* fenetre() override { return &f; }
    const FileListBox& liste_fichiers() const override { return l; }
    void relire_liste() override {}
    void fichier_parti(const QByteArray&) override {}
    void marquer_nom(const QByteArray&) override {}
};
struct MettreEnFond {
    NavigateurVide navigateur;
    ActionsFichier actions{navigateur, nullptr};
    explicit MettreEnFond(const QString& fichier)
    {
        actions.lblOption_Click(0, SelectionImage{QFile::encodeName(fichier), QFileInfo(fichier).fileName(), 0});
    }
};

// An EMF drawing of one rectangle whose frame makes `naturelle` pixels at 96 dpi.
QByteArray emf_rectangle(QSize naturelle)
{
    QByteArray e;
    const auto champs = [&e](std::initializer_list<quint32> valeurs) {
        for (quint32 v : valeurs) {
            char o[4];
            qToLittleEndian(v, o);
            e.append(o, 4);
        }
    };
    champs({1, 88, 0, 0, quint32(naturelle.width() - 1), quint32(naturelle.height() - 1), 0, 0,
            quint32(qRound(naturelle.width() * 2540.0 / 96)), quint32(qRound(naturelle.height() * 2540.0 / 96)),
            0x464D4520, 0x10000, 132, 3, 1, 0, 0, 0, 1920, 1080, 508, 286});
    champs({43, 24, quint32(naturelle.width() / 10), quint32(naturelle.height() / 10), quint32(naturelle.width() / 2),
            quint32(naturelle.height() / 2)}); // RECTANGLE
    champs({14, 20, 0, 0, 20}); // EOF
    return e;
}

} // namespace

class TestBureau : public QObject {
    Q_OBJECT

    // Runs the wallpaper setter as the desktop `bureau` would be seen, and returns the commands it ran.
    static QList<InteractionTest::Lancement> fond_sous(const QByteArray& bureau, const QString& image,
                                                       QList<ResultatProgramme> resultats = {}, bool* reussi = nullptr)
    {
        const Variable session("XDG_CURRENT_DESKTOP", bureau);
        InteractionInstallee dialogues;
        dialogues->resultats = std::move(resultats);
        QString erreur;
        const bool ok = bureau::fixe_fond_ecran(image, &erreur);
        if (reussi)
            *reussi = ok;
        return dialogues->executions;
    }

private Q_SLOTS:
    // The command each desktop takes; a refusal is reported, not taken for success.
    void fond_d_ecran_par_bureau()
    {
        const QString image = "/home/moi/.local/share/Imagora/fond.bmp", uri = "file://" + image;
        const auto gnome = fond_sous("ubuntu:GNOME", image);
        QCOMPARE(gnome.size(), 2);
        QCOMPARE(gnome[0].programme, QString("gsettings"));
        QCOMPARE(gnome[0].arguments, (QStringList{"set", "org.gnome.desktop.background", "picture-uri", uri}));
        QCOMPARE(gnome[1].arguments, (QStringList{"set", "org.gnome.desktop.background", "picture-uri-dark", uri}));
        QCOMPARE(fond_sous("X-Cinnamon", image).first().arguments,
                 (QStringList{"set", "org.cinnamon.desktop.background", "picture-uri", uri}));
        QCOMPARE(fond_sous("MATE", image).first().arguments, (QStringList{"set", "org.mate.background", "picture-filename", image}));

        const auto kde = fond_sous("KDE", image);
        QCOMPARE(kde.size(), 1);
        QCOMPARE(kde[0].programme, QString("dbus-send"));
        QVERIFY(kde[0].arguments.contains("org.kde.PlasmaShell.evaluateScript"));
        QVERIFY(kde[0].arguments.last().contains("writeConfig('Image', '" + uri + "')"));

        // Xfce: every monitor's last-image property.
        const QString hdmi = "/backdrop/screen0/monitorHDMI-1/workspace0/", vga = "/backdrop/screen0/monitorVGA-1/workspace0/";
        const auto xfce = fond_sous("XFCE", image, {{0, (hdmi + "last-image\n" + hdmi + "image-style\n" + vga + "last-image\n").toUtf8()}});
        QCOMPARE(xfce.size(), 3);
        QCOMPARE(xfce[0].arguments, (QStringList{"-c", "xfce4-desktop", "-l"}));
        QCOMPARE(xfce[1].arguments, (QStringList{"-c", "xfce4-desktop", "-p", hdmi + "last-image", "-s", image}));
        QCOMPARE(xfce[2].arguments.at(3), vga + "last-image");

        for (int code : {1, -1}) {
            bool reussi = true;
            fond_sous("GNOME", image, {{code, {}}}, &reussi);
            QVERIFY(!reussi);
        }
    }

    void fond_d_ecran_a_la_taille_de_l_ecran()
    {
        // "Mettre en fond d'écran" on a drawing of 4000 x 3000 pixels: the bitmap the desktop gets
        // is the drawing fitted to the screen, not a file of its natural size.
        BacASable bac;
        InteractionInstallee dialogues;
        const Variable bureau("XDG_CURRENT_DESKTOP", "GNOME");
        const QString dessin = bac.chemin("affiche.emf");
        ecrire(dessin, emf_rectangle(QSize(4000, 3000)));
        const MettreEnFond action(dessin);
        QTRY_COMPARE_WITH_TIMEOUT(dialogues->executions.size(), 2, 20000); // GNOME's light and dark keys
        QVERIFY(dialogues->messages.isEmpty());
        const QSize ecran = QGuiApplication::primaryScreen()->size();
        QCOMPARE(QImage(ActionsFichier::fichier_fond()).size(), QSize(4000, 3000).scaled(ecran, Qt::KeepAspectRatio));
    }

    // The desktop's command may take seconds (a busy session bus): the window keeps handling its
    // events meanwhile. The real command runner, with a "gsettings" of our own that takes its time.
    void une_commande_lente_ne_fige_pas_la_fenetre()
    {
        BacASable bac;
        const QString programmes = bac.chemin("bin");
        const QString fin = bac.chemin("gsettings-fini");
        ecrire(programmes + "/gsettings", QStringLiteral("#!/bin/sh\nsleep 2\necho \"$@\" >> '%1'\n").arg(fin).toUtf8());
        QFile::setPermissions(programmes + "/gsettings", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const Variable chemin("PATH", programmes.toUtf8() + ':' + qgetenv("PATH"));
        const Variable bureau("XDG_CURRENT_DESKTOP", "GNOME");
        const QString image = bac.chemin("petite.bmp");
        QImage(8, 8, QImage::Format_RGB32).save(image);

        const MettreEnFond action(image);
        bool tic = false;
        QTimer::singleShot(300, [&tic] { tic = true; });
        QTRY_VERIFY_WITH_TIMEOUT(tic, 20000);
        const bool fini_au_tic = QFile::exists(fin);
        // Both of GNOME's keys are set before the environment goes back.
        QTRY_VERIFY_WITH_TIMEOUT(contenu(fin).contains("picture-uri-dark"), 30000);
        QVERIFY2(!fini_au_tic, "the window waited for the desktop's command");
        QCOMPARE(QImage(ActionsFichier::fichier_fond()).size(), QSize(8, 8));
    }

    // On a bare X server: the root window shows the picture, stretched over the screen, and its
    // pixmap is published for the other clients. Set twice: the old pixmap is freed.
    void fond_de_la_fenetre_racine_x11()
    {
        Display* affichage = XOpenDisplay(nullptr);
        if (!affichage)
            QSKIP("no X display: this test runs under xvfb-run");
        QImage rouge(64, 48, QImage::Format_RGB32);
        rouge.fill(QColor(200, 30, 40));
        QString erreur;
        for (int fois = 0; fois < 2; ++fois)
            QVERIFY2(bureau::fond_racine_x11(rouge, &erreur), qPrintable(erreur));

        const Window racine = DefaultRootWindow(affichage);
        Atom type = None;
        int format = 0;
        unsigned long nombre = 0, reste = 0;
        unsigned char* donnees = nullptr;
        QCOMPARE(XGetWindowProperty(affichage, racine, XInternAtom(affichage, "_XROOTPMAP_ID", False), 0, 1, False,
                                    XA_PIXMAP, &type, &format, &nombre, &reste, &donnees), Success);
        QCOMPARE(nombre, 1ul);
        const Pixmap pixmap = *reinterpret_cast<Pixmap*>(donnees);
        XFree(donnees);
        const auto pixel = [affichage](Drawable d, int x, int y) {
            XImage* point = XGetImage(affichage, d, x, y, 1, 1, AllPlanes, ZPixmap);
            const unsigned long p = point ? XGetPixel(point, 0, 0) & 0xFFFFFF : 0;
            if (point)
                XDestroyImage(point);
            return p;
        };
        QCOMPARE(pixel(racine, DisplayWidth(affichage, 0) / 2, DisplayHeight(affichage, 0) / 2), 0xC81E28ul);
        QCOMPARE(pixel(pixmap, 3, 3), 0xC81E28ul);
        XCloseDisplay(affichage);
    }

    void application_associee_au_type()
    {
        BacASable bac;
        const QString systeme = bac.chemin("usr/share");
        // The machine's own folders stay after ours: they hold the MIME database.
        const Variable dirs("XDG_DATA_DIRS", (systeme + ':' + qEnvironmentVariable("XDG_DATA_DIRS", "/usr/local/share:/usr/share")).toUtf8());
        const Variable confs("XDG_CONFIG_DIRS", bac.chemin("etc/xdg").toUtf8());
        const Variable bureau("XDG_CURRENT_DESKTOP", "GNOME");
        const QString photo = bac.chemin("photo.jpeg");
        QVERIFY(QFile::copy(echantillon("hopper.jpg"), photo));

        ecrire(bac.chemin("inconnu.imagora-essai"), QByteArray("\x01\x02\x03 sans type connu", 20));
        QCOMPARE(bureau::application_associee(bac.chemin("inconnu.imagora-essai")), QString());
        ecrire(systeme + "/applications/eog.desktop", "[Desktop Entry]\nName=Images\n");
        ecrire(systeme + "/applications/gimp.desktop", "[Desktop Entry]\nName=GIMP\n");
        ecrire(systeme + "/applications/mimeinfo.cache", "[MIME Cache]\nimage/jpeg=eog.desktop;gimp.desktop;\n");
        QCOMPARE(bureau::application_associee(photo), QString("eog.desktop"));
        // The user's choice wins; a listed application that is not installed is passed over.
        ecrire(bac.chemin("home/.config/mimeapps.list"),
               "[Default Applications]\nimage/png=eog.desktop\nimage/jpeg=absent.desktop;gimp.desktop;\n");
        QCOMPARE(bureau::application_associee(photo), QString("gimp.desktop"));
        ecrire(bac.chemin("home/.config/gnome-mimeapps.list"), "[Default Applications]\nimage/jpeg=eog.desktop\n");
        QCOMPARE(bureau::application_associee(photo), QString("eog.desktop"));
    }
};

QTEST_MAIN(TestBureau)
#include "tst_bureau.moc"
