#include "bac_a_sable.h"
#include "platform/vignettes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>
#include <utime.h>

namespace {

mode_t mode_de(const QString& chemin)
{
    struct stat st {};
    ::stat(QFile::encodeName(chemin).constData(), &st);
    return st.st_mode & 0777;
}

void dater(const QString& chemin, qint64 secondes)
{
    const utimbuf t{secondes, secondes};
    QVERIFY(::utime(QFile::encodeName(chemin).constData(), &t) == 0);
}

QImage motif(int l, int h)
{
    QImage image(l, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x)
            image.setPixel(x, y, qRgb(x * 2, y * 2, 90));
    return image;
}

} // namespace

class TestVignettes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Names as the desktop's file managers write them: the cache is shared only if the bytes agree.
    void uri_comme_le_bureau()
    {
        QCOMPARE(vignettes::uri_de(QByteArray("/work/tmp/uri/a b!$&'()*+,;=:@[]^`{|}~#%?\xc3\xa9.jpg")),
                 QByteArray("file:///work/tmp/uri/a%20b!$&'()*+,%3B=:@%5B%5D%5E%60%7B%7C%7D~%23%25%3F%C3%A9.jpg"));
        QCOMPARE(vignettes::uri_de(QByteArray("/photos/b\xff.jpg")), QByteArray("file:///photos/b%FF.jpg"));
    }

    void ecrite_relue_perimee_et_refaite()
    {
        BacASable bac;
        const QString photo = bac.chemin("photos/vacances été.jpg");
        ecrire(photo, "peu importe");
        dater(photo, 1700000000);
        const auto source = vignettes::source_de(bac.chemin("photos/../photos/vacances été.jpg"));
        QVERIFY(source);
        QCOMPARE(source->chemin, photo);
        QCOMPARE(source->mtime, 1700000000);

        // Named by the MD5 of the URI, in normal/ for 128 and large/ for 256, with its keys.
        QVERIFY(vignettes::lire(*source, 128).isNull());
        QVERIFY(vignettes::ecrire(*source, motif(128, 96), QSize(4000, 3000), 128));
        const QString attendu = bac.chemin("home/.cache/thumbnails/normal/")
            + QCryptographicHash::hash(source->uri, QCryptographicHash::Md5).toHex() + ".png";
        QCOMPARE(vignettes::chemin_vignette(*source, 128), attendu);
        QVERIFY(QFileInfo::exists(attendu));
        QCOMPARE(mode_de(attendu), mode_t(0600));
        QCOMPARE(mode_de(bac.chemin("home/.cache/thumbnails")), mode_t(0700));
        QCOMPARE(mode_de(bac.chemin("home/.cache/thumbnails/normal")), mode_t(0700));
        QCOMPARE(QDir(bac.chemin("home/.cache/thumbnails/normal")).entryList(QDir::Files), QStringList{QFileInfo(attendu).fileName()});
        const QImage ecrite(attendu);
        QCOMPARE(ecrite.text("Thumb::URI"), QString::fromUtf8(source->uri));
        QCOMPARE(ecrite.text("Thumb::MTime"), QString("1700000000"));
        QCOMPARE(ecrite.text("Thumb::Size"), QString::number(QFileInfo(photo).size()));
        QCOMPARE(ecrite.text("Thumb::Image::Width"), QString("4000"));
        QCOMPARE(ecrite.text("Thumb::Image::Height"), QString("3000"));

        // Read back, as a later run would; not under the other size.
        const QImage relue = vignettes::lire(*vignettes::source_de(photo), 128);
        QCOMPARE(relue.size(), QSize(128, 96));
        QCOMPARE(relue.pixel(10, 20), motif(128, 96).pixel(10, 20));
        QVERIFY(vignettes::lire(*source, 256).isNull());

        // The picture changes: the thumbnail is stale until it is made again.
        dater(photo, 1700000100);
        const auto changee = vignettes::source_de(photo);
        QVERIFY(vignettes::lire(*changee, 128).isNull());
        QVERIFY(vignettes::ecrire(*changee, motif(100, 75), QSize(4000, 3000), 128));
        QCOMPARE(vignettes::lire(*changee, 128).size(), QSize(100, 75));
    }

    // A thumbnail another program made is used as it is; one of another file is not.
    void faite_par_un_autre_programme()
    {
        BacASable bac;
        const QString photo = bac.chemin("photos/chat.png");
        ecrire(photo, "x");
        dater(photo, 1600000000);
        const auto source = vignettes::source_de(photo);
        QVERIFY(source);
        QDir().mkpath(bac.chemin("home/.cache/thumbnails/large"));
        QImage autre = motif(256, 200);
        autre.setText("Thumb::URI", QString::fromUtf8(source->uri));
        autre.setText("Thumb::MTime", "1600000000.25");
        autre.setText("Software", "GNOME::ThumbnailFactory");
        QVERIFY(autre.save(vignettes::chemin_vignette(*source, 256), "PNG"));
        QCOMPARE(vignettes::lire(*source, 256).size(), QSize(256, 200));

        autre.setText("Thumb::URI", "file:///ailleurs/chat.png");
        QVERIFY(autre.save(vignettes::chemin_vignette(*source, 256), "PNG"));
        QVERIFY(vignettes::lire(*source, 256).isNull());
    }

    void echec_note_et_oublie_quand_le_fichier_change()
    {
        BacASable bac;
        const QString photo = bac.chemin("photos/abime.jpg");
        ecrire(photo, "pas une image");
        dater(photo, 1500000000);
        auto source = vignettes::source_de(photo);
        QVERIFY(!vignettes::echec_connu(*source));
        QVERIFY(vignettes::noter_echec(*source));
        QVERIFY(vignettes::chemin_echec(*source).startsWith(bac.chemin("home/.cache/thumbnails/fail/imagora-1.0/")));
        QVERIFY(vignettes::echec_connu(*source));
        QCOMPARE(mode_de(vignettes::chemin_echec(*source)), mode_t(0600));
        dater(photo, 1500000001);
        QVERIFY(!vignettes::echec_connu(*vignettes::source_de(photo)));
    }

    // What is not kept: the cache's own files, folders, missing files; and a cache that cannot be
    // written leaves nothing behind.
    void hors_cache_et_cache_en_lecture_seule()
    {
        BacASable bac;
        ecrire(bac.chemin("home/.cache/thumbnails/normal/x.png"), "x");
        QVERIFY(!vignettes::source_de(bac.chemin("home/.cache/thumbnails/normal/x.png")));
        QVERIFY(!vignettes::source_de(bac.chemin("photos")));
        QVERIFY(!vignettes::source_de(bac.chemin("photos/absente.jpg")));

        const QString photo = bac.chemin("photos/a.jpg");
        ecrire(photo, "x");
        const auto source = vignettes::source_de(photo);
        // large/ taken by a file: no folder can be made there.
        ecrire(bac.chemin("home/.cache/thumbnails/large"), "x");
        QVERIFY(!vignettes::ecrire(*source, motif(10, 10), QSize(10, 10), 256));
        // A full disk: the write fails half-way and its temporary file goes.
        {
            TailleMaximale limite(200); // less than the keys alone
            QVERIFY(!vignettes::ecrire(*source, motif(128, 128), QSize(128, 128), 128));
        }
        QCOMPARE(QDir(bac.chemin("home/.cache/thumbnails/normal")).entryList(QDir::Files), QStringList{"x.png"});
    }
};

QTEST_MAIN(TestVignettes)
#include "tst_vignettes.moc"
